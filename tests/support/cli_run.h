#pragma once

// vernoll-cli and vernoll-sim as separate programs, for end-to-end tests over a real
// pseudo-terminal. The test target defines VERNOLL_SIM_BINARY and VERNOLL_CLI_BINARY.

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

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
        process_.terminate();
        if (!process_.waitForFinished(3000)) process_.kill();
    }
    Sim(const Sim&) = delete;
    Sim& operator=(const Sim&) = delete;
    // The pseudo-terminal's device; empty if the emulator did not start.
    const QString& path() const { return path_; }

private:
    QProcess process_;
    QString path_;
};

struct CliRun {
    int status = -1;  // -1: did not finish in time; -2: crashed
    QByteArray out, err;
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
};

// Runs vernoll-cli with no terminal on stdin (so changes need --yes).
inline CliRun cli(const QStringList& args, int timeoutMs = 60000) {
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(QStringLiteral(VERNOLL_CLI_BINARY), args);
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

// The global options that put a command on the emulator's port with shortened waits.
inline QStringList onPort(const Sim& sim, const QStringList& rest) {
    return QStringList{QStringLiteral("--fast-waits"), QStringLiteral("--port"), sim.path()} + rest;
}

}  // namespace vernoll::test
