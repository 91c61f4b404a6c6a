// vernoll-cli against vernoll-sim over a pseudo-terminal, end to end: the real serial path,
// the real programs, waits shortened with --fast-waits.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>

#include "support/cli_run.h"
#include "support/qt_app.h"

using vernoll::test::cli;
using vernoll::test::CliRun;
using vernoll::test::onPort;
using vernoll::test::Sim;

TEST(Cli, ProbeFindsTheEmulatorAndNamesItsDevice) {
    vernoll::test::ensureApp();
    Sim sim({});
    ASSERT_FALSE(sim.path().isEmpty());
    const CliRun text = cli(onPort(sim, {QStringLiteral("probe")}));
    EXPECT_EQ(text.status, 0) << text.err.toStdString();
    EXPECT_EQ(text.out, (" Conexion en " + sim.path() + "  @ 19200 bps \n").toUtf8());

    const CliRun json = cli(onPort(sim, {QStringLiteral("--json"), QStringLiteral("probe")}));
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.json().value(QStringLiteral("port")).toString(), sim.path());
}

TEST(Cli, ConfigReadsTheWholeRecordOverThePty) {
    vernoll::test::ensureApp();
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("wire.log"));
    Sim sim({QStringLiteral("--serial"), QStringLiteral("2052000"), QStringLiteral("--log"), log});
    ASSERT_FALSE(sim.path().isEmpty());
    const CliRun r = cli(onPort(sim, {QStringLiteral("--json"), QStringLiteral("config")}));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject o = r.json();
    EXPECT_EQ(o.value("port").toString(), sim.path());
    EXPECT_EQ(o.value("serial").toString(), QStringLiteral("02052000"));
    EXPECT_EQ(o.value("nserie").toDouble(), 2052000.0);
    EXPECT_EQ(o.value("device").toString(), QStringLiteral(" Evaporimetro "));
    EXPECT_EQ(o.value("column_header").toString(), QStringLiteral("Fecha,Hora,EVA [mm]"));
    EXPECT_EQ(o.value("user").toString().size(), 30);
    EXPECT_EQ(o.value("location").toString().size(), 35);
    EXPECT_EQ(o.value("altitude").toString().size(), 5);
    EXPECT_EQ(o.value("memo").toInt(), 1026);
    EXPECT_TRUE(o.value("sms").toBool());
    EXPECT_EQ(o.value("diagnostics").toArray().size(), 1);  // the probe's "21"
    EXPECT_EQ(o.value("diagnostics").toArray().at(0).toString(), QStringLiteral("21"));
    EXPECT_EQ(o.value("date").toString().size(), 10);
    EXPECT_EQ(o.value("time").toString().size(), 8);
    // The emulator's clock is the PC's: whole seconds, at most the one the exchange crossed.
    ASSERT_TRUE(o.value("clock_offset_s").isDouble());
    EXPECT_EQ(o.value("clock_offset_s").toDouble(),
              std::round(o.value("clock_offset_s").toDouble()));
    EXPECT_LE(std::abs(o.value("clock_offset_s").toInt()), 1);

    // The wire, as the emulator logged it: what the program sent, in order.
    const QByteArray rx = vernoll::test::received(log);
    ASSERT_EQ(rx.size(), 2 + 3 + 111);
    EXPECT_EQ(rx.left(5), QByteArray("\xBE\xBE"
                                     "U\x60U"));
}

TEST(Cli, ConfigTextPrintsTheSummary) {
    vernoll::test::ensureApp();
    Sim sim({QStringLiteral("--serial"), QStringLiteral("20500")});
    const CliRun r = cli(onPort(sim, {QStringLiteral("config")}));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("Muestras cada  10 Minutos\r\nNro  : 00020500\r\nUsuario: "));
    EXPECT_TRUE(r.out.endsWith("\r\n\r\n\r\n"));
    EXPECT_EQ(r.err, QByteArray(" Conexion en " + sim.path().toUtf8() + "  @ 19200 bps \n"));
}

TEST(Cli, FaultsEndWithTheirStatus) {
    vernoll::test::ensureApp();
    struct Case {
        const char* fault;
        const char* command;
        int status;
        const char* message;  // the last line on stderr
    } cases[] = {
        {"silent", "probe", 1, "servicio.tecnico@tolvar.example     "},
        {"short-probe", "config", 1, "servicio.tecnico@tolvar.example     "},
        {"stall-after=40", "config", 3, "vernoll-cli: el registrador dej\xc3\xb3 de responder"},
    };
    for (const Case& c : cases) {
        Sim sim({QStringLiteral("--fault"), QString::fromLatin1(c.fault)});
        const CliRun r = cli(onPort(sim, {QString::fromLatin1(c.command)}));
        EXPECT_EQ(r.status, c.status) << c.fault;
        EXPECT_TRUE(r.out.isEmpty()) << c.fault;
        EXPECT_TRUE(r.err.trimmed().endsWith(QByteArray(c.message).trimmed()))
            << c.fault << ": " << r.err.toStdString();
    }
}

TEST(Cli, UsageErrorsAreStatusTwo) {
    vernoll::test::ensureApp();
    const QStringList bad[] = {
        {},
        {QStringLiteral("dance")},
        {QStringLiteral("--simulate"), QStringLiteral("123456789"), QStringLiteral("config")},
        {QStringLiteral("--simulate"), QStringLiteral("12a"), QStringLiteral("config")},
        {QStringLiteral("--bogus"), QStringLiteral("probe")},
    };
    for (const QStringList& args : bad) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("vernoll-cli: ")) << r.err.toStdString();
    }
}

TEST(Cli, SimulateRunsAgainstTheBuiltInEmulator) {
    vernoll::test::ensureApp();
    const CliRun r =
        cli({QStringLiteral("--fast-waits"), QStringLiteral("--simulate"), QStringLiteral("50001"),
             QStringLiteral("--json"), QStringLiteral("config")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.json().value("device").toString(), QStringLiteral("Termo-Pluviometro Digital II"));
    EXPECT_EQ(r.json().value("memo").toInt(), 4098);
    EXPECT_EQ(r.json().value("port").toString(), QStringLiteral("SIMULADOR"));
    // The keys come in the order the command line's contract lists them.
    QStringList keys;
    static const QRegularExpression key(QStringLiteral("[{,]\"([a-z_]+)\":"));
    for (auto it = key.globalMatch(QString::fromUtf8(r.out)); it.hasNext();)
        keys << it.next().captured(1);
    EXPECT_EQ(keys.join(QLatin1Char(' ')),
              QStringLiteral("port serial nserie device user location latitude longitude altitude "
                             "interval_code interval_minutes date time column_header memo sms "
                             "diagnostics clock_offset_s"));
    EXPECT_TRUE(r.out.endsWith("}\n"));
}
