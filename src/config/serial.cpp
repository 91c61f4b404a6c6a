#include "config/serial.h"

#include "config/record.h"

namespace vernoll::config {

SerialNumber::SerialNumber(const std::array<std::uint8_t, 4>& packed) : packed_(packed) {}

QString SerialNumber::digits() const {
    return serialDigits(packed_);
}

std::optional<float> SerialNumber::number() const {
    return serialNumber(digits());
}

std::optional<DeviceType> SerialNumber::type() const {
    const auto n = number();
    return n ? classify(*n) : std::nullopt;
}

bool SerialNumber::hasSms() const {
    const auto n = number();
    return n && config::hasSms(*n);
}

int SerialNumber::frames() const {
    const auto t = type();
    return t && t->largeMemory ? kLargeMemoryFrames : kSmallMemoryFrames;
}

}  // namespace vernoll::config
