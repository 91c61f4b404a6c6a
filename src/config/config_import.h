#pragma once

#include "link/logger_exchange.h"

namespace vernoll::config {

// "Importar Configuracion": reads the logger's configuration record on MSComm2.
//
// After the opening the logger sends one byte at a time and waits for the answer to each:
//   n = 1      answered with 0x60, which selects the configuration read
//   n = 2      answered with 0x55
//   n = 3..113 the 111 record bytes, each echoed back
// The import fills the window as the bytes arrive and ends after the echo of byte 113.
class ConfigImport : public LoggerExchange {
    Q_OBJECT
public:
    enum class State {
        Idle,       // no import under way (also after a logger stopped mid-record)
        Opening,    // wake-up, pause, attention byte, wait for the first answer
        Receiving,  // the logger answered; the receive handler takes each byte
    };

    enum class Failure { NoLogger, NoAnswer, Counter };
    Q_ENUM(Failure)

    ConfigImport(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
                 ExchangeOpening& opening, Timing timing, QObject* parent = nullptr);

    // The click of "Importar Configuracion".
    void click();
    State state() const { return state_; }

signals:
    // The whole record arrived and the window shows it.
    void finished();
    // No logger known, no answer to the attention byte, or a byte beyond the record.
    void failed(vernoll::config::ConfigImport::Failure why);

private:
    void onComm(int code) override;
    void takeByte(int n, std::uint8_t b);
    void takeInterval(std::uint8_t b);
    void takeClock(int field, std::uint8_t b);
    void composeTime();
    void composeDate();
    void end();

    State state_ = State::Idle;
};

}  // namespace vernoll::config
