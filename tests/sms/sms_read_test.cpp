#include "sms/sms_read.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "app/inicio.h"
#include "config/config_import.h"
#include "config/record.h"
#include "form/controls.h"
#include "sim/emulator_port.h"
#include "sim/logger_emulator.h"
#include "support/fake_dialogs.h"
#include "support/fake_port.h"
#include "support/program.h"
#include "support/qt_app.h"
#include "support/scripted_logger.h"
#include "support/scripted_rig.h"
#include "support/wait.h"

using namespace vernoll;
using vernoll::sms::SmsRead;

namespace {

constexpr int kWait = test::kExchangeWait;
using test::kNoLogger;

QByteArray configOf(std::array<std::uint8_t, 4> serial) {
    config::Record r;
    r.serial = serial;
    r.texts = {QByteArray("Ana"), QByteArray("Campo"), QByteArray("-34"), QByteArray("-58"),
               QByteArray("25")};
    r.clock = {0x14, 0x05, 0x09, 0x03, 0x07, 0x26};
    return r.toBytes();
}

QByteArray smsRecord(const QByteArray& cell, std::uint8_t code, const QByteArray& hidden) {
    return cell + QByteArray(15 - cell.size(), ' ') + char(code) + hidden;
}

struct Program : test::Program {
    using test::Program::Program;
    // Clicks "Leer Config. SMS" and waits for `spy` to reach `count`.
    bool read(QSignalSpy& spy, int count = 1) { return clickAndWait(ctl::kReadSms, spy, count); }
};

// A scripted logger with telemetry: imported at start-up, then an SMS record to send.
struct ScriptedRig : test::ScriptedRig<Program> {
    ScriptedRig() : test::ScriptedRig<Program>(configOf({0x02, 0x04, 0x00, 0x01})) {}
    void sends(const QByteArray& record) { restart(record); }
};

// The program against the in-process emulator of a logger with telemetry.
struct EmulatorRig {
    static sim::EmulatorOptions options() {
        sim::EmulatorOptions o;
        o.serial = QStringLiteral("02040001");
        return o;
    }
    bool app = (test::ensureApp(), true);  // before any of the program's objects
    sim::LoggerEmulator emulator{options()};
    sim::EmulatorPort port{emulator};
    Program program{sim::EmulatorPort::location(), port.channelFactory()};
};

}  // namespace

TEST(SmsRead, AgainstTheEmulatorEveryByteAndTheWindow) {
    EmulatorRig rig;
    auto& emulator = rig.emulator;
    auto& port = rig.port;
    Program& p = rig.program;
    ASSERT_TRUE(p.startUp());
    EXPECT_TRUE(p.c(ctl::kReadSms).enabled);
    EXPECT_FALSE(p.c(ctl::kWriteSms).enabled);
    port.clearWritten();

    QSignalSpy done(&p.inicio.smsRead(), &SmsRead::finished);
    ASSERT_TRUE(p.read(done));
    const QByteArray record = emulator.smsRecord();
    ASSERT_EQ(record.size(), 20);
    // Wake-up, attention, selection, go-on, then each record byte echoed.
    EXPECT_EQ(port.written().toHex(' '), (QByteArray("\xBE"
                                                     "U-U") +
                                          record)
                                             .toHex(' '));
    EXPECT_EQ(p.text(ctl::kCellNumber), QStringLiteral("3515550142     "));
    EXPECT_EQ(p.text(ctl::kSmsHidden), QStringLiteral("0000"));
    EXPECT_EQ(p.form.smsSendCode, 0x06);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(p.c(ctl::kSendIntervalOptions[i]).checked, i == 3)
            << ctl::kSendIntervalOptions[i];
    EXPECT_TRUE(p.c(ctl::kReadSms).enabled);
    EXPECT_TRUE(p.c(ctl::kWriteSms).enabled);
    EXPECT_FALSE(p.channels[8].isOpen());
    EXPECT_EQ(p.form.exchangeCounter, 22);
    EXPECT_EQ(p.form.answerFlag, -1);
    EXPECT_TRUE(p.form.surface().isEmpty());
    EXPECT_EQ(p.dialogs.shown.size(), 2U);  // the connection question and text only
}

TEST(SmsRead, ASecondClickDuringTheOpeningIsIgnored) {
    EmulatorRig rig;
    auto& port = rig.port;
    Program& p = rig.program;
    ASSERT_TRUE(p.startUp());
    port.clearWritten();
    p.dialogs.shown.clear();
    QSignalSpy done(&p.inicio.smsRead(), &SmsRead::finished);
    QSignalSpy failed(&p.inicio.smsRead(), &SmsRead::failed);
    // Straight to the operation, as a front end without the window's guard would call it.
    p.inicio.smsRead().click();
    p.inicio.smsRead().click();
    ASSERT_TRUE(test::waitUntil([&] { return done.count() == 1; }, kWait));
    EXPECT_EQ(failed.count(), 0);
    EXPECT_TRUE(p.dialogs.shown.empty());
    EXPECT_EQ(port.written().count('\xBE'), 1);
}

TEST(SmsRead, SendIntervalCodesAndTheHiddenField) {
    test::ensureApp();
    struct Case {
        std::uint8_t code;
        int option;  // index of the button selected afterwards, -1: the earlier one stays
        QByteArray hidden;
        QString hiddenText;
    } cases[] = {
        {0x00, 0, QByteArray("\x01\x02\x03\x04", 4), QStringLiteral("\x01\x02\x03\x04")},
        {0x01, 1, QByteArray("\x00\x00\x00\x00", 4), QString(4, QChar(0))},
        {0x02, 2, QByteArray("\x80\x81\x9D\x9F"), QStringLiteral("\u20ac\u0081\u009d\u0178")},
        {0x06, 3, QByteArray("\xBA\xFF  "), QStringLiteral("\u00ba\u00ff  ")},
        {0x12, 4, QByteArray("abcd"), QStringLiteral("abcd")},
        // 12 read as binary is no code: stored all the same, no button changes.
        {0x0C, -1, QByteArray("abcd"), QStringLiteral("abcd")},
        {0xFF, -1, QByteArray("abcd"), QStringLiteral("abcd")},
    };
    for (const Case& c : cases) {
        ScriptedRig rig;
        Program& p = rig.program;
        ASSERT_TRUE(p.startUp());
        p.form.setChecked(ctl::kSendWithSampling, true);  // the button selected before the read
        rig.sends(smsRecord("1234567890", c.code, c.hidden));
        QSignalSpy done(&p.inicio.smsRead(), &SmsRead::finished);
        ASSERT_TRUE(p.read(done)) << int(c.code);
        EXPECT_EQ(p.form.smsSendCode, c.code);
        const int selected = c.option >= 0 ? c.option : 1;
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(p.c(ctl::kSendIntervalOptions[i]).checked, i == selected) << int(c.code);
        EXPECT_EQ(p.text(ctl::kSmsHidden), c.hiddenText) << int(c.code);
        EXPECT_EQ(p.text(ctl::kCellNumber), QStringLiteral("1234567890     "));
    }
}

TEST(SmsRead, NoLoggerKnownSendsNothing) {
    test::ensureApp();
    ScriptedRig rig;
    Program& p = rig.program;
    ASSERT_TRUE(p.startUp());
    p.form.answerFlag = 0;  // the last exchange went unanswered
    p.form.setText(ctl::kCellNumber, QStringLiteral("99"));
    rig.port.clearWrites();
    QSignalSpy failed(&p.inicio.smsRead(), &SmsRead::failed);
    p.inicio.click(QString::fromLatin1(ctl::kReadSms));
    ASSERT_EQ(failed.count(), 1);
    EXPECT_EQ(failed.at(0).at(0).value<SmsRead::Failure>(), SmsRead::Failure::NoLogger);
    EXPECT_TRUE(rig.port.written().isEmpty());
    EXPECT_EQ(p.dialogs.texts().last(), kNoLogger);
    EXPECT_TRUE(p.c(ctl::kReconnect).enabled);
    EXPECT_EQ(p.text(ctl::kReconnect), QStringLiteral(" Conectar con Registrador ? "));
    EXPECT_EQ(p.text(ctl::kCellNumber), QStringLiteral("99"));
    EXPECT_FALSE(p.c(ctl::kWriteSms).enabled);
}

TEST(SmsRead, NoAnswerStillOffersTheWriteThenTheNextReadWorks) {
    test::ensureApp();
    ScriptedRig rig;
    Program& p = rig.program;
    ASSERT_TRUE(p.startUp());
    rig.logger.silent = true;
    rig.port.clearWrites();
    QSignalSpy failed(&p.inicio.smsRead(), &SmsRead::failed);
    ASSERT_TRUE(p.read(failed));
    EXPECT_EQ(failed.at(0).at(0).value<SmsRead::Failure>(), SmsRead::Failure::NoAnswer);
    EXPECT_EQ(rig.port.written(), QByteArray("\xBE"
                                             "U"));
    EXPECT_EQ(p.dialogs.texts().last(), kNoLogger);
    EXPECT_TRUE(p.c(ctl::kReconnect).enabled);
    EXPECT_TRUE(p.c(ctl::kWriteSms).enabled);
    EXPECT_EQ(p.text(ctl::kCellNumber), QString());
    EXPECT_EQ(p.text(ctl::kSmsHidden), QString());
    EXPECT_FALSE(p.channels[8].isOpen());

    // The flag is 0 now: the next click says so at once; once a logger answers, it reads.
    p.inicio.click(QString::fromLatin1(ctl::kReadSms));
    EXPECT_EQ(failed.count(), 2);
    p.form.answerFlag = -1;
    rig.sends(smsRecord("555", 0x02, "wxyz"));
    QSignalSpy done(&p.inicio.smsRead(), &SmsRead::finished);
    ASSERT_TRUE(p.read(done));
    EXPECT_EQ(p.text(ctl::kCellNumber), QStringLiteral("555            "));
}

TEST(SmsRead, LoggerStoppingMidRecordThenTheNextReadStartsOver) {
    test::ensureApp();
    ScriptedRig rig;
    Program& p = rig.program;
    ASSERT_TRUE(p.startUp());
    rig.sends(smsRecord("3515550142", 0x12, "0000"));
    rig.logger.stopAfter = 8;
    QSignalSpy done(&p.inicio.smsRead(), &SmsRead::finished);
    QSignalSpy failed(&p.inicio.smsRead(), &SmsRead::failed);
    p.inicio.click(QString::fromLatin1(ctl::kReadSms));
    ASSERT_TRUE(test::waitUntil([&] { return p.form.exchangeCounter == 10; }, kWait));
    test::settlePastTheWaits();
    EXPECT_EQ(done.count() + failed.count(), 0);
    EXPECT_TRUE(p.channels[8].isOpen());
    EXPECT_EQ(p.text(ctl::kCellNumber), QStringLiteral("35155501"));
    EXPECT_EQ(p.inicio.smsRead().state(), SmsRead::State::Receiving);

    rig.sends(smsRecord("3515550142", 0x12, "0000"));
    rig.port.clearWrites();
    ASSERT_TRUE(p.read(done));
    EXPECT_EQ(rig.port.written().left(4), QByteArray("\xBE"
                                                     "U-U"));
    EXPECT_EQ(p.text(ctl::kCellNumber), QStringLiteral("3515550142     "));
    EXPECT_TRUE(p.c(ctl::kSendEvery12h).checked);
}

TEST(SmsRead, BytesBeyondTheRecord) {
    test::ensureApp();
    ScriptedRig rig;
    Program& p = rig.program;
    ASSERT_TRUE(p.startUp());
    rig.sends(smsRecord("1", 0x01, "abcd"));
    rig.logger.surplus = 3;
    QSignalSpy done(&p.inicio.smsRead(), &SmsRead::finished);
    QSignalSpy failed(&p.inicio.smsRead(), &SmsRead::failed);
    ASSERT_TRUE(p.read(done));
    test::settle(50);
    // The surplus reaches a closed channel and is never seen.
    EXPECT_EQ(failed.count(), 0);
    EXPECT_EQ(p.text(ctl::kSmsHidden), QStringLiteral("abcd"));

    // A 23rd byte in one exchange is a counter error.
    auto& fake = test::arriveBeyond(p.channels, p.form, 8, 22, QByteArray("\x00\x00", 2));
    ASSERT_EQ(failed.count(), 1);
    EXPECT_EQ(failed.at(0).at(0).value<SmsRead::Failure>(), SmsRead::Failure::Counter);
    EXPECT_EQ(p.form.surface(), QStringList{QStringLiteral("error en contador")});
    EXPECT_FALSE(p.channels[8].isOpen());
    EXPECT_EQ(fake.bytesWaiting(), 0);
}
