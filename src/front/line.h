#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "front/usage.h"
#include "link/channel_set.h"
#include "link/port_list.h"
#include "link/wire_trace.h"

namespace vernoll::sim {
class LoggerEmulator;
class EmulatorPort;
}  // namespace vernoll::sim

namespace vernoll::front {

// What the user chose to talk over: serial ports (--port, in order; none: the system's), or
// the built-in emulator with a serial number (--simulate).
struct LineChoice {
    QStringList ports;
    std::optional<QString> simulate;
    std::optional<QString> trace;  // --trace FILE: every byte on the line written there
};

// --port and --simulate, as both front ends take them.
const QList<Option>& lineOptions();

// Why the choice cannot be used ("at most 12 ports", ...), or nothing.
std::optional<QString> lineProblem(const LineChoice& choice);

// The port list and the eight channels the operations run on: over the serial ports, or to
// an in-process emulator (which then takes the place of every port). The channels hold a
// reference into this object, so it stays where it was made.
class Line {
public:
    // `choice` must be one lineProblem() accepts.
    explicit Line(const LineChoice& choice);
    ~Line();
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    const PortList& ports() const { return ports_; }
    // Leaves only these of the serial ports to probe (the others are held elsewhere). The
    // list stays the same object: the channels and the operations keep referring to it.
    void narrowPorts(const QStringList& locations) { ports_ = PortList(locations); }
    ChannelSet& channels() const { return *channels_; }
    // The built-in emulator, when it was chosen.
    sim::LoggerEmulator* emulator() const { return emulator_.get(); }
    // Why the trace file that was asked for cannot be written ("FILE: reason"), or nothing.
    const std::optional<QString>& traceProblem() const { return traceProblem_; }

private:
    PortList ports_;
    std::unique_ptr<sim::LoggerEmulator> emulator_;
    std::unique_ptr<sim::EmulatorPort> emulatorPort_;
    std::unique_ptr<ChannelSet> channels_;
    std::unique_ptr<WireTrace> trace_;
    std::optional<QString> traceProblem_;
};

}  // namespace vernoll::front
