#pragma once

#include <optional>

#include "link/echo_read.h"
#include "sms/sms_record.h"

namespace vernoll::sms {

// "Leer Config. SMS": reads the logger's SMS settings on MSComm8. An echo-read
// (link/echo_read.h):
//   n = 1      answered with 0x2D, which selects the SMS settings read
//   n = 2      answered with 0x55
//   n = 3..22  the 20 bytes of the SMS record, each echoed back: the cell number, the
//              send-interval code, the four hidden bytes
// The read ends after the echo of byte 22 with settings().
class SmsRead : public EchoRead {
    Q_OBJECT
public:
    SmsRead(const ChannelSet& channels, ExchangeOpening& opening, Timing timing,
            QObject* parent = nullptr);

    // Reads the logger's SMS settings.
    void start() { begin(); }

    // The settings of the last read that completed; nothing before one.
    const std::optional<Settings>& settings() const { return settings_; }

private:
    void end() override;

    std::optional<Settings> settings_;
};

}  // namespace vernoll::sms
