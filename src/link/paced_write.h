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

    enum class Failure {
        NoAnswer,  // no answer to the attention byte
        Counter,   // a byte beyond the frame
        Refused,   // the window holds what cannot be sent: nothing went on the line
    };
    Q_ENUM(Failure)

    State state() const { return state_; }
    // The frame of the last write.
    const QByteArray& frame() const { return frame_; }

signals:
    // The last frame byte went out.
    void finished();
    void failed(vernoll::PacedWrite::Failure why);

protected:
    struct Shape {
        int channel;             // MSComm k
        std::uint8_t selector;   // the first answer: what the logger is to take
        Millis wait;             // how long the first answer may take
        const char* diagnostic;  // printed on the window for a byte beyond the frame
    };

    PacedWrite(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
               ExchangeOpening& opening, Timing timing, Shape shape, QObject* parent);

    // Opens the exchange that hands the logger `frame`; opened() once the opening ended.
    void begin(QByteArray frame);

    // The opening ended; when nobody answered, after the no-connection message and the close.
    virtual void opened(bool answered) { (void)answered; }
    // After the answer to logger byte n, 2 <= n <= 1 + F (after end() for the last).
    virtual void paced(int n) { (void)n; }
    // The last frame byte went out and the channel is closed.
    virtual void end() = 0;
    // A byte beyond the frame, before its diagnostic.
    virtual void beyond() {}

private:
    void onComm(int code) override;

    Shape shape_;
    State state_ = State::Idle;
    QByteArray frame_;
};

}  // namespace vernoll
