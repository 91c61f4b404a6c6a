#pragma once

#include <QString>
#include <QStringList>

namespace vernoll {

// The ports discovery probes, numbered from 1. On Windows they are COM1 to COM12; elsewhere
// the devices the user named, or the system's serial ports, at most twelve.
class PortList {
public:
    static constexpr int kMaxPorts = 12;

    PortList() = default;
    // Ports by their system locations, numbered in the order given.
    explicit PortList(QStringList locations);

    // COM1..COM12 where the system numbers its ports, else the system's serial ports.
    static PortList system();
    // The devices given, in order, at most twelve.
    static PortList of(const QStringList& devices);

    int count() const { return int(locations_.size()); }
    const QStringList& locations() const { return locations_; }
    // The system location of port n (1-based): "COM3", "/dev/ttyUSB0".
    QString location(int number) const;
    // How the messages name port n: "COM 3" for a port named COM3, else the location.
    QString label(int number) const;

private:
    QStringList locations_;
};

}  // namespace vernoll
