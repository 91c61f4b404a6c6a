#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <array>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "family/family.h"
#include "family/reading.h"

namespace vernoll::memory {

// Printed on the window surface when the decoder is handed a byte index outside a row.
inline constexpr char kMatrixError[] = "error en matriz";

// The memory-record decoder (`proceso`). The logger's memory is a run of 16-byte records,
// four to a 64-byte row:
//   0..5   hour, minute, second, day, month, year (packed BCD, year within 2000..2049)
//   6      status byte (read, not converted)     7  unused
//   8..13  words 1..3, high byte first           14, 15  type-specific (word 4, counter)
// Fed one byte at a time with its index in the row, it builds the record's date, time and
// values across the calls and, at byte 15, appends the record's line (date, time and the
// values of the logger type, comma-separated, CR LF ended) to the row text. The state
// survives between calls and between runs.
class Decoder {
public:
    // Value slots; each logger family fills some of them and prints them in its own order.
    using Slot = family::Slot;
    using enum family::Slot;
    static constexpr int kSlots = family::kSlots;

    // Decodes one byte at index `contj` of its row for the logger `nserie`. False, decoding
    // nothing, when `contj` lies outside 0..63: the caller prints kMatrixError.
    bool proceso(std::uint8_t byte, std::int32_t contj, float nserie);

    // Feeds a whole row (contj 0..63) and returns its text.
    QString decodeRow(std::span<const std::uint8_t, 64> row, float nserie);

    // While `into` is given, every line appended also appends its reading to `into`: the
    // serial number, the record's time stamp, and per column of the family the value this
    // record converted (nothing for a value left by an earlier record).
    void collectReadings(std::vector<Reading>* into) { readings_ = into; }

    // The lines produced since the last take, emptied by the take.
    QString takeRowText();
    // Empties the row text, keeping its buffer for the next row.
    void clearRowText() { rowText_.resize(0); }
    const QString& rowText() const { return rowText_; }
    // Record lines appended since the decoder was made.
    std::int64_t lines() const { return lines_; }

    // Event lines. The logger's event code is not known to the program, so nothing appends
    // to it; the runs empty it and show it.
    const QString& eventsText() const { return eventsText_; }
    void clearEvents() { eventsText_.clear(); }

    // The last record's date and time (1 January 1980, 00:00:00 after an invalid record).
    QDate recordDate() const { return recordDate_; }
    QTime recordTime() const { return recordTime_; }
    // -1 while the current record's time stamp is valid, 0 otherwise.
    std::int16_t validityFlag() const { return valid_; }
    // The last value stored in a slot (rounded as printed).
    float value(Slot s) const { return values_[std::size_t(s)]; }

private:
    void stampRecord();
    void selectType(float nserie);
    void convert(int position);
    void appendLine();

    // The conversions and the line of the logger family last seen, looked up once per serial
    // number: for each record byte, the conversion done there.
    float typeSerial_ = std::numeric_limits<float>::quiet_NaN();  // none yet
    std::array<const family::Conversion*, 16> conversionAt_{};
    const family::Family* lineFamily_ = nullptr;  // whose record line the serial number prints
    std::uint32_t serial_ = 0;
    std::int64_t lines_ = 0;

    // Fields of the time stamp: the BCD value, or 70 (year: 0) when the byte failed its check.
    std::array<std::int16_t, 6> fields_{};
    std::int16_t valid_ = 0;
    QDate recordDate_{1980, 1, 1};
    std::array<int, 3> dateParts_{1980, 1, 1};  // year, month, day of recordDate_
    QTime recordTime_{0, 0};
    float highByte_ = 0;
    float byte13_ = 0;
    float byte14_ = 0;
    double word_ = 0;                        // the word completed at the current byte
    float reservoirA_ = 0, reservoirB_ = 0;  // words 1 and 2, unrounded
    std::array<float, kSlots> values_{};
    std::uint16_t converted_ = 0;  // the slots the current record converted, one bit each
    std::vector<Reading>* readings_ = nullptr;
    QString rowText_;
    QString eventsText_;
};

}  // namespace vernoll::memory
