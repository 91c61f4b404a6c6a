#pragma once

// The faults every exchange after the common opening meets, written once for the two shapes
// (echo-read, paced write) and instantiated for each exchange in its own test file with a
// description of it:
//
// struct X {
//     using Exchange = ...;                      // the operation, an EchoRead or a PacedWrite
//     static constexpr int kChannel, kLast;      // MSComm k; the logger's last byte
//     static constexpr int kStopAfter;           // where a stopping logger falls silent
//     static constexpr int kDialogs;             // the dialogs a whole exchange shows
//     static constexpr const char* kDiagnostic;  // printed for a byte beyond the exchange
//     static QByteArray configuration();         // what the start-up's import reads
//     static QByteArray script();                // what the logger sends after the selection
//     static Exchange& exchange(Program&);
//     static void prepare(Program&);             // what comes before the click (edit, digits)
//     static void start(Program&);               // the click, to the window's presenter
//     static QByteArray wire(Program&);          // a whole exchange after the wake-up byte
//     static void afterFinished(Program&);       // the exchange's own ending
//     static void afterNoAnswer(Program&);       // ... when the logger did not answer
//     static void afterStop(Program&);           // paced writes: a logger stopped part-way
//     static QStringList stallChanges();         // echo-reads: controls a stall leaves changed
//     static void afterStall(Program&);          // echo-reads: their own variables put back
//     static void beforeBeyond(Program&);        // before a byte beyond the exchange
//     static void afterBeyond(Program&);
// };

#include <gtest/gtest.h>

#include <QMap>
#include <QSignalSpy>
#include <algorithm>
#include <type_traits>

#include "link/echo_read.h"
#include "link/paced_write.h"
#include "support/fake_dialogs.h"
#include "support/fake_port.h"
#include "support/program.h"
#include "support/qt_app.h"
#include "support/scripted_rig.h"
#include "support/wait.h"

namespace vernoll::test {

// Every control's state, one comparable text each.
inline QMap<QString, QString> controlsOf(const FormState& form) {
    QMap<QString, QString> all;
    for (const QString& name : form.controlNames()) {
        const ControlState& c = form.control(name);
        all.insert(name, QStringLiteral("%1%2%3%4|%5")
                             .arg(c.enabled)
                             .arg(c.visible)
                             .arg(c.locked)
                             .arg(c.checked)
                             .arg(c.text));
    }
    return all;
}

// The controls whose state differs between two views.
inline QStringList changedControls(const QMap<QString, QString>& before,
                                   const QMap<QString, QString>& after) {
    QStringList changed;
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        if (before.value(it.key()) != it.value()) changed << it.key();
    return changed;
}

}  // namespace vernoll::test

template <typename X>
class ExchangeFaults : public ::testing::Test {
protected:
    using Exchange = typename X::Exchange;
    using Failure = vernoll::Fault;
    using State = typename Exchange::State;
    static constexpr bool kRead = std::is_base_of_v<vernoll::EchoRead, Exchange>;

    ExchangeFaults() { vernoll::test::ensureApp(); }

    // The program started up against a scripted logger, which now sends X::script().
    void startUp() {
        ASSERT_TRUE(p().startUp());
        next();
    }
    // The logger switched off and on: the next exchange gets the whole script.
    void next() {
        rig_.restart(X::script());
        rig_.port.clearWrites();
    }
    vernoll::test::Program& p() { return rig_.program; }
    Exchange& exchange() { return X::exchange(p()); }
    // Prepares and starts the exchange, and waits until `spy` has seen `count` signals.
    bool run(QSignalSpy& spy, int count = 1) {
        X::prepare(p());
        X::start(p());
        return vernoll::test::waitUntil([&] { return spy.count() == count; },
                                        vernoll::test::kExchangeWait);
    }
    // A whole exchange: it finishes, with every byte on the wire.
    void runsWhole() {
        QSignalSpy done(&exchange(), &Exchange::finished);
        ASSERT_TRUE(run(done));
        EXPECT_EQ(rig_.port.written().toHex(' '),
                  (QByteArray(1, '\xBE') + X::wire(p())).toHex(' '));
        X::afterFinished(p());
    }
    Failure failure(const QSignalSpy& spy, int i = 0) {
        return spy.at(i).at(0).value<vernoll::OperationError>().fault;
    }

    vernoll::test::ScriptedRig<vernoll::test::Program> rig_{X::configuration()};
};

TYPED_TEST_SUITE_P(ExchangeFaults);

TYPED_TEST_P(ExchangeFaults, NoAnswerEndsWithTheNoConnectionMessageAndTheNextOneWorks) {
    using namespace vernoll::test;
    using X = TypeParam;
    this->startUp();
    Program& p = this->p();
    this->rig_.logger.silent = true;
    QSignalSpy failed(&this->exchange(), &TestFixture::Exchange::failed);
    ASSERT_TRUE(this->run(failed));
    EXPECT_EQ(this->failure(failed), TestFixture::Failure::NoAnswer);
    EXPECT_EQ(this->rig_.port.written(), QByteArray("\xBE"
                                                    "U"));
    EXPECT_EQ(p.dialogs.texts().last(), kNoLogger);
    EXPECT_TRUE(p.c(ctl::kReconnect).enabled);
    EXPECT_EQ(p.text(ctl::kReconnect), QStringLiteral(" Conectar con Registrador ? "));
    EXPECT_FALSE(p.channels[X::kChannel].isOpen());
    EXPECT_FALSE(p.channels.exchange().answered);
    X::afterNoAnswer(p);

    // A read tests the flag first (next test); once an exchange was answered, it works.
    p.channels.exchange().answered = true;
    this->next();
    this->runsWhole();
}

// The flag says the last exchange went unanswered: a read says so at once and sends nothing;
// a write does not look at it.
TYPED_TEST_P(ExchangeFaults, AnswerFlagAtZero) {
    using namespace vernoll::test;
    using X = TypeParam;
    this->startUp();
    Program& p = this->p();
    p.channels.exchange().answered = false;
    if constexpr (TestFixture::kRead) {
        const auto before = controlsOf(p.form);
        QSignalSpy failed(&this->exchange(), &TestFixture::Exchange::failed);
        X::start(this->p());
        ASSERT_EQ(failed.count(), 1);
        EXPECT_EQ(this->failure(failed), TestFixture::Failure::NoLogger);
        EXPECT_TRUE(this->rig_.port.written().isEmpty());
        EXPECT_EQ(p.dialogs.texts().last(), kNoLogger);
        // Only the reconnection is offered.
        EXPECT_EQ(changedControls(before, controlsOf(p.form)),
                  QStringList{QString::fromLatin1(ctl::kReconnect)});
        EXPECT_TRUE(p.c(ctl::kReconnect).enabled);
        EXPECT_EQ(p.text(ctl::kReconnect), QStringLiteral(" Conectar con Registrador ? "));
    } else {
        this->runsWhole();
    }
}

TYPED_TEST_P(ExchangeFaults, ASecondClickDuringTheOpeningIsIgnored) {
    using namespace vernoll::test;
    using X = TypeParam;
    this->startUp();
    Program& p = this->p();
    p.dialogs.shown.clear();
    QSignalSpy done(&this->exchange(), &TestFixture::Exchange::finished);
    QSignalSpy failed(&this->exchange(), &TestFixture::Exchange::failed);
    X::prepare(p);
    X::start(this->p());
    X::start(this->p());
    ASSERT_TRUE(waitUntil([&] { return done.count() == 1; }, kExchangeWait));
    settle(30);
    EXPECT_EQ(done.count(), 1);
    EXPECT_EQ(failed.count(), 0);
    EXPECT_EQ(this->rig_.port.written().toHex(' '),
              (QByteArray(1, '\xBE') + X::wire(p)).toHex(' '));
    EXPECT_EQ(int(p.dialogs.shown.size()), X::kDialogs);
}

TYPED_TEST_P(ExchangeFaults, LoggerStoppingPartWay) {
    using namespace vernoll::test;
    using X = TypeParam;
    this->startUp();
    Program& p = this->p();
    // Timer1 would move the time box on while the test waits.
    p.form.setTimer1Enabled(false);
    this->rig_.logger.stopAfter = X::kStopAfter;
    const auto before = controlsOf(p.form);
    const QStringList surface = p.form.surface();
    QSignalSpy done(&this->exchange(), &TestFixture::Exchange::finished);
    QSignalSpy failed(&this->exchange(), &TestFixture::Exchange::failed);
    X::prepare(p);
    X::start(this->p());
    // The attention byte's answer, the selection's, then the bytes it sent.
    ASSERT_TRUE(waitUntil([&] { return p.channels.exchange().counter == X::kStopAfter + 2; },
                          kExchangeWait));

    if constexpr (TestFixture::kRead) {
        // After the stall limit the read ends, and the window shows what it showed before.
        ASSERT_TRUE(waitUntil([&] { return failed.count() == 1; }, kExchangeWait));
        EXPECT_EQ(this->failure(failed), TestFixture::Failure::Stall);
        EXPECT_EQ(done.count(), 0);
        EXPECT_EQ(p.dialogs.texts().last(), QStringLiteral("Error en comunicacion "));
        EXPECT_FALSE(p.channels[X::kChannel].isOpen());
        EXPECT_EQ(this->exchange().state(), TestFixture::State::Idle);
        EXPECT_EQ(changedControls(before, controlsOf(p.form)), X::stallChanges());
        EXPECT_EQ(p.form.surface(), surface);
        X::afterStall(p);
    } else {
        // A write has no end but the logger's last byte: the channel stays open.
        settlePastTheWaits();
        EXPECT_EQ(done.count() + failed.count(), 0);
        EXPECT_TRUE(p.channels[X::kChannel].isOpen());
        EXPECT_EQ(this->exchange().state(), TestFixture::State::Sending);
        X::afterStop(p);
    }

    // The next one closes whatever the stopped one left open, and completes.
    this->next();
    this->runsWhole();
}

TYPED_TEST_P(ExchangeFaults, BytesBeyondTheExchange) {
    using namespace vernoll::test;
    using X = TypeParam;
    this->startUp();
    Program& p = this->p();
    // A logger that answers the exchange's last byte with two more: they reach a closed channel.
    this->rig_.logger.surplus = 2;
    QSignalSpy failed(&this->exchange(), &TestFixture::Exchange::failed);
    this->runsWhole();
    settle(50);
    EXPECT_EQ(failed.count(), 0);
    EXPECT_FALSE(p.channels[X::kChannel].isOpen());
    const QStringList surface = p.form.surface();

    // One more byte in the same exchange: its diagnostic, the channel emptied and closed, the
    // counter left for the next opening to reset.
    X::beforeBeyond(p);
    auto& fake = arriveBeyond(p.channels, X::kChannel, X::kLast, QByteArray(2, '\0'));
    // Said once the receive handler has returned.
    EXPECT_EQ(failed.count(), 0);
    ASSERT_TRUE(waitUntil([&] { return failed.count() == 1; }));
    EXPECT_EQ(this->failure(failed), TestFixture::Failure::Counter);
    EXPECT_EQ(p.form.surface(), surface + QStringList{QString::fromLatin1(X::kDiagnostic)});
    EXPECT_FALSE(p.channels[X::kChannel].isOpen());
    EXPECT_EQ(fake.bytesWaiting(), 0);
    EXPECT_EQ(p.channels.exchange().counter, X::kLast + 1);
    X::afterBeyond(p);
}

REGISTER_TYPED_TEST_SUITE_P(ExchangeFaults,
                            NoAnswerEndsWithTheNoConnectionMessageAndTheNextOneWorks,
                            AnswerFlagAtZero, ASecondClickDuringTheOpeningIsIgnored,
                            LoggerStoppingPartWay, BytesBeyondTheExchange);
