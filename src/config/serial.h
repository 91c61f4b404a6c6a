#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "config/device.h"

namespace vernoll::config {

// A logger's serial number as the logger holds it: four packed BCD bytes, read as eight digit
// characters (a nibble above 9 reads as one of ":" to "?"). Everything the program derives
// from it (the number the families are keyed by, the device type, SMS telemetry, the memory
// size) comes from here.
class SerialNumber {
public:
    SerialNumber() = default;
    explicit SerialNumber(const std::array<std::uint8_t, 4>& packed);

    const std::array<std::uint8_t, 4>& packed() const { return packed_; }
    // "00020500".
    QString digits() const;
    // The digits as a decimal number in single precision (the window's Nserie); nothing when
    // a digit is not decimal.
    std::optional<float> number() const;
    // The device type its number names; nothing when no family claims it.
    std::optional<DeviceType> type() const;
    bool hasSms() const;
    // Frames of a whole download: the large memory's or the small one's.
    int frames() const;

    bool operator==(const SerialNumber&) const = default;

private:
    std::array<std::uint8_t, 4> packed_{};
};

}  // namespace vernoll::config
