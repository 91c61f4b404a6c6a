#pragma once

#include <QDate>
#include <QTime>
#include <QVariant>
#include <array>
#include <cstdint>
#include <optional>

namespace vernoll::config {

// The logger clock as the import holds it: hour, minute, second, day, month, year; each the
// two digit characters of its byte when the byte passed its range check, else the byte's
// plain value.
using ClockFields = std::array<QVariant, 6>;

// The fields of the six clock bytes (hour .. year, packed BCD) as the import holds them.
ClockFields clockFields(const std::array<std::uint8_t, 6>& bytes);

// A field as a number; nothing when its digit text is not a number ("3:").
std::optional<int> clockNumber(const QVariant& field);

// The time of day from hour, minute and second; values past their range carry over, and
// whole days are dropped, as a time-serial constructor does.
std::optional<QTime> composeTime(const ClockFields& f);

// The date 2000 + year, month, day; a month past 12 carries into the next years and a day
// past the month's end (or day 0) into the next (or previous) month, as a date-serial
// constructor does.
std::optional<QDate> composeDate(const ClockFields& f);

// A date box's text read as a date: day/month/year, with or without leading zeros, and a
// two-digit year taken as 20yy (the logger keeps two digits). Blanks around it are allowed.
std::optional<QDate> readDate(const QString& text);

// Logger clock minus PC clock as the window shows it beside the clock, the sign always
// written: "Diferencia con PC: +12 s", "-3 s", "+0 s", "+9 h 59 min 52 s"; empty when the
// offset is unknown.
QString clockOffsetText(std::optional<qint64> seconds);
// The offset alone: "+12 s", "-5 min 3 s", "+9 h 59 min 52 s" (a minute or more in larger units).
QString offsetText(qint64 seconds);

// The fixed formats of the window, the wire and the files.
inline QString dateText(const QDate& d) {
    return d.toString(QStringLiteral("dd/MM/yyyy"));
}
inline QString timeText(const QTime& t) {
    return t.toString(QStringLiteral("HH:mm:ss"));
}

}  // namespace vernoll::config
