#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>

namespace vernoll {

// Every byte the program sends and receives on the line, one a line, as the emulator's log
// writes them: "<us> <rx|tx> <hex>", the time on the monotonic clock in microseconds (the
// clock vernoll-sim's log uses, so the two can be laid side by side). Lines that start with
// '#' say what happened on the line: a port opened, closed, or refused. A technician sends it
// to show what a logger did.
class WireTrace {
public:
    // Starts the file anew; false, and why in `error`, when it cannot be written.
    bool open(const QString& path, QString* error);
    bool isOpen() const { return file_.isOpen(); }

    void sent(const QByteArray& bytes);
    void received(const QByteArray& bytes);
    void note(const QString& text);

private:
    void write(const QByteArray& lines);

    QFile file_;
};

// Microseconds on the monotonic clock.
std::int64_t monotonicMicros();

}  // namespace vernoll
