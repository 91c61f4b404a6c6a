// Live value decoding: which readings a frame carries, and how each is scaled, by the family
// of the logger's serial number. The families are rows of one table, in the order of the
// frame's bytes; one loop writes the rows whose range holds the serial number.
#include "live/live_decoder.h"

#include <cmath>
#include <limits>

#include "family/decimal.h"

namespace vernoll::live {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

// ---- the table ----

// Where a row's value comes from.
enum class Source {
    Signed,         // s(W)
    Radiometer,     // 2 x u(W), held as 16-bit two's complement
    Submerged,      // reservoir: submerged raw
    Level,          // reservoir: b10 x 100000 + b11 x 256 + b12
    Spillway,       // reservoir: submerged raw - second raw
    SpillwayLevel,  // reservoir: submerged raw - second raw + level raw
    NorthSouth,     // flow meter: the north-south group, from u(W)
    SouthNorth,     // flow meter: the south-north group, from u(W)
};

// Serial numbers lo <= N < hi, or lo <= N <= hi when the upper bound is included.
struct Range {
    double lo, hi;
    bool upperIncluded;
    bool holds(double n) const { return n >= lo && (n < hi || (upperIncluded && n == hi)); }
};
constexpr Range below(double lo, double hi) {
    return {lo, hi, false};
}
constexpr Range upTo(double lo, double hi) {
    return {lo, hi, true};
}
constexpr Range only(double n) {
    return {n, n, true};
}

constexpr int kNoRounding = -1;

// value = ((x x scale) + offset) x times / divide, in double precision and in that order, so
// each row computes exactly what the logger family's formula does.
struct Row {
    Range range;
    Source source;
    int word;  // 1 .. 9, for the sources read from a word
    double scale;
    double offset;
    double times;
    double divide;
    int decimals;  // the pattern's decimals; kNoRounding writes T(x)
    const char* label;
    const char* unit;
};

constexpr double kTenthMm = 0.2;
constexpr double kEvaporimeterCm = 0.10851;

// clang-format off
constexpr Row kRows[] = {
    /*  1 */ {only(80000),               Source::NorthSouth,    1, 1, 0, 1, 1, 0, "", ""},
    /*  2 */ {only(123),                 Source::Radiometer,    1, 1, 0, 1, 1, 0, "Rad[Kw/m2]=", "W/m2"},
    /*  3 */ {only(80000),               Source::SouthNorth,    2, 1, 0, 1, 1, 0, "", ""},
    /*  4 */ {below(20000, 21000),       Source::Signed,        2, 0.002, -0.682, 100, 1, 1, "Temp[ºC]=", "ºC"},
    /*  5 */ {below(21000, 22000),       Source::Signed,        2, 0.002, -0.682, 100, 1, 1, "Temp[ºC]=", "ºC"},
    /*  6 */ {below(22000, 23000),       Source::Signed,        2, 0.0038, 0, 1, 1, 1, "Icc[A]=", "A"},
    /*  7 */ {upTo(30000, 31000),        Source::Signed,        2, 0.002, -0.682, 100, 1, 1, "Temp[ºC]=", "ºC"},
    /*  8 */ {upTo(40000, 42000),        Source::Signed,        2, 0.004, -2.7315, 100, 1, 1, "Temp[ºC]=", "ºC"},
    /*  9 */ {upTo(50000, 52000),        Source::Signed,        2, 0.002, -0.6835, 100, 1, 1, "Temp[ºC]=", "ºC"},
    /* 10 */ {below(2040000, 2042000),   Source::Signed,        2, 0.004, -2.7315, 100, 1, 1, "Temp[ºC]=", "ºC"},
    /* 11 */ {below(2050000, 2051000),   Source::Signed,        2, 0.00122, -2.7315, 100, 1, 1, "Temp[ºC]=", "ºC"},
    /* 12 */ {below(2060000, 2061000),   Source::Submerged,     2, 0.001, 0, 1, 1, kNoRounding, "Real Sumergido=", "m"},
    /* 13 */ {below(22000, 23000),       Source::Signed,        3, 346.67, 0, 1, 1000, 1, "Vcc[V]=", "V"},
    /* 14 */ {below(2050000, 2051000),   Source::Signed,        3, 0.2638, 0, 1, 1, 1, "NIVEL[mm]=", "mm"},
    /* 15 */ {below(20000, 21000),       Source::Signed,        4, kTenthMm, 0, 1, 1, 1, "Pluviometro =", "mm"},
    /* 16 */ {below(30000, 31000),       Source::Signed,        4, kTenthMm, 0, 1, 1, 1, "Pluviometro =", "mm"},
    /* 17 */ {below(40000, 41000),       Source::Signed,        4, kTenthMm, 0, 1, 1, 1, "Pluviometro =", "mm"},
    /* 18 */ {below(50000, 52000),       Source::Signed,        4, kTenthMm, 0, 1, 1, 1, "Pluviometro =", "mm"},
    /* 19 */ {below(2040000, 2041000),   Source::Signed,        4, kTenthMm, 0, 1, 1, 1, "Pluviometro =", "mm"},
    /* 20 */ {below(2060000, 2061000),   Source::Level,         0, 0.001, 0, 1, 1, 3, "cota=", "m"},
    /* 21 */ {below(2060000, 2061000),   Source::Spillway,      0, 0.001, 0, 1, 1, 3, "Vertedero=", "m"},
    /* 22 */ {below(2060000, 2061000),   Source::SpillwayLevel, 0, 0.001, 0, 1, 1, 3, "cota(msnm)=", "m"},
    /* 23 */ {below(2050000, 2051000),   Source::Signed,        5, 1.135, 0, 1, 1, 1, "Evaporacion ANTERIOR=", "mm"},
    /* 24 */ {upTo(90000, 92000),        Source::Signed,        5, 1, 0, 1, 1, 2, "Nivel Altura =", "mm"},
    /* 25 */ {upTo(2050000, 2052000),    Source::Signed,        6, kEvaporimeterCm, 0, 1, 1, 2, "Nivel ANTERIOR =", "cm"},
    /* 26 */ {upTo(90000, 92000),        Source::Signed,        6, 1, 0, 1, 1, 2, "Nivel referencia =", "mm"},
    /* 27 */ {upTo(2050000, 2052000),    Source::Signed,        7, kEvaporimeterCm, 0, 1, 1, 2, "Nivel CERO =", "cm"},
    /* 28 */ {upTo(70000, 72000),        Source::Signed,        7, 0.36, -19.5, 1, 1, 2, "Nivel =", "cm"},
    /* 29 */ {upTo(90000, 92000),        Source::Signed,        7, 1, 0, 1, 1, 2, "Nivel =", "mm"},
    /* 30 */ {below(50000, 52000),       Source::Signed,        8, 0.00463, 0, 1, 1, 3, "bat12v [V]=", ""},
    /* 31 */ {upTo(2050000, 2052000),    Source::Signed,        9, kEvaporimeterCm, 0, 1, 1, 2, "Nivel T. Reserva =", "cm"},
};
// clang-format on

constexpr Range kReservoir = below(2060000, 2061000);

// The labels and units as texts, made once.
struct RowTexts {
    QString label, unit;
};
const std::array<RowTexts, std::size(kRows)>& rowTexts() {
    static const auto texts = [] {
        std::array<RowTexts, std::size(kRows)> t;
        for (std::size_t i = 0; i < std::size(kRows); ++i)
            t[i] = {QString::fromUtf8(kRows[i].label), QString::fromUtf8(kRows[i].unit)};
        return t;
    }();
    return texts;
}

std::uint16_t word(const Frame& f, int k) {
    const auto at = std::size_t(3 + 2 * (k - 1));
    return std::uint16_t(f[at] * 256 + f[at + 1]);
}

void line(QString& text, const QString& label, const QString& number, const QString& tail) {
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
    return numberText(x, kNoRounding);
}

std::optional<double> flowSpeed(double r) {
    const double transit = (((r - 3500) * 0.5) * 0.000001 * 4) / 64;
    if (transit == 0) return std::nullopt;
    return 0.195 / transit;
}

QString LiveDecoder::decode(float nserie, const Frame& frame) {
    const double n = nserie;
    QString text;
    if (kReservoir.holds(n)) {
        // b13 completes W5's place in the frame but carries nothing.
        reservoir_.submerged = float(word(frame, 2));
        reservoir_.second = float(word(frame, 3));
        reservoir_.level = float(frame[9] * 100000 + frame[10] * 256 + frame[11]);
    }
    const auto& texts = rowTexts();
    for (std::size_t i = 0; i < std::size(kRows); ++i) {
        const Row& row = kRows[i];
        if (!row.range.holds(n)) continue;
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
        const double value = ((x * row.scale) + row.offset) * row.times / row.divide;
        line(text, texts[i].label, numberText(value, row.decimals), texts[i].unit);
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
