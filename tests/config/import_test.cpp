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
#include "support/fake_dialogs.h"
#include "support/fake_port.h"
#include "support/qt_app.h"
#include "support/scripted_logger.h"
#include "support/wait.h"

using namespace vernoll;
using vernoll::config::ConfigImport;

namespace {

constexpr int kWait = 3000;  // upper bound for a whole exchange under fast waits

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
    EXPECT_EQ(rig.text(ctl::kUser), QStringLiteral("Ana") + QString(27, QLatin1Char(' ')));
    EXPECT_EQ(rig.text(ctl::kLocation),
              QStringLiteral("Campo \u00ba") + QString(28, QLatin1Char(' ')));
    EXPECT_EQ(rig.text(ctl::kAltitude), QStringLiteral("25   "));
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
    EXPECT_EQ(rig.form.exchangeCounter, 0);
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
    rig.inicio.clickConfiguracion();
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

TEST(Import, LoggerStoppingMidRecordThenTheNextClickStartsOver) {
    test::ensureApp();
    const QByteArray record = demoRecord().toBytes();
    Rig rig(record);
    rig.logger.stopAfter = 40;
    QSignalSpy done(&rig.inicio.import(), &ConfigImport::finished);
    rig.inicio.startUp();
    ASSERT_TRUE(test::waitUntil([&] { return rig.form.exchangeCounter == 42; }, kWait));
    test::settlePastTheWaits();
    EXPECT_EQ(done.count(), 0);
    EXPECT_TRUE(rig.channels[2].isOpen());  // nothing times out
    EXPECT_EQ(rig.inicio.import().state(), ConfigImport::State::Receiving);

    // The stalled channel is closed by the next opening, and the import completes.
    rig.logger = test::ScriptedLogger{};  // the logger was switched off and on again
    rig.logger.record = record;
    rig.port.clearWrites();
    rig.inicio.clickConfiguracion();
    ASSERT_TRUE(test::waitUntil([&] { return done.count() == 1; }, kWait));
    EXPECT_EQ(rig.port.written().left(4), QByteArray("\xBE"
                                                     "U\x60U"));
    EXPECT_EQ(rig.text(ctl::kUser), QStringLiteral("Ana") + QString(27, QLatin1Char(' ')));
}

TEST(Import, ByteBeyondTheRecordIsACounterError) {
    test::ensureApp();
    Rig rig(demoRecord().toBytes());
    rig.logger.surplus = 1;
    QSignalSpy failed(&rig.inicio.import(), &ConfigImport::failed);
    QSignalSpy done(&rig.inicio.import(), &ConfigImport::finished);
    rig.inicio.startUp();
    ASSERT_TRUE(test::waitUntil([&] { return done.count() == 1; }, kWait));
    // The surplus byte arrives after the end, on a closed channel: it is never seen.
    test::settle(50);
    EXPECT_EQ(failed.count(), 0);

    // Bytes beyond 113 in one exchange are: feed the handler one more receive event directly.
    test::arriveBeyond(rig.channels, rig.form, 2, 113, QByteArray(1, '\x00'));
    EXPECT_EQ(failed.count(), 1);
    EXPECT_EQ(rig.form.surface(), QStringList{QStringLiteral("error en contador")});
    EXPECT_FALSE(rig.channels[2].isOpen());
    EXPECT_EQ(rig.form.exchangeCounter, 114);
}

TEST(Import, NoAnswerToTheAttentionByte) {
    test::ensureApp();
    Rig rig(demoRecord().toBytes());
    // Found on the probe, then silent.
    QSignalSpy failed(&rig.inicio.import(), &ConfigImport::failed);
    QObject::connect(&rig.inicio.discovery(), &Discovery::finished,
                     [&] { rig.logger.silent = true; });
    rig.inicio.startUp();
    ASSERT_TRUE(test::waitUntil([&] { return failed.count() == 1; }, kWait));
    EXPECT_EQ(failed.at(0).at(0).value<ConfigImport::Failure>(), ConfigImport::Failure::NoAnswer);
    EXPECT_EQ(rig.dialogs.texts().last(),
              QStringLiteral("No hay equipo conectado ,Intente Reconectar "));
    EXPECT_TRUE(rig.form.control(ctl::kReconnect).enabled);
    EXPECT_EQ(rig.text(ctl::kReconnect), QStringLiteral(" Conectar con Registrador ? "));
    EXPECT_TRUE(rig.form.control(ctl::kImportConfig).enabled);
    EXPECT_TRUE(rig.form.control(ctl::kEditConfig).enabled);
    EXPECT_FALSE(rig.form.control(ctl::kSendConfig).enabled);
    EXPECT_FALSE(rig.channels[2].isOpen());
    EXPECT_EQ(rig.form.answerFlag, 0);

    // With the flag at 0, the next click answers at once and sends nothing.
    rig.port.clearWrites();
    rig.inicio.clickConfiguracion();
    EXPECT_EQ(failed.count(), 2);
    EXPECT_TRUE(rig.port.written().isEmpty());
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
    rig.inicio.clickConfiguracion();
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
    rig.inicio.clickConfiguracion();
    ASSERT_TRUE(test::waitUntil([&] { return done.count() == 2; }, kWait));
}
