#pragma once

#include <optional>

#include "link/echo_read.h"
#include "sms/sms_record.h"

namespace vernoll::sms {

// "Leer Config. SMS": reads the logger's SMS settings on MSComm8. An echo-read
// (link/echo_read.h):
//   n = 1      answered with 0x2D, which selects the SMS settings read
//   n = 2      answered with 0x55
//   n = 3..22  the 20 bytes of the SMS record, each echoed back: the cell number into Text1,
//              the send-interval code, the four hidden bytes into Text6
// The read ends after the echo of byte 22. A logger that stops mid-record leaves the SMS
// boxes, the send interval and "Enviar Config.SMS" as they were before the read.
class SmsRead : public EchoRead {
    Q_OBJECT
public:
    SmsRead(FormState& form, Dialogs& dialogs, const ChannelSet& channels, ExchangeOpening& opening,
            Timing timing, QObject* parent = nullptr);

    // Reads the logger's SMS settings ("Leer Config. SMS").
    void start() { begin(); }

    // The settings of the last read that completed; nothing before one.
    const std::optional<Settings>& settings() const { return settings_; }

private:
    void prepare() override;
    void opened(bool answered) override;
    void take(int offset, std::uint8_t b) override;
    void end() override;
    void save() override;
    void restore() override;

    std::optional<Settings> settings_;
    std::uint8_t savedCode_ = 0;
};

}  // namespace vernoll::sms
