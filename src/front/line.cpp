#include "front/line.h"

#include "link/serial_channel.h"
#include "sim/emulator_port.h"
#include "sim/logger_emulator.h"

namespace vernoll::front {

const QList<Option>& lineOptions() {
    static const QByteArray portHelp =
        QStringLiteral("A candidate port; repeat for several (at most %1).")
            .arg(PortList::kMaxPorts)
            .toUtf8();
    static const QList<Option> options = {
        {"port", "DEVICE", portHelp.constData(), Complete::Ports},
        {"simulate", "SERIAL",
         "Use the built-in logger emulator with this serial number (up to 8 digits) instead of "
         "a port."},
        {"trace", "FILE",
         "Write every byte sent and received on the line to FILE, one a line, as vernoll-sim "
         "--log does (lines starting with # say which port opened and closed).",
         Complete::Files},
    };
    return options;
}

std::optional<QString> lineProblem(const LineChoice& choice) {
    if (choice.ports.size() > PortList::kMaxPorts)
        return QStringLiteral("at most %1 ports").arg(PortList::kMaxPorts);
    if (choice.simulate && !sim::LoggerEmulator::normalSerial(*choice.simulate))
        return QStringLiteral("--simulate takes a serial number of 1 to 8 digits");
    return std::nullopt;
}

Line::Line(const LineChoice& choice) {
    if (choice.simulate) {
        sim::EmulatorOptions emulated;
        emulated.serial = sim::LoggerEmulator::normalSerial(*choice.simulate).value_or(QString());
        emulator_ = std::make_unique<sim::LoggerEmulator>(emulated);
        emulatorPort_ = std::make_unique<sim::EmulatorPort>(*emulator_);
        ports_ = PortList({sim::EmulatorPort::location()});
        channels_ = std::make_unique<ChannelSet>(emulatorPort_->channelFactory());
    } else {
        ports_ = choice.ports.isEmpty() ? PortList::system() : PortList::of(choice.ports);
        channels_ = std::make_unique<ChannelSet>(
            [this] { return std::make_unique<SerialChannel>(ports_); });
    }
    if (choice.trace) {
        trace_ = std::make_unique<WireTrace>();
        QString why;
        if (trace_->open(*choice.trace, &why)) {
            channels_->setTrace(trace_.get());
        } else {
            traceProblem_ = *choice.trace + QStringLiteral(": ") + why;
        }
    }
}

// The channels go before the emulator port they lead to, and before the trace they write to.
Line::~Line() {
    channels_.reset();
}

}  // namespace vernoll::front
