#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <array>
#include <cstdint>
#include <optional>

#include "config/serial.h"

namespace vernoll::config {

// The logger's 111-byte configuration record, in the order the logger sends it.
namespace record {
inline constexpr int kSize = 111;
inline constexpr int kSerial = 0;      // 4 bytes packed BCD, 8 digits, most significant first
inline constexpr int kUser = 4;        // 30 text
inline constexpr int kLocation = 34;   // 35 text
inline constexpr int kLatitude = 69;   // 15 text
inline constexpr int kLongitude = 84;  // 15 text
inline constexpr int kAltitude = 99;   // 5 text
inline constexpr int kInterval = 104;  // sampling interval code, BCD minutes
inline constexpr int kClock = 105;     // hour, minute, second, day, month, year (BCD each)
}  // namespace record

// Widths of the five station-data texts: user, location, latitude, longitude, altitude.
inline constexpr std::array<int, 5> kTextWidths = {30, 35, 15, 15, 5};

// The six sampling intervals: code (minutes as two BCD digits) and minutes text.
struct Interval {
    std::uint8_t code;
    const char* minutes;
};
inline constexpr std::array<Interval, 6> kIntervals = {
    {{0x01, "1"}, {0x05, "5"}, {0x10, "10"}, {0x15, "15"}, {0x30, "30"}, {0x60, "60"}}};
// The index (0..5) of a known interval code.
std::optional<int> intervalIndex(std::uint8_t code);

// The clock bytes' range checks on import, inclusive, as plain byte values. Day and month
// share the minute's bound and the year's bound is decimal 100: that is what the logger's
// programs have always accepted.
inline constexpr std::array<std::uint8_t, 6> kClockMax = {0x23, 0x59, 0x59, 0x59, 0x59, 0x64};
enum ClockField { Hour, Minute, Second, Day, Month, Year };

// The eight digit characters of a packed serial number.
QString serialDigits(const std::array<std::uint8_t, 4>& packed);
// The digits read as a decimal number; nothing when a character is not a digit.
std::optional<float> serialNumber(const QString& digits);
// Eight digits (fewer are taken as leading digits followed by zeros) packed into 4 bytes.
std::array<std::uint8_t, 4> packSerial(const QString& digits);

// A text without the blanks that pad it on the right to its width (other characters, blanks
// within it and leading blanks stay): padded again to its width, it is the same text.
QString unpadded(const QString& text);
// The text padded with blanks on the right to at least `width` characters.
QString padded(const QString& text, int width);

// What a complete configuration import read, as values: the record's fields as the logger
// sent them, its clock as the import composed it, and the PC's clock at that moment.
struct Configuration {
    SerialNumber serialNumber;
    QString serial;                // its eight digit characters (":" to "?" for a nibble above 9)
    std::array<QString, 5> texts;  // user, location, latitude, longitude, altitude; padding kept
    std::uint8_t intervalCode = 0;
    // The logger's date and time of day; nothing where the bytes composed none ("fecha mal",
    // "hora mal", or a composition that did not succeed).
    std::optional<QDate> date;
    std::optional<QTime> time;
    QDateTime pcClock;  // the PC's clock when the logger's clock bytes began to arrive
    std::array<std::uint8_t, 6> clockBytes{};  // hour .. year as they came, packed BCD

    // The station text `i` (record order) without its padding, as the window shows it.
    QString station(std::size_t i) const { return unpadded(texts[i]); }
    // The sampling interval in minutes; nothing for a code no interval has.
    std::optional<int> intervalMinutes() const;
    // The logger's clock: no time zone, held in UTC so that no zone rule of the PC moves it;
    // nothing when its date or its time is unknown.
    std::optional<QDateTime> loggerClock() const;
    // Logger clock minus PC clock, in whole seconds, each read as the wall clock it shows
    // (the PC's fraction of a second dropped, as the logger's clock has none).
    std::optional<qint64> clockOffset() const;
};

// A whole record as bytes, for those who build one (the emulator, tests). The import fills the
// window byte by byte as the record arrives, and reads the whole record once it is complete.
struct Record {
    std::array<std::uint8_t, 4> serial{};
    std::array<QByteArray, 5> texts;  // code-page bytes, padded with blanks to their widths
    std::uint8_t interval = 0x10;
    std::array<std::uint8_t, 6> clock{};  // hour, minute, second, day, month, year; BCD

    QByteArray toBytes() const;
    static Record fromBytes(const QByteArray& bytes);  // bytes.size() must be kSize
};

}  // namespace vernoll::config
