#include "link/port_list.h"

#include <QSerialPortInfo>

namespace vernoll {

PortList::PortList(QStringList locations, bool comNumbered)
    : locations_(std::move(locations)), comNumbered_(comNumbered) {
    if (locations_.size() > kMaxPorts) locations_.resize(kMaxPorts);
}

PortList PortList::system() {
#ifdef Q_OS_WIN
    QStringList com;
    for (int n = 1; n <= kMaxPorts; ++n) com << QStringLiteral("COM%1").arg(n);
    return PortList(com, true);
#else
    QStringList found;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        found << info.systemLocation();
    return PortList(found);
#endif
}

PortList PortList::of(const QStringList& devices) {
    return PortList(devices);
}

QString PortList::location(int number) const {
    if (number < 1 || number > count()) return {};
    return locations_.at(number - 1);
}

QString PortList::label(int number) const {
    if (comNumbered_) return QStringLiteral("COM %1").arg(number);
    return location(number);
}

}  // namespace vernoll
