#pragma once

#include <QByteArrayView>
#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

namespace vernoll::memory {

// The PC's copy of the logger's memory: 18,001 rows of 64 bytes, row k holding the k-th block
// received (or read from a base file). Zero at start and never cleared: a download or a base
// file overwrites the rows it brings and leaves later rows as they were.
class MemoryImage {
public:
    static constexpr int kRows = 18001;
    static constexpr int kRowBytes = 64;

    MemoryImage() : bytes_(std::size_t(kRows) * kRowBytes, 0) {}

    // Row k, 0 <= k < kRows.
    std::span<const std::uint8_t, kRowBytes> row(int k) const {
        return std::span<const std::uint8_t, kRowBytes>(bytes_.data() + offset(k, 0), kRowBytes);
    }
    std::span<std::uint8_t, kRowBytes> row(int k) {
        return std::span<std::uint8_t, kRowBytes>(bytes_.data() + offset(k, 0), kRowBytes);
    }
    std::uint8_t at(int row, int byte) const { return bytes_[offset(row, byte)]; }
    void set(int row, int byte, std::uint8_t value) { bytes_[offset(row, byte)] = value; }

    // Copies up to 64 bytes of a block into row k, from byte 0; a shorter block leaves the
    // rest of the row as it was.
    void setRow(int k, QByteArrayView block) {
        const auto n = std::min<qsizetype>(block.size(), kRowBytes);
        for (qsizetype i = 0; i < n; ++i) bytes_[offset(k, int(i))] = std::uint8_t(block[i]);
    }

    const std::uint8_t* data() const { return bytes_.data(); }

private:
    static std::size_t offset(int row, int byte) {
        return std::size_t(row) * kRowBytes + std::size_t(byte);
    }
    std::vector<std::uint8_t> bytes_;
};

}  // namespace vernoll::memory
