#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace vernoll::bcd {

// Packed BCD: two decimal digits a byte, the tens digit in the high nibble.

// The two digit characters of a byte. A nibble above 9 gives one of ":" to "?"; it is not
// rejected here (the serial number and the clock check their digits later).
inline QString digits(std::uint8_t b) {
    const QChar pair[2] = {QChar(char16_t(((b & 0xF0) >> 4) + 48)),
                           QChar(char16_t((b & 0x0F) | 0x30))};
    return QString(pair, 2);
}

inline char highDigit(std::uint8_t b) {
    return char(((b & 0xF0) >> 4) + 48);
}
inline char lowDigit(std::uint8_t b) {
    return char((b & 0x0F) | 0x30);
}

// 0..99 as one packed byte (the tens digit of values above 99 is taken modulo 16).
inline std::uint8_t pack(int value) {
    return std::uint8_t((((value / 10) & 0x0F) << 4) | (value % 10));
}

// The value of a byte whose both nibbles are decimal digits.
inline std::optional<int> value(std::uint8_t b) {
    const int hi = b >> 4, lo = b & 0x0F;
    if (hi > 9 || lo > 9) return std::nullopt;
    return hi * 10 + lo;
}

}  // namespace vernoll::bcd
