#pragma once

#include <QSerialPort>
#include <QTimer>
#include <vector>

#include "link/channel.h"
#include "link/port_list.h"

namespace vernoll {

// The line events a change of the modem-status lines raises, in the order CTS, DSR, CD,
// ring: CTS and CD on any change, DSR when it drops, ring when it starts.
std::vector<int> modemLineEvents(QSerialPort::PinoutSignals before,
                                 QSerialPort::PinoutSignals after);

// Why `location` could not be opened, in the user's words, from what the port reported and
// what the system says of the device: missing, not the user's to use (with the group that
// would grant it, on Linux), or held by another program (named where its lock file does).
struct PortFault {
    Channel::OpenFailure kind;
    QString reason;
};
PortFault explainOpenFailure(const QString& location, QSerialPort::SerialPortError error,
                             const QString& systemText);

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
    QByteArray read(int n) override;
    void clearInput() override;

private:
    void onError(QSerialPort::SerialPortError error);
    // The modem-status lines have no change notification: they are read a few times a
    // second while the port is open, where the port can report them (a pseudo-terminal
    // cannot, and is not watched).
    void watchLines();
    // Tells the trace the bytes that arrived since it was last told.
    void traceArrivals();

    const PortList& ports_;
    QSerialPort port_;
    QString error_;
    QTimer lines_;
    QSerialPort::PinoutSignals pins_;
    qint64 traced_ = 0;  // bytes waiting that the trace was told of
    QString opened_;     // the port as the list names it, for the trace
};

}  // namespace vernoll
