#pragma once

#include <QDateTime>
#include <functional>
#include <optional>

#include "config/clock.h"
#include "config/record.h"
#include "link/echo_read.h"

namespace vernoll::config {

// "Importar Configuracion": reads the logger's configuration record on MSComm2. An echo-read
// (link/echo_read.h):
//   n = 1      answered with 0x60, which selects the configuration read
//   n = 2      answered with 0x55
//   n = 3..113 the 111 record bytes, each echoed back
// The import ends after the echo of byte 113 with configuration(): the record as values, the
// logger's clock composed from its bytes and the PC's clock when they arrived. A clock byte out
// of its range says "hora mal" or "fecha mal" on the line as it arrives.
class ConfigImport : public EchoRead {
    Q_OBJECT
public:
    using PcClock = std::function<QDateTime()>;

    ConfigImport(const ChannelSet& channels, ExchangeOpening& opening, Timing timing,
                 QObject* parent = nullptr);

    // The PC's clock, read when the logger's clock bytes arrive.
    void setPcClock(PcClock clock) { pcClock_ = std::move(clock); }

    // Reads the logger's configuration.
    void start() { begin(); }

    // The record of the last import that completed; nothing before one.
    const std::optional<Configuration>& configuration() const { return configuration_; }

private:
    void prepare() override;
    void take(int offset, std::uint8_t b) override;
    void end() override;

    PcClock pcClock_;
    std::optional<Configuration> configuration_;
    QDateTime pcClockAtClock_;  // when the hour byte arrived
};

}  // namespace vernoll::config
