// set-config, sms and set-serial: vernoll-cli against vernoll-sim over a pseudo-terminal.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "support/cli_run.h"
#include "support/qt_app.h"
#include "support/wait.h"

using vernoll::test::cli;
using vernoll::test::CliRun;
using vernoll::test::onPort;
using vernoll::test::received;
using vernoll::test::Sim;

namespace {

constexpr int kImportBytes = 2 + 3 + 111;  // probe and wake-up, attention, selection, go-on, echoes

QByteArray bytesOf(const QJsonArray& list) {
    QByteArray out;
    for (const auto& v : list) out += char(v.toInt());
    return out;
}

}  // namespace

TEST(CliSettings, SetConfigSendsTheFrameAndTheNextReadShowsIt) {
    vernoll::test::ensureApp();
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("wire.log"));
    Sim sim({QStringLiteral("--serial"), QStringLiteral("20500"), QStringLiteral("--log"), log});
    ASSERT_FALSE(sim.path().isEmpty());
    // The logger's clock runs on from the time written.
    QElapsedTimer sinceWrite;
    sinceWrite.start();
    const CliRun r = cli(onPort(
        sim, {QStringLiteral("--json"), QStringLiteral("set-config"), QStringLiteral("--user"),
              QStringLiteral("Ana"), QStringLiteral("--location"), QStringLiteral("Campo \u00ba"),
              QStringLiteral("--interval"), QStringLiteral("30"), QStringLiteral("--clock"),
              QStringLiteral("15/06/2029 10:00:00"), QStringLiteral("--yes")}));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QByteArray frame = bytesOf(r.json().value("sent").toArray());
    ASSERT_EQ(frame.size(), 107);
    EXPECT_EQ(frame.left(30), QByteArray("Ana") + QByteArray(27, ' '));
    EXPECT_EQ(frame.mid(30, 35), QByteArray("Campo \xba") + QByteArray(28, ' '));
    // Latitude, longitude and altitude as the logger reported them.
    EXPECT_EQ(frame.mid(65, 15), QByteArray("31 25 12 S") + QByteArray(5, ' '));
    EXPECT_EQ(frame.right(7).toHex(' '), QByteArray("30 10 00 00 15 06 29"));
    EXPECT_TRUE(r.err.contains(" Se Modific\xc3\xb3 configuraci\xc3\xb3n \n"));

    const QByteArray rx = received(log);
    ASSERT_EQ(rx.size(), kImportBytes + 3 + 107);
    EXPECT_EQ(rx.mid(kImportBytes).toHex(' '), (QByteArray("\xBE"
                                                           "U\x96") +
                                                frame)
                                                   .toHex(' '));

    const CliRun after = cli(onPort(sim, {QStringLiteral("--json"), QStringLiteral("config")}));
    ASSERT_EQ(after.status, 0) << after.err.toStdString();
    const QJsonObject o = after.json();
    EXPECT_EQ(o.value("user").toString(), QStringLiteral("Ana") + QString(27, QLatin1Char(' ')));
    EXPECT_EQ(o.value("location").toString(),
              QStringLiteral("Campo \u00ba") + QString(28, QLatin1Char(' ')));
    EXPECT_EQ(o.value("interval_code").toInt(), 0x30);
    EXPECT_EQ(o.value("date").toString(), QStringLiteral("15/06/2029"));
    const QTime time = QTime::fromString(o.value("time").toString(), QStringLiteral("HH:mm:ss"));
    ASSERT_TRUE(time.isValid()) << o.value("time").toString().toStdString();
    EXPECT_GE(time, QTime(10, 0, 0));
    EXPECT_LE(QTime(10, 0, 0).secsTo(time), sinceWrite.elapsed() / 1000 + 1);
}

TEST(CliSettings, SetConfigTextAndPcClock) {
    vernoll::test::ensureApp();
    Sim sim({QStringLiteral("--serial"), QStringLiteral("20500")});
    const QDate before = QDate::currentDate();
    const CliRun r = cli(onPort(sim, {QStringLiteral("set-config"), QStringLiteral("--clock"),
                                      QStringLiteral("pc"), QStringLiteral("--yes")}));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray(" Se Modific\xc3\xb3 configuraci\xc3\xb3n \n"));
    const CliRun after = cli(onPort(sim, {QStringLiteral("--json"), QStringLiteral("config")}));
    const QString date = after.json().value("date").toString();
    EXPECT_TRUE(date == before.toString(QStringLiteral("dd/MM/yyyy")) ||
                date == QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")))
        << date.toStdString();
}

TEST(CliSettings, ChangesWithoutConfirmationAreRefusedAndLeaveTheLoggerAsItWas) {
    vernoll::test::ensureApp();
    struct Case {
        QStringList args;
        QByteArray selection;  // the byte that would select the change
    } cases[] = {
        {{QStringLiteral("set-config"), QStringLiteral("--user"), QStringLiteral("X")}, "\x96"},
        {{QStringLiteral("sms"), QStringLiteral("--cell"), QStringLiteral("1")}, "\x2E"},
        {{QStringLiteral("sms"), QStringLiteral("--send-interval"), QStringLiteral("none")},
         "\x2E"},
        {{QStringLiteral("set-serial"), QStringLiteral("123")}, "\x64"},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("wire.log"));
        Sim sim(
            {QStringLiteral("--serial"), QStringLiteral("2040001"), QStringLiteral("--log"), log});
        const CliRun r = cli(onPort(sim, c.args));
        const std::string what = c.args.join(' ').toStdString();
        EXPECT_EQ(r.status, 2) << what;
        EXPECT_TRUE(r.out.isEmpty()) << what;
        EXPECT_TRUE(r.err.trimmed().endsWith("hace falta --yes)")) << what << r.err.toStdString();
        // Nothing after the import selected a change. The emulator is a process of its own: it
        // may log the import's last byte after the command ended.
        vernoll::test::waitUntil([&] { return received(log).size() >= kImportBytes; }, 3000);
        const QByteArray rx = received(log);
        ASSERT_GE(rx.size(), kImportBytes) << what;
        EXPECT_FALSE(rx.mid(kImportBytes).contains(c.selection)) << what;
    }
}

TEST(CliSettings, UsageErrorsBeforeAnyConnection) {
    vernoll::test::ensureApp();
    const QStringList bad[] = {
        {QStringLiteral("set-config"), QStringLiteral("--interval"), QStringLiteral("7")},
        {QStringLiteral("set-config"), QStringLiteral("--clock"),
         QStringLiteral("31/02/2026 10:00:00")},
        {QStringLiteral("set-config"), QStringLiteral("--clock"), QStringLiteral("ayer")},
        {QStringLiteral("set-config"), QStringLiteral("--user"), QString(31, QLatin1Char('u'))},
        {QStringLiteral("set-config"), QStringLiteral("--altitude"), QStringLiteral("123456")},
        {QStringLiteral("set-config"), QStringLiteral("--user"), QStringLiteral("\u4e2d")},
        {QStringLiteral("set-config"), QStringLiteral("extra")},
        {QStringLiteral("sms"), QStringLiteral("--cell"), QStringLiteral("12a")},
        {QStringLiteral("sms"), QStringLiteral("--cell"), QStringLiteral("1234567890123456")},
        {QStringLiteral("sms"), QStringLiteral("--send-interval"), QStringLiteral("3h")},
        {QStringLiteral("set-serial")},
        {QStringLiteral("set-serial"), QStringLiteral("123456789")},
        {QStringLiteral("set-serial"), QStringLiteral("12a")},
        {QStringLiteral("set-serial"), QStringLiteral("-5")},
        {QStringLiteral("set-serial"), QString()},
        {QStringLiteral("set-serial"), QStringLiteral("1"), QStringLiteral("2")},
    };
    for (const QStringList& args : bad) {
        // A port that does not exist: a command that got past its checks would fail with 1.
        const CliRun r =
            cli(QStringList{QStringLiteral("--port"), QStringLiteral("/nonexistent/tty")} + args);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString() << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.startsWith("vernoll-cli: ")) << r.err.toStdString();
    }
}

TEST(CliSettings, SmsReadsThenWritesAndTheNextReadShowsIt) {
    vernoll::test::ensureApp();
    Sim sim({QStringLiteral("--serial"), QStringLiteral("2040001")});
    const CliRun read = cli(onPort(sim, {QStringLiteral("--json"), QStringLiteral("sms")}));
    ASSERT_EQ(read.status, 0) << read.err.toStdString();
    EXPECT_EQ(read.json().value("cell").toString(), QStringLiteral("3515550142     "));
    EXPECT_EQ(read.json().value("send_interval_code").toInt(), 0x06);
    EXPECT_FALSE(read.json().value("written").toBool());

    const CliRun write =
        cli(onPort(sim, {QStringLiteral("--json"), QStringLiteral("sms"), QStringLiteral("--cell"),
                         QStringLiteral("1234567890"), QStringLiteral("--send-interval"),
                         QStringLiteral("12h"), QStringLiteral("--yes")}));
    ASSERT_EQ(write.status, 0) << write.err.toStdString();
    EXPECT_EQ(write.json().value("cell").toString(), QStringLiteral("3515550142     "));
    EXPECT_TRUE(write.json().value("written").toBool());
    EXPECT_TRUE(write.err.contains("Se Modific\xc3\xb3 configuraci\xc3\xb3n SMS\n"));

    const CliRun text = cli(onPort(sim, {QStringLiteral("sms")}));
    ASSERT_EQ(text.status, 0) << text.err.toStdString();
    EXPECT_EQ(text.out,
              QByteArray("Nro Celular: 1234567890     \nIntervalo de envio: Cada 12 horas\n"));
}

TEST(CliSettings, SmsOnALoggerWithoutTelemetryIsRefused) {
    vernoll::test::ensureApp();
    Sim sim({QStringLiteral("--serial"), QStringLiteral("20500")});
    const CliRun r = cli(onPort(sim, {QStringLiteral("sms")}));
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.out.isEmpty());
}

TEST(CliSettings, SetSerialWritesThePackedNumber) {
    vernoll::test::ensureApp();
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("wire.log"));
    Sim sim({QStringLiteral("--serial"), QStringLiteral("20500"), QStringLiteral("--log"), log});
    const CliRun r = cli(onPort(sim, {QStringLiteral("--json"), QStringLiteral("set-serial"),
                                      QStringLiteral("12345678"), QStringLiteral("--yes")}));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.json().value("sent").toArray(), (QJsonArray{0x12, 0x34, 0x56, 0x78}));
    EXPECT_EQ(received(log).mid(kImportBytes).toHex(' '), QByteArray("be 55 64 12 34 56 78 78"));

    const CliRun after = cli(onPort(sim, {QStringLiteral("--json"), QStringLiteral("config")}));
    EXPECT_EQ(after.json().value("serial").toString(), QStringLiteral("12345678"));

    const CliRun text = cli(
        onPort(sim, {QStringLiteral("set-serial"), QStringLiteral("7"), QStringLiteral("--yes")}));
    ASSERT_EQ(text.status, 0) << text.err.toStdString();
    EXPECT_EQ(text.out, QByteArray("N\xc2\xba Enviado  7\n"));
    const CliRun last = cli(onPort(sim, {QStringLiteral("--json"), QStringLiteral("config")}));
    EXPECT_EQ(last.json().value("serial").toString(), QStringLiteral("70000000"));
}
