#include "sim/pty_line.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace vernoll::sim {

namespace {
// 19200 baud, ten bits a byte (start, eight data, stop).
constexpr qint64 kByteTimeNs = 1'000'000'000LL * 10 / 19200;

// The monotonic clock, in nanoseconds: the log's time stamps and the pace share it.
qint64 monotonicNanos() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}
}  // namespace

PtyLine::PtyLine(LoggerEmulator& logger, Options options, QObject* parent)
    : QObject(parent), logger_(logger), options_(std::move(options)) {}

PtyLine::~PtyLine() {
    closeLine();
}

bool PtyLine::open(QString* error) {
    if (!options_.logPath.isEmpty()) {
        log_.setFileName(options_.logPath);
        if (!log_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            *error = QStringLiteral("%1: %2").arg(options_.logPath, log_.errorString());
            return false;
        }
    }
    if (options_.pace) {
        // steady_clock is CLOCK_MONOTONIC: the timer and the byte times share one clock.
        paceFd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (paceFd_ < 0) {
            *error = systemError("timerfd_create");
            return false;
        }
        paceReady_ = new QSocketNotifier(paceFd_, QSocketNotifier::Read, this);
        connect(paceReady_, &QSocketNotifier::activated, this, [this] {
            std::uint64_t expirations = 0;
            [[maybe_unused]] const auto n = ::read(paceFd_, &expirations, sizeof expirations);
            pump();
        });
    }
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) {
        *error = systemError("posix_openpt");
        return false;
    }
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        *error = systemError("grantpt/unlockpt");
        closeLine();
        return false;
    }
    const char* name = ::ptsname(master_);
    if (name == nullptr) {
        *error = systemError("ptsname");
        closeLine();
        return false;
    }
    devicePath_ = QString::fromLocal8Bit(name);
    slave_ = ::open(name, O_RDWR | O_NOCTTY);
    termios raw{};
    if (slave_ < 0 || ::tcgetattr(slave_, &raw) != 0) {
        *error = systemError("open slave");
        closeLine();
        return false;
    }
    ::cfmakeraw(&raw);
    ::cfsetispeed(&raw, B19200);
    ::cfsetospeed(&raw, B19200);
    if (::tcsetattr(slave_, TCSANOW, &raw) != 0) {
        *error = systemError("tcsetattr");
        closeLine();
        return false;
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);

    readable_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
    connect(readable_, &QSocketNotifier::activated, this, &PtyLine::onReadable);
    writable_ = new QSocketNotifier(master_, QSocketNotifier::Write, this);
    writable_->setEnabled(false);
    connect(writable_, &QSocketNotifier::activated, this, &PtyLine::pump);
    return true;
}

void PtyLine::onReadable() {
    std::array<char, 256> buffer{};
    const ssize_t n = ::read(master_, buffer.data(), buffer.size());
    if (n <= 0) return;  // EAGAIN; the slave we hold keeps the master from seeing EIO
    for (ssize_t i = 0; i < n && !closing_; ++i) {
        logByte("rx", buffer[std::size_t(i)], monotonicNanos());
        queue_ += logger_.receive(std::uint8_t(buffer[std::size_t(i)]));
        // A logger that hung up hears nothing more.
        if (logger_.hungUp()) closing_ = true;
    }
    if (closing_) readable_->setEnabled(false);
    pump();
}

void PtyLine::pump() {
    if (master_ < 0) return;
    writable_->setEnabled(false);
    while (!queue_.isEmpty()) {
        qsizetype due = queue_.size();
        if (options_.pace) {
            const qint64 now = monotonicNanos();
            // The line was idle: its next byte may leave now, but not before the last one's
            // byte time is over.
            if (lineIdle_) nextSlotNs_ = std::max(nextSlotNs_, now);
            lineIdle_ = false;
            if (now < nextSlotNs_) {
                armPace(nextSlotNs_);
                return;
            }
            // Byte k of a run leaves no earlier than its slot, the run's start plus k byte
            // times; a wake-up that came late sends the bytes whose slots have passed, so
            // the line keeps its rate.
            due = std::min<qsizetype>(due, 1 + (now - nextSlotNs_) / kByteTimeNs);
        }
        const ssize_t n = ::write(master_, queue_.constData(), std::size_t(due));
        if (n < 0) {
            // The program is not reading and the line is full: go on when it drains.
            if (errno == EAGAIN || errno == EINTR) writable_->setEnabled(true);
            return;
        }
        const qint64 written = monotonicNanos();
        for (ssize_t i = 0; i < n; ++i) logByte("tx", queue_[int(i)], written);
        queue_.remove(0, int(n));
        nextSlotNs_ += qint64(n) * kByteTimeNs;
    }
    lineIdle_ = true;
    if (closing_) hangUpWhenRead();
}

// Closing the master flushes what the slave has not yet read, so the logger's last bytes
// would never reach the program: give it a moment to take them first. The kernel hands bytes
// from the master to the slave a little later, so the slave's queue is only looked at after
// a settling time.
void PtyLine::hangUpWhenRead() {
    constexpr qint64 kSettleNs = 20'000'000;
    constexpr qint64 kDrainLimitNs = 2'000'000'000;
    const qint64 now = monotonicNanos();
    if (drainDeadlineNs_ == 0) {
        drainDeadlineNs_ = now + kDrainLimitNs;
        QTimer::singleShot(int(kSettleNs / 1'000'000), this, &PtyLine::hangUpWhenRead);
        return;
    }
    int unread = 0;
    if (::ioctl(slave_, FIONREAD, &unread) == 0 && unread > 0 && now < drainDeadlineNs_) {
        QTimer::singleShot(5, this, &PtyLine::hangUpWhenRead);
        return;
    }
    closeLine();
    emit lineClosed();
}

void PtyLine::armPace(qint64 atNs) {
    itimerspec at{};
    at.it_value.tv_sec = time_t(atNs / 1'000'000'000);
    at.it_value.tv_nsec = long(atNs % 1'000'000'000);
    ::timerfd_settime(paceFd_, TFD_TIMER_ABSTIME, &at, nullptr);
}

void PtyLine::closeLine() {
    delete paceReady_;
    paceReady_ = nullptr;
    if (paceFd_ >= 0) ::close(paceFd_);
    paceFd_ = -1;
    delete readable_;
    readable_ = nullptr;
    delete writable_;
    writable_ = nullptr;
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
    master_ = slave_ = -1;
    if (log_.isOpen()) log_.close();
}

void PtyLine::logByte(const char* direction, char byte, qint64 nanos) {
    if (!log_.isOpen()) return;
    log_.write(QStringLiteral("%1 %2 %3\n")
                   .arg(nanos / 1000)
                   .arg(QLatin1String(direction))
                   .arg(std::uint8_t(byte), 2, 16, QLatin1Char('0'))
                   .toLatin1());
    log_.flush();
}

}  // namespace vernoll::sim
