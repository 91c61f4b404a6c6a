#include "sms/sms_write.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "app/inicio.h"
#include "config/config_import.h"
#include "config/record.h"
#include "form/controls.h"
#include "link/codepage.h"
#include "sim/emulator_port.h"
#include "sim/logger_emulator.h"
#include "sms/sms_read.h"
#include "sms/sms_record.h"
#include "support/exchange_faults.h"
#include "support/fake_dialogs.h"
#include "support/fake_port.h"
#include "support/program.h"
#include "support/qt_app.h"
#include "support/scripted_logger.h"
#include "support/scripted_rig.h"
#include "support/wait.h"

using namespace vernoll;
using vernoll::sms::SmsWrite;

namespace {

constexpr int kWait = test::kExchangeWait;
const QString kConfirm = QStringLiteral("esta seguro de cambiar Configuracion SMS? ");
const QString kDone = QStringLiteral("Se Modific\u00f3 configuraci\u00f3n SMS");
using test::kNoLogger;

QByteArray smsConfig() {
    config::Record r;
    r.serial = {0x02, 0x05, 0x00, 0x01};
    r.clock = {0x14, 0x05, 0x09, 0x03, 0x07, 0x26};
    return r.toBytes();
}

struct Program : test::Program {
    using test::Program::Program;
    bool readSms() {
        QSignalSpy done(&inicio.smsRead(), &sms::SmsRead::finished);
        return clickAndWait(ctl::kReadSms, done);
    }
    bool write(QSignalSpy& spy, int count = 1) { return clickAndWait(ctl::kWriteSms, spy, count); }
};

struct EmulatorRig {
    sim::LoggerEmulator emulator{options()};
    sim::EmulatorPort port{emulator};
    Program program{sim::EmulatorPort::location(), port.channelFactory()};
    static sim::EmulatorOptions options() {
        sim::EmulatorOptions o;
        o.serial = QStringLiteral("02050001");
        return o;
    }
};

// A logger that paces a write of 20 bytes: one byte for each of the first 19.
struct ScriptedRig : test::ScriptedRig<Program> {
    ScriptedRig() : test::ScriptedRig<Program>(smsConfig()) {}
    void pacesWrite() { restart(QByteArray(19, '\x33')); }
};

QByteArray writeBytes(const QByteArray& frame) {
    return QByteArray(
               "\xBE"
               "U.") +
           frame;
}

}  // namespace

TEST(SmsFrame, CellCodeAndHiddenField) {
    struct Case {
        QString cell;
        std::uint8_t code;
        QString hidden;
        QByteArray expected;
    } cases[] = {
        {QStringLiteral("3515550142"), 0x12, QStringLiteral("0000"),
         QByteArray("3515550142     \x12"
                    "0000")},
        {QString(), 0x00, QString(), QByteArray(15, ' ') + '\0' + QByteArray(4, ' ')},
        {QStringLiteral("123456789012345"), 0x06, QStringLiteral("ab"),
         QByteArray("123456789012345\x06"
                    "ab  ")},
        // Only the first four characters of the padded hidden field go out.
        {QStringLiteral("1"), 0x01, QStringLiteral("abcde"),
         QByteArray("1") + QByteArray(14, ' ') +
             "\x01"
             "abcd"},
        // A cell text longer than the box keeps the code at byte 16.
        {QStringLiteral("12345678901234567"), 0x02, QStringLiteral("wxyz"),
         QByteArray("123456789012345\x02"
                    "wxyz")},
    };
    for (const Case& c : cases) {
        const QByteArray frame = sms::writeFrame(c.cell, c.code, c.hidden);
        EXPECT_EQ(frame.toHex(' '), c.expected.toHex(' ')) << c.cell.toStdString();
    }
}

TEST(SmsFrame, EveryHiddenByteGoesBackAsItCame) {
    for (int first = 0; first < 256; first += 4) {
        QByteArray hidden;
        for (int b = first; b < first + 4; ++b) hidden += char(b);
        // The read keeps the bytes as characters of the hidden box; the write sends them back.
        const QByteArray frame = sms::writeFrame(QString(), 0x00, cp1252::decode(hidden));
        EXPECT_EQ(frame.right(4).toHex(), hidden.toHex());
    }
}

TEST(SmsWrite, OptionButtonsStoreTheirCodes) {
    test::ensureApp();
    EmulatorRig rig;
    Program& p = rig.program;
    const std::uint8_t codes[5] = {0x00, 0x01, 0x02, 0x06, 0x12};
    for (int i = 4; i >= 0; --i) {
        p.choose(ctl::kSendIntervalOptions[i]);
        EXPECT_EQ(p.form.smsSendCode, codes[i]) << ctl::kSendIntervalOptions[i];
    }
}

TEST(SmsWrite, ReadChangeWriteAgainstTheEmulatorThenReadBack) {
    test::ensureApp();
    EmulatorRig rig;
    Program& p = rig.program;
    ASSERT_TRUE(p.startUp());
    ASSERT_TRUE(p.readSms());
    ASSERT_TRUE(p.c(ctl::kWriteSms).enabled);

    p.form.setText(ctl::kCellNumber, QStringLiteral("1234567890"));
    p.choose(ctl::kSendEvery12h);
    rig.port.clearWritten();
    QSignalSpy done(&p.inicio.smsWrite(), &SmsWrite::finished);
    ASSERT_TRUE(p.write(done));

    const QByteArray frame = QByteArray(
        "1234567890     \x12"
        "0000");
    EXPECT_EQ(p.inicio.smsWrite().frame().toHex(' '), frame.toHex(' '));
    // Attention, selection 0x2E, then exactly the 20 frame bytes.
    EXPECT_EQ(rig.port.written().toHex(' '), writeBytes(frame).toHex(' '));
    EXPECT_EQ(std::uint8_t(rig.port.written()[3 + 15]), 0x12);
    EXPECT_EQ(rig.emulator.smsRecord().toHex(' '), frame.toHex(' '));
    EXPECT_EQ(p.dialogs.texts().mid(p.dialogs.texts().size() - 2), (QStringList{kConfirm, kDone}));
    EXPECT_EQ(p.dialogs.shown[p.dialogs.shown.size() - 2].icon, Dialogs::Icon::Warning);
    // The padded texts stay in the boxes; no button changes.
    EXPECT_EQ(p.text(ctl::kCellNumber), QStringLiteral("1234567890     "));
    EXPECT_EQ(p.text(ctl::kSmsHidden), QStringLiteral("0000 "));
    EXPECT_TRUE(p.c(ctl::kWriteSms).enabled);
    EXPECT_TRUE(p.c(ctl::kReadSms).enabled);
    EXPECT_FALSE(p.channels[7].isOpen());
    EXPECT_EQ(p.channels.exchange().counter, 21);

    // The next read reports what was written.
    p.choose(ctl::kSendNever);
    ASSERT_TRUE(p.readSms());
    EXPECT_EQ(p.text(ctl::kCellNumber), QStringLiteral("1234567890"));  // shown without padding
    EXPECT_EQ(p.form.smsSendCode, 0x12);
    EXPECT_TRUE(p.c(ctl::kSendEvery12h).checked);
    EXPECT_FALSE(p.c(ctl::kSendNever).checked);
}

TEST(SmsWrite, UnknownCodeAndOddHiddenBytesGoBackUnchanged) {
    test::ensureApp();
    ScriptedRig rig;
    Program& p = rig.program;
    ASSERT_TRUE(p.startUp());
    const QByteArray record = QByteArray("987654321      \x0C\x81\xBA\x00\xFF", 20);
    rig.restart(record);
    ASSERT_TRUE(p.readSms());

    rig.pacesWrite();
    rig.port.clearWrites();
    QSignalSpy done(&p.inicio.smsWrite(), &SmsWrite::finished);
    ASSERT_TRUE(p.write(done));
    EXPECT_EQ(rig.port.written().toHex(' '), writeBytes(record).toHex(' '));
}

TEST(SmsWrite, CancelChangesAndSendsNothing) {
    test::ensureApp();
    ScriptedRig rig;
    Program& p = rig.program;
    ASSERT_TRUE(p.startUp());
    p.form.setText(ctl::kCellNumber, QStringLiteral("12"));
    rig.port.clearWrites();
    p.dialogs.answers = {false};
    QSignalSpy cancelled(&p.inicio.smsPresenter(), &SmsPresenter::writeCancelled);
    p.inicio.click(QString::fromLatin1(ctl::kWriteSms));
    test::settle(60);
    EXPECT_EQ(cancelled.count(), 1);
    EXPECT_TRUE(rig.port.written().isEmpty());
    EXPECT_EQ(p.text(ctl::kCellNumber), QStringLiteral("12"));
    EXPECT_EQ(p.text(ctl::kSmsHidden), QStringLiteral("Tex"));
    EXPECT_EQ(p.dialogs.texts().last(), kConfirm);
}

// The SMS write among the faults every exchange meets (support/exchange_faults.h).
struct SmsWriteUnderTest {
    using Exchange = SmsWrite;
    static constexpr int kChannel = 7;
    static constexpr int kLast = 21;
    static constexpr int kStopAfter = 5;
    static constexpr int kDialogs = 2;
    static constexpr const char* kDiagnostic = "error datos";

    static QByteArray configuration() { return smsConfig(); }
    // After the selection, one byte for each of the first 19 frame bytes.
    static QByteArray script() { return QByteArray(19, '\x33'); }
    static Exchange& exchange(test::Program& p) { return p.inicio.smsWrite(); }
    static void prepare(test::Program& p) {
        p.form.setText(ctl::kCellNumber, QStringLiteral("12"));
    }
    static void start(test::Program& p) { p.inicio.smsPresenter().write(); }
    static QByteArray wire(test::Program& p) {
        return writeBytes(p.inicio.smsWrite().frame()).mid(1);
    }
    static void afterFinished(test::Program& p) { EXPECT_EQ(p.dialogs.texts().last(), kDone); }
    // The padded texts stay in the boxes.
    static void afterNoAnswer(test::Program& p) {
        EXPECT_EQ(p.text(ctl::kCellNumber), QStringLiteral("12             "));
        EXPECT_EQ(p.text(ctl::kSmsHidden), QStringLiteral("Tex  "));
        EXPECT_EQ(p.inicio.smsWrite().frame(), QByteArray("12             \0Tex ", 20));
    }
    static void afterStop(test::Program& p) { EXPECT_EQ(p.dialogs.texts().last(), kConfirm); }
    static QStringList stallChanges() { return {}; }
    static void afterStall(test::Program&) {}
    static void beforeBeyond(test::Program&) {}
    static void afterBeyond(test::Program&) {}
};

INSTANTIATE_TYPED_TEST_SUITE_P(SmsWrite, ExchangeFaults, SmsWriteUnderTest);
