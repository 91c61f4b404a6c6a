#include "memory/decoder.h"

#include <QLatin1StringView>

#include "family/decimal.h"
#include "family/family.h"

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
            converted_ = 0;
            fields_[0] = stampField(byte, 0);
            break;
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
    conversionAt_.fill(nullptr);
    if (const family::Family* f = family::converting(nserie))
        for (const family::Conversion& c : f->conversions)
            conversionAt_[std::size_t(c.position)] = &c;
    lineFamily_ = family::printing(nserie);
    serial_ = nserie >= 0 && nserie < 4294967296.0F ? std::uint32_t(nserie) : 0;
}

void Decoder::convert(int position) {
    using family::Shape;
    const family::Conversion* c = conversionAt_[std::size_t(position)];
    if (!c) return;
    double v = 0;
    switch (c->shape) {
        case Shape::HighByte:
            highByte_ = byte14_;
            return;
        case Shape::ReservoirA:
            reservoirA_ = float(word_);
            return;
        case Shape::ReservoirB:
            reservoirB_ = float(word_);
            v = (double(reservoirA_) - double(reservoirB_)) * c->a;
            break;
        case Shape::ReservoirK: {
            // byte 12 is still the high byte; 100000, not 65536, is the logger's weight
            const double counter =
                double(highByte_) * 100000 + double(byte13_) * 256 + double(byte14_);
            v = (double(reservoirA_) - double(reservoirB_) + counter) * c->a;
            break;
        }
        default:
            v = c->apply(word_);
    }
    values_[std::size_t(c->slot)] = decimal::rounded(v, c->decimals);
    converted_ |= std::uint16_t(1U << unsigned(c->slot));
}

void Decoder::appendLine() {
    if (!lineFamily_) return;
    ++lines_;
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
    for (const family::ColumnSlot& column : lineFamily_->columns) {
        *p++ = ',';
        p = decimal::writeShortest(p, values_[std::size_t(column.slot)]);
    }
    *p++ = '\r';
    *p++ = '\n';
    rowText_.append(QLatin1StringView(buf, p - buf));
    if (!readings_) return;
    Reading& r = readings_->emplace_back();
    r.serial = serial_;
    r.stamp = QDateTime(recordDate_, recordTime_, Qt::UTC);
    r.values.reserve(lineFamily_->columns.size());
    for (const family::ColumnSlot& column : lineFamily_->columns) {
        // A value this record did not convert was left by an earlier one: not this reading's.
        if (converted_ & (1U << unsigned(column.slot)))
            r.values.emplace_back(values_[std::size_t(column.slot)]);
        else
            r.values.emplace_back(std::nullopt);
    }
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
