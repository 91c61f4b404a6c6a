#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <array>
#include <cstdint>
#include <functional>

#include "link/logger_exchange.h"

namespace vernoll::config {

// The configuration frame: the configuration record without its serial number. The five
// station texts padded with blanks to 30, 35, 15, 15 and 5 characters, the sampling interval
// code, then hour, minute, second, day, month and year of the century, one packed BCD byte
// each: 107 bytes, no length, terminator or checksum. A text longer than its box holds is
// cut to the box's width, so the interval and the clock keep their places.
QByteArray sendFrame(const std::array<QString, 5>& texts, std::uint8_t interval, const QTime& time,
                     const QDate& date);

// "Cambiar configuracion" and "Enviar configuracion": the edit of the configuration on the
// window and its send on MSComm5.
//
// The logger paces the send: after the attention byte it sends a byte and waits for the
// answer to it.
//   n = 1       answered with 0x96, which selects the configuration write
//   n = 2..108  answered with frame byte n - 1; after the 107th the logger holds the new
//               configuration (and has erased its memory)
// The logger confirms nothing: the send is done once the last frame byte went out.
class ConfigSend : public LoggerExchange {
    Q_OBJECT
public:
    enum class State {
        Idle,     // viewing or editing; no send under way (also after a logger stopped)
        Opening,  // wake-up, pause, attention byte, the 1-second wait for the first answer
        Sending,  // the logger answered; each of its bytes takes the next frame byte
    };

    enum class Failure { NoAnswer, BadDate, Counter };
    Q_ENUM(Failure)

    using PcClock = std::function<QDateTime()>;

    ConfigSend(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
               ExchangeOpening& opening, Timing timing, QObject* parent = nullptr);

    // The PC's clock, read by Check1, the time check and the send.
    void setPcClock(PcClock clock) { pcClock_ = std::move(clock); }

    // "Cambiar configuracion": the fields open for editing.
    void edit();
    // A click of Option1 .. Option6 (index 0..5): that button's interval code.
    void chooseInterval(int index);
    // A click of Check1, checking or unchecking it: date and time from the PC clock.
    void takePcClock();
    // The user typed into the time box: a text that is not a time is refused.
    void timeEdited();
    // "Enviar configuracion".
    void send();

    State state() const { return state_; }
    // The frame of the last send.
    const QByteArray& frame() const { return frame_; }

signals:
    // The last frame byte went out.
    void finished();
    // The user cancelled the confirmation; nothing was sent.
    void cancelled();
    // No answer to the attention byte, a date box that holds no date, or a byte beyond the
    // exchange.
    void failed(vernoll::config::ConfigSend::Failure why);

private:
    void onComm(int code) override;
    void clearCheck1();
    void endButtons();
    void lockFields();

    PcClock pcClock_;
    State state_ = State::Idle;
    QDate loggerDate_;  // the logger clock date, from Check1 or the date box
    QByteArray frame_;
};

}  // namespace vernoll::config
