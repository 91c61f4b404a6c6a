#include "sms/sms_read.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "app/inicio.h"
#include "config/config_import.h"
#include "config/record.h"
#include "form/controls.h"
#include "sim/emulator_port.h"
#include "sim/logger_emulator.h"
#include "support/exchange_faults.h"
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
    EXPECT_EQ(p.text(ctl::kCellNumber), QStringLiteral("3515550142"));
    EXPECT_EQ(p.text(ctl::kSmsHidden), QStringLiteral("0000"));
    EXPECT_EQ(p.form.smsSendCode, 0x06);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(p.c(ctl::kSendIntervalOptions[i]).checked, i == 3)
            << ctl::kSendIntervalOptions[i];
    EXPECT_TRUE(p.c(ctl::kReadSms).enabled);
    EXPECT_TRUE(p.c(ctl::kWriteSms).enabled);
    EXPECT_FALSE(p.channels[8].isOpen());
    EXPECT_EQ(p.channels.exchange().counter, 22);
    EXPECT_TRUE(p.channels.exchange().answered);
    EXPECT_TRUE(p.form.surface().isEmpty());
    EXPECT_EQ(p.dialogs.shown.size(), 2U);  // the connection question and text only
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
        EXPECT_EQ(p.text(ctl::kCellNumber), QStringLiteral("1234567890"));
    }
}

TEST(SmsRead, TheSettingsAsValues) {
    test::ensureApp();
    ScriptedRig rig;
    Program& p = rig.program;
    ASSERT_TRUE(p.startUp());
    EXPECT_FALSE(p.inicio.smsRead().settings().has_value());
    rig.sends(smsRecord("3515550142", 0x0C, QByteArray("\x81\xBA\x00\xFF", 4)));
    QSignalSpy done(&p.inicio.smsRead(), &SmsRead::finished);
    ASSERT_TRUE(p.read(done));
    const auto& settings = p.inicio.smsRead().settings();
    ASSERT_TRUE(settings.has_value());
    EXPECT_EQ(settings->cell, QStringLiteral("3515550142     "));
    EXPECT_EQ(settings->code, 0x0C);
    EXPECT_EQ(settings->hidden.toHex(), QByteArray("81ba00ff"));
}

// The SMS read among the faults every exchange meets (support/exchange_faults.h).
struct SmsReadUnderTest {
    using Exchange = SmsRead;
    static constexpr int kChannel = 8;
    static constexpr int kLast = 22;
    // The cell number and the send-interval code arrived, two of the hidden bytes did not.
    static constexpr int kStopAfter = 18;
    static constexpr int kDialogs = 0;
    static constexpr const char* kDiagnostic = "error en contador";

    static QByteArray configuration() { return configOf({0x02, 0x04, 0x00, 0x01}); }
    static QByteArray script() { return smsRecord("3515550142", 0x12, "0000"); }
    static Exchange& exchange(test::Program& p) { return p.inicio.smsRead(); }
    static void prepare(test::Program&) {}
    static void start(test::Program& p) { p.inicio.smsPresenter().read(); }
    static QByteArray wire(test::Program&) { return QByteArray("U-U") + script(); }
    static void afterFinished(test::Program& p) {
        EXPECT_EQ(p.text(ctl::kCellNumber), QStringLiteral("3515550142"));
        EXPECT_TRUE(p.c(ctl::kSendEvery12h).checked);
    }
    // Offered even when nothing was read; the boxes stay empty.
    static void afterNoAnswer(test::Program& p) {
        EXPECT_TRUE(p.c(ctl::kWriteSms).enabled);
        EXPECT_EQ(p.text(ctl::kCellNumber), QString());
        EXPECT_EQ(p.text(ctl::kSmsHidden), QString());
    }
    static void afterStop(test::Program&) {}
    // The boxes, the buttons and "Enviar Config.SMS" as before the read.
    static QStringList stallChanges() { return {}; }
    static void afterStall(test::Program& p) {
        EXPECT_EQ(p.form.smsSendCode, 0x00);
        EXPECT_FALSE(p.inicio.smsRead().settings().has_value());
    }
    static void beforeBeyond(test::Program&) {}
    static void afterBeyond(test::Program&) {}
};

INSTANTIATE_TYPED_TEST_SUITE_P(SmsRead, ExchangeFaults, SmsReadUnderTest);
