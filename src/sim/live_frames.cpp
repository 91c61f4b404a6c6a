// Live frames from the emulated logger's state. Each family's readings are chosen as physical
// values and encoded with the inverse of the family's live lines (family/family.h), so the
// live display shows the values chosen here, give or take the words' resolution.
#include "sim/live_frames.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "family/family.h"

namespace vernoll::sim {

namespace {

constexpr int kFrameSize = 21;
constexpr double kTwoPi = 6.283185307179586;

struct FrameWords {
    QByteArray frame = QByteArray(kFrameSize, '\0');

    // Word k (1 .. 9), high byte first, from a value that is rounded and kept in 16 bits.
    void put(int k, double value) {
        const double clamped = std::clamp(std::round(value), -32768.0, 65535.0);
        const auto w = std::uint16_t(std::int32_t(clamped) & 0xFFFF);
        frame[3 + 2 * (k - 1)] = char(w >> 8);
        frame[4 + 2 * (k - 1)] = char(w & 0xFF);
    }
};

// Slow drifts of the readings: a wave of `period` seconds and a small ripple that moves from
// one frame to the next.
struct Clock {
    double t;  // seconds
    double wave(double period, double amplitude, double phase = 0) const {
        return amplitude * std::sin(kTwoPi * t / period + phase);
    }
    double ripple(double amplitude) const { return amplitude * std::sin(t * 7.3); }
};

double airTemperature(const Clock& c) {
    return 22 + c.wave(600, 3) + c.ripple(0.15);
}

// Rain gauge tips of 0.2 mm, a few more every ten minutes, emptied every few hours.
double rainWord(const Clock& c) {
    return std::fmod(std::floor(c.t / 600), 40);
}

// The word whose live line shows `value`.
void show(FrameWords& w, const family::Family& f, int k, double value) {
    if (const family::LiveLine* line = family::liveLineOfWord(f, k)) w.put(k, line->inverse(value));
}

}  // namespace

QByteArray liveFrame(const QString& serialDigits, const QDateTime& now) {
    using family::Simulated;
    bool ok = false;
    const long n = serialDigits.toLong(&ok);
    const Clock c{double(now.toMSecsSinceEpoch()) / 1000.0};
    FrameWords w;
    const family::Family* f = ok ? family::showingLive(double(n)) : nullptr;
    if (!f) return w.frame;

    switch (f->simulated) {
        case Simulated::Nothing:
        case Simulated::Flow:
        case Simulated::PanEvaporation:
            break;
        case Simulated::Radiation:  // the live display doubles W1
            w.put(1, (650 + c.wave(900, 150) + c.ripple(4)) / 2);
            break;
        case Simulated::TemperatureRain:
            show(w, *f, 2, airTemperature(c));
            w.put(4, rainWord(c));
            show(w, *f, 8, 12.6 + c.wave(1800, 0.3) + c.ripple(0.01));  // the battery, if shown
            break;
        case Simulated::CurrentVoltage:
            show(w, *f, 2, 1.2 + c.wave(300, 0.3) + c.ripple(0.02));
            show(w, *f, 3, 12.6 + c.wave(900, 0.4));
            break;
        case Simulated::WaterLevel:  // in centimetres
            show(w, *f, 7, 85 + c.wave(1200, 10) + c.ripple(0.5));
            break;
        case Simulated::TransitCounts:  // both directions
            w.put(1, 4700 + c.wave(120, 12) + c.ripple(3));
            w.put(2, 4720 + c.wave(120, 12, 1) + c.ripple(3));
            break;
        case Simulated::UltrasonicLevel: {  // height = reference - level
            const double reference = 3000;
            const double level = std::round(1234 + c.wave(1200, 60) + c.ripple(2));
            show(w, *f, 5, reference - level);
            show(w, *f, 6, reference);
            show(w, *f, 7, level);
            break;
        }
        case Simulated::Evaporimeter:
            show(w, *f, 2, airTemperature(c));
            show(w, *f, 3, 152 + c.wave(1800, 4) + c.ripple(0.3));
            show(w, *f, 5, 3.4 + c.wave(3600, 0.2));
            show(w, *f, 6, 15.2 + c.wave(1800, 0.4));
            show(w, *f, 7, 15.0);
            show(w, *f, 9, 42 + c.wave(3600, 2));
            break;
        case Simulated::Reservoir: {  // submerged, second, then the level
            w.put(2, 1850 + c.wave(600, 40) + c.ripple(2));
            w.put(3, 1200 + c.wave(900, 20));
            // Level in millimetres: b10 x 100000 + b11 x 256 + b12, b11 and b12 below 65536.
            const auto level = long(112345 + c.wave(1800, 300) + c.ripple(3));
            w.frame[9] = char(level / 100000);
            const long rest = level % 100000;
            w.frame[10] = char(rest / 256);
            w.frame[11] = char(rest % 256);
            break;
        }
    }
    return w.frame;
}

}  // namespace vernoll::sim
