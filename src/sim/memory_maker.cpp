#include "sim/memory_maker.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "family/family.h"

namespace vernoll::sim {

namespace {

constexpr int kRecordBytes = 16;

std::uint8_t bcd(int v) {
    return std::uint8_t(((v / 10) << 4) | (v % 10));
}

// A small deterministic generator: the same seed, the same values.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed * 2654435761U + 1U) {}
    // Uniform in [0, 1).
    double next() {
        state_ = state_ * 1664525U + 1013904223U;
        return double(state_ >> 8) / double(1U << 24);
    }

private:
    std::uint32_t state_;
};

int word(double v) {
    return std::clamp(int(std::lround(v)), 0, 0xFFFF);
}

// What the logger measured at one moment, in engineering units.
struct Measured {
    double temperature;  // ºC
    double rain;         // rain gauge counts in the interval
    double level;        // m
    double radiation;    // W/m2
    double current, voltage;
    double evaporation, reserve;  // mm, cm
    double flow;                  // counts in the interval
};

Measured readingAt(const QDateTime& t, Noise& noise) {
    const double hour = t.time().hour() + t.time().minute() / 60.0;
    const double day = std::sin((hour - 9.0) / 24.0 * 2 * std::numbers::pi);  // peak mid-afternoon
    const double sun = std::max(0.0, std::sin((hour - 6.0) / 12.0 * std::numbers::pi));
    Measured r{};
    r.temperature = 15.0 + 8.0 * day + (noise.next() - 0.5);
    r.rain = noise.next() < 0.1 ? std::floor(noise.next() * 6) : 0;
    r.level = 2.0 + 0.3 * std::sin(double(t.date().dayOfYear()) / 10.0) + 0.01 * noise.next();
    r.radiation = 900.0 * sun + 20.0 * noise.next();
    r.current = 0.5 + 2.0 * sun + 0.1 * noise.next();
    r.voltage = 12.4 + 1.5 * sun + 0.1 * noise.next();
    r.evaporation = 6.0 * sun + noise.next();
    r.reserve = 40.0 + 5.0 * noise.next();
    r.flow = std::floor(20.0 + 10.0 * noise.next());
    return r;
}

struct Words {
    int w1 = 0, w2 = 0, w3 = 0, w4 = 0;
    int byte14 = -1;  // the reservoir logger's counter byte, in place of word 4's high half
};

// The word that the family's conversion into `slot` turns back into `value`.
int wordOf(const family::Family& f, family::Slot slot, double value) {
    const family::Conversion* c = family::conversionInto(f, slot);
    return c ? word(c->inverse(value)) : 0;
}

// The raw words that the decoder turns back into the reading, family by family.
Words wordsFor(const family::Family& f, const Measured& r) {
    using family::Simulated;
    using S = family::Slot;
    Words w;
    switch (f.simulated) {
        case Simulated::Nothing:
        case Simulated::TransitCounts:
            break;
        case Simulated::Radiation:
            w.w1 = wordOf(f, S::Radiation, r.radiation);
            break;
        case Simulated::Flow:
            w.w3 = wordOf(f, S::Flow, r.flow);
            break;
        case Simulated::TemperatureRain:
            w.w1 = wordOf(f, S::Temperature, r.temperature);
            w.w3 = word(r.rain);  // the gauge's counter, whether the family shows it or not
            break;
        case Simulated::CurrentVoltage:
            w.w1 = wordOf(f, S::Current, r.current);
            w.w3 = wordOf(f, S::Voltage, r.voltage);
            break;
        case Simulated::WaterLevel:
            w.w2 = wordOf(f, S::Level, r.level);
            break;
        case Simulated::UltrasonicLevel:
            w.w2 = wordOf(f, S::Level, r.level * 1000);
            break;
        case Simulated::Evaporimeter:
            w.w1 = wordOf(f, S::Evaporation, r.evaporation);
            w.w2 = wordOf(f, S::Reserve, r.reserve);
            w.w4 = wordOf(f, S::Temperature, r.temperature);
            break;
        case Simulated::PanEvaporation:
            w.w3 = wordOf(f, S::Eva, r.evaporation);
            break;
        case Simulated::Reservoir: {
            // Level over the spillway (A - B) and the elevation (A - B + C) in mm; C is counted
            // as byte 12 * 100000 + byte 13 * 256 + byte 14.
            const int spill = word(r.level * 250);
            w.w2 = 1000;
            w.w1 = w.w2 + spill;
            const int counter = 248000 + int(r.level * 100);
            w.w3 = (counter / 100000) * 256 + (counter % 100000) / 256;
            w.byte14 = (counter % 100000) % 256;
            break;
        }
    }
    return w;
}

}  // namespace

QByteArray makeMemory(const MemoryPlan& plan) {
    QByteArray memory(std::max(plan.memoryBytes, 0), char(0xFF));
    const int records = std::clamp(plan.records, 0, int(memory.size()) / kRecordBytes);
    // The records of the family whose conversions reach the serial number.
    const family::Family* f = family::converting(double(plan.serial));
    for (int i = 0; i < records; ++i) {
        const QDateTime t = plan.start.addSecs(qint64(i) * plan.intervalMinutes * 60);
        // A logger read twice gives the same values for the same moment, whichever records
        // the two memories hold: the noise depends on the logger and the moment only.
        Noise noise(plan.serial ^ std::uint32_t(t.toSecsSinceEpoch() / 60));
        const Measured r = readingAt(t, noise);
        const Words w = f ? wordsFor(*f, r) : Words{};
        const QDate d = t.date();
        const QTime h = t.time();
        const std::uint8_t record[kRecordBytes] = {
            bcd(h.hour()),
            bcd(h.minute()),
            bcd(h.second()),
            bcd(d.day()),
            bcd(d.month()),
            bcd(((d.year() % 100) + 100) % 100),
            0,  // status: nothing to report
            0,
            std::uint8_t(w.w1 >> 8),
            std::uint8_t(w.w1),
            std::uint8_t(w.w2 >> 8),
            std::uint8_t(w.w2),
            std::uint8_t(w.w3 >> 8),
            std::uint8_t(w.w3),
            std::uint8_t(w.byte14 >= 0 ? w.byte14 : w.w4 >> 8),
            std::uint8_t(w.w4),
        };
        std::copy(std::begin(record), std::end(record), memory.begin() + i * kRecordBytes);
    }
    return memory;
}

}  // namespace vernoll::sim
