#include "memory/decoder.h"

#include <QLatin1StringView>
#include <charconv>
#include <cmath>

#include "family/decimal.h"

namespace vernoll::memory {

namespace {

// ---- the time stamp -------------------------------------------------------------------

// Highest tens digit each stamp byte may carry: hour 2, minute 5, second 5, day 3, month 1,
// year 4 (the logger counts years 2000 to 2049). The units digit is at most 9.
constexpr std::array<int, 6> kTensLimit = {2, 5, 5, 3, 1, 4};
constexpr std::int16_t kBadField = 70;  // what a failed hour..month holds; a failed year holds 0

enum Field { Hour, Minute, Second, Day, Month, Year };

std::int16_t stampField(std::uint8_t byte, int field) {
    const int tens = byte >> 4, units = byte & 0x0F;
    if (tens > kTensLimit[std::size_t(field)] || units > 9) return field == Year ? 0 : kBadField;
    return std::int16_t(tens * 10 + units);
}

// ---- the conversions --------------------------------------------------------------------

// How a value comes from its word w, the operations in the order the logger's makers give
// them (the order decides the last bits of the double).
enum class Shape {
    Scale,              // w * a
    ScaleScale,         // w * a * b
    ScaleDivide,        // w * a / c
    ScaleOffsetScale,   // (w * a - b) * c
    ScaleOffsetDivide,  // (w * a - b) / c
    Plain,              // w
    HighByte,           // byte 14 is the high half of word 4: nothing to compute yet
    ReservoirA,         // keep word 1 unrounded
    ReservoirB,         // keep word 2 unrounded; V = (A - B) * a
    ReservoirK,         // C = byte 12 * 100000 + byte 13 * 256 + byte 14; K = (A - B + C) * a
};

// Serial numbers lo <= n < hi, or lo <= n <= hi when closed.
struct Range {
    double lo, hi;
    bool closed;
    bool holds(float n) const { return n >= lo && (closed ? n <= hi : n < hi); }
};

// One conversion: for the loggers in `range`, at record byte `position`, the word completed
// there (9: word 1, 11: word 2, 13: word 3, 15: word 4) goes through `shape` into `slot`,
// rounded to `decimals` places.
struct Conversion {
    Range range;
    int position;
    Shape shape;
    double a, b, c;
    int decimals;
    Decoder::Slot slot;
};

using S = Decoder::Slot;

// The logger families' conversions. The two water-level families convert up to their upper
// bound inclusive; the reservoir-level family converts below 2061000 only.
const Conversion kConversions[] = {
    {{20000, 21000, false}, 9, Shape::ScaleOffsetScale, 0.002, 0.682, 100, 1, S::Temperature},
    {{20000, 21000, false}, 13, Shape::Scale, 0.2, 0, 0, 1, S::Rain},
    {{21000, 22000, false}, 9, Shape::ScaleOffsetScale, 0.002, 0.682, 100, 1, S::Temperature},
    {{22000, 23000, false}, 9, Shape::Scale, 0.0038, 0, 0, 1, S::Current},
    {{22000, 23000, false}, 13, Shape::ScaleDivide, 346.67, 0, 1000, 1, S::Voltage},
    {{30000, 31000, false}, 9, Shape::ScaleOffsetScale, 0.002, 0.682, 100, 1, S::Temperature},
    {{30000, 31000, false}, 13, Shape::Scale, 0.2, 0, 0, 1, S::Rain},
    {{40000, 42000, false}, 9, Shape::ScaleOffsetScale, 0.004, 2.7315, 100, 1, S::Temperature},
    {{40000, 42000, false}, 13, Shape::Scale, 0.2, 0, 0, 1, S::Rain},
    {{50000, 52000, false}, 9, Shape::ScaleOffsetScale, 0.002, 0.6835, 100, 1, S::Temperature},
    {{50000, 52000, false}, 13, Shape::Scale, 0.2, 0, 0, 1, S::Rain},
    {{70000, 72000, true}, 11, Shape::ScaleOffsetDivide, 0.36, 19.5, 100, 3, S::Level},
    {{90000, 92000, true}, 11, Shape::Plain, 0, 0, 0, 1, S::Level},
    {{2040000, 2042000, false}, 9, Shape::ScaleOffsetScale, 0.004, 2.7315, 100, 1, S::Temperature},
    {{2040000, 2042000, false}, 13, Shape::Scale, 0.2, 0, 0, 1, S::Rain},
    {{2050000, 2052000, false}, 9, Shape::ScaleScale, 0.2638, 0.44, 0, 1, S::Evaporation},
    {{2050000, 2052000, false}, 11, Shape::Scale, 0.2638, 0, 0, 1, S::Reserve},
    {{2050000, 2052000, false}, 14, Shape::HighByte, 0, 0, 0, 0, S::kSlots},
    {{2050000, 2052000, false},
     15,
     Shape::ScaleOffsetScale,
     0.00122,
     2.7315,
     100,
     1,
     S::Temperature},
    {{2052000, 2052000, true}, 13, Shape::Scale, 0.0073, 0, 0, 2, S::Eva},
    {{2060000, 2061000, false}, 9, Shape::ReservoirA, 0, 0, 0, 0, S::kSlots},
    {{2060000, 2061000, false}, 11, Shape::ReservoirB, 0.001, 0, 0, 3, S::Spillway},
    {{2060000, 2061000, false}, 14, Shape::ReservoirK, 0.001, 0, 0, 3, S::Elevation},
    {{123, 123, true}, 9, Shape::Scale, 2, 0, 0, 0, S::Radiation},
    {{124, 124, true}, 13, Shape::Scale, 0.25, 0, 0, 1, S::Flow},
    {{125, 125, true}, 13, Shape::Scale, 2.5, 0, 0, 1, S::Flow},
};

// The values each family prints after the date and time, in column order. The
// reservoir-level family prints up to 2061000 inclusive, one past its conversions: that
// logger prints the values left from earlier records.
struct Line {
    Range range;
    int count;
    std::array<S, 3> columns;
};

const Line kLines[] = {
    {{20000, 21000, false}, 2, {S::Temperature, S::Rain}},
    {{21000, 22000, false}, 1, {S::Temperature}},
    {{22000, 23000, false}, 2, {S::Current, S::Voltage}},
    {{30000, 31000, false}, 2, {S::Temperature, S::Rain}},
    {{40000, 42000, false}, 2, {S::Temperature, S::Rain}},
    {{50000, 52000, false}, 2, {S::Temperature, S::Rain}},
    {{70000, 72000, true}, 1, {S::Level}},
    {{90000, 92000, true}, 1, {S::Level}},
    {{2040000, 2042000, false}, 2, {S::Temperature, S::Rain}},
    {{2050000, 2052000, false}, 3, {S::Temperature, S::Evaporation, S::Reserve}},
    {{2052000, 2052000, true}, 1, {S::Eva}},
    {{2060000, 2061000, true}, 2, {S::Spillway, S::Elevation}},
    {{123, 123, true}, 1, {S::Radiation}},
    {{124, 125, true}, 1, {S::Flow}},
};

double apply(const Conversion& c, double w) {
    switch (c.shape) {
        case Shape::Scale:
            return w * c.a;
        case Shape::ScaleScale:
            return w * c.a * c.b;
        case Shape::ScaleDivide:
            return w * c.a / c.c;
        case Shape::ScaleOffsetScale:
            return (w * c.a - c.b) * c.c;
        case Shape::ScaleOffsetDivide:
            return (w * c.a - c.b) / c.c;
        default:
            return w;
    }
}

char* twoDigits(char* p, int v) {
    *p++ = char('0' + v / 10);
    *p++ = char('0' + v % 10);
    return p;
}

}  // namespace

bool Decoder::proceso(std::uint8_t byte, std::int32_t contj, float nserie) {
    if (contj < 0 || contj > 63) return false;
    if (nserie != typeSerial_) selectType(nserie);
    const int p = contj % 16;
    switch (p) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
            fields_[std::size_t(p)] = stampField(byte, p);
            break;
        case 5:
            fields_[Year] = stampField(byte, Year);
            stampRecord();
            break;
        case 6:
            // The status byte: the events it may carry are not known to the program.
            highByte_ = byte;
            break;
        case 7:
            break;
        case 8:
        case 10:
        case 12:
            highByte_ = byte;
            break;
        case 9:
        case 11:
            word_ = double(highByte_) * 256 + byte;
            convert(p);
            break;
        case 13:
            byte13_ = byte;
            word_ = double(highByte_) * 256 + byte;
            convert(p);
            break;
        case 14:
            byte14_ = byte;
            convert(p);
            break;
        case 15:
            word_ = double(highByte_) * 256 + byte;
            convert(p);
            if (valid_) appendLine();
            break;
    }
    return true;
}

void Decoder::stampRecord() {
    const auto f = [this](Field k) { return int(fields_[std::size_t(k)]); };
    const bool valid = f(Hour) != kBadField && f(Minute) != kBadField && f(Second) != kBadField &&
                       f(Day) != kBadField && f(Month) != kBadField && f(Year) != 0 &&
                       f(Day) != 0 && f(Month) != 0;
    if (!valid) {
        valid_ = 0;
        recordTime_ = QTime(0, 0);
        recordDate_ = QDate(1980, 1, 1);
        dateParts_ = {1980, 1, 1};
        return;
    }
    valid_ = -1;
    // Hours 24..29, days past the month's end and months 13..19 pass the digit checks; they
    // carry into the next day, month or year.
    const int seconds = f(Hour) * 3600 + f(Minute) * 60 + f(Second);
    recordDate_ =
        QDate(2000 + f(Year), 1, 1).addMonths(f(Month) - 1).addDays(f(Day) - 1 + seconds / 86400);
    recordTime_ = QTime(0, 0).addSecs(seconds % 86400);
    recordDate_.getDate(&dateParts_[0], &dateParts_[1], &dateParts_[2]);
}

void Decoder::selectType(float nserie) {
    typeSerial_ = nserie;
    for (auto& at : conversionsAt_) at.fill(-1);
    for (std::size_t i = 0; i < std::size(kConversions); ++i) {
        const Conversion& c = kConversions[i];
        if (!c.range.holds(nserie)) continue;
        for (std::int8_t& slot : conversionsAt_[std::size_t(c.position)])
            if (slot < 0) {
                slot = std::int8_t(i);
                break;
            }
    }
    line_ = -1;
    for (std::size_t i = 0; i < std::size(kLines); ++i)
        if (kLines[i].range.holds(nserie)) {
            line_ = int(i);
            break;
        }
}

void Decoder::convert(int position) {
    for (const std::int8_t index : conversionsAt_[std::size_t(position)]) {
        if (index < 0) break;
        const Conversion& c = kConversions[index];
        double v = 0;
        switch (c.shape) {
            case Shape::HighByte:
                highByte_ = byte14_;
                continue;
            case Shape::ReservoirA:
                reservoirA_ = float(word_);
                continue;
            case Shape::ReservoirB:
                reservoirB_ = float(word_);
                v = (double(reservoirA_) - double(reservoirB_)) * c.a;
                break;
            case Shape::ReservoirK: {
                // byte 12 is still the high byte; 100000, not 65536, is the logger's weight
                const double counter =
                    double(highByte_) * 100000 + double(byte13_) * 256 + double(byte14_);
                v = (double(reservoirA_) - double(reservoirB_) + counter) * c.a;
                break;
            }
            default:
                v = apply(c, word_);
        }
        values_[std::size_t(c.slot)] = decimal::rounded(v, c.decimals);
    }
}

void Decoder::appendLine() {
    if (line_ < 0) return;
    const Line& l = kLines[line_];
    // dd/MM/yyyy,HH:mm:ss
    char buf[19 + 3 * 65 + 2];  // date, time, three values of up to 64 characters, CR LF
    char* p = twoDigits(buf, dateParts_[2]);
    *p++ = '/';
    p = twoDigits(p, dateParts_[1]);
    *p++ = '/';
    p = twoDigits(p, dateParts_[0] / 100);
    p = twoDigits(p, dateParts_[0] % 100);
    *p++ = ',';
    const int seconds = recordTime_.msecsSinceStartOfDay() / 1000;
    p = twoDigits(p, seconds / 3600);
    *p++ = ':';
    p = twoDigits(p, seconds / 60 % 60);
    *p++ = ':';
    p = twoDigits(p, seconds % 60);
    for (int i = 0; i < l.count; ++i) {
        *p++ = ',';
        p = decimal::writeShortest(p, values_[std::size_t(l.columns[std::size_t(i)])]);
    }
    *p++ = '\r';
    *p++ = '\n';
    rowText_.append(QLatin1StringView(buf, p - buf));
}

QString Decoder::decodeRow(std::span<const std::uint8_t, 64> row, float nserie) {
    for (int j = 0; j < 64; ++j) proceso(row[std::size_t(j)], j, nserie);
    return takeRowText();
}

QString Decoder::takeRowText() {
    QString text = std::move(rowText_);
    rowText_.clear();
    return text;
}

}  // namespace vernoll::memory
