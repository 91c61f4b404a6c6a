#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QString>
#include <QTime>
#include <array>
#include <cstdint>
#include <functional>

#include "link/paced_write.h"

namespace vernoll::config {

// The configuration frame: the configuration record without its serial number. The five
// station texts padded with blanks to 30, 35, 15, 15 and 5 characters, the sampling interval
// code, then hour, minute, second, day, month and year of the century, one packed BCD byte
// each: 107 bytes, no length, terminator or checksum. A text longer than its box holds is
// cut to the box's width, so the interval and the clock keep their places.
QByteArray sendFrame(const std::array<QString, 5>& texts, std::uint8_t interval, const QTime& time,
                     const QDate& date);

// "Cambiar configuracion" and "Enviar configuracion": the edit of the configuration on the
// window and its send on MSComm5. The send is a paced write (link/paced_write.h):
//   n = 1       answered with 0x96, which selects the configuration write
//   n = 2..108  answered with frame byte n - 1; after the 107th the logger holds the new
//               configuration (and has erased its memory)
// The logger confirms nothing: the send is done once the last frame byte went out. Cancel at
// the question puts back what the window showed when the edit began.
class ConfigSend : public PacedWrite {
    Q_OBJECT
public:
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
    // "Enviar configuracion". A date box that holds no date fails as Refused.
    void send();

signals:
    // The user cancelled the confirmation; nothing was sent.
    void cancelled();

private:
    void opened(bool answered) override;
    void paced(int n) override;
    void end() override;
    void beyond() override;

    void clearCheck1();
    void endButtons();
    void lockFields();
    void putBackTheView();

    PcClock pcClock_;
    QDate loggerDate_;  // the logger clock date, from Check1 or the date box

    // What the window showed when the edit began: the last import's texts and interval, and
    // its clock, which ran on until the edit stopped it.
    struct View {
        bool taken = false;
        std::array<QString, 5> texts;
        std::uint8_t interval = 0;
        std::array<bool, 6> checked{};
        QString date, time;
        QTime clock;
        bool running = false;  // Timer1 moved the clock on
        QElapsedTimer since;
    } view_;
};

}  // namespace vernoll::config
