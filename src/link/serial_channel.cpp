#include "link/serial_channel.h"

namespace vernoll {

SerialChannel::SerialChannel(const PortList& ports, QObject* parent)
    : Channel(parent), ports_(ports) {
    connect(&port_, &QSerialPort::readyRead, this, [this] { bytesArrived(); });
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialChannel::onError);
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
    return true;
}

void SerialChannel::close() {
    if (port_.isOpen()) port_.close();
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
        port_.close();
        raise(comm::Hangup);
    }
}

}  // namespace vernoll
