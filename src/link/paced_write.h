#pragma once

#include <QByteArray>
#include <cstdint>

#include "link/logger_exchange.h"

namespace vernoll {

// The paced write: the shape of the exchanges that hand the logger a frame one byte at a
// time, the configuration send (MSComm5, 107 bytes), the SMS settings write (MSComm7, 20
// bytes) and the serial-number write (MSComm3, 5 bytes).
//
// The logger paces the write and the program does not look at its bytes:
//   n = 1            answered with the exchange's selection byte
//   n = 2 .. 1 + F   answered with frame byte n - 1
//   n > 1 + F        more than the logger ever sends: the exchange's diagnostic, channel closed
// The logger confirms nothing: the write is done once the last frame byte went out. A logger
// that stops part-way leaves the channel open until the next opening closes it.
class PacedWrite : public LoggerExchange {
    Q_OBJECT
public:
    enum class State {
        Idle,     // no write under way (also after a logger stopped part-way)
        Opening,  // wake-up, pause, attention byte, wait for the first answer
        Sending,  // the logger answered; each of its bytes takes the next frame byte
    };

    State state() const { return state_; }
    // The frame of the last write.
    const QByteArray& frame() const { return frame_; }

    // Its signals are every exchange's (link/logger_exchange.h): answered, progress (n of m
    // frame bytes gone out), finished (the last one went out) or failed (Fault::NoAnswer,
    // Counter).

protected:
    struct Shape {
        int channel;             // MSComm k
        std::uint8_t selector;   // the first answer: what the logger is to take
        Millis wait;             // how long the first answer may take
        const char* diagnostic;  // said on the line for a byte beyond the frame
    };

    PacedWrite(const ChannelSet& channels, ExchangeOpening& opening, Timing timing, Shape shape,
               QObject* parent);

    // Opens the exchange that hands the logger `frame`.
    void begin(QByteArray frame);

private:
    void onComm(int code) override;

    Shape shape_;
    State state_ = State::Idle;
    QByteArray frame_;
};

}  // namespace vernoll
