#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace vernoll::sms {

// The logger's SMS settings, 20 bytes in the order the logger sends them: the cell number
// (15 characters, blank-padded on the right), the send-interval code, and four bytes the
// program keeps hidden and hands back unchanged.
inline constexpr int kCellWidth = 15;
inline constexpr int kCodeOffset = 15;
inline constexpr int kHiddenOffset = 16;
inline constexpr int kHiddenWidth = 4;
inline constexpr int kRecordSize = 20;

// The send intervals of the option buttons Option10 .. Option14, in their order: the code
// and the label beside the button, by which the SMS settings name them. 0x12 is 12 written as
// two BCD digits.
struct SendInterval {
    std::uint8_t code;
    const char* label;
};
inline constexpr std::array<SendInterval, 5> kSendIntervals = {{
    {0x00, "No enviar"},
    {0x01, "Sinc. con muestreo"},
    {0x02, "Cada 2 horas"},
    {0x06, "Cada 6 horas"},
    {0x12, "Cada 12 horas"},
}};
// The index (0..4) of a known send-interval code.
std::optional<int> sendCodeIndex(std::uint8_t code);

// What a complete SMS settings read received, as values.
struct Settings {
    QString cell;       // the cell number as received, padding kept
    std::uint8_t code;  // the send-interval code, known to a button or not
    QByteArray hidden;  // the four bytes the write hands back
};

// The text padded with blanks on the right to at least `width` characters.
QString padded(const QString& text, int width);

// What the write sends: the cell number padded to 15 characters, the code's character and
// the hidden field padded to at least five; of that text the first 20 characters go out, one
// byte each in code page 1252. A cell text longer than the box holds would push the code out
// of its place, so only its first 15 characters are taken.
QByteArray writeFrame(const QString& cell, std::uint8_t code, const QString& hidden);

}  // namespace vernoll::sms
