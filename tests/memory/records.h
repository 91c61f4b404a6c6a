#pragma once

// Building blocks for memory tests: 16-byte records and 64-byte rows as the logger writes them.

#include <QString>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <ostream>

// Texts in failure messages as text, not as bytes.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline std::ostream& operator<<(std::ostream& os, const QString& s) {
    return os << s.toStdString();
}

namespace vernoll::test {

using Record = std::array<std::uint8_t, 16>;
using Row = std::array<std::uint8_t, 64>;

// A stamp of six raw bytes (hour, minute, second, day, month, year: packed BCD as written).
using Stamp = std::array<std::uint8_t, 6>;

inline constexpr Stamp kStamp = {0x14, 0x30, 0x00, 0x06, 0x12, 0x26};  // 06/12/2026 14:30:00

struct Words {
    int w1 = 0, w2 = 0, w3 = 0;
    int b14 = 0, b15 = 0;
    std::uint8_t status = 0;
};

inline Record record(const Stamp& stamp, const Words& w) {
    Record r{};
    for (int i = 0; i < 6; ++i) r[std::size_t(i)] = stamp[std::size_t(i)];
    r[6] = w.status;
    r[8] = std::uint8_t(w.w1 >> 8);
    r[9] = std::uint8_t(w.w1 & 0xFF);
    r[10] = std::uint8_t(w.w2 >> 8);
    r[11] = std::uint8_t(w.w2 & 0xFF);
    r[12] = std::uint8_t(w.w3 >> 8);
    r[13] = std::uint8_t(w.w3 & 0xFF);
    r[14] = std::uint8_t(w.b14);
    r[15] = std::uint8_t(w.b15);
    return r;
}

inline Record erased() {
    Record r;
    r.fill(0xFF);
    return r;
}

// Up to four records from byte 0; the rest of the row erased.
inline Row row(std::initializer_list<Record> records) {
    Row out;
    out.fill(0xFF);
    std::size_t at = 0;
    for (const Record& r : records) {
        for (std::uint8_t b : r) out[at++] = b;
    }
    return out;
}

}  // namespace vernoll::test
