#include "link/serial_channel.h"

#include <utility>

namespace vernoll {

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
    connect(&port_, &QSerialPort::readyRead, this, [this] { bytesArrived(); });
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialChannel::onError);
    lines_.setInterval(100);
    connect(&lines_, &QTimer::timeout, this, &SerialChannel::watchLines);
}

bool SerialChannel::open() {
    error_.clear();
    if (port_.isOpen()) {
        error_ = QStringLiteral("already open");
        return false;
    }
    const QString location = ports_.location(commPort());
    if (location.isEmpty()) {
        error_ = QStringLiteral("no port %1").arg(commPort());
        return false;
    }
    port_.setPortName(location);
    if (!port_.open(QIODevice::ReadWrite)) {
        error_ = port_.errorString();
        return false;
    }
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
    if (port_.isOpen()) port_.close();
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
    // Hand the bytes to the driver now rather than on the next turn of the event loop.
    port_.flush();
    return true;
}

void SerialChannel::clearInput() {
    if (!port_.isOpen()) return;
    port_.clear(QSerialPort::Input);
    port_.readAll();
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
        raise(comm::Hangup);
    }
}

}  // namespace vernoll
