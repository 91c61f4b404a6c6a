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

namespace {

// The labels of a help text's options: "--csv FILE", "-h, --help".
QStringList optionLabels(const QString& help) {
    QStringList labels;
    const qsizetype options = help.indexOf(QStringLiteral("\nOptions:\n"));
    if (options < 0) return labels;
    static const QRegularExpression row(QStringLiteral("^  (\\S.*?)(?:  +|$)"));
    for (const QString& line : help.mid(options + 10).split(QLatin1Char('\n')))
        if (const auto m = row.match(line); m.hasMatch()) labels << m.captured(1);
    return labels;
}

}  // namespace

TEST(Cli, EveryCommandExplainsItselfWithHelp) {
    vernoll::test::ensureApp();
    const struct {
        const char* command;
        QStringList options;  // as its help lists them, -h, --help aside
    } cases[] = {
        {"probe", {}},
        {"config", {}},
        {"set-config",
         {"--user T", "--location T", "--latitude T", "--longitude T", "--altitude T",
          "--interval MIN", "--clock CLOCK", "--yes"}},
        {"sms", {"--cell DIGITS", "--send-interval WHEN", "--yes"}},
        {"set-serial", {"--yes"}},
        {"live", {"--frames N"}},
        {"download", {"--csv FILE", "--rgt FILE"}},
        {"decode", {"--serial N", "--csv FILE", "--xls FILE", "--events FILE"}},
        {"collect", {"--every"}},
        {"archive import", {"--serial N"}},
        {"archive list", {}},
        {"archive history", {"--serial N"}},
        {"archive check", {}},
        {"archive export", {"--serial N", "--from T", "--to T", "--csv FILE"}},
        {"plot", {"--serial N", "--from T", "--to T", "--base FILE", "--png FILE", "--size WxH"}},
    };

    // The program's list of commands is this table's: a new command needs its row.
    const CliRun all = cli({QStringLiteral("--help")});
    ASSERT_EQ(all.status, 0);
    const QString help = QString::fromUtf8(all.out);
    const QString list =
        help.section(QStringLiteral("Commands:\n"), 1).section(QStringLiteral("\n\n"), 0, 0);
    QStringList listed, rows;
    for (const QString& line : list.split(QLatin1Char('\n')))
        listed << line.trimmed().section(QStringLiteral("  "), 0, 0);
    for (const auto& c : cases) rows << QString::fromLatin1(c.command);
    EXPECT_EQ(listed, rows);

    for (const auto& c : cases) {
        const QString command = QString::fromLatin1(c.command);
        const QStringList words = command.split(QLatin1Char(' '));
        for (const QStringList& args : {words + QStringList{QStringLiteral("--help")},
                                        words + QStringList{QStringLiteral("-h")},
                                        QStringList{QStringLiteral("--help")} + words}) {
            const CliRun r = cli(args);
            const QString text = QString::fromUtf8(r.out);
            EXPECT_EQ(r.status, 0) << args.join(' ').toStdString();
            EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
            EXPECT_TRUE(
                text.startsWith(QStringLiteral("Usage: vernoll-cli [GLOBAL OPTIONS] ") + command))
                << text.toStdString();
            EXPECT_EQ(optionLabels(text), c.options + QStringList{QStringLiteral("-h, --help")})
                << args.join(' ').toStdString();
        }
    }

    // Help comes before anything runs: nothing is downloaded, no file is written.
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("x.csv"));
    const CliRun r =
        cli({QStringLiteral("--simulate"), QStringLiteral("20500"), QStringLiteral("download"),
             QStringLiteral("--csv"), csv, QStringLiteral("--help")});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith("Usage: vernoll-cli [GLOBAL OPTIONS] download"));
    EXPECT_FALSE(QFile::exists(csv));
}
