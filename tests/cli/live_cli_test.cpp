// vernoll-cli live against vernoll-sim over a pseudo-terminal: frames printed as they come,
// the stop after N frames with the pending frame closing the port, interrupts, and a logger
// that stops answering.

#include <gtest/gtest.h>
#include <signal.h>

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include "link/timing.h"
#include "support/cli_run.h"
#include "support/qt_app.h"

using vernoll::test::cli;
using vernoll::test::finish;
using vernoll::test::received;
using LiveRun = vernoll::test::CliRun;
using LiveSim = vernoll::test::Sim;

namespace {
QStringList args(const LiveSim& sim, const QStringList& rest) {
    return vernoll::test::onPort(sim, rest);
}
}  // namespace

TEST(CliLive, ThreeFramesThenTheStopAndThePendingFrame) {
    vernoll::test::ensureApp();
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("wire.log"));
    LiveSim sim(
        {QStringLiteral("--serial"), QStringLiteral("21500"), QStringLiteral("--log"), log});
    ASSERT_FALSE(sim.path().isEmpty());
    const LiveRun r =
        cli(args(sim, {QStringLiteral("live"), QStringLiteral("--frames"), QStringLiteral("3")}));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    // Each frame's text, then an empty line.
    static const QRegularExpression frames(
        QStringLiteral("^(Temp\\[\u00baC\\]= -?[0-9]+(\\.[0-9])?\u00baC\r\n\r\n){3}$"));
    EXPECT_TRUE(frames.match(QString::fromUtf8(r.out)).hasMatch()) << r.out.toStdString();
    EXPECT_EQ(r.err, QByteArray(" Conexion en " + sim.path().toUtf8() + "  @ 19200 bps \n"));

    // Probe, import, then four live requests: three frames and the one pending at the stop.
    const QByteArray rx = received(log);
    ASSERT_EQ(rx.size(), 2 + 3 + 111 + 4) << rx.toHex().toStdString();
    EXPECT_EQ(rx.left(5), QByteArray("\xBE\xBE"
                                     "U\x60U"));
    EXPECT_EQ(rx.right(4), QByteArray(4, '\xBE'));
}

TEST(CliLive, JsonListsTheFrames) {
    vernoll::test::ensureApp();
    LiveSim sim({QStringLiteral("--serial"), QStringLiteral("2060500")});
    const LiveRun r = cli(args(sim, {QStringLiteral("--json"), QStringLiteral("live"),
                                     QStringLiteral("--frames"), QStringLiteral("2")}));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    const QJsonArray list = o.value(QStringLiteral("frames")).toArray();
    ASSERT_EQ(list.size(), 2) << r.out.toStdString();
    for (const auto& v : list) {
        const QString text = v.toString();
        EXPECT_TRUE(text.startsWith(QStringLiteral("Real Sumergido= "))) << text.toStdString();
        EXPECT_EQ(text.count(QStringLiteral("\r\n")), 4);
        EXPECT_TRUE(text.contains(QStringLiteral("\r\ncota= 1"))) << text.toStdString();
    }
}

TEST(CliLive, InterruptStopsCleanly) {
    vernoll::test::ensureApp();
    for (int sig : {SIGINT, SIGTERM}) {
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("wire.log"));
        LiveSim sim(
            {QStringLiteral("--serial"), QStringLiteral("80000"), QStringLiteral("--log"), log});
        QProcess p;
        p.setStandardInputFile(QProcess::nullDevice());
        p.setProcessEnvironment(vernoll::test::testEnvironment());
        const bool json = sig == SIGTERM;
        p.start(QStringLiteral(VERNOLL_CLI_BINARY),
                args(sim, json ? QStringList{QStringLiteral("--json"), QStringLiteral("live")}
                               : QStringList{QStringLiteral("live")}));
        ASSERT_TRUE(p.waitForStarted(5000));
        QByteArray seen;
        if (json) {
            // Nothing shows before the end: wait until the logger has had three live requests
            // (after the probe, the import's opening and its 111 echoes).
            QElapsedTimer t;
            t.start();
            while (received(log).size() < 2 + 3 + 111 + 3 && t.elapsed() < 10000)
                p.waitForFinished(50);
            ASSERT_GE(received(log).size(), 2 + 3 + 111 + 3);
        } else {
            QElapsedTimer t;
            t.start();
            while (seen.count("DATA") < 3 && t.elapsed() < 10000) {
                p.waitForReadyRead(200);
                seen += p.readAllStandardOutput();
            }
            ASSERT_GE(seen.count("DATA"), 3);
        }
        // Two copies, as timeout sends them (to the process, then to its group): together, or
        // the second a moment later, as on a loaded machine, after the stop began.
        // (No events run in between, so the process, even ended, is not reaped: its pid stays
        // its own.)
        const auto pid = pid_t(p.processId());
        ASSERT_GT(pid, 0);
        ::kill(pid, sig);
        if (json) QThread::msleep(200);
        ::kill(pid, sig);
        LiveRun r = finish(p, 10000);
        r.out = seen + r.out;
        ASSERT_EQ(r.status, 0) << sig << r.err.toStdString();
        if (json) {
            const QJsonArray list =
                QJsonDocument::fromJson(r.out).object().value(QStringLiteral("frames")).toArray();
            EXPECT_GE(list.size(), 1) << r.out.toStdString();
            for (const auto& v : list)
                EXPECT_TRUE(v.toString().startsWith(QStringLiteral("DATA ")));
        } else {
            // Whole frames only, the last one complete with its empty line.
            EXPECT_TRUE(r.out.endsWith("   \r\n\r\n")) << r.out.right(80).toStdString();
            EXPECT_EQ(r.out.count("DATA"), r.out.count("DIF DIG "));
        }
    }
}

TEST(CliLive, FramesThatStopComingEndWithStatusThreeAfterTheStallLimit) {
    vernoll::test::ensureApp();
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("wire.log"));
    LiveSim sim(
        {QStringLiteral("--serial"), QStringLiteral("21500"), QStringLiteral("--log"), log});
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.setProcessEnvironment(vernoll::test::testEnvironment());
    p.start(QStringLiteral(VERNOLL_CLI_BINARY), args(sim, {QStringLiteral("live")}));
    ASSERT_TRUE(p.waitForStarted(5000));
    QByteArray seen;
    QElapsedTimer t;
    t.start();
    while (seen.count("Temp") < 2 && t.elapsed() < 10000) {
        p.waitForReadyRead(200);
        seen += p.readAllStandardOutput();
    }
    ASSERT_GE(seen.count("Temp"), 2);
    sim.pause();  // the logger is switched off
    const LiveRun r = finish(p, 20000);
    const qint64 exitUs = vernoll::test::monotonicUs();
    EXPECT_EQ(r.status, 3) << r.err.toStdString();
    EXPECT_TRUE(r.err.trimmed().endsWith("vernoll-cli: el registrador dej\xc3\xb3 de responder"))
        << r.err.toStdString();
    // The limit runs from the last frame, which came before the last request on the wire.
    qint64 lastRequest = -1;
    for (const auto& w : vernoll::test::wireLog(log))
        if (!w.fromLogger) lastRequest = w.us;
    ASSERT_GE(lastRequest, 0);
    EXPECT_GE(exitUs - lastRequest, vernoll::Timing::fast().commandLineStall.count() * 1000 -
                                        vernoll::test::kWireStampLatencyUs);
}

TEST(CliLive, UsageErrors) {
    vernoll::test::ensureApp();
    for (const QStringList& a :
         {QStringList{QStringLiteral("live"), QStringLiteral("--frames"), QStringLiteral("0")},
          QStringList{QStringLiteral("live"), QStringLiteral("--frames"), QStringLiteral("many")},
          QStringList{QStringLiteral("live"), QStringLiteral("now")},
          QStringList{QStringLiteral("live"), QStringLiteral("--frames")}}) {
        const LiveRun r = cli(a);
        EXPECT_EQ(r.status, 2) << a.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("vernoll-cli: ")) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}

TEST(CliLive, SilentLoggerIsStatusOne) {
    vernoll::test::ensureApp();
    LiveSim sim({QStringLiteral("--fault"), QStringLiteral("silent")});
    const LiveRun r =
        cli(args(sim, {QStringLiteral("live"), QStringLiteral("--frames"), QStringLiteral("1")}));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.isEmpty());
}
