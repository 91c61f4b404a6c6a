#pragma once

#include <QByteArray>
#include <QTimer>
#include <cstdint>

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
// The read ends after the echo of the last record byte with the record; a logger that
// answered and then sends nothing for the stall limit has stopped: the read fails with
// "Error en comunicacion " and nothing of the half-read record.
class EchoRead : public LoggerExchange {
    Q_OBJECT
public:
    enum class State {
        Idle,       // no read under way
        Opening,    // wake-up, pause, attention byte, wait for the first answer
        Receiving,  // the logger answered; each byte is taken and echoed
    };

    // The message of a read the logger stopped. The trailing blank is the logger program's
    // own, as in all its messages.
    static constexpr char kStalled[] = "Error en comunicacion ";

    State state() const { return state_; }

signals:
    // The last exchange was answered and the opening begins (a read that fails with
    // Fault::NoLogger never began).
    void began();
    // And those of every exchange (link/logger_exchange.h): answered, progress (n of m record
    // bytes), finished (the derived exchange's result holds the record) or failed (Fault::
    // NoLogger, NoAnswer, Counter, Stall).

protected:
    struct Shape {
        int channel;            // MSComm k
        std::uint8_t selector;  // the first answer: which record the logger is to send
        int length;             // record bytes
    };

    EchoRead(const ChannelSet& channels, ExchangeOpening& opening, Timing timing, Shape shape,
             QObject* parent);

    // Starts the read. With the answer flag at 0 (the last exchange went unanswered) it fails
    // at once with Fault::NoLogger; otherwise began(), prepare() and the opening. Nothing
    // while an opening runs.
    void begin();

    // The record bytes received so far, at their offsets (zeros where none arrived).
    const QByteArray& record() const { return record_; }

    // Before the opening.
    virtual void prepare() {}
    // A record byte, at its offset in the record, before its echo.
    virtual void take(int offset, std::uint8_t b) { (void)offset, (void)b; }
    // After the echo of the last record byte, the channel closed: the result is made.
    virtual void end() = 0;

private:
    void onComm(int code) override;
    void stalled();

    Shape shape_;
    State state_ = State::Idle;
    QByteArray record_;
    QTimer stall_;
};

}  // namespace vernoll
