#pragma once

#include <QFile>
#include <QObject>
#include <QTimer>

#include "sim/logger_emulator.h"

class QSocketNotifier;

namespace vernoll::sim {

// The emulator on the master side of a pseudo-terminal: the program opens the slave device as
// it would a logger's serial port. The line keeps a slave descriptor of its own open, so the
// master never reads an end of file while the program has the port closed, and puts the
// slave in raw mode at once, so no echo or line editing touches a byte.
class PtyLine : public QObject {
    Q_OBJECT
public:
    struct Options {
        bool pace = false;  // no faster than 19200 baud allows, 10 bits a byte
        QString logPath;    // "<us> <rx|tx> <hex>" a byte a line; empty: no log
    };

    PtyLine(LoggerEmulator& logger, Options options, QObject* parent = nullptr);
    ~PtyLine() override;

    // Opens the pair and starts answering; false with *error set when it cannot.
    bool open(QString* error);
    // The slave device the program is to open.
    QString devicePath() const { return devicePath_; }

signals:
    // The logger hung up and the line was closed after its last answer went out.
    void lineClosed();

private:
    void onReadable();
    void pump();
    void hangUpWhenRead();
    void closeLine();
    void armPace(qint64 atNs);
    void logByte(const char* direction, char byte, qint64 nanos);

    LoggerEmulator& logger_;
    Options options_;
    int master_ = -1;
    int slave_ = -1;
    QString devicePath_;
    QSocketNotifier* readable_ = nullptr;
    QSocketNotifier* writable_ = nullptr;
    // Pace: a timer on the monotonic clock with nanosecond resolution, so that each byte
    // leaves a byte time after the one before, not a whole millisecond.
    int paceFd_ = -1;
    QSocketNotifier* paceReady_ = nullptr;
    qint64 nextSlotNs_ = 0;       // pace: the earliest time the next byte may leave
    bool lineIdle_ = true;        // pace: nothing waits to be sent
    QByteArray queue_;            // answers not yet handed to the line
    bool closing_ = false;        // hung up: close once the queue is empty
    qint64 drainDeadlineNs_ = 0;  // hung up: when to close even if the program reads nothing
    QFile log_;
};

}  // namespace vernoll::sim
