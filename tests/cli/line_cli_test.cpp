// vernoll-cli on the line, against vernoll-sim over pseudo-terminals: every protocol wait lasts
// at least its nominal time, measured from the emulator's wire log.

#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <memory>
#include <optional>
#include <vector>

#include "link/timing.h"
#include "support/cli_run.h"
#include "support/qt_app.h"

using vernoll::Millis;
using vernoll::Timing;
using vernoll::test::kWireStampLatencyUs;
using vernoll::test::monotonicUs;
using vernoll::test::Sim;
using vernoll::test::WireByte;
using vernoll::test::wireLog;

namespace {

// A moment of a run: the n-th byte `byte` the program sent to emulator `sim` (from 1), the
// last byte the program sent it, or the program's exit.
struct Mark {
    enum Kind { Sent, SentLast, Exit } kind;
    int sim = 0;
    std::uint8_t byte = 0;
    int n = 1;
};

std::optional<qint64> when(const Mark& m, const std::vector<std::vector<WireByte>>& logs,
                           qint64 exitUs) {
    if (m.kind == Mark::Exit) return exitUs;
    std::optional<qint64> found;
    int n = m.n;
    for (const WireByte& w : logs.at(std::size_t(m.sim))) {
        if (m.kind == Mark::SentLast && !w.fromLogger) found = w.us;
        if (m.kind == Mark::Sent && !w.fromLogger && w.byte == m.byte && --n == 0) return w.us;
    }
    return found;
}

}  // namespace

// Each wait is measured from the byte that starts it to the byte (or the exit) that ends it. A
// loaded machine only makes the end later; the start may be stamped late (see
// kWireStampLatencyUs). A coarse timer ends these waits 7 to 30 ms early about half the time.
// The pause after the wake-up byte as the command line's --fast-waits has it: long enough for
// the logger's answer to arrive and be dropped.
constexpr Millis kFastWakePause{250};

TEST(CliLine, ProtocolWaitsLastAtLeastTheirNominalTimeOnTheWire) {
    vernoll::test::ensureApp();
    const Timing fast = Timing::fast();  // what --fast-waits gives
    struct Case {
        const char* what;
        std::vector<QStringList> sims;
        QStringList command;
        int status;
        Mark from, to;
        Millis nominal;
    } cases[] = {
        {"discovery's two waits on a silent port",
         {{QStringLiteral("--fault"), QStringLiteral("silent")}, {}},
         {QStringLiteral("probe")},
         0,
         {Mark::Sent, 0, 0xBE},
         {Mark::Sent, 1, 0xBE},
         fast.probeFirstWait + fast.probeSecondWait},
        {"the same on a port that answers nothing but the probe",
         {{QStringLiteral("--fault"), QStringLiteral("short-probe")}, {}},
         {QStringLiteral("probe")},
         0,
         {Mark::Sent, 0, 0xBE},
         {Mark::Sent, 1, 0xBE},
         fast.probeFirstWait + fast.probeSecondWait},
        {"the pause after the wake-up byte",
         {{}},
         {QStringLiteral("config")},
         0,
         {Mark::Sent, 0, 0xBE, 2},
         {Mark::Sent, 0, 0x55},
         kFastWakePause},
        {"the wait for the first answer",
         {{QStringLiteral("--fault"), QStringLiteral("stall-after=0")}},
         {QStringLiteral("config")},
         1,
         {Mark::Sent, 0, 0x55},
         {Mark::Exit},
         fast.answerWait},
        // From the request after the last whole block.
        {"the download's stall limit",
         {{QStringLiteral("--fault"), QStringLiteral("stall-after=300")}},
         {QStringLiteral("download"), QStringLiteral("--csv"), QStringLiteral("x.csv")},
         3,
         {Mark::SentLast},
         {Mark::Exit},
         fast.stall},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        std::vector<std::unique_ptr<Sim>> sims;
        QStringList args{QStringLiteral("--fast-waits")};
        for (std::size_t i = 0; i < c.sims.size(); ++i) {
            sims.push_back(std::make_unique<Sim>(
                c.sims[i] + QStringList{QStringLiteral("--log"),
                                        dir.filePath(QStringLiteral("wire%1.log").arg(i))}));
            ASSERT_FALSE(sims.back()->path().isEmpty());
            args << QStringLiteral("--port") << sims.back()->path();
        }
        QProcess p;
        p.setStandardInputFile(QProcess::nullDevice());
        p.setWorkingDirectory(dir.path());
        p.setProcessEnvironment(vernoll::test::dataIn(dir.path()));
        p.start(QStringLiteral(VERNOLL_CLI_BINARY), args + c.command);
        const auto r = vernoll::test::finish(p);
        const qint64 exitUs = monotonicUs();
        ASSERT_EQ(r.status, c.status) << r.err.toStdString();

        std::vector<std::vector<WireByte>> logs;
        for (std::size_t i = 0; i < c.sims.size(); ++i)
            logs.push_back(wireLog(dir.filePath(QStringLiteral("wire%1.log").arg(i))));
        const auto from = when(c.from, logs, exitUs), to = when(c.to, logs, exitUs);
        ASSERT_TRUE(from && to);
        EXPECT_GE(*to - *from, qint64(c.nominal.count()) * 1000 - kWireStampLatencyUs);

        // Every exchange's opening in the log: the attention byte never follows its wake-up
        // byte sooner than the pause.
        for (const auto& log : logs) {
            const WireByte* wake = nullptr;
            for (const WireByte& w : log) {
                if (w.fromLogger) continue;
                if (w.byte == 0x55 && wake) {
                    EXPECT_GE(w.us - wake->us,
                              qint64(kFastWakePause.count()) * 1000 - kWireStampLatencyUs);
                }
                wake = w.byte == 0xBE ? &w : nullptr;
            }
        }
    }
}

namespace {

// Another program's hold on `device`, by the lock file serial programs leave: a child that
// lives as long as this.
class OtherHolder {
public:
    explicit OtherHolder(const QString& device)
        : lockFile_(QStringLiteral("/run/lock/LCK..") +
                    device.mid(5).replace(QLatin1Char('/'), u'_')) {
        process_.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        process_.waitForStarted();
        QFile lock(lockFile_);
        if (lock.open(QIODevice::WriteOnly))
            lock.write(QStringLiteral("%1\nsleep\n%2\n")
                           .arg(pid())
                           .arg(QSysInfo::machineHostName())
                           .toLatin1());
    }
    ~OtherHolder() {
        QFile::remove(lockFile_);
        process_.kill();
        process_.waitForFinished();
    }
    qint64 pid() const { return process_.processId(); }

private:
    QString lockFile_;
    QProcess process_;
};

}  // namespace

// The command line names a port it could not open with the system's reason, on a line of its
// own and in the no-logger message; a port another program holds ends with status 5.
TEST(CliLine, APortThatCannotBeOpenedIsNamedWithItsReason) {
    vernoll::test::ensureApp();
    Sim sim({});
    ASSERT_FALSE(sim.path().isEmpty());
    const bool asRoot = ::geteuid() == 0 && QFile::exists(QStringLiteral("/usr/sbin/runuser"));
    struct Case {
        const char* what;
        QString port;
        bool held;      // another program holds it
        bool asNobody;  // run as a user the device does not admit
        int status;
        QString reason;
    } cases[] = {
        {"missing", QStringLiteral("/dev/vernoll-no-such-port"), false, false, 1,
         QStringLiteral("no existe")},
        {"held by another program", sim.path(), true, false, 5,
         QStringLiteral("en uso por otro programa: sleep (pid %1)")},
        // The device given to the group serial ports have, as a serial port's is.
        {"not the user's", sim.path(), false, true, 1,
         QStringLiteral("permiso denegado: agregue su usuario al grupo dialout y vuelva a iniciar "
                        "la sesi\u00f3n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.asNobody) {
            // Only root can run it as another user and give the device away.
            const struct group* dialout = ::getgrnam("dialout");
            if (!asRoot || dialout == nullptr) continue;
            const QByteArray device = QFile::encodeName(c.port);
            ASSERT_EQ(::chown(device.constData(), uid_t(-1), dialout->gr_gid), 0);
            ASSERT_EQ(::chmod(device.constData(), 0660), 0);
        }
        std::optional<OtherHolder> holder;
        if (c.held) holder.emplace(c.port);
        const QStringList args{QStringLiteral("--fast-waits"), QStringLiteral("--port"), c.port,
                               QStringLiteral("probe")};
        const auto r =
            c.asNobody ? vernoll::test::run(
                             QStringLiteral("/usr/sbin/runuser"),
                             QStringList{QStringLiteral("-u"), QStringLiteral("nobody"),
                                         QStringLiteral("--"), QStringLiteral(VERNOLL_CLI_BINARY)} +
                                 args)
                       : vernoll::test::cli(args);
        EXPECT_EQ(r.status, c.status) << r.err.toStdString();
        const QString reason = c.held ? c.reason.arg(holder->pid()) : c.reason;
        const QString err = QString::fromUtf8(r.err);
        EXPECT_TRUE(err.contains(QStringLiteral("vernoll-cli: no se puede abrir ") + c.port +
                                 QStringLiteral(": ") + reason + u'\n'))
            << r.err.toStdString();
        EXPECT_TRUE(err.contains(QStringLiteral("\nNo se puede abrir ") + c.port +
                                 QStringLiteral(": ") + reason))
            << r.err.toStdString();
    }
}

// A second command line on the port one holds fails at once, whatever name it gives the
// device; a command line that crashed holds nothing.
TEST(CliLine, ASecondCommandLineOnTheSamePortFailsAtOnce) {
    vernoll::test::ensureApp();
    QTemporaryDir dir;
    Sim sim({QStringLiteral("--serial"), QStringLiteral("20500")});
    ASSERT_FALSE(sim.path().isEmpty());
    const QString link = dir.filePath(QStringLiteral("logger"));
    ASSERT_TRUE(QFile::link(sim.path(), link));

    QProcess first;
    first.setStandardInputFile(QProcess::nullDevice());
    first.setProcessEnvironment(vernoll::test::testEnvironment());
    first.start(QStringLiteral(VERNOLL_CLI_BINARY),
                vernoll::test::onPort(sim, {QStringLiteral("live")}));
    ASSERT_TRUE(first.waitForStarted());
    // Holding the port: it shows frames.
    QByteArray shown;
    while (!shown.contains("\r\n\r\n") && first.waitForReadyRead(10000))
        shown += first.readAllStandardOutput();
    ASSERT_TRUE(shown.contains("\r\n\r\n"));

    const QStringList download{QStringLiteral("--fast-waits"),
                               QStringLiteral("--port"),
                               link,
                               QStringLiteral("download"),
                               QStringLiteral("--csv"),
                               dir.filePath(QStringLiteral("x.csv"))};
    const auto cli = [&] {
        return vernoll::test::run(QStringLiteral(VERNOLL_CLI_BINARY), download, 60000,
                                  vernoll::test::dataIn(dir.path()));
    };
    const auto second = cli();
    EXPECT_EQ(second.status, 5);
    // Nothing else: no discovery ran.
    EXPECT_EQ(
        QString::fromUtf8(second.err),
        QStringLiteral("vernoll-cli: no se puede abrir ") + link +
            QStringLiteral(": en uso por otro vernoll-cli (pid %1)\n").arg(first.processId()));

    ::kill(pid_t(first.processId()), SIGKILL);
    ASSERT_TRUE(first.waitForFinished());
    const auto third = cli();
    EXPECT_EQ(third.status, 0) << third.err.toStdString();
}

// --trace writes the bytes as the program saw them: the same bytes, in the same order, as the
// emulator's own log on the other side of the pseudo-terminal, stamped on the same clock (a
// byte is sent before the emulator reads it, and received after the emulator wrote it, to
// within the time a stamp may lag), with
// the port's openings and closings between them. A trace that cannot be written stops the
// command before it touches the line.
TEST(CliLine, TraceMirrorsTheEmulatorsLogOnTheSameClock) {
    vernoll::test::ensureApp();
    QTemporaryDir dir;
    const QString simLog = dir.filePath(QStringLiteral("sim.log"));
    const QString trace = dir.filePath(QStringLiteral("trace.log"));
    Sim sim({QStringLiteral("--log"), simLog});
    ASSERT_FALSE(sim.path().isEmpty());
    const auto r =
        vernoll::test::cli({QStringLiteral("--fast-waits"), QStringLiteral("--port"), sim.path(),
                            QStringLiteral("--trace"), trace, QStringLiteral("config")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();

    QFile f(trace);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    std::vector<WireByte> traced;
    QStringList notes;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("# ")) {
            notes << QString::fromUtf8(line.mid(2));
        } else if (const QList<QByteArray> p = line.split(' '); p.size() == 3) {
            // The program's "tx" is the emulator's "rx".
            traced.push_back(
                {p[0].toLongLong(), p[1] == "rx", std::uint8_t(p[2].toUInt(nullptr, 16))});
        }
    }
    const std::vector<WireByte> logged = wireLog(simLog);
    ASSERT_EQ(traced.size(), logged.size());
    ASSERT_FALSE(logged.empty());
    for (std::size_t i = 0; i < logged.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(traced[i].fromLogger, logged[i].fromLogger);
        ASSERT_EQ(traced[i].byte, logged[i].byte);
        // Each side stamps a byte a moment after it crossed, up to a scheduler's wake-up.
        if (traced[i].fromLogger)
            EXPECT_GE(traced[i].us + kWireStampLatencyUs, logged[i].us);
        else
            EXPECT_LE(traced[i].us, logged[i].us + kWireStampLatencyUs);
    }
    // The probe, its second look, and the import each open and close the port.
    const QString opened = sim.path() + QStringLiteral(" opened for ");
    EXPECT_EQ(
        notes,
        (QStringList{opened + QStringLiteral("the probe"), sim.path() + QStringLiteral(" closed"),
                     opened + QStringLiteral("the probe"), sim.path() + QStringLiteral(" closed"),
                     opened + QStringLiteral("the configuration import"),
                     sim.path() + QStringLiteral(" closed")}));

    const QString nowhere = dir.filePath(QStringLiteral("no-such-folder/trace.log"));
    const auto refused =
        vernoll::test::cli({QStringLiteral("--fast-waits"), QStringLiteral("--port"), sim.path(),
                            QStringLiteral("--trace"), nowhere, QStringLiteral("config")});
    EXPECT_EQ(refused.status, 4);
    EXPECT_TRUE(refused.err.contains(
        (QStringLiteral("vernoll-cli: no se puede escribir ") + nowhere + QStringLiteral(": "))
            .toUtf8()))
        << refused.err.toStdString();
    EXPECT_EQ(wireLog(simLog).size(), logged.size()) << "nothing more was sent";
}
