#include "link/port_list.h"

#include <QRegularExpression>
#include <QSerialPortInfo>

namespace vernoll {

PortList::PortList(QStringList locations) : locations_(std::move(locations)) {
    if (locations_.size() > kMaxPorts) locations_.resize(kMaxPorts);
}

PortList PortList::system() {
#ifdef Q_OS_WIN
    QStringList com;
    for (int n = 1; n <= kMaxPorts; ++n) com << QStringLiteral("COM%1").arg(n);
    return PortList(com);
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
    // Windows names its ports COM1, COM2...: the messages say "COM 3", also for a port given
    // with --port.
    static const QRegularExpression com(QStringLiteral("^COM([0-9]+)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QString where = location(number);
    if (const auto m = com.match(where); m.hasMatch())
        return QStringLiteral("COM %1").arg(m.captured(1).toInt());
    return where;
}

}  // namespace vernoll
