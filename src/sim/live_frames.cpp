// Live frames from the emulated logger's state. Each family's readings are chosen as physical
// values and encoded with the inverse of the scaling the live display applies, so the
// live display shows the values chosen here, give or take the words' resolution.
#include "sim/live_frames.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace vernoll::sim {

namespace {

constexpr int kFrameSize = 21;
constexpr double kTwoPi = 6.283185307179586;

struct Words {
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

// Temperature in degrees to the word of a scaling (s x scale - offset) x 100.
double temperatureWord(double celsius, double scale, double offset) {
    return (celsius / 100 + offset) / scale;
}

double airTemperature(const Clock& c) {
    return 22 + c.wave(600, 3) + c.ripple(0.15);
}

// Rain gauge tips of 0.2 mm, a few more every ten minutes, emptied every few hours.
double rainWord(const Clock& c) {
    return std::fmod(std::floor(c.t / 600), 40);
}

bool in(long n, long lo, long hi) {
    return n >= lo && n <= hi;
}

}  // namespace

QByteArray liveFrame(const QString& serialDigits, const QDateTime& now) {
    bool ok = false;
    const long n = serialDigits.toLong(&ok);
    const Clock c{double(now.toMSecsSinceEpoch()) / 1000.0};
    Words w;
    if (!ok) return w.frame;

    if (n == 123) {  // radiometer: W1 holds half the radiation
        w.put(1, (650 + c.wave(900, 150) + c.ripple(4)) / 2);
    } else if (in(n, 20000, 21999) || in(n, 30000, 31000)) {  // thermometers and rain gauges
        w.put(2, temperatureWord(airTemperature(c), 0.002, 0.682));
        w.put(4, rainWord(c));
    } else if (in(n, 22000, 22999)) {  // voltage and current recorder
        w.put(2, (1.2 + c.wave(300, 0.3) + c.ripple(0.02)) / 0.0038);
        w.put(3, (12.6 + c.wave(900, 0.4)) * 1000 / 346.67);
    } else if (in(n, 40000, 42000) || in(n, 2040000, 2041999)) {  // thermometers in kelvin
        w.put(2, temperatureWord(airTemperature(c), 0.004, 2.7315));
        w.put(4, rainWord(c));
    } else if (in(n, 50000, 52000)) {  // thermo-pluviometer II with its battery
        w.put(2, temperatureWord(airTemperature(c), 0.002, 0.6835));
        w.put(4, rainWord(c));
        w.put(8, (12.6 + c.wave(1800, 0.3) + c.ripple(0.01)) / 0.00463);
    } else if (in(n, 70000, 72000)) {  // water level, in centimetres
        w.put(7, (85 + c.wave(1200, 10) + c.ripple(0.5) + 19.5) / 0.36);
    } else if (n == 80000) {  // flow meter: transit counts of both directions
        w.put(1, 4700 + c.wave(120, 12) + c.ripple(3));
        w.put(2, 4720 + c.wave(120, 12, 1) + c.ripple(3));
    } else if (in(n, 90000, 92000)) {  // ultrasonic level: height = reference - level
        const double reference = 3000;
        const double level = std::round(1234 + c.wave(1200, 60) + c.ripple(2));
        w.put(5, reference - level);
        w.put(6, reference);
        w.put(7, level);
    } else if (in(n, 2050000, 2052000)) {  // evaporimeter
        w.put(2, temperatureWord(airTemperature(c), 0.00122, 2.7315));
        w.put(3, (152 + c.wave(1800, 4) + c.ripple(0.3)) / 0.2638);
        w.put(5, (3.4 + c.wave(3600, 0.2)) / 1.135);
        w.put(6, (15.2 + c.wave(1800, 0.4)) / 0.10851);
        w.put(7, 15.0 / 0.10851);
        w.put(9, (42 + c.wave(3600, 2)) / 0.10851);
    } else if (in(n, 2060000, 2060999)) {  // reservoir: submerged, second, then the level
        w.put(2, 1850 + c.wave(600, 40) + c.ripple(2));
        w.put(3, 1200 + c.wave(900, 20));
        // Level in millimetres: b10 x 100000 + b11 x 256 + b12, b11 and b12 below 65536.
        const auto level = long(112345 + c.wave(1800, 300) + c.ripple(3));
        w.frame[9] = char(level / 100000);
        const long rest = level % 100000;
        w.frame[10] = char(rest / 256);
        w.frame[11] = char(rest % 256);
    }
    return w.frame;
}

}  // namespace vernoll::sim
