#include "link/wire_trace.h"

#include <QLoggingCategory>
#include <chrono>

namespace vernoll {

namespace {

Q_LOGGING_CATEGORY(lcTrace, "vernoll.trace")

QByteArray byteLines(const char* direction, const QByteArray& bytes) {
    const QByteArray stamp = QByteArray::number(qlonglong(monotonicMicros()));
    QByteArray lines;
    lines.reserve(bytes.size() * (stamp.size() + 8));
    for (const char b : bytes) {
        lines += stamp;
        lines += ' ';
        lines += direction;
        lines += ' ';
        lines += QByteArray::number(std::uint8_t(b), 16).rightJustified(2, '0');
        lines += '\n';
    }
    return lines;
}

}  // namespace

std::int64_t monotonicMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

bool WireTrace::open(const QString& path, QString* error) {
    file_.setFileName(path);
    if (file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) return true;
    *error = file_.errorString();
    return false;
}

void WireTrace::sent(const QByteArray& bytes) {
    write(byteLines("tx", bytes));
}

void WireTrace::received(const QByteArray& bytes) {
    write(byteLines("rx", bytes));
}

void WireTrace::note(const QString& text) {
    write("# " + text.toUtf8() + '\n');
}

void WireTrace::write(const QByteArray& lines) {
    if (!file_.isOpen() || lines.isEmpty()) return;
    // Written through at once: a trace is read after a program that hung or was killed.
    if (file_.write(lines) != lines.size() || !file_.flush()) {
        qCWarning(lcTrace) << "the trace" << file_.fileName()
                           << "could not be written:" << file_.errorString();
        file_.close();
    }
}

}  // namespace vernoll
