#pragma once

#include <QDateTime>
#include <QElapsedTimer>
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
// The import fills the window as the bytes arrive and ends after the echo of byte 113. Then
// the station boxes show their texts without the blanks that pad them (the send pads them
// again), the window shows the logger clock's offset from the PC's, and configuration() holds
// the record as values. A logger that stops mid-record leaves the window as it was before the
// import, and the configuration cannot be sent until an import completes.
class ConfigImport : public EchoRead {
    Q_OBJECT
public:
    using PcClock = std::function<QDateTime()>;

    ConfigImport(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
                 ExchangeOpening& opening, Timing timing, QObject* parent = nullptr);

    // The PC's clock, read when the logger's clock bytes arrive.
    void setPcClock(PcClock clock) { pcClock_ = std::move(clock); }

    // Reads the logger's configuration ("Importar Configuracion").
    void start();

    // The record of the last import that completed; nothing before one.
    const std::optional<Configuration>& configuration() const { return configuration_; }

private:
    void prepare() override;
    void opened(bool answered) override;
    void take(int offset, std::uint8_t b) override;
    void end() override;
    void save() override;
    void restore() override;

    void takeSerial(int offset, std::uint8_t b);
    void takeInterval(std::uint8_t b);
    void takeClock(int field, std::uint8_t b);

    PcClock pcClock_;
    std::optional<Configuration> configuration_;
    // What this import composed of the logger's clock, and when the PC read its own.
    std::optional<QTime> time_;
    std::optional<QDate> date_;
    QDateTime pcClockAtClock_;

    // The form-level variables as they were before the import, for a logger that stops.
    struct Saved {
        std::uint8_t CONF_MUE = 0;
        std::array<std::uint8_t, 8> ser{};
        float Nserie = 0.0F;
        QString intervalMinutes;
        ClockFields clockFields;
        QTime loggerClock;
        QString time;           // the time box's text
        QElapsedTimer elapsed;  // since then: how far Timer1 would have moved the clock
    } saved_;
};

}  // namespace vernoll::config
