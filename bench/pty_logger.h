#pragma once

// The emulated logger on a real pseudo-terminal, on a thread of its own (as vernoll-sim would
// run in a process of its own), writing its wire log; and the log read back.

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <memory>
#include <vector>

#include "sim/logger_emulator.h"
#include "sim/pty_line.h"

namespace vernoll::bench {

inline QCoreApplication& app() {
    static int argc = 1;
    static char name[] = "vernoll_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication instance(argc, argv);
    return instance;
}

class PtyLogger {
public:
    explicit PtyLogger(sim::EmulatorOptions options = {})
        : logger_(std::move(options)), log_(dir_.filePath(QStringLiteral("wire.log"))) {
        // The line lives and dies on the logger's thread.
        auto* line = new sim::PtyLine(logger_, sim::PtyLine::Options{false, log_});
        line->moveToThread(&thread_);
        QObject::connect(&thread_, &QThread::finished, line, &QObject::deleteLater);
        thread_.start();
        QString error;
        QMetaObject::invokeMethod(
            line, [&] { opened_ = line->open(&error); }, Qt::BlockingQueuedConnection);
        device_ = line->devicePath();
        error_ = error;
    }
    ~PtyLogger() {
        thread_.quit();
        thread_.wait();
    }
    bool opened() const { return opened_; }
    const QString& error() const { return error_; }
    const QString& device() const { return device_; }
    const QString& logPath() const { return log_; }

private:
    QTemporaryDir dir_;
    sim::LoggerEmulator logger_;
    QString log_;
    QThread thread_;
    bool opened_ = false;
    QString device_, error_;
};

// One byte of the wire log: when (monotonic microseconds), which way, which byte.
struct WireByte {
    qint64 us;
    bool fromLogger;  // "tx": the logger sent it; "rx": the program did
    std::uint8_t byte;
};

inline std::vector<WireByte> readWireLog(const QString& path) {
    std::vector<WireByte> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return out;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> p = line.split(' ');
        if (p.size() != 3) continue;
        out.push_back({p[0].toLongLong(), p[1] == "tx", std::uint8_t(p[2].toUInt(nullptr, 16))});
    }
    return out;
}

// The median of the times from the logger's last byte before each answer of the program to
// that answer: the program's turnaround plus two passes through the pseudo-terminal.
inline double medianTurnaroundUs(const std::vector<WireByte>& wire) {
    std::vector<double> turns;
    qint64 lastFromLogger = -1;
    for (const WireByte& w : wire) {
        if (w.fromLogger) {
            lastFromLogger = w.us;
        } else if (lastFromLogger >= 0) {
            turns.push_back(double(w.us - lastFromLogger));
            lastFromLogger = -1;
        }
    }
    if (turns.empty()) return -1;
    std::nth_element(turns.begin(), turns.begin() + long(turns.size() / 2), turns.end());
    return turns[turns.size() / 2];
}

}  // namespace vernoll::bench
