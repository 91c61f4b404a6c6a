#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "family/reading.h"

// The logger families: what a logger's serial number says about it, in one table. Each row
// gives a family's device name, memory size, column header and columns, its record
// conversions and the record line, the lines of its live display, and what the emulator
// generates for it. Everything else keyed on the serial number looks it up here.
namespace vernoll::family {

enum class Id : std::uint8_t {
    Radiometer,
    FlowMeter124,
    FlowMeter125,
    RainGauge,
    Thermometer,
    VoltageCurrent,
    RainGauge30000,
    DigitalRainGauge,
    DigitalRainGaugeII,
    WaterLevel,
    TransitFlowMeter,
    UltrasonicLevel,
    RainGaugeTelemetry,
    EvaporimeterTelemetry,
    Evaporimeter,
    Reservoir,
};

// The serial numbers of a family's range (lo <= n < hi) that a part of its row applies to.
enum class Reach : std::uint8_t {
    None,
    Range,          // lo <= n < hi
    ThroughUpper,   // lo <= n <= hi
    Lowest,         // n == lo
    FirstThousand,  // lo <= n < lo + 1000
};

// Where the record decoder keeps a value between records. A family's conversions store into
// slots and its record line prints them; families measuring the same quantity share a slot,
// so a value stays there until a record of any of them converts it again.
enum class Slot : std::uint8_t {
    Temperature,  // T of the rain gauges, the thermometers and the evaporimeter
    Rain,         // P
    Current,      // X, word 1 of the voltage-current logger
    Voltage,      // Y, word 3 of the voltage-current logger
    Level,        // L of the two water-level loggers
    Evaporation,  // E of the evaporimeter with telemetry
    Reserve,      // R of the evaporimeter with telemetry
    Eva,          // E of the plain evaporimeter
    Spillway,     // V of the reservoir-level logger
    Elevation,    // K of the reservoir-level logger
    Radiation,    // Q
    Flow,         // F
};
inline constexpr int kSlots = 12;

// How a record value comes from its word w, the operations in the order the logger's makers
// give them (the order decides the last bits of the double).
enum class Shape : std::uint8_t {
    Scale,              // w * a
    ScaleScale,         // w * a * b
    ScaleDivide,        // w * a / c
    ScaleOffsetScale,   // (w * a - b) * c
    ScaleOffsetDivide,  // (w * a - b) / c
    Plain,              // w
    HighByte,           // byte 14 is the high half of word 4: nothing to compute yet
    ReservoirA,         // keep word 1 unrounded
    ReservoirB,         // keep word 2 unrounded; V = (A - B) * a
    ReservoirK,         // C = byte 12 * 100000 + byte 13 * 256 + byte 14; K = (A - B + C) * a
};

// One record conversion: at record byte `position` the word completed there (9: word 1,
// 11: word 2, 13: word 3, 15: word 4) goes through `shape` into `slot`, rounded to `decimals`
// places. HighByte and ReservoirA store nothing: their slot is the one the next step fills.
struct Conversion {
    int position;
    Shape shape;
    double a, b, c;
    int decimals;
    Slot slot;

    // The value of word w, for the shapes Scale to Plain.
    double apply(double w) const;
    // The word a value comes from, for the shapes Scale to Plain: the emulator's records.
    double inverse(double v) const;
};

// Where a live line's value comes from.
enum class Source : std::uint8_t {
    Signed,         // s(W)
    Radiometer,     // 2 x u(W), held as 16-bit two's complement
    Submerged,      // reservoir: submerged raw
    Level,          // reservoir: b10 x 100000 + b11 x 256 + b12
    Spillway,       // reservoir: submerged raw - second raw
    SpillwayLevel,  // reservoir: submerged raw - second raw + level raw
    NorthSouth,     // flow meter: the north-south group, from u(W)
    SouthNorth,     // flow meter: the south-north group, from u(W)
};

inline constexpr int kNoRounding = -1;

// One line of the live display: value = ((x * scale) + offset) * times / divide, in double
// precision and in that order, so each line computes exactly what the family's formula does;
// label, number text and unit.
struct LiveLine {
    Reach reach;
    Source source;
    int word;  // 1 .. 9, for the sources read from a word
    double scale, offset, times, divide;
    int decimals;  // the pattern's decimals; kNoRounding writes the value unrounded
    const char16_t* label;
    const char16_t* unit;

    double value(double x) const { return ((x * scale) + offset) * times / divide; }
    // The word that shows `v`: the emulator's frames.
    double inverse(double v) const { return (v * divide / times - offset) / scale; }
};

// A value column of the records, after the date and the time: the slot its values come from
// and whether it is a reading at the time stamp or a count since the last record.
struct ColumnSlot {
    Slot slot;
    Column::Kind kind;
};

// What the emulator generates for a family: its records and its live frames.
enum class Simulated : std::uint8_t {
    Nothing,
    Radiation,        // solar radiation, the day's arc
    TemperatureRain,  // air temperature and the rain gauge's counter (the battery where shown)
    CurrentVoltage,   // a panel's charging current and battery voltage
    WaterLevel,       // a river level in metres
    UltrasonicLevel,  // a level in millimetres below a reference
    TransitCounts,    // transit counts of both directions
    Flow,             // litres in the interval
    Evaporimeter,     // evaporation, the reserve tank and the pan's levels
    PanEvaporation,   // evaporation alone
    Reservoir,        // the spillway's water and the reservoir's elevation
};

inline constexpr int kSmallMemoryBlocks = 1024;
inline constexpr int kLargeMemoryBlocks = 4096;
inline constexpr int kHandshakeFrames = 2;  // a download's frames before the first block

struct Family {
    Id id;
    double lo, hi;  // the serial numbers lo <= n < hi
    // As the window shows it and the exports write it, blanks included; nullptr for a family
    // the configuration import does not know (it leaves the device and header as they were).
    const char* name;
    const char* header;  // the column header line without its line end
    int memoryBlocks;
    std::span<const ColumnSlot> columns;  // in the header's order, which the record line prints
    Reach converts;                       // whose records are converted
    std::span<const Conversion> conversions;
    Reach prints;  // whose records print a line
    std::span<const LiveLine> live;
    Simulated simulated;

    // Whether the serial number n is among those `r` names.
    bool reaches(Reach r, double n) const;
    // SMS telemetry: the family lies in the SMS series (hasSms).
    bool sms() const;
};

std::span<const Family> families();

// The family whose range holds n; nullptr when none does.
const Family* of(double n);
// The family whose conversions, record line or live lines reach n.
const Family* converting(double n);
const Family* printing(double n);
const Family* showingLive(double n);

// Loggers with SMS telemetry.
bool hasSms(double n);

// The family's columns as typed readings name them, from its header.
std::vector<Column> columns(const Family& f);
// The columns of the record lines n prints: none when n prints no line.
std::vector<Column> columnsOfLines(double n);
// Columns named by a header line kept apart from its logger (the archive keeps the line, not
// which columns count): each one the family of n names too takes the family's kind.
void takeKindsOfFamily(double n, std::vector<Column>& columns);

// The conversion of word to value that fills `slot`, nullptr when none does.
const Conversion* conversionInto(const Family& f, Slot slot);
// The live line reading word k as s(W), nullptr when none does.
const LiveLine* liveLineOfWord(const Family& f, int k);

}  // namespace vernoll::family
