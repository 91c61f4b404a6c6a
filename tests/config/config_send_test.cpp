#include "config/config_send.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
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
using vernoll::config::ConfigSend;

namespace {

constexpr int kWait = test::kExchangeWait;
const QString kConfirm = QStringLiteral(
    "esta seguro de cambiarla? \r\n\r\n\r\nSE BORRARAN TODOS LOS DATOS DE MEMORIA!  ");
const QString kDone = QStringLiteral(" Se Modific\u00f3 configuraci\u00f3n ");
using test::kNoLogger;
const QDateTime kPcNow(QDate(2027, 2, 28), QTime(9, 8, 7));

QString blanks(int n) {
    return QString(n, QLatin1Char(' '));
}

config::Record demoRecord() {
    config::Record r;
    r.serial = {0x00, 0x02, 0x05, 0x00};
    r.texts = {QByteArray("Ana"), QByteArray("Campo"), QByteArray("-34.60"), QByteArray("-58.38"),
               QByteArray("25")};
    r.interval = 0x10;
    r.clock = {0x14, 0x05, 0x09, 0x03, 0x07, 0x26};
    return r;
}

// Wire bytes of a send, after the import: wake-up, attention, selection, the frame.
QByteArray sendBytes(const QByteArray& frame) {
    return QByteArray(
               "\xBE"
               "U\x96") +
           frame;
}

// The program, started up and with a configuration imported, on a given channel factory.
struct Program : test::Program {
    Program(const QString& port, const ChannelSet::Factory& factory)
        : test::Program(port, factory) {
        inicio.configPresenter().setPcClock([] { return kPcNow; });
    }
    bool importAgain() {
        QSignalSpy done(&inicio.import(), &config::ConfigImport::finished);
        inicio.importConfiguration();
        return test::waitUntil([&] { return done.count() == 1; }, test::kExchangeWait);
    }
};

// Against the emulator in process.
struct EmulatorRig {
    sim::LoggerEmulator emulator;
    sim::EmulatorPort port{emulator};
    Program program{sim::EmulatorPort::location(), port.channelFactory()};

    static sim::EmulatorOptions options() {
        sim::EmulatorOptions o;
        o.serial = QStringLiteral("00020500");
        o.pcClock = [] { return kPcNow; };
        return o;
    }
    EmulatorRig() : emulator(options()) {}
};

bool sendAndWait(Program& p, QSignalSpy& outcome, int count = 1) {
    p.click(ctl::kSendConfig);
    return test::waitUntil([&] { return outcome.count() == count; }, kWait);
}

// The window after a send ended (sent, not answered, cancelled or refused).
void expectViewing(const test::Program& p) {
    EXPECT_FALSE(p.c(ctl::kPcClock).visible);
    EXPECT_FALSE(p.c(ctl::kPcClock).checked);
    EXPECT_FALSE(p.c(ctl::kPcClockCaption).visible);
    EXPECT_TRUE(p.form.timer1Enabled());
    for (const char* box : ctl::kStationTexts) EXPECT_TRUE(p.c(box).locked) << box;
    EXPECT_TRUE(p.c(ctl::kOpenBaseFile).enabled);
    EXPECT_TRUE(p.c(ctl::kDownload).enabled);
    EXPECT_TRUE(p.c(ctl::kImportConfig).enabled);
    EXPECT_FALSE(p.c(ctl::kSendConfig).enabled);
    EXPECT_TRUE(p.c(ctl::kEditConfig).enabled);
}

}  // namespace

TEST(ConfigFrame, TextsIntervalAndClockBytes) {
    struct Case {
        std::array<QString, 5> texts;
        std::uint8_t interval;
        QTime time;
        QDate date;
        QByteArray expected;
    } cases[] = {
        // 14:05:09 on 3 July 2026.
        {{QStringLiteral("Ana"), QString(), QString(), QString(), QString()},
         0x10,
         QTime(14, 5, 9),
         QDate(2026, 7, 3),
         QByteArray("Ana") + QByteArray(27 + 35 + 15 + 15 + 5, ' ') + "\x10" +
             QByteArray("\x14\x05\x09\x03\x07\x26", 6)},
        // 23:59:59 on 31/12/2029, every field at its width, one byte a character.
        {{QString(30, QLatin1Char('u')), QStringLiteral("Campo \u00ba"),
          QString(15, QLatin1Char('1')), QString(15, QLatin1Char('2')), QStringLiteral("12345")},
         0x60,
         QTime(23, 59, 59),
         QDate(2029, 12, 31),
         QByteArray(30, 'u') + "Campo \xba" + QByteArray(28, ' ') + QByteArray(15, '1') +
             QByteArray(15, '2') + "12345" + "\x60\x23\x59\x59\x31\x12\x29"},
        // Midnight on the first of January of a year ending in 00; texts longer than their
        // boxes keep the interval and clock in their places.
        {{QString(31, QLatin1Char('a')), QString(), QString(), QString(), QStringLiteral("123456")},
         0x01,
         QTime(0, 0, 0),
         QDate(2100, 1, 1),
         QByteArray(30, 'a') + QByteArray(35 + 15 + 15, ' ') + "12345" +
             QByteArray("\x01\x00\x00\x00\x01\x01\x00", 7)},
    };
    for (const Case& c : cases) {
        const QByteArray frame = config::sendFrame(c.texts, c.interval, c.time, c.date);
        EXPECT_EQ(frame.size(), 107);
        EXPECT_EQ(frame.toHex(' '), c.expected.toHex(' '));
    }
}

TEST(ConfigSend, EditOpensTheFields) {
    test::ensureApp();
    EmulatorRig rig;
    Program& p = rig.program;
    ASSERT_TRUE(p.startUp());
    // The import shows only the logger's interval, 10 minutes.
    EXPECT_TRUE(p.c(ctl::kInterval10).visible);
    EXPECT_FALSE(p.c(ctl::kInterval1).visible);
    EXPECT_TRUE(p.form.timer1Enabled());
    EXPECT_FALSE(p.c(ctl::kSendConfig).enabled);

    p.click(ctl::kEditConfig);
    EXPECT_FALSE(p.form.timer1Enabled());
    EXPECT_TRUE(p.c(ctl::kPcClock).visible);
    EXPECT_TRUE(p.c(ctl::kPcClockCaption).visible);
    for (const char* option : ctl::kIntervalOptions) EXPECT_TRUE(p.c(option).visible) << option;
    for (const char* box : ctl::kStationTexts) EXPECT_FALSE(p.c(box).locked) << box;
    EXPECT_FALSE(p.c(ctl::kImportConfig).enabled);
    EXPECT_TRUE(p.c(ctl::kSendConfig).enabled);
    EXPECT_FALSE(p.c(ctl::kEditConfig).enabled);
}

// Each interval button: its code goes out as frame byte 101, the emulator's next read reports
// it, and afterwards only that button is shown.
class ConfigSendInterval : public ::testing::TestWithParam<int> {};

TEST_P(ConfigSendInterval, CodeReachesTheLoggerAndOnlyItsButtonStaysVisible) {
    test::ensureApp();
    const int index = GetParam();
    EmulatorRig rig;
    Program& p = rig.program;
    ASSERT_TRUE(p.startUp());
    p.click(ctl::kEditConfig);
    p.choose(ctl::kIntervalOptions[index]);
    const std::uint8_t codes[6] = {0x01, 0x05, 0x10, 0x15, 0x30, 0x60};
    const std::uint8_t code = codes[index];
    EXPECT_EQ(p.form.CONF_MUE, code);

    QSignalSpy done(&p.inicio.configSend(), &ConfigSend::finished);
    ASSERT_TRUE(sendAndWait(p, done));
    EXPECT_EQ(std::uint8_t(p.inicio.configSend().frame()[100]), code);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(p.c(ctl::kIntervalOptions[i]).visible, i == index) << ctl::kIntervalOptions[i];
    EXPECT_EQ(std::uint8_t(rig.emulator.configRecord()[config::record::kInterval]), code);
}

INSTANTIATE_TEST_SUITE_P(AllSix, ConfigSendInterval, ::testing::Range(0, 6));

TEST(ConfigSend, WholeSendAgainstTheEmulatorChangesItsNextRead) {
    test::ensureApp();
    EmulatorRig rig;
    Program& p = rig.program;
    ASSERT_TRUE(p.startUp());
    ASSERT_GT(rig.emulator.storedRecords(), 0);

    p.click(ctl::kEditConfig);
    p.type(ctl::kUser, QStringLiteral("Ana"));
    p.type(ctl::kLocation, QStringLiteral("Campo \u00ba"));
    p.choose(ctl::kInterval30);
    p.type(ctl::kDate, QStringLiteral("31/12/2029"));
    p.type(ctl::kTime, QStringLiteral("23:59:59"));
    rig.port.clearWritten();

    QSignalSpy done(&p.inicio.configSend(), &ConfigSend::finished);
    ASSERT_TRUE(sendAndWait(p, done));

    const QByteArray frame = p.inicio.configSend().frame();
    ASSERT_EQ(frame.size(), 107);
    EXPECT_EQ(frame.left(30), QByteArray("Ana") + QByteArray(27, ' '));
    EXPECT_EQ(frame.mid(30, 35), QByteArray("Campo \xba") + QByteArray(28, ' '));
    EXPECT_EQ(frame.right(7).toHex(' '), QByteArray("30 23 59 59 31 12 29"));
    // 109 bytes on MSComm5's side: attention, selection, the 107 frame bytes.
    EXPECT_EQ(rig.port.written().toHex(' '), sendBytes(frame).toHex(' '));
    EXPECT_EQ(
        p.dialogs.texts().mid(1),
        (QStringList{QStringLiteral(" Conexion en SIMULADOR  @ 19200 bps "), kConfirm, kDone}));
    EXPECT_EQ(p.dialogs.shown[2].icon, Dialogs::Icon::Warning);
    EXPECT_EQ(p.dialogs.shown.back().icon, Dialogs::Icon::None);

    // The padded texts stay in the boxes, which are locked again.
    EXPECT_EQ(p.text(ctl::kUser), QStringLiteral("Ana") + blanks(27));
    EXPECT_EQ(p.text(ctl::kAltitude).size(), 5);
    expectViewing(p);
    EXPECT_FALSE(p.channels[5].isOpen());
    EXPECT_EQ(p.channels.exchange().counter, 108);
    EXPECT_TRUE(p.form.surface().isEmpty());

    // The logger holds the new configuration, with its memory erased.
    EXPECT_EQ(rig.emulator.storedRecords(), 0);
    EXPECT_EQ(rig.emulator.clock(), QDateTime(QDate(2029, 12, 31), QTime(23, 59, 59)));
    ASSERT_TRUE(p.importAgain());
    EXPECT_EQ(p.text(ctl::kUser), QStringLiteral("Ana"));
    EXPECT_EQ(p.text(ctl::kLocation), QStringLiteral("Campo \u00ba"));
    EXPECT_EQ(p.text(ctl::kDate), QStringLiteral("31/12/2029"));
    EXPECT_EQ(p.text(ctl::kTime), QStringLiteral("23:59:59"));
    EXPECT_EQ(p.form.CONF_MUE, 0x30);
}

TEST(ConfigSend, CheckedPcClockIsTakenAtTheMomentOfSending) {
    test::ensureApp();
    EmulatorRig rig;
    Program& p = rig.program;
    ASSERT_TRUE(p.startUp());
    p.click(ctl::kEditConfig);

    QDateTime pcNow(QDate(2026, 1, 2), QTime(3, 4, 5));
    p.inicio.configPresenter().setPcClock([&pcNow] { return pcNow; });
    p.choose(ctl::kPcClock);
    // Checking shows the PC's date and time at once and starts the clock display.
    EXPECT_EQ(p.text(ctl::kDate), QStringLiteral("02/01/2026"));
    EXPECT_EQ(p.text(ctl::kTime), QStringLiteral("03:04:05"));
    EXPECT_TRUE(p.form.timer1Enabled());

    // Some time passes before the click of "Enviar configuracion".
    pcNow = QDateTime(QDate(2026, 1, 3), QTime(13, 14, 15));
    QSignalSpy done(&p.inicio.configSend(), &ConfigSend::finished);
    ASSERT_TRUE(sendAndWait(p, done));
    EXPECT_EQ(p.inicio.configSend().frame().right(6).toHex(' '), QByteArray("13 14 15 03 01 26"));
    EXPECT_EQ(p.text(ctl::kDate), QStringLiteral("03/01/2026"));
    EXPECT_FALSE(p.c(ctl::kPcClock).checked);
    expectViewing(p);
}

TEST(ConfigSend, TimeCheck) {
    test::ensureApp();
    struct Case {
        const char* typed;
        bool refused;
        QTime clock;  // the logger clock value afterwards
    } cases[] = {
        {"14:58:45", false, QTime(14, 58, 45)},
        {"00:00:00", false, QTime(0, 0, 0)},
        {"23:59:59", false, QTime(23, 59, 59)},
        {"25:00:00", true, kPcNow.time()},
        {"14:60:00", true, kPcNow.time()},
        {"14:58:61", true, kPcNow.time()},
        {"1::", true, kPcNow.time()},  // a masked box part-way through typing
        {"", true, kPcNow.time()},
    };
    EmulatorRig rig;
    Program& p = rig.program;
    ASSERT_TRUE(p.startUp());
    for (const Case& c : cases) {
        p.click(ctl::kEditConfig);
        p.form.setTimer1Enabled(true);  // as Check1 would have left it
        p.dialogs.shown.clear();
        p.type(ctl::kTime, QString::fromLatin1(c.typed));
        EXPECT_EQ(p.form.loggerClock, c.clock) << c.typed;
        if (c.refused) {
            EXPECT_EQ(p.dialogs.texts(),
                      QStringList{QStringLiteral("Hora incorrecta (ej. 14:58:45)")})
                << c.typed;
            EXPECT_FALSE(p.form.timer1Enabled()) << c.typed;
            EXPECT_EQ(p.text(ctl::kTime), QStringLiteral("09:08:07")) << c.typed;
        } else {
            EXPECT_TRUE(p.dialogs.shown.empty()) << c.typed;
            EXPECT_TRUE(p.form.timer1Enabled()) << c.typed;
            EXPECT_EQ(p.text(ctl::kTime), QString::fromLatin1(c.typed));
        }
    }
}

TEST(ConfigSend, CancelSendsNothingAndPutsBackWhatTheImportShowed) {
    test::ensureApp();
    for (const bool pcClockChecked : {false, true}) {
        EmulatorRig rig;
        Program& p = rig.program;
        ASSERT_TRUE(p.startUp());
        p.form.setTimer1Enabled(false);  // the clock stands still: its text can be compared
        const auto imported = test::controlsOf(p.form);
        const QTime clock = p.form.loggerClock;
        p.click(ctl::kEditConfig);
        if (pcClockChecked) p.choose(ctl::kPcClock);
        p.type(ctl::kUser, QStringLiteral("Ana"));
        p.type(ctl::kAltitude, QString());
        p.choose(ctl::kInterval60);
        p.type(ctl::kDate, QStringLiteral("01/01/2030"));
        p.type(ctl::kTime, QStringLiteral("23:59:59"));
        rig.port.clearWritten();
        p.dialogs.answers = {false};
        QSignalSpy cancelled(&p.inicio.configPresenter(), &ConfigPresenter::sendCancelled);
        p.click(ctl::kSendConfig);
        test::settle(60);

        EXPECT_EQ(cancelled.count(), 1);
        EXPECT_TRUE(rig.port.written().isEmpty());
        expectViewing(p);
        // Every control as the import left it (Timer1 runs again, as after every send).
        EXPECT_EQ(test::changedControls(imported, test::controlsOf(p.form)), QStringList())
            << pcClockChecked;
        EXPECT_EQ(p.form.CONF_MUE, 0x10);
        EXPECT_EQ(p.form.loggerClock, clock);
    }
}

TEST(ConfigSend, CancelRunsTheClockOnFromWhereTheEditStoppedIt) {
    test::ensureApp();
    EmulatorRig rig;
    Program& p = rig.program;
    ASSERT_TRUE(p.startUp());
    ASSERT_TRUE(p.form.timer1Enabled());
    p.form.loggerClock = QTime(23, 59, 59);
    QElapsedTimer editing;
    editing.start();
    p.click(ctl::kEditConfig);
    p.type(ctl::kTime, QStringLiteral("10:00:00"));
    p.dialogs.answers = {false};
    p.click(ctl::kSendConfig);
    // Not the time typed: the clock of the edit's beginning, on by the seconds the edit took
    // (across midnight if it came to that).
    const qint64 on = (QTime(23, 59, 59).secsTo(p.form.loggerClock) + 86400) % 86400;
    EXPECT_LE(on, editing.elapsed() / 1000);
    EXPECT_EQ(p.text(ctl::kTime), config::timeText(p.form.loggerClock));
}

TEST(ConfigSend, DateBoxWithoutADateIsRefusedBeforeAnyQuestion) {
    test::ensureApp();
    const char* dates[] = {"", "hoy", "31/02/2026", "32/01/2026", "3/7", "2026-07-03"};
    for (const char* date : dates) {
        EmulatorRig rig;
        Program& p = rig.program;
        ASSERT_TRUE(p.startUp());
        const int records = rig.emulator.storedRecords();
        p.click(ctl::kEditConfig);
        p.type(ctl::kDate, QString::fromLatin1(date));
        p.type(ctl::kUser, QStringLiteral("Ana"));
        rig.port.clearWritten();
        p.dialogs.shown.clear();
        QSignalSpy failed(&p.inicio.configPresenter(), &ConfigPresenter::sendFailed);
        p.click(ctl::kSendConfig);
        test::settle(60);

        ASSERT_EQ(failed.count(), 1) << date;
        EXPECT_EQ(failed.at(0).at(0).value<OperationError>().fault, Fault::Refused);
        // Said before the erase question, which is not asked.
        EXPECT_EQ(p.dialogs.texts(),
                  QStringList{QStringLiteral("Fecha incorrecta (ej. 31/12/2026)")});
        EXPECT_TRUE(rig.port.written().isEmpty()) << date;
        EXPECT_EQ(rig.emulator.storedRecords(), records) << date;
        // The edit stays open, as the user left it, for the date to be corrected.
        EXPECT_FALSE(p.form.control(ctl::kUser).locked) << date;
        EXPECT_EQ(p.text(ctl::kUser), QStringLiteral("Ana")) << date;
        EXPECT_EQ(p.text(ctl::kDate), QString::fromLatin1(date));
    }
}

TEST(LoggerClock, Timer1AdvancesTheShownTimeAcrossMidnightUntilItIsStopped) {
    test::ensureApp();
    FormState form;
    test::FakeDialogs dialogs;
    test::FakePort port;
    PortList ports{QStringList{QStringLiteral("P1")}};
    ChannelSet channels{port.factory()};
    Timing timing = Timing::fast();
    timing.clockTick = Millis{10};
    Inicio inicio(form, dialogs, channels, ports, timing);
    QStringList shown;
    QObject::connect(&form, &FormState::controlChanged, [&](const QString& name) {
        if (name == QLatin1String(ctl::kTime)) shown << form.control(name).text;
    });
    form.loggerClock = QTime(23, 59, 58);
    form.setTimer1Enabled(true);
    ASSERT_TRUE(test::waitUntil([&] { return shown.size() >= 3; }));
    form.setTimer1Enabled(false);
    EXPECT_EQ(shown.mid(0, 3), (QStringList{QStringLiteral("23:59:59"), QStringLiteral("00:00:00"),
                                            QStringLiteral("00:00:01")}));
    const qsizetype ticks = shown.size();
    test::settle(50);
    EXPECT_EQ(shown.size(), ticks);
}

// The send among the faults every exchange meets (support/exchange_faults.h).
struct SendUnderTest {
    using Exchange = ConfigSend;
    static constexpr int kChannel = 5;
    static constexpr int kLast = 108;
    static constexpr int kStopAfter = 40;
    static constexpr int kDialogs = 2;
    static constexpr const char* kDiagnostic = "error datos";

    static QByteArray configuration() { return demoRecord().toBytes(); }
    // After the selection, one byte for each of the first 106 frame bytes.
    static QByteArray script() { return QByteArray(106, '\x07'); }
    static Exchange& exchange(test::Program& p) { return p.inicio.configSend(); }
    static void prepare(test::Program& p) { p.click(ctl::kEditConfig); }
    static void start(test::Program& p) { p.inicio.configPresenter().send(); }
    static QByteArray wire(test::Program& p) {
        return sendBytes(p.inicio.configSend().frame()).mid(1);
    }
    static void afterFinished(test::Program& p) {
        EXPECT_EQ(p.dialogs.texts().last(), kDone);
        expectViewing(p);
    }
    static void afterNoAnswer(test::Program& p) { expectViewing(p); }
    // The buttons were already in their end state when the logger stopped.
    static void afterStop(test::Program& p) {
        expectViewing(p);
        EXPECT_EQ(p.dialogs.texts().last(), kConfirm);
    }
    static QStringList stallChanges() { return {}; }
    static void afterStall(test::Program&) {}
    // Editing: Timer1 stopped, the send offered; a byte beyond the frame ends that.
    static void beforeBeyond(test::Program& p) { p.click(ctl::kEditConfig); }
    static void afterBeyond(test::Program& p) {
        EXPECT_TRUE(p.form.timer1Enabled());
        EXPECT_TRUE(p.c(ctl::kEditConfig).enabled);
        EXPECT_FALSE(p.c(ctl::kSendConfig).enabled);
        EXPECT_TRUE(p.c(ctl::kImportConfig).enabled);
    }
};

INSTANTIATE_TYPED_TEST_SUITE_P(ConfigSend, ExchangeFaults, SendUnderTest);
