#pragma once

#include <QByteArray>
#include <optional>
#include <span>
#include <vector>

namespace vernoll::archive {

// A reading's values as archives up to schema version 4 stored them (the migration to version 5
// reads them): one byte with the number of columns, one
// bit per column (eight to a byte) telling whether the record gave the column a value, then
// four bytes per column, the single-precision value little-endian (zero where absent). One
// encoding per set of values, so two readings have the same values exactly when their bytes
// are equal: the comparison that tells a duplicate from a conflict.
QByteArray encodeValues(std::span<const std::optional<float>> values);

// Nothing for bytes that are not such an encoding.
std::optional<std::vector<std::optional<float>>> decodeValues(const QByteArray& bytes);

// The most value columns a stored reading can have: the archive's rows have room for four (the
// widest logger family has three).
inline constexpr std::size_t kMaxColumns = 4;

// A record value as the archive stores it: the number the download's CSV prints for it (the
// shortest text that reads back as the same float, decimal::writeShortest), as the double
// nearest to that number: 0.1f is printed, and stored, as 0.1 (not 0.100000001490116).
double csvNumber(float v);
// The record value a stored number came from: the float nearest to it.
float recordValue(double v);

}  // namespace vernoll::archive
