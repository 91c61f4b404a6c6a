#pragma once

#include <QSerialPort>

#include "link/channel.h"
#include "link/port_list.h"

namespace vernoll {

// A channel on a real serial port (or a pseudo-terminal) through QSerialPort.
class SerialChannel : public Channel {
    Q_OBJECT
public:
    explicit SerialChannel(const PortList& ports, QObject* parent = nullptr);

    bool open() override;
    void close() override;
    bool isOpen() const override { return port_.isOpen(); }
    QString errorString() const override { return error_; }
    bool write(const QByteArray& bytes) override;
    int bytesWaiting() const override { return int(port_.bytesAvailable()); }
    QByteArray read(int n) override { return port_.read(n); }
    void clearInput() override;

private:
    void onError(QSerialPort::SerialPortError error);

    const PortList& ports_;
    QSerialPort port_;
    QString error_;
};

}  // namespace vernoll
