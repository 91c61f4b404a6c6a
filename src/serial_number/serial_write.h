#pragma once

#include <QString>
#include <array>
#include <cstdint>

#include "link/paced_write.h"

namespace vernoll::serial_number {

// Serial-number programming: writes up to eight digits, packed into four BCD bytes, on
// MSComm3. A paced write (link/paced_write.h) of five bytes:
//   n = 1      answered with 0x64, which selects the serial-number write
//   n = 2..5   answered with packed bytes 1 to 4
//   n = 6      answered with packed byte 4 once more (the logger asks for a sixth byte, and
//              the logger program hands it the last one again); the logger holds the new number
//   n >= 7     more than the logger ever sends: "otro valor serie", channel closed
class SerialWrite : public PacedWrite {
    Q_OBJECT
public:
    // The box takes at most this many characters.
    static constexpr int kMaxDigits = 8;

    SerialWrite(const ChannelSet& channels, ExchangeOpening& opening, Timing timing,
                QObject* parent = nullptr);

    // Whether `text` can be written: digits only, at most eight of them.
    static bool writable(const QString& text);
    // Writes `digits` (fewer than eight are followed by zeros). False, with nothing sent,
    // unless writable() or while an opening runs.
    bool start(const QString& digits);

    // The four packed bytes of the last write.
    const std::array<std::uint8_t, 4>& packed() const { return packed_; }

private:
    std::array<std::uint8_t, 4> packed_{};
};

}  // namespace vernoll::serial_number
