#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <array>
#include <cstdint>

#include "link/paced_write.h"

namespace vernoll::config {

// The configuration frame: the configuration record without its serial number. The five
// station texts padded with blanks to 30, 35, 15, 15 and 5 characters, the sampling interval
// code, then hour, minute, second, day, month and year of the century, one packed BCD byte
// each: 107 bytes, no length, terminator or checksum. A text longer than its box holds is
// cut to the box's width, so the interval and the clock keep their places.
QByteArray sendFrame(const std::array<QString, 5>& texts, std::uint8_t interval, const QTime& time,
                     const QDate& date);

// "Enviar configuracion": the configuration send on MSComm5. A paced write
// (link/paced_write.h):
//   n = 1       answered with 0x96, which selects the configuration write
//   n = 2..108  answered with frame byte n - 1; after the 107th the logger holds the new
//               configuration (and has erased its memory)
// The logger confirms nothing: the send is done once the last frame byte went out.
class ConfigSend : public PacedWrite {
    Q_OBJECT
public:
    // What the front ends say around a send. Lower case, the blanks and the line ends are the
    // logger program's own.
    static constexpr char kQuestion[] =
        "esta seguro de cambiarla? \r\n\r\n\r\nSE BORRARAN TODOS LOS DATOS DE MEMORIA!  ";
    static constexpr char kDone[] = " Se Modific\u00f3 configuraci\u00f3n ";  // UTF-8
    // A date box that holds no date: nothing is sent.
    static constexpr char kBadDate[] = "Fecha incorrecta (ej. 31/12/2026)";

    ConfigSend(const ChannelSet& channels, ExchangeOpening& opening, Timing timing,
               QObject* parent = nullptr);

    // Sends the station texts (cut or padded to their widths), the interval code and the
    // logger's new clock. Nothing while an opening runs.
    void start(const std::array<QString, 5>& texts, std::uint8_t interval, const QTime& time,
               const QDate& date);

    // What the last send was given.
    struct Sent {
        std::array<QString, 5> texts;
        std::uint8_t interval = 0;
        QDateTime clock;  // the logger's new clock, no time zone (held in UTC)
    };
    const Sent& sent() const { return sent_; }

private:
    Sent sent_;
};

}  // namespace vernoll::config
