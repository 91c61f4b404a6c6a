#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "app/inicio.h"
#include "config/config_import.h"
#include "config/record.h"
#include "form/controls.h"
#include "link/discovery.h"
#include "sim/emulator_port.h"
#include "sim/logger_emulator.h"
#include "support/exchange_faults.h"
#include "support/fake_dialogs.h"
#include "support/fake_port.h"
#include "support/qt_app.h"
#include "support/scripted_logger.h"
#include "support/wait.h"

using namespace vernoll;
using vernoll::config::ConfigImport;

namespace {

constexpr int kWait = 3000;  // upper bound for a whole exchange under fast waits

QString blanks(int n) {
    return QString(n, QLatin1Char(' '));
}

config::Record demoRecord() {
    config::Record r;
    r.serial = {0x00, 0x02, 0x05, 0x00};
    r.texts = {QByteArray("Ana"), QByteArray("Campo \xba"), QByteArray("-34.60"),
               QByteArray("-58.38"), QByteArray("25")};
    r.interval = 0x30;
    r.clock = {0x14, 0x05, 0x09, 0x03, 0x07, 0x26};
    return r;
}

// The program against a scripted logger on one fake port.
struct Rig {
    FormState form;
    test::FakeDialogs dialogs;
    test::ScriptedLogger logger;
    test::FakePort port;
    PortList ports{QStringList{QStringLiteral("P1")}};
    ChannelSet channels{port.factory()};
    Inicio inicio{form, dialogs, channels, ports, Timing::fast()};

    Rig() {
        port.setPeer([this](int, const QByteArray& w) { return logger.answer(w); });
    }
    explicit Rig(const QByteArray& record) : Rig() { logger.record = record; }

    // Start-up and wait for the import to end either way.
    bool runStartUp() {
        QSignalSpy done(&inicio.import(), &ConfigImport::finished);
        QSignalSpy failed(&inicio.import(), &ConfigImport::failed);
        inicio.startUp();
        return test::waitUntil([&] { return done.count() + failed.count() > 0; }, kWait) &&
               done.count() == 1;
    }
    const QString& text(const char* name) const { return form.control(name).text; }
};

}  // namespace

TEST(Import, WholeRecordFillsTheWindowAndEveryByteOnTheWireIsRight) {
    test::ensureApp();
    const QByteArray record = demoRecord().toBytes();
    Rig rig(record);
    ASSERT_TRUE(rig.runStartUp());

    // Probe, wake-up, attention, selection, go-on, 111 echoes.
    QByteArray expected;
    expected += '\xBE';  // discovery's probe on MSComm1
    expected += '\xBE';  // the import's wake-up on MSComm1
    expected += 'U';
    expected += '\x60';
    expected += 'U';
    expected += record;
    EXPECT_EQ(rig.port.written().toHex(), expected.toHex());
    // Everything after the wake-up went out on MSComm2's port, not mixed with the probe.
    EXPECT_EQ(rig.dialogs.texts(),
              (QStringList{QStringLiteral("Quiere conectarse con Registrador Tolvar"),
                           QStringLiteral(" Conexion en P1  @ 19200 bps ")}));

    EXPECT_EQ(rig.text(ctl::kSerialText), QStringLiteral("Nro  : 00020500"));
    EXPECT_EQ(rig.form.Nserie, 20500.0F);
    // The boxes show the texts without their padding; the summary and the record keep it.
    EXPECT_EQ(rig.text(ctl::kUser), QStringLiteral("Ana"));
    EXPECT_EQ(rig.text(ctl::kLocation), QStringLiteral("Campo \u00ba"));
    EXPECT_EQ(rig.text(ctl::kAltitude), QStringLiteral("25"));
    EXPECT_TRUE(rig.form.summary.contains(QStringLiteral("\r\nUsuario: Ana") + blanks(27) +
                                          QStringLiteral("\r\n")));
    const auto& c = rig.inicio.import().configuration();
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(c->serial, QStringLiteral("00020500"));
    EXPECT_EQ(c->texts[0], QStringLiteral("Ana") + blanks(27));
    EXPECT_EQ(c->texts[1], QStringLiteral("Campo \u00ba") + blanks(28));
    EXPECT_EQ(c->station(1), QStringLiteral("Campo \u00ba"));
    EXPECT_EQ(c->intervalCode, 0x30);
    EXPECT_EQ(c->intervalMinutes(), 30);
    EXPECT_EQ(c->loggerClock(), QDateTime(QDate(2026, 7, 3), QTime(14, 5, 9), Qt::UTC));
    EXPECT_EQ(rig.text(ctl::kTime), QStringLiteral("14:05:09"));
    EXPECT_EQ(rig.text(ctl::kDate), QStringLiteral("03/07/2026"));
    EXPECT_EQ(rig.form.CONF_MUE, 0x30);
    EXPECT_EQ(rig.form.intervalMinutes, QStringLiteral("30"));
    for (const char* option : ctl::kIntervalOptions) {
        const bool thirty = QString::fromLatin1(option) == QLatin1String(ctl::kInterval30);
        EXPECT_EQ(rig.form.control(option).visible, thirty) << option;
        EXPECT_EQ(rig.form.control(option).checked, thirty) << option;
    }
    EXPECT_EQ(rig.text(ctl::kTitle), QStringLiteral("Termo-Pluviometro"));
    EXPECT_EQ(rig.form.data1,
              QStringLiteral("Fecha,Hora,Temperatura[\u00baC],Precipitacion[mm]\r\n"));
    EXPECT_EQ(rig.form.memo, 1026);
    EXPECT_TRUE(rig.form.summary.startsWith(QStringLiteral("Muestras cada  30 Minutos\r\n")));
    EXPECT_TRUE(rig.form.timer1Enabled());
    EXPECT_EQ(rig.channels.exchange().counter, 0);
    EXPECT_FALSE(rig.channels[2].isOpen());
    EXPECT_FALSE(rig.form.splashShown());
    // Buttons after the import.
    EXPECT_TRUE(rig.form.control(ctl::kImportConfig).enabled);
    EXPECT_TRUE(rig.form.control(ctl::kEditConfig).enabled);
    EXPECT_FALSE(rig.form.control(ctl::kSendConfig).enabled);
    EXPECT_FALSE(rig.form.control(ctl::kReconnect).enabled);
    EXPECT_EQ(rig.text(ctl::kReconnect), QStringLiteral(" Conexion en P1  @ 19200 bps "));
    // No SMS for this family: its controls are switched off for good.
    EXPECT_FALSE(rig.form.control(ctl::kReadSms).enabled);
    EXPECT_FALSE(rig.form.control(ctl::kCellNumber).enabled);
    EXPECT_FALSE(rig.form.control(ctl::kSendEvery12h).enabled);
    EXPECT_TRUE(rig.form.surface().isEmpty());
}

TEST(Import, SerialAndClockFaultsPrintAndKeepEarlierValues) {
    test::ensureApp();
    struct Case {
        std::array<std::uint8_t, 4> serial;
        std::array<std::uint8_t, 6> clock;
        std::uint8_t interval;
        QStringList printed;
        const char* time;  // expected time box ("" = unchanged from before)
        const char* date;
        float nserie;
    } cases[] = {
        // A nibble above 9 keeps the earlier number (here the start value 0).
        {{0x00, 0x1A, 0x00, 0x00},
         {0x12, 0x00, 0x00, 0x01, 0x01, 0x26},
         0x10,
         {},
         "12:00:00",
         "01/01/2026",
         0.0F},
        // Second 0x60 is out of range: the time is not composed.
        {{0x02, 0x05, 0x00, 0x00},
         {0x12, 0x00, 0x60, 0x01, 0x01, 0x26},
         0x10,
         {QStringLiteral("hora mal")},
         "",
         "01/01/2026",
         2050000.0F},
        // Year 0x99 is out of range: no date.
        {{0x00, 0x00, 0x01, 0x23},
         {0x12, 0x00, 0x00, 0x01, 0x01, 0x99},
         0x07,
         {QStringLiteral("fecha mal")},
         "12:00:00",
         "",
         123.0F},
        // An hour out of range still composes, carried into the next day.
        {{0x00, 0x00, 0x01, 0x24},
         {0x25, 0x30, 0x00, 0x32, 0x01, 0x26},
         0x60,
         {QStringLiteral("hora mal")},
         "13:30:00",
         "01/02/2026",
         124.0F},
    };
    for (const Case& c : cases) {
        config::Record r = demoRecord();
        r.serial = c.serial;
        r.clock = c.clock;
        r.interval = c.interval;
        Rig rig(r.toBytes());
        ASSERT_TRUE(rig.runStartUp());
        EXPECT_EQ(rig.form.surface(), c.printed);
        EXPECT_EQ(rig.text(ctl::kTime), QString::fromLatin1(c.time));
        EXPECT_EQ(rig.text(ctl::kDate), QString::fromLatin1(c.date));
        EXPECT_EQ(rig.form.Nserie, c.nserie);
        EXPECT_EQ(rig.form.CONF_MUE, c.interval);
    }
}

TEST(Import, UnknownIntervalKeepsTheButtonsAndTheSummaryHoldsTheAltitudeAlone) {
    test::ensureApp();
    config::Record r = demoRecord();
    r.interval = 0x07;
    Rig rig(r.toBytes());
    ASSERT_TRUE(rig.runStartUp());
    for (const char* option : ctl::kIntervalOptions) {
        EXPECT_TRUE(rig.form.control(option).visible);
        EXPECT_FALSE(rig.form.control(option).checked);
    }
    EXPECT_EQ(rig.form.intervalMinutes, QString());
    EXPECT_EQ(rig.form.summary, QStringLiteral("\r\nAltitud: 25   \r\n\r\n\r\n"));
}

TEST(Import, LargeMemoryTypeSetsMemoAndKeepsItForALaterType) {
    test::ensureApp();
    config::Record r = demoRecord();
    r.serial = {0x00, 0x05, 0x00, 0x01};
    Rig rig(r.toBytes());
    ASSERT_TRUE(rig.runStartUp());
    EXPECT_EQ(rig.form.memo, 4098);
    EXPECT_EQ(rig.form.progressMax, 4098);

    // The same run reads a small-memory logger next: memo stays at 4098.
    r.serial = {0x00, 0x02, 0x05, 0x00};
    rig.logger.record = r.toBytes();
    QSignalSpy done(&rig.inicio.import(), &ConfigImport::finished);
    rig.inicio.importConfiguration();
    ASSERT_TRUE(test::waitUntil([&] { return done.count() == 1; }, kWait));
    EXPECT_EQ(rig.text(ctl::kTitle), QStringLiteral("Termo-Pluviometro"));
    EXPECT_EQ(rig.form.memo, 4098);
}

TEST(Import, SmsFamilyEnablesTheSmsRead) {
    test::ensureApp();
    config::Record r = demoRecord();
    r.serial = {0x02, 0x05, 0x20, 0x00};  // 2052000, the evaporimeter
    Rig rig(r.toBytes());
    ASSERT_TRUE(rig.runStartUp());
    EXPECT_TRUE(rig.form.control(ctl::kReadSms).enabled);
    EXPECT_TRUE(rig.form.control(ctl::kCellNumber).enabled);
    EXPECT_EQ(rig.text(ctl::kTitle), QStringLiteral(" Evaporimetro "));
}

TEST(Import, AgainstTheEmulator) {
    test::ensureApp();
    sim::EmulatorOptions options;
    options.serial = QStringLiteral("02052000");
    const QDateTime now(QDate(2026, 7, 3), QTime(14, 5, 9));
    options.pcClock = [now] { return now; };
    sim::LoggerEmulator emulator(options);
    sim::EmulatorPort port(emulator);
    FormState form;
    test::FakeDialogs dialogs;
    PortList ports{QStringList{sim::EmulatorPort::location()}};
    ChannelSet channels{port.channelFactory()};
    Inicio inicio{form, dialogs, channels, ports, Timing::fast()};
    QSignalSpy done(&inicio.import(), &ConfigImport::finished);
    inicio.startUp();
    ASSERT_TRUE(test::waitUntil([&] { return done.count() == 1; }, kWait));

    // The echoes are the emulator's own record, byte for byte.
    const QByteArray record = emulator.configRecord();
    EXPECT_EQ(port.written().toHex(), (QByteArray("\xBE\xBE"
                                                  "U\x60U") +
                                       record)
                                          .toHex());
    EXPECT_EQ(form.control(ctl::kSerialText).text, QStringLiteral("Nro  : 02052000"));
    EXPECT_EQ(form.control(ctl::kTitle).text, QStringLiteral(" Evaporimetro "));
    EXPECT_TRUE(form.control(ctl::kReadSms).enabled);
}

TEST(Import, ClicksThatStartAnExchangeWaitForTheLine) {
    test::ensureApp();
    Rig rig(demoRecord().toBytes());
    ASSERT_TRUE(rig.runStartUp());
    rig.port.clearWrites();
    QSignalSpy done(&rig.inicio.import(), &ConfigImport::finished);
    rig.inicio.importConfiguration();
    // During the wake-up pause: another import, a download and a reconnection do nothing.
    for (const char* name : {ctl::kImportConfig, ctl::kDownload, ctl::kReconnect})
        rig.inicio.click(QString::fromLatin1(name));
    EXPECT_EQ(rig.port.written(), QByteArray(1, '\xBE'));
    ASSERT_TRUE(test::waitUntil([&] { return done.count() == 1; }, kWait));
    EXPECT_EQ(rig.port.written().left(4), QByteArray("\xBE"
                                                     "U\x60U"));
    EXPECT_EQ(rig.port.written().count('\xBE'), 1);
    // Once the line is free again, the next click works.
    rig.port.clearWrites();
    rig.inicio.importConfiguration();
    ASSERT_TRUE(test::waitUntil([&] { return done.count() == 2; }, kWait));
}

TEST(Import, ClockOffsetFromThePcClockWhenTheClockBytesArrive) {
    test::ensureApp();
    const QDate day(2026, 7, 3);
    struct Case {
        std::array<std::uint8_t, 6> clock;
        QDateTime pc;
        std::optional<qint64> offset;
        const char* text;
    } cases[] = {
        {{0x14, 0x05, 0x09, 0x03, 0x07, 0x26},
         QDateTime(day, QTime(14, 4, 57, 900)),
         12,
         "Diferencia con PC: +12 s"},
        {{0x14, 0x05, 0x09, 0x03, 0x07, 0x26},
         QDateTime(day, QTime(14, 5, 12)),
         -3,
         "Diferencia con PC: -3 s"},
        // The PC's fraction of a second is not a difference: both clocks show 14:05:09.
        {{0x14, 0x05, 0x09, 0x03, 0x07, 0x26},
         QDateTime(day, QTime(14, 5, 9, 999)),
         0,
         "Diferencia con PC: +0 s"},
        {{0x14, 0x05, 0x09, 0x03, 0x07, 0x26},
         QDateTime(day.addDays(1), QTime(14, 5, 9)),
         -86400,
         "Diferencia con PC: -24 h 0 min 0 s"},
        // Across the turn of the year.
        {{0x00, 0x00, 0x05, 0x01, 0x01, 0x27},
         QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58)),
         7,
         "Diferencia con PC: +7 s"},
        // A clock the import could not read has no offset.
        {{0x14, 0x05, 0x60, 0x03, 0x07, 0x26}, QDateTime(day, QTime(14, 5, 9)), std::nullopt, ""},
        {{0x14, 0x05, 0x09, 0x03, 0x07, 0x99}, QDateTime(day, QTime(14, 5, 9)), std::nullopt, ""},
    };
    for (const Case& c : cases) {
        config::Record r = demoRecord();
        r.clock = c.clock;
        Rig rig(r.toBytes());
        int readAt = 0;
        rig.inicio.import().setPcClock([&] {
            readAt = rig.channels.exchange().counter;
            return c.pc;
        });
        ASSERT_TRUE(rig.runStartUp());
        const std::string what = c.text;
        EXPECT_EQ(readAt, 108) << what;  // with the first clock byte, the hour
        EXPECT_EQ(rig.form.clockOffset, c.offset) << what;
        EXPECT_EQ(rig.inicio.import().configuration()->clockOffset(), c.offset) << what;
        EXPECT_EQ(rig.text(ctl::kClockOffset), QString::fromLatin1(c.text)) << what;
    }
}

// The import among the faults every exchange meets (support/exchange_faults.h).
struct ImportUnderTest {
    using Exchange = ConfigImport;
    static constexpr int kChannel = 2;
    static constexpr int kLast = 113;
    // Serial number, texts, interval and the clock's time arrived; day, month, year did not.
    static constexpr int kStopAfter = 108;
    static constexpr int kDialogs = 0;
    static constexpr const char* kDiagnostic = "error en contador";

    static QByteArray configuration() { return demoRecord().toBytes(); }
    // Another logger's record: everything it would change differs from what the window shows.
    static QByteArray script() {
        config::Record r;
        r.serial = {0x00, 0x02, 0x10, 0x07};
        r.texts = {QByteArray("Beto"), QByteArray("Loma"), QByteArray("-31.4"), QByteArray("-64.2"),
                   QByteArray("400")};
        r.interval = 0x05;
        r.clock = {0x23, 0x58, 0x57, 0x28, 0x02, 0x27};
        return r.toBytes();
    }
    static Exchange& exchange(test::Program& p) { return p.inicio.import(); }
    static void prepare(test::Program&) {}
    static void start(test::Program& p) { p.inicio.configPresenter().importConfiguration(); }
    static QByteArray wire(test::Program&) { return QByteArray("U\x60U") + script(); }
    static void afterFinished(test::Program& p) {
        EXPECT_EQ(p.text(ctl::kUser), QStringLiteral("Beto"));
        EXPECT_EQ(p.inicio.import().configuration()->serial, QStringLiteral("00021007"));
    }
    static void afterNoAnswer(test::Program& p) {
        EXPECT_TRUE(p.c(ctl::kImportConfig).enabled);
        EXPECT_TRUE(p.c(ctl::kEditConfig).enabled);
        EXPECT_FALSE(p.c(ctl::kSendConfig).enabled);
    }
    static void afterStop(test::Program&) {}
    // Nothing half-read can be sent: "Cambiar configuracion" waits for a complete import.
    static QStringList stallChanges() { return {QString::fromLatin1(ctl::kEditConfig)}; }
    static void afterStall(test::Program& p) {
        EXPECT_EQ(p.form.Nserie, 20500.0F);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(p.form.ser.data()), 8), "00020500");
        EXPECT_EQ(p.form.CONF_MUE, 0x30);
        EXPECT_EQ(p.form.intervalMinutes, QStringLiteral("30"));
        EXPECT_EQ(config::timeText(p.form.loggerClock), p.text(ctl::kTime));
        EXPECT_EQ(p.form.clockFields[2], QVariant(QStringLiteral("09")));
        // The record of the last complete import is still the one that completed.
        EXPECT_EQ(p.inicio.import().configuration()->serial, QStringLiteral("00020500"));
        EXPECT_FALSE(p.c(ctl::kSendConfig).enabled);
    }
    static void beforeBeyond(test::Program&) {}
    static void afterBeyond(test::Program&) {}
};

INSTANTIATE_TYPED_TEST_SUITE_P(Import, ExchangeFaults, ImportUnderTest);

TEST(Import, AfterAStallOnlyACompleteImportOffersTheEditAgain) {
    test::ensureApp();
    test::ScriptedRig<test::Program> rig(demoRecord().toBytes());
    test::Program& p = rig.program;
    ASSERT_TRUE(p.startUp());
    rig.restart(ImportUnderTest::script());
    rig.logger.stopAfter = 40;
    QSignalSpy failed(&p.inicio.import(), &ConfigImport::failed);
    p.inicio.importConfiguration();
    // "Cambiar configuracion", offered while the record arrives, clicked before it stops.
    ASSERT_TRUE(test::waitUntil([&] { return p.channels.exchange().counter == 42; }, kWait));
    p.click(ctl::kEditConfig);
    ASSERT_TRUE(test::waitUntil([&] { return failed.count() == 1; }, kWait));
    EXPECT_FALSE(p.c(ctl::kEditConfig).enabled);
    EXPECT_FALSE(p.c(ctl::kSendConfig).enabled);
    EXPECT_TRUE(p.c(ctl::kImportConfig).enabled);
    for (const char* box : ctl::kStationTexts) EXPECT_TRUE(p.c(box).locked) << box;
    EXPECT_EQ(p.text(ctl::kUser), QStringLiteral("Ana"));

    rig.restart(ImportUnderTest::script());
    QSignalSpy done(&p.inicio.import(), &ConfigImport::finished);
    p.inicio.importConfiguration();
    ASSERT_TRUE(test::waitUntil([&] { return done.count() == 1; }, kWait));
    EXPECT_TRUE(p.c(ctl::kEditConfig).enabled);
    EXPECT_EQ(p.text(ctl::kUser), QStringLiteral("Beto"));
    EXPECT_EQ(p.text(ctl::kTitle), QStringLiteral("Termometro"));
}

TEST(Import, AClickWhileALoggerIsStoppedKeepsTheViewOfBeforeTheFirstRead) {
    test::ensureApp();
    test::ScriptedRig<test::Program> rig(demoRecord().toBytes());
    test::Program& p = rig.program;
    ASSERT_TRUE(p.startUp());
    rig.restart(ImportUnderTest::script());
    rig.logger.stopAfter = 40;
    QSignalSpy failed(&p.inicio.import(), &ConfigImport::failed);
    p.inicio.importConfiguration();
    ASSERT_TRUE(test::waitUntil([&] { return p.channels.exchange().counter == 42; }, kWait));
    ASSERT_EQ(failed.count(), 0);
    // Clicked again before the stall limit: the half-read view is no view to go back to.
    rig.restart(ImportUnderTest::script());
    rig.logger.stopAfter = 20;
    p.inicio.importConfiguration();
    ASSERT_TRUE(test::waitUntil([&] { return failed.count() == 1; }, kWait));
    EXPECT_EQ(p.text(ctl::kUser), QStringLiteral("Ana"));
    EXPECT_EQ(p.text(ctl::kLocation), QStringLiteral("Campo \u00ba"));
    EXPECT_EQ(p.text(ctl::kSerialText), QStringLiteral("Nro  : 00020500"));
    EXPECT_EQ(p.form.Nserie, 20500.0F);
}
