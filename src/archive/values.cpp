#include "archive/values.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "family/decimal.h"

namespace vernoll::archive {

namespace {

std::size_t maskBytes(std::size_t columns) {
    return (columns + 7) / 8;
}

}  // namespace

QByteArray encodeValues(std::span<const std::optional<float>> values) {
    const std::size_t n = values.size();
    QByteArray bytes(qsizetype(1 + maskBytes(n) + 4 * n), '\0');
    auto* out = reinterpret_cast<std::uint8_t*>(bytes.data());
    out[0] = std::uint8_t(n);
    std::uint8_t* mask = out + 1;
    std::uint8_t* field = mask + maskBytes(n);
    for (std::size_t i = 0; i < n; ++i, field += 4) {
        if (!values[i]) continue;
        mask[i / 8] = std::uint8_t(mask[i / 8] | (1U << (i % 8)));
        const auto bits = std::bit_cast<std::uint32_t>(*values[i]);
        for (int b = 0; b < 4; ++b) field[b] = std::uint8_t(bits >> (8 * b));
    }
    return bytes;
}

std::optional<std::vector<std::optional<float>>> decodeValues(const QByteArray& bytes) {
    if (bytes.isEmpty()) return std::nullopt;
    const auto* in = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const std::size_t n = in[0];
    if (std::size_t(bytes.size()) != 1 + maskBytes(n) + 4 * n) return std::nullopt;
    const std::uint8_t* mask = in + 1;
    if (n % 8 != 0 && (mask[n / 8] >> (n % 8)) != 0) return std::nullopt;
    const std::uint8_t* field = mask + maskBytes(n);
    std::vector<std::optional<float>> values(n);
    for (std::size_t i = 0; i < n; ++i, field += 4) {
        std::uint32_t bits = 0;
        for (int b = 0; b < 4; ++b) bits |= std::uint32_t(field[b]) << (8 * b);
        if (mask[i / 8] & (1U << (i % 8)))
            values[i] = std::bit_cast<float>(bits);
        else if (bits != 0)
            return std::nullopt;  // not the one encoding of these values
    }
    return values;
}

double csvNumber(float v) {
    char text[64];
    const char* end = decimal::writeShortest(text, v);
    double number = 0;
    // Plain notation of a finite float always reads; anything else keeps the float's value.
    if (std::from_chars(text, end, number).ec != std::errc()) return double(v);
    return number;
}

float recordValue(double v) {
    return float(v);
}

}  // namespace vernoll::archive
