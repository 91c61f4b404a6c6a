#pragma once

#include <QByteArray>
#include <optional>
#include <span>
#include <vector>

namespace vernoll::archive {

// A reading's values as the archive stores them: one byte with the number of columns, one
// bit per column (eight to a byte) telling whether the record gave the column a value, then
// four bytes per column, the single-precision value little-endian (zero where absent). One
// encoding per set of values, so two readings have the same values exactly when their bytes
// are equal: the comparison that tells a duplicate from a conflict.
QByteArray encodeValues(std::span<const std::optional<float>> values);

// Nothing for bytes that are not such an encoding.
std::optional<std::vector<std::optional<float>>> decodeValues(const QByteArray& bytes);

// The most columns a reading can have.
inline constexpr std::size_t kMaxColumns = 255;

}  // namespace vernoll::archive
