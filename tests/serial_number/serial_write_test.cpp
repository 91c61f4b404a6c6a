#include "serial_number/serial_write.h"

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
using vernoll::serial_number::SerialWrite;

namespace {

constexpr int kWait = test::kExchangeWait;
using test::kNoLogger;

struct Program : test::Program {
    using test::Program::Program;
    bool key(int k) { return inicio.key(QString::fromLatin1(ctl::kSerialEntry), k); }
    void type(const QString& text) { test::Program::type(ctl::kSerialEntry, text); }
    bool enter(QSignalSpy& spy, int count = 1) {
        key(Qt::Key_Return);
        return test::waitUntil([&] { return spy.count() == count; }, test::kExchangeWait);
    }
};

// A logger that paces the write: one byte for each of the first four packed bytes.
QByteArray thermoPluviometer() {
    config::Record r;
    r.serial = {0x00, 0x02, 0x05, 0x00};
    return r.toBytes();
}

struct ScriptedRig : test::ScriptedRig<Program> {
    ScriptedRig() : test::ScriptedRig<Program>(thermoPluviometer()) {}
    void pacesWrite() { restart(QByteArray(4, '\x21')); }
};

}  // namespace

TEST(SerialWrite, KeysOfTheBox) {
    test::ensureApp();
    test::FakePort port;
    Program p(QStringLiteral("P1"), port.factory());
    struct Case {
        int key;
        bool passes;
        bool typesACharacter;  // and so clears the answer flag, even when discarded
    } cases[] = {
        {Qt::Key_0, true, true},        {Qt::Key_5, true, true},
        {Qt::Key_9, true, true},        {Qt::Key_Backspace, true, true},
        {Qt::Key_Escape, false, true},  {Qt::Key_A, false, true},
        {Qt::Key_Z, false, true},       {Qt::Key_Space, false, true},
        {Qt::Key_Minus, false, true},   {Qt::Key_Period, false, true},
        {Qt::Key_Exclam, false, true},  {Qt::Key_Slash, false, true},
        {Qt::Key_Colon, false, true},   {Qt::Key_V, false, true},
        {Qt::Key_Left, true, false},    {Qt::Key_Delete, true, false},
        {Qt::Key_Home, true, false},    {Qt::Key_Shift, true, false},
        {Qt::Key_Control, true, false},
    };
    for (const Case& c : cases) {
        p.channels.exchange().answered = true;
        EXPECT_EQ(p.key(c.key), c.passes) << c.key;
        EXPECT_EQ(p.channels.exchange().answered, !c.typesACharacter) << c.key;
    }
    EXPECT_TRUE(port.written().isEmpty());
}

TEST(SerialWrite, PastedTextMustBeDigitsAndAtMostEight) {
    test::ensureApp();
    test::FakePort port;
    Program p(QStringLiteral("P1"), port.factory());
    struct Case {
        const char* typed;
        const char* kept;
    } cases[] = {
        {"", ""},
        {"12", "12"},
        {"12a", "12"},
        {"12345678", "12345678"},
        {"123456789", "12345678"},
        {"1234", "1234"},
        {" 1234", "1234"},
        {"\u0661\u0662", "1234"},  // digits of another script are no decimal digits here
        {"", ""},
    };
    for (const Case& c : cases) {
        p.type(QString::fromUtf8(c.typed));
        EXPECT_EQ(p.text(ctl::kSerialEntry), QString::fromLatin1(c.kept)) << c.typed;
    }
}

TEST(SerialWrite, DesignTextIsNotSent) {
    test::ensureApp();
    test::FakePort port;
    Program p(QStringLiteral("P1"), port.factory());
    ASSERT_EQ(p.text(ctl::kSerialEntry), QStringLiteral("Text10"));
    // Deleting a letter of the design text is accepted; it still holds no number.
    p.type(QStringLiteral("Text1"));
    EXPECT_EQ(p.text(ctl::kSerialEntry), QStringLiteral("Text1"));
    EXPECT_FALSE(p.key(Qt::Key_Return));
    test::settle(60);
    EXPECT_TRUE(port.written().isEmpty());
    EXPECT_TRUE(p.c(ctl::kSerialEntry).enabled);
    EXPECT_EQ(p.text(ctl::kSerialCaption), QStringLiteral("Nro Serie"));
}

TEST(SerialWrite, PackedBytesOnTheWireAndTheLoggerTakesTheNumber) {
    test::ensureApp();
    struct Case {
        const char* typed;
        QByteArray sent;   // after the wake-up and the attention byte
        const char* held;  // the emulator's serial number afterwards
    } cases[] = {
        {"12345678", QByteArray("\x64\x12\x34\x56\x78\x78"), "12345678"},
        {"7", QByteArray("\x64\x70\x00\x00\x00\x00", 6), "70000000"},
        {"123", QByteArray("\x64\x12\x30\x00\x00\x00", 6), "12300000"},
        {"02052000", QByteArray("\x64\x02\x05\x20\x00\x00", 6), "02052000"},
        {"", QByteArray("\x64\x00\x00\x00\x00\x00", 6), "00000000"},
        {"99999999", QByteArray("\x64\x99\x99\x99\x99\x99"), "99999999"},
    };
    for (const Case& c : cases) {
        sim::EmulatorOptions options;
        options.serial = QStringLiteral("00020500");
        sim::LoggerEmulator emulator(options);
        sim::EmulatorPort port(emulator);
        Program p(sim::EmulatorPort::location(), port.channelFactory());
        ASSERT_TRUE(p.startUp());
        port.clearWritten();

        p.type(QString::fromLatin1(c.typed));
        QSignalSpy done(&p.inicio.serialWrite(), &SerialWrite::finished);
        ASSERT_TRUE(p.enter(done)) << c.typed;
        EXPECT_EQ(port.written().toHex(' '), (QByteArray("\xBE"
                                                         "U") +
                                              c.sent)
                                                 .toHex(' '))
            << c.typed;
        EXPECT_EQ(emulator.serial(), QString::fromLatin1(c.held));
        // ser1..ser4 the packed bytes, ser5..ser8 the last four digit values.
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_EQ(p.form.ser[i], std::uint8_t(c.sent[int(i) + 1])) << c.typed;
        const QByteArray digits = QByteArray(c.typed).leftJustified(8, '0');
        for (std::size_t i = 4; i < 8; ++i)
            EXPECT_EQ(int(p.form.ser[i]), digits[int(i)] - '0') << c.typed;

        EXPECT_EQ(p.text(ctl::kSerialCaption),
                  QStringLiteral("N\u00ba Enviado  ") + QLatin1String(c.typed));
        EXPECT_TRUE(p.c(ctl::kSerialCaption).enabled);
        EXPECT_TRUE(p.c(ctl::kSerialEntry).enabled);
        EXPECT_EQ(p.text(ctl::kSerialEntry), QString());
        EXPECT_EQ(p.channels.exchange().counter, 0);
        EXPECT_FALSE(p.channels[3].isOpen());
        EXPECT_TRUE(p.form.surface().isEmpty());

        // The next import reads the new number.
        QSignalSpy imported(&p.inicio.import(), &config::ConfigImport::finished);
        p.inicio.importConfiguration();
        ASSERT_TRUE(test::waitUntil([&] { return imported.count() == 1; }, kWait));
        EXPECT_EQ(p.text(ctl::kSerialText), QStringLiteral("Nro  : ") + QLatin1String(c.held));
    }
}

// The serial-number write among the faults every exchange meets (support/exchange_faults.h).
struct SerialWriteUnderTest {
    using Exchange = SerialWrite;
    static constexpr int kChannel = 3;
    static constexpr int kLast = 6;
    static constexpr int kStopAfter = 2;
    static constexpr int kDialogs = 0;
    static constexpr const char* kDiagnostic = "otro valor serie";

    static QByteArray configuration() { return thermoPluviometer(); }
    // After the selection, one byte for each of the first four packed bytes.
    static QByteArray script() { return QByteArray(4, '\x21'); }
    static Exchange& exchange(test::Program& p) { return p.inicio.serialWrite(); }
    static void prepare(test::Program& p) { p.type(ctl::kSerialEntry, QStringLiteral("4321")); }
    static void start(test::Program& p) { p.inicio.serialPresenter().write(); }
    static QByteArray wire(test::Program&) { return QByteArray("U\x64\x43\x21\x00\x00\x00", 7); }
    static void afterFinished(test::Program& p) {
        EXPECT_EQ(p.text(ctl::kSerialCaption), QStringLiteral("N\u00ba Enviado  4321"));
        EXPECT_TRUE(p.c(ctl::kSerialEntry).enabled);
        EXPECT_EQ(p.text(ctl::kSerialEntry), QString());
    }
    // The typed text stays, and the box takes keys again.
    static void afterNoAnswer(test::Program& p) {
        EXPECT_TRUE(p.c(ctl::kSerialEntry).enabled);
        EXPECT_EQ(p.text(ctl::kSerialEntry), QStringLiteral("4321"));
        EXPECT_EQ(p.text(ctl::kSerialCaption), QStringLiteral("comienzo transmision"));
    }
    // No message: the box stays disabled and Label1 says the transmission began.
    static void afterStop(test::Program& p) {
        EXPECT_FALSE(p.c(ctl::kSerialEntry).enabled);
        EXPECT_EQ(p.text(ctl::kSerialCaption), QStringLiteral("comienzo transmision"));
        EXPECT_EQ(p.dialogs.shown.size(), 2U);
    }
    static QStringList stallChanges() { return {}; }
    static void afterStall(test::Program&) {}
    static void beforeBeyond(test::Program&) {}
    static void afterBeyond(test::Program&) {}
};

INSTANTIATE_TYPED_TEST_SUITE_P(SerialWrite, ExchangeFaults, SerialWriteUnderTest);
