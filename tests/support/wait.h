#pragma once

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

#include "link/timing.h"

namespace vernoll::test {

// Runs the event loop until `done()` or the time is up. Unlike QTest::qWaitFor it does not
// sleep between turns, so an exchange of a hundred bytes takes milliseconds, not a second.
template <typename Pred>
bool waitUntil(Pred done, int timeoutMs = 3000) {
    QElapsedTimer clock;
    clock.start();
    QTimer wake;  // makes sure a blocking turn ends even when nothing else happens
    wake.start(5);
    while (!done()) {
        if (clock.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Lets everything already queued (and what it queues) run for a while.
inline void settle(int ms = 30) {
    waitUntil([] { return false; }, ms);
}

// Lets the event loop run past every answer wait of Timing::fast(), so that a check that
// nothing timed out would see a timeout that did.
inline void settlePastTheWaits() {
    settle(int(std::max(Timing::fast().answerWait, Timing::fast().sendAnswerWait).count()) + 100);
}

}  // namespace vernoll::test
