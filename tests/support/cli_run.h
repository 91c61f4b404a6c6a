#pragma once

// vernoll-cli and vernoll-sim as separate programs, for end-to-end tests over a real
// pseudo-terminal. The test target defines VERNOLL_SIM_BINARY and VERNOLL_CLI_BINARY.

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <cstdint>
#include <vector>

namespace vernoll::test {

// A running vernoll-sim; stopped when it goes out of scope.
class Sim {
public:
    explicit Sim(const QStringList& args) {
        process_.start(QStringLiteral(VERNOLL_SIM_BINARY), args);
        if (process_.waitForStarted(5000) && process_.waitForReadyRead(5000))
            path_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    }
    ~Sim() {
        ::kill(pid_t(process_.processId()), SIGCONT);
        process_.terminate();
        if (!process_.waitForFinished(3000)) process_.kill();
    }
    Sim(const Sim&) = delete;
    Sim& operator=(const Sim&) = delete;
    // The pseudo-terminal's device; empty if the emulator did not start.
    const QString& path() const { return path_; }
    // Freezes the emulator (it answers nothing until it is stopped).
    void pause() { ::kill(pid_t(process_.processId()), SIGSTOP); }

private:
    QProcess process_;
    QString path_;
};

struct CliRun {
    int status = -1;  // -1: did not finish in time; -2: crashed
    QByteArray out, err;
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
};

// Waits for a started vernoll-cli and collects what it printed.
inline CliRun finish(QProcess& p, int timeoutMs = 60000) {
    CliRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// Runs a program with no terminal on stdin.
inline CliRun run(const QString& program, const QStringList& args, int timeoutMs = 60000,
                  const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.setProcessEnvironment(env);
    p.start(program, args);
    return finish(p, timeoutMs);
}

// The environment with the user's data folder (where downloads keep their copies) in `dir`.
inline QProcessEnvironment dataIn(const QString& dir) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir);
    return env;
}

// The environment of a test's command lines: the user's data folder (the station archive and
// the download copies) in a folder of the test process's own, never the user's.
inline const QProcessEnvironment& testEnvironment() {
    static const QTemporaryDir data;
    static const QProcessEnvironment env = [] {
        QProcessEnvironment e = dataIn(data.path());
        e.remove(QStringLiteral("VERNOLL_ARCHIVE"));
        return e;
    }();
    return env;
}

// Runs vernoll-cli with no terminal on stdin (so changes need --yes).
inline CliRun cli(const QStringList& args, int timeoutMs = 60000) {
    return run(QStringLiteral(VERNOLL_CLI_BINARY), args, timeoutMs, testEnvironment());
}

// What the program sent, in order, from the emulator's wire log.
inline QByteArray received(const QString& logPath) {
    QFile f(logPath);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QByteArray rx;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 3 && parts[1] == "rx") rx += QByteArray::fromHex(parts[2]);
    }
    return rx;
}

// One line of the emulator's wire log: when (monotonic microseconds, the clock of
// std::chrono::steady_clock), which way, which byte.
struct WireByte {
    qint64 us;
    bool fromLogger;  // "tx"; "rx" is a byte the program sent
    std::uint8_t byte;
};

inline std::vector<WireByte> wireLog(const QString& logPath) {
    std::vector<WireByte> out;
    QFile f(logPath);
    if (!f.open(QIODevice::ReadOnly)) return out;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> p = line.split(' ');
        if (p.size() == 3)
            out.push_back(
                {p[0].toLongLong(), p[1] == "tx", std::uint8_t(p[2].toUInt(nullptr, 16))});
    }
    return out;
}

// A byte the program sent is stamped when the emulator gets to read it, which a busy machine
// may delay by a scheduler's wake-up or two: a wait that starts with such a byte may measure
// that much shorter on the wire than it lasted.
inline constexpr qint64 kWireStampLatencyUs = 8000;

// Now, on the wire log's clock.
inline qint64 monotonicUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// The global options that put a command on the emulator's port with shortened waits.
inline QStringList onPort(const Sim& sim, const QStringList& rest) {
    return QStringList{QStringLiteral("--fast-waits"), QStringLiteral("--port"), sim.path()} + rest;
}

}  // namespace vernoll::test

namespace vernoll::test {

// Runs vernoll-cli with its stderr on a terminal of its own (a pseudo-terminal the test
// reads), as a user at a console sees it; stdin and stdout are not terminals.
inline CliRun cliWithTerminalStderr(const QStringList& args, int timeoutMs = 60000) {
    CliRun r;
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return r;
    // Raw output: the line ends arrive as the program wrote them.
    termios mode{};
    ::tcgetattr(master, &mode);
    ::cfmakeraw(&mode);
    ::tcsetattr(master, TCSANOW, &mode);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.setProcessEnvironment(testEnvironment());
    p.setStandardErrorFile(QString::fromLocal8Bit(::ptsname(master)));
    p.start(QStringLiteral(VERNOLL_CLI_BINARY), args);
    // The terminal's buffer is small: drain it while the program runs.
    const auto drain = [&] {
        char buffer[4096];
        for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) r.err.append(buffer, n);
    };
    QElapsedTimer t;
    t.start();
    while (!p.waitForFinished(20) && t.elapsed() < timeoutMs) drain();
    drain();
    ::close(master);
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    return r;
}

}  // namespace vernoll::test
