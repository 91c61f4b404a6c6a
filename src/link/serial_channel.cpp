#include "link/serial_channel.h"

#include <QCoreApplication>
#include <QFile>
#include <utility>

#include "link/port_lock.h"
#include "link/texts.h"

#ifdef Q_OS_UNIX
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace vernoll {

namespace {

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

#ifdef Q_OS_UNIX
// "permiso denegado", with how to be granted the device where a group other than root's owns
// it (on Linux serial ports belong to "dialout", or "uucp" elsewhere).
QString deniedText(const struct stat& device) {
    QString reason = text(texts::kPortDenied);
#ifdef Q_OS_LINUX
    const struct group* owner = device.st_gid != 0 ? ::getgrgid(device.st_gid) : nullptr;
    if (owner != nullptr && owner->gr_name != nullptr)
        reason += text(texts::kJoinGroup) + QString::fromLocal8Bit(owner->gr_name) +
                  text(texts::kLogInAgain);
#else
    Q_UNUSED(device);
#endif
    return reason;
}
#endif

}  // namespace

PortFault explainOpenFailure(const QString& location, QSerialPort::SerialPortError error,
                             const QString& systemText) {
    using F = Channel::OpenFailure;
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(location);
    struct stat device {};
    if (::stat(path.constData(), &device) != 0 && (errno == ENOENT || errno == ENOTDIR))
        return {F::Missing, text(texts::kPortMissing)};
    if (::access(path.constData(), R_OK | W_OK) != 0 && errno == EACCES)
        return {F::Denied, deniedText(device)};
    if (const auto holder = lockFileHolder(location)) {
        // Another of our own channels: the one port the eight share is taken, not refused.
        if (holder->pid == QCoreApplication::applicationPid()) return {F::None, systemText};
        return {F::Held, text(texts::kPortHeld) + QStringLiteral(": ") + holderText(*holder)};
    }
    // Busy: another program opened it for itself alone.
    if (error == QSerialPort::PermissionError) return {F::Held, text(texts::kPortHeld)};
#else
    if (error == QSerialPort::DeviceNotFoundError) return {F::Missing, text(texts::kPortMissing)};
    // A port the system refuses to share is another program's.
    if (error == QSerialPort::PermissionError) return {F::Held, text(texts::kPortHeld)};
#endif
    return {F::Other, systemText};
}

std::vector<int> modemLineEvents(QSerialPort::PinoutSignals before,
                                 QSerialPort::PinoutSignals after) {
    const auto changed = before ^ after;
    std::vector<int> codes;
    if (changed & QSerialPort::ClearToSendSignal) codes.push_back(comm::Cts);
    if (changed & before & QSerialPort::DataSetReadySignal) codes.push_back(comm::Dsr);
    if (changed & QSerialPort::DataCarrierDetectSignal) codes.push_back(comm::Cd);
    if (changed & after & QSerialPort::RingIndicatorSignal) codes.push_back(comm::Ring);
    return codes;
}

SerialChannel::SerialChannel(const PortList& ports, QObject* parent)
    : Channel(parent), ports_(ports) {
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        traceArrivals();
        bytesArrived();
    });
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialChannel::onError);
    lines_.setInterval(100);
    connect(&lines_, &QTimer::timeout, this, &SerialChannel::watchLines);
}

bool SerialChannel::open() {
    error_.clear();
    if (port_.isOpen()) {
        error_ = QStringLiteral("already open");
        openOutcome(OpenFailure::None);
        return false;
    }
    const QString location = ports_.location(commPort());
    if (location.isEmpty()) {
        // No port was chosen: nothing the port itself refused.
        error_ = QStringLiteral("no port %1").arg(commPort());
        openOutcome(OpenFailure::None);
        return false;
    }
    port_.setPortName(location);
    if (!port_.open(QIODevice::ReadWrite)) {
        const PortFault fault = explainOpenFailure(location, port_.error(), port_.errorString());
        error_ = fault.reason;
        traceNote(QStringLiteral("%1 not opened: %2").arg(location, error_));
        openOutcome(fault.kind);
        return false;
    }
    opened_ = location;
    traceNote(QStringLiteral("%1 opened for %2").arg(location, objectName()));
    openOutcome(OpenFailure::None);
    port_.setBaudRate(QSerialPort::Baud19200);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    // Pseudo-terminals refuse the modem lines; a logger does not need them.
    port_.setDataTerminalReady(false);
    port_.setRequestToSend(false);
    port_.clearError();
    // Bytes the logger sent while no channel held the port belong to an earlier exchange.
    clearInput();
    resetEvents();
    pins_ = port_.pinoutSignals();
    if (port_.error() == QSerialPort::NoError) {
        lines_.start();
    } else {
        port_.clearError();
        error_.clear();
    }
    return true;
}

void SerialChannel::close() {
    lines_.stop();
    if (!port_.isOpen()) return;
    traceArrivals();
    port_.close();
    traced_ = 0;
    traceNote(QStringLiteral("%1 closed").arg(opened_));
}

void SerialChannel::traceArrivals() {
    const qint64 waiting = port_.bytesAvailable();
    if (waiting > traced_) traceReceived(port_.peek(waiting).mid(traced_));
    traced_ = waiting;
}

QByteArray SerialChannel::read(int n) {
    // Bytes may arrive while a handler runs a nested event loop, which raises no readyRead.
    traceArrivals();
    const QByteArray got = port_.read(n);
    traced_ = std::max<qint64>(0, traced_ - got.size());
    return got;
}

void SerialChannel::watchLines() {
    if (!port_.isOpen()) {
        lines_.stop();
        return;
    }
    const QSerialPort::PinoutSignals now = port_.pinoutSignals();
    if (port_.error() != QSerialPort::NoError) {
        port_.clearError();
        lines_.stop();
        return;
    }
    const QSerialPort::PinoutSignals before = std::exchange(pins_, now);
    for (int code : modemLineEvents(before, now)) {
        if (!port_.isOpen()) break;
        raise(code);
    }
}

bool SerialChannel::write(const QByteArray& bytes) {
    if (!port_.isOpen()) return false;
    if (port_.write(bytes) != bytes.size()) return false;
    traceSent(bytes);
    // Hand the bytes to the driver now rather than on the next turn of the event loop.
    port_.flush();
    return true;
}

void SerialChannel::clearInput() {
    if (!port_.isOpen()) return;
    traceArrivals();
    port_.clear(QSerialPort::Input);
    port_.readAll();
    traced_ = 0;
}

void SerialChannel::onError(QSerialPort::SerialPortError error) {
    if (error == QSerialPort::NoError) return;
    error_ = port_.errorString();
    const bool gone = error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
    if (gone && port_.isOpen()) {
        // The device went away (a logger unplugged, an emulator that hung up); a pty whose
        // master closed reports read errors rather than a lost resource.
        lines_.stop();
        port_.close();
        traced_ = 0;
        traceNote(QStringLiteral("%1 lost: %2").arg(opened_, error_));
        raise(comm::Hangup);
    }
}

}  // namespace vernoll
