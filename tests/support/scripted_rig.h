#pragma once

// The program against a scripted logger on one fake port: the logger first gives the
// configuration record the start-up's import reads, then whatever a test makes it say next.

#include <QByteArray>
#include <QString>

#include "support/fake_port.h"
#include "support/scripted_logger.h"

namespace vernoll::test {

// P is the test's own program fixture (derived from test::Program).
template <typename P>
struct ScriptedRig {
    ScriptedLogger logger;
    FakePort port;
    P program{QStringLiteral("P1"), port.factory()};

    explicit ScriptedRig(const QByteArray& configuration) {
        logger.record = configuration;
        port.setPeer([this](int, const QByteArray& w) { return logger.answer(w); });
    }
    // The logger switched off and on again, with `record` to send in the next exchange.
    void restart(const QByteArray& record) {
        logger = ScriptedLogger{};
        logger.record = record;
    }
};

}  // namespace vernoll::test
