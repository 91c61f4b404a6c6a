#pragma once

#include <QByteArray>

#include "link/logger_exchange.h"

namespace vernoll::sms {

// "Enviar Config.SMS": writes the SMS settings shown in the window back on MSComm7.
//
// The logger paces the write: it sends a byte and waits for the answer to it.
//   n = 1      answered with 0x2E, which selects the SMS settings write
//   n = 2..21  answered with frame byte n - 1: 15 bytes of cell number, the send-interval
//              code, the four hidden bytes the read found
// The logger confirms nothing; the write is done once the 20th frame byte went out.
class SmsWrite : public LoggerExchange {
    Q_OBJECT
public:
    enum class State {
        Idle,     // no write under way (also after a logger stopped part-way)
        Opening,  // wake-up, pause, attention byte, wait for the first answer
        Sending,  // the logger answered; each of its bytes takes the next frame byte
    };

    enum class Failure { NoAnswer, Counter };
    Q_ENUM(Failure)

    SmsWrite(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
             ExchangeOpening& opening, Timing timing, QObject* parent = nullptr);

    // A click of Option10 .. Option14 (index 0..4): that button's send-interval code.
    void chooseInterval(int index);
    // The click of "Enviar Config.SMS".
    void click();
    State state() const { return state_; }
    // The 20 bytes of the last write.
    const QByteArray& frame() const { return frame_; }

signals:
    // The last frame byte went out.
    void finished();
    // The user cancelled the confirmation; nothing was changed or sent.
    void cancelled();
    // No answer to the attention byte, or a byte beyond the frame.
    void failed(vernoll::sms::SmsWrite::Failure why);

private:
    void onComm(int code) override;

    State state_ = State::Idle;
    QByteArray frame_;
};

}  // namespace vernoll::sms
