#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace vernoll::live {

// A live frame: the logger's 21-byte answer to the live request 190. Bytes 1 to 3 are not
// used; bytes 4 to 21 are nine words W1 .. W9, high byte first (the reservoir family reads
// bytes 10, 11 and 12 as one level instead).
inline constexpr int kFrameSize = 21;
using Frame = std::array<std::uint8_t, kFrameSize>;

// The frame from the bytes received; missing bytes read as 0, bytes past 21 are ignored.
Frame frameOf(const QByteArray& bytes);

// Text shown where a flow-meter value has no defined value: a speed of a transit count of
// exactly 3500, a mean before any defined speed, the speed difference of a raw count of 0.
inline constexpr char kUndefined[] = " ---";

// Number texts, T(x, pattern): decimal::generalText. `decimals` is the pattern's: 0 for "0",
// 1 for "0.0", 2 for "0.00", 3 for "0.000". A value that is not finite is written as
// kUndefined.
QString numberText(double x, int decimals);
// T(x): the same form without rounding to a pattern first.
QString numberText(double x);

// Running values of the flow meter (N = 80000), kept for the whole run of the program:
// starting and stopping the live display never reset them.
struct FlowStatistics {
    // Frames decoded for the flow meter. The program's 16-bit count would overflow after
    // 32767 frames; this one counts on in 32 bits, and starts the statistics over in the
    // unreachable case that it would pass 2^31 - 1 (some 280 days of frames at 19200 baud).
    std::int32_t samples = 0;
    float nsSum = 0.0F, snSum = 0.0F;
    float nsMean = 0.0F, snMean = 0.0F;
    double nsRaw = 0.0, snRaw = 0.0;
    std::optional<double> nsSpeed, snSpeed;  // nothing for a count of exactly 3500
    // Speeds added to each sum. They equal `samples` unless a frame carried an undefined
    // speed, which adds nothing to the sum and is left out of the mean.
    std::int32_t nsDefined = 0, snDefined = 0;
};

// The reservoir family's raw values of the latest frame, held in single precision.
struct ReservoirValues {
    float submerged = 0.0F;  // u(W2)
    float second = 0.0F;     // u(W3)
    float level = 0.0F;      // b10 x 100000 + b11 x 256 + b12
};

// Live value decoding: the lines a frame shows for the logger whose serial number is
// `nserie`. A small state object: it keeps the flow statistics between frames.
class LiveDecoder {
public:
    // The text of one frame: label, number text and unit per line, each line CR LF ended,
    // in the order of the frame's bytes. Empty for a serial number no family claims.
    QString decode(float nserie, const Frame& frame);
    QString decode(float nserie, const QByteArray& bytes) { return decode(nserie, frameOf(bytes)); }

    const FlowStatistics& flow() const { return flow_; }
    const ReservoirValues& reservoir() const { return reservoir_; }

private:
    void northSouth(QString& text, std::uint16_t raw);
    void southNorth(QString& text, std::uint16_t raw);

    FlowStatistics flow_;
    ReservoirValues reservoir_;
};

// Transit count to speed, 0.195 / ((((r - 3500) x 0.5) x 0.000001 x 4) / 64) in that order;
// nothing for r = 3500.
std::optional<double> flowSpeed(double r);

}  // namespace vernoll::live
