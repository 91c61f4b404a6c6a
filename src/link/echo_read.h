#pragma once

#include <QByteArray>
#include <QHash>
#include <QTimer>
#include <cstdint>
#include <optional>
#include <vector>

#include "link/logger_exchange.h"

namespace vernoll {

// The echo-read: the shape of the exchanges that read a record from the logger, the
// configuration import (MSComm2, 111 bytes) and the SMS settings read (MSComm8, 20 bytes).
//
// After the common opening the logger sends one byte at a time and waits for the answer:
//   n = 1            answered with the exchange's selection byte
//   n = 2            answered with 0x55
//   n = 3 .. 2 + L   the L record bytes, each echoed back as it came
//   n > 2 + L        a byte the exchange has no place for: "error en contador", channel closed
// The read ends after the echo of the last record byte. A logger that answered and then
// sends nothing for the stall limit has stopped: the read ends with "Error en comunicacion "
// and the window shows again what it showed before the read began, so that no half-read
// record is left on it.
class EchoRead : public LoggerExchange {
    Q_OBJECT
public:
    enum class State {
        Idle,       // no read under way
        Opening,    // wake-up, pause, attention byte, wait for the first answer
        Receiving,  // the logger answered; each byte is taken and echoed
    };

    enum class Failure {
        NoLogger,  // the last exchange went unanswered: nothing was sent
        NoAnswer,  // no answer to the attention byte
        Counter,   // a byte beyond the record
        Stall,     // the logger stopped in the middle of the record
    };
    Q_ENUM(Failure)

    // The message of a read the logger stopped. The trailing blank is the logger program's
    // own, as in all its messages.
    static constexpr char kStalled[] = "Error en comunicacion ";

    State state() const { return state_; }

signals:
    // The whole record arrived and the window shows it.
    void finished();
    void failed(vernoll::EchoRead::Failure why);

protected:
    struct Shape {
        int channel;            // MSComm k
        std::uint8_t selector;  // the first answer: which record the logger is to send
        int length;             // record bytes
        // The controls the read changes before its end: what a stall puts back.
        std::vector<const char*> shown;
    };

    EchoRead(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
             ExchangeOpening& opening, Timing timing, Shape shape, QObject* parent);

    // The click that starts the read. With the answer flag at 0 (the last exchange went
    // unanswered) only the no-connection message; otherwise prepare(), the opening, and
    // opened() once it ended either way. Nothing while an opening runs.
    void begin();

    // The record bytes received so far, at their offsets (zeros where none arrived).
    const QByteArray& record() const { return record_; }

    // Before the opening: the boxes the read fills are emptied.
    virtual void prepare() = 0;
    // The opening ended; when nobody answered, after the no-connection message and the close.
    virtual void opened(bool answered) = 0;
    // A record byte, at its offset in the record, before its echo.
    virtual void take(int offset, std::uint8_t b) = 0;
    // After the echo of the last record byte, the channel closed.
    virtual void end() = 0;
    // The exchange's own variables, kept when the read begins and put back after a stall
    // (the shown controls are put back by the shape).
    virtual void save() {}
    virtual void restore() {}

private:
    void onComm(int code) override;
    void stalled();

    Shape shape_;
    State state_ = State::Idle;
    QByteArray record_;
    QTimer stall_;
    // The shown controls as the window showed them before the read.
    std::optional<QHash<QString, ControlState>> before_;
};

}  // namespace vernoll
