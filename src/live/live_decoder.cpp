// Live value decoding: which readings a frame carries, and how each is scaled, by the family
// of the logger's serial number. The family's live lines (family/family.h) are in the order
// of the frame's bytes; one loop writes those that reach the serial number.
#include "live/live_decoder.h"

#include <cmath>
#include <limits>

#include "family/decimal.h"
#include "family/family.h"

namespace vernoll::live {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

std::uint16_t word(const Frame& f, int k) {
    const auto at = std::size_t(3 + 2 * (k - 1));
    return std::uint16_t(f[at] * 256 + f[at + 1]);
}

template <typename Label, typename Tail>
void line(QString& text, const Label& label, const QString& number, const Tail& tail) {
    text += label;
    text += number;
    text += tail;
    text += kLineEnd;
}

QString optionalText(const std::optional<double>& x, int decimals) {
    return x ? numberText(*x, decimals) : QString::fromLatin1(kUndefined);
}

}  // namespace

Frame frameOf(const QByteArray& bytes) {
    Frame f{};
    for (int i = 0; i < kFrameSize && i < bytes.size(); ++i)
        f[std::size_t(i)] = std::uint8_t(bytes[i]);
    return f;
}

QString numberText(double x, int decimals) {
    if (!std::isfinite(x)) return QString::fromLatin1(kUndefined);
    return decimal::generalText(x, decimals);
}

QString numberText(double x) {
    return numberText(x, family::kNoRounding);
}

std::optional<double> flowSpeed(double r) {
    const double transit = (((r - 3500) * 0.5) * 0.000001 * 4) / 64;
    if (transit == 0) return std::nullopt;
    return 0.195 / transit;
}

QString LiveDecoder::decode(float nserie, const Frame& frame) {
    using family::Source;
    const double n = nserie;
    QString text;
    const family::Family* f = family::showingLive(n);
    if (!f) return text;
    if (f->id == family::Id::Reservoir) {
        // b13 completes W5's place in the frame but carries nothing.
        reservoir_.submerged = float(word(frame, 2));
        reservoir_.second = float(word(frame, 3));
        reservoir_.level = float(frame[9] * 100000 + frame[10] * 256 + frame[11]);
    }
    for (const family::LiveLine& row : f->live) {
        if (!f->reaches(row.reach, n)) continue;
        double x = 0;
        switch (row.source) {
            case Source::Signed:
                x = std::int16_t(word(frame, row.word));
                break;
            case Source::Radiometer:
                x = std::int16_t(std::uint16_t(2 * word(frame, row.word)));
                break;
            case Source::Submerged:
                x = reservoir_.submerged;
                break;
            case Source::Level:
                x = reservoir_.level;
                break;
            case Source::Spillway:
                x = double(reservoir_.submerged) - double(reservoir_.second);
                break;
            case Source::SpillwayLevel:
                x = double(reservoir_.submerged) - double(reservoir_.second) +
                    double(reservoir_.level);
                break;
            case Source::NorthSouth:
                northSouth(text, word(frame, row.word));
                continue;
            case Source::SouthNorth:
                southNorth(text, word(frame, row.word));
                continue;
        }
        line(text, QStringView(row.label), numberText(row.value(x), row.decimals),
             QStringView(row.unit));
    }
    return text;
}

// A speed joins its sum in single precision, as the program keeps it; an undefined one is
// left out of both the sum and the number of speeds the mean divides by.
namespace {
void accumulate(float& sum, std::int32_t& defined, const std::optional<double>& speed) {
    if (!speed) return;
    sum = float(double(sum) + *speed);
    ++defined;
}
std::optional<double> mean(float sum, std::int32_t defined, float& into) {
    if (defined <= 0) return std::nullopt;
    into = float(double(sum) / double(defined));
    return into;
}
std::optional<double> minus(const std::optional<double>& a, const std::optional<double>& b) {
    if (!a || !b) return std::nullopt;
    return *a - *b;
}
}  // namespace

// The flow meter's lines are the display's own, blanks included: no "=" after the labels, two
// blanks in "DIF VEL  ", the count after one blank on the north-south lines and three on the
// south-north ones, three blanks where the others have a unit. Deliberate.
void LiveDecoder::northSouth(QString& text, std::uint16_t raw) {
    FlowStatistics& f = flow_;
    if (f.samples == std::numeric_limits<std::int32_t>::max()) f = FlowStatistics{};
    f.nsSpeed = flowSpeed(raw);
    accumulate(f.nsSum, f.nsDefined, f.nsSpeed);
    ++f.samples;
    f.nsRaw = raw;
    const QString count = numberText(f.samples);
    const QString three = QStringLiteral("   ");
    line(text, QStringLiteral("DATA"), numberText(f.nsRaw, 0), QLatin1Char(' ') + count);
    line(text, QStringLiteral("CON N-S"), optionalText(f.nsSpeed, 2), QLatin1Char(' ') + count);
    const auto m = mean(f.nsSum, f.nsDefined, f.nsMean);
    line(text, QStringLiteral("CON N-S"), optionalText(m, 2), three);
    line(text, QStringLiteral("DIF CON N-S"), optionalText(minus(m, f.nsSpeed), 1), three);
    text += kLineEnd;
}

void LiveDecoder::southNorth(QString& text, std::uint16_t raw) {
    FlowStatistics& f = flow_;
    f.snSpeed = flowSpeed(raw);
    accumulate(f.snSum, f.snDefined, f.snSpeed);
    f.snRaw = raw;
    const QString count = numberText(f.samples);
    const QString three = QStringLiteral("   ");
    line(text, QStringLiteral("CON S-N"), numberText(f.snRaw, 2), three + count);
    line(text, QStringLiteral("CON S-N"), optionalText(f.snSpeed, 2), three + count);
    const auto m = mean(f.snSum, f.snDefined, f.snMean);
    line(text, QStringLiteral("CON S-N"), optionalText(m, 2), three);
    line(text, QStringLiteral("DIF CON S-N"), optionalText(minus(m, f.snSpeed), 1), three);
    text += kLineEnd;
    // 6240000 / raw for each direction: undefined when either raw count is 0.
    std::optional<double> velocity;
    if (f.nsRaw != 0 && f.snRaw != 0) velocity = 6240000 / f.nsRaw - 6240000 / f.snRaw;
    line(text, QStringLiteral("DIF VEL  "), optionalText(velocity, 1), three);
    line(text, QStringLiteral("DIF DIG "), numberText(f.nsRaw - f.snRaw, 1), three);
}

}  // namespace vernoll::live
