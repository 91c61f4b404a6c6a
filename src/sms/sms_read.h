#pragma once

#include "link/logger_exchange.h"

namespace vernoll::sms {

// "Leer Config. SMS": reads the logger's SMS settings on MSComm8.
//
// After the opening the logger sends one byte at a time and waits for the answer to each:
//   n = 1      answered with 0x2D, which selects the SMS settings read
//   n = 2      answered with 0x55
//   n = 3..22  the 20 bytes of the SMS record, each echoed back: the cell number into Text1,
//              the send-interval code, the four hidden bytes into Text6
// The read ends after the echo of byte 22.
class SmsRead : public LoggerExchange {
    Q_OBJECT
public:
    enum class State {
        Idle,       // no read under way (also after a logger stopped mid-record)
        Opening,    // wake-up, pause, attention byte, wait for the first answer
        Receiving,  // the logger answered; the receive handler takes each byte
    };

    enum class Failure { NoLogger, NoAnswer, Counter };
    Q_ENUM(Failure)

    SmsRead(FormState& form, Dialogs& dialogs, const ChannelSet& channels, ExchangeOpening& opening,
            Timing timing, QObject* parent = nullptr);

    // The click of "Leer Config. SMS".
    void click();
    State state() const { return state_; }

signals:
    // The whole record arrived and the window shows it.
    void finished();
    // No logger known, no answer to the attention byte, or a byte beyond the record.
    void failed(vernoll::sms::SmsRead::Failure why);

private:
    void onComm(int code) override;
    void takeByte(int n, std::uint8_t b);

    State state_ = State::Idle;
};

}  // namespace vernoll::sms
