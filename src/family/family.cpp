#include "family/family.h"

#include <QString>

namespace vernoll::family {

namespace {

using K = Column::Kind;
using S = Slot;

constexpr char kRainHeader[] = "Fecha,Hora,Temperatura[\u00baC],Precipitacion[mm]";

// ---- columns -------------------------------------------------------------------------------
// Count: what the logger adds up between two records (the rain gauge's tips, the litres that
// flowed, the millimetres that evaporated), so a day's value is the sum of its records.
// Sample: a reading taken at the time stamp (temperature, current, voltage, a level, the
// radiation), so a day's value is a mean.

constexpr ColumnSlot kTemperatureRain[] = {{S::Temperature, K::Sample}, {S::Rain, K::Count}};
constexpr ColumnSlot kTemperature[] = {{S::Temperature, K::Sample}};
constexpr ColumnSlot kCurrentVoltage[] = {{S::Current, K::Sample}, {S::Voltage, K::Sample}};
constexpr ColumnSlot kLevel[] = {{S::Level, K::Sample}};
constexpr ColumnSlot kEvaporimeterTelemetry[] = {
    {S::Temperature, K::Sample}, {S::Evaporation, K::Count}, {S::Reserve, K::Sample}};
constexpr ColumnSlot kEva[] = {{S::Eva, K::Count}};
constexpr ColumnSlot kReservoir[] = {{S::Spillway, K::Sample}, {S::Elevation, K::Sample}};
constexpr ColumnSlot kRadiation[] = {{S::Radiation, K::Sample}};
constexpr ColumnSlot kFlow[] = {{S::Flow, K::Count}};

// ---- record conversions --------------------------------------------------------------------

constexpr Conversion kRainGaugeRecord[] = {
    {9, Shape::ScaleOffsetScale, 0.002, 0.682, 100, 1, S::Temperature},
    {13, Shape::Scale, 0.2, 0, 0, 1, S::Rain},
};
constexpr Conversion kThermometerRecord[] = {
    {9, Shape::ScaleOffsetScale, 0.002, 0.682, 100, 1, S::Temperature},
};
constexpr Conversion kVoltageCurrentRecord[] = {
    {9, Shape::Scale, 0.0038, 0, 0, 1, S::Current},
    {13, Shape::ScaleDivide, 346.67, 0, 1000, 1, S::Voltage},
};
constexpr Conversion kDigitalRecord[] = {
    {9, Shape::ScaleOffsetScale, 0.004, 2.7315, 100, 1, S::Temperature},
    {13, Shape::Scale, 0.2, 0, 0, 1, S::Rain},
};
constexpr Conversion kDigitalIIRecord[] = {
    {9, Shape::ScaleOffsetScale, 0.002, 0.6835, 100, 1, S::Temperature},
    {13, Shape::Scale, 0.2, 0, 0, 1, S::Rain},
};
constexpr Conversion kWaterLevelRecord[] = {
    {11, Shape::ScaleOffsetDivide, 0.36, 19.5, 100, 3, S::Level},
};
constexpr Conversion kUltrasonicRecord[] = {
    {11, Shape::Plain, 0, 0, 0, 1, S::Level},
};
// T comes last, from word 4, whose high half is byte 14.
constexpr Conversion kEvaporimeterTelemetryRecord[] = {
    {9, Shape::ScaleScale, 0.2638, 0.44, 0, 1, S::Evaporation},
    {11, Shape::Scale, 0.2638, 0, 0, 1, S::Reserve},
    {14, Shape::HighByte, 0, 0, 0, 0, S::Temperature},
    {15, Shape::ScaleOffsetScale, 0.00122, 2.7315, 100, 1, S::Temperature},
};
constexpr Conversion kEvaporimeterRecord[] = {
    {13, Shape::Scale, 0.0073, 0, 0, 2, S::Eva},
};
constexpr Conversion kReservoirRecord[] = {
    {9, Shape::ReservoirA, 0, 0, 0, 0, S::Spillway},
    {11, Shape::ReservoirB, 0.001, 0, 0, 3, S::Spillway},
    {14, Shape::ReservoirK, 0.001, 0, 0, 3, S::Elevation},
};
constexpr Conversion kRadiometerRecord[] = {
    {9, Shape::Scale, 2, 0, 0, 0, S::Radiation},
};
constexpr Conversion kFlow124Record[] = {
    {13, Shape::Scale, 0.25, 0, 0, 1, S::Flow},
};
constexpr Conversion kFlow125Record[] = {
    {13, Shape::Scale, 2.5, 0, 0, 1, S::Flow},
};

// ---- live lines, in the order of the frame's words -----------------------------------------
// The labels and units are the display's own, deliberately kept: "Rad[Kw/m2]=" shows its
// value in "W/m2", the battery line has no unit, some labels have a blank before "=" and
// some do not ("Pluviometro =", "NIVEL[mm]="), the reservoir's "cota=" and "cota(msnm)=".

constexpr double kTenthMm = 0.2;
constexpr double kEvaporimeterCm = 0.10851;
constexpr Reach R = Reach::Range;
constexpr Reach U = Reach::ThroughUpper;
constexpr Reach F = Reach::FirstThousand;
constexpr Reach L = Reach::Lowest;
constexpr int kSmall = kSmallMemoryBlocks;
constexpr int kLarge = kLargeMemoryBlocks;

// clang-format off
constexpr LiveLine kRadiometerLive[] = {
    {L, Source::Radiometer, 1, 1, 0, 1, 1, 0, u"Rad[Kw/m2]=", u"W/m2"},
};
constexpr LiveLine kRainGaugeLive[] = {
    {R, Source::Signed, 2, 0.002, -0.682, 100, 1, 1, u"Temp[\u00baC]=", u"\u00baC"},
    {R, Source::Signed, 4, kTenthMm, 0, 1, 1, 1, u"Pluviometro =", u"mm"},
};
constexpr LiveLine kThermometerLive[] = {
    {R, Source::Signed, 2, 0.002, -0.682, 100, 1, 1, u"Temp[\u00baC]=", u"\u00baC"},
};
constexpr LiveLine kVoltageCurrentLive[] = {
    {R, Source::Signed, 2, 0.0038, 0, 1, 1, 1, u"Icc[A]=", u"A"},
    {R, Source::Signed, 3, 346.67, 0, 1, 1000, 1, u"Vcc[V]=", u"V"},
};
// The temperature lines of the next three families reach their upper bound; their rain lines
// do not, and the digital rain gauge (as the one with telemetry below) shows its rain for its
// first thousand serial numbers only. Deliberate: the live display has always shown these
// ranges, whatever the import names the families by.
constexpr LiveLine kRainGauge30000Live[] = {
    {U, Source::Signed, 2, 0.002, -0.682, 100, 1, 1, u"Temp[\u00baC]=", u"\u00baC"},
    {R, Source::Signed, 4, kTenthMm, 0, 1, 1, 1, u"Pluviometro =", u"mm"},
};
constexpr LiveLine kDigitalLive[] = {
    {U, Source::Signed, 2, 0.004, -2.7315, 100, 1, 1, u"Temp[\u00baC]=", u"\u00baC"},
    {F, Source::Signed, 4, kTenthMm, 0, 1, 1, 1, u"Pluviometro =", u"mm"},
};
constexpr LiveLine kDigitalIILive[] = {
    {U, Source::Signed, 2, 0.002, -0.6835, 100, 1, 1, u"Temp[\u00baC]=", u"\u00baC"},
    {R, Source::Signed, 4, kTenthMm, 0, 1, 1, 1, u"Pluviometro =", u"mm"},
    {R, Source::Signed, 8, 0.00463, 0, 1, 1, 3, u"bat12v [V]=", u""},
};
constexpr LiveLine kWaterLevelLive[] = {
    {U, Source::Signed, 7, 0.36, -19.5, 1, 1, 2, u"Nivel =", u"cm"},
};
constexpr LiveLine kTransitFlowLive[] = {
    {L, Source::NorthSouth, 1, 1, 0, 1, 1, 0, u"", u""},
    {L, Source::SouthNorth, 2, 1, 0, 1, 1, 0, u"", u""},
};
constexpr LiveLine kUltrasonicLive[] = {
    {U, Source::Signed, 5, 1, 0, 1, 1, 2, u"Nivel Altura =", u"mm"},
    {U, Source::Signed, 6, 1, 0, 1, 1, 2, u"Nivel referencia =", u"mm"},
    {U, Source::Signed, 7, 1, 0, 1, 1, 2, u"Nivel =", u"mm"},
};
constexpr LiveLine kRainGaugeTelemetryLive[] = {
    {R, Source::Signed, 2, 0.004, -2.7315, 100, 1, 1, u"Temp[\u00baC]=", u"\u00baC"},
    {F, Source::Signed, 4, kTenthMm, 0, 1, 1, 1, u"Pluviometro =", u"mm"},
};
// The pan's three levels reach the upper bound, 2052000, which is the plain evaporimeter's
// number: that logger's live display shows them. The other lines show for the first thousand
// serial numbers only. Deliberate, as above.
constexpr LiveLine kEvaporimeterTelemetryLive[] = {
    {F, Source::Signed, 2, 0.00122, -2.7315, 100, 1, 1, u"Temp[\u00baC]=", u"\u00baC"},
    {F, Source::Signed, 3, 0.2638, 0, 1, 1, 1, u"NIVEL[mm]=", u"mm"},
    {F, Source::Signed, 5, 1.135, 0, 1, 1, 1, u"Evaporacion ANTERIOR=", u"mm"},
    {U, Source::Signed, 6, kEvaporimeterCm, 0, 1, 1, 2, u"Nivel ANTERIOR =", u"cm"},
    {U, Source::Signed, 7, kEvaporimeterCm, 0, 1, 1, 2, u"Nivel CERO =", u"cm"},
    {U, Source::Signed, 9, kEvaporimeterCm, 0, 1, 1, 2, u"Nivel T. Reserva =", u"cm"},
};
constexpr LiveLine kReservoirLive[] = {
    {R, Source::Submerged,     2, 0.001, 0, 1, 1, kNoRounding, u"Real Sumergido=", u"m"},
    {R, Source::Level,         0, 0.001, 0, 1, 1, 3, u"cota=", u"m"},
    {R, Source::Spillway,      0, 0.001, 0, 1, 1, 3, u"Vertedero=", u"m"},
    {R, Source::SpillwayLevel, 0, 0.001, 0, 1, 1, 3, u"cota(msnm)=", u"m"},
};
// clang-format on

// ---- the families --------------------------------------------------------------------------
// No two ranges overlap, so a serial number has one family whatever order the families are
// looked at in; the same holds for each reach (conversions, record line, live lines).
//
// Deliberate oddities of the logger's own texts, kept as the loggers' users know them: the
// blank that ends "Registrador Tension-Corriente ", "Termo-Pluviometro Digital " and
// "Caudalimetro ", the blanks around " Evaporimetro " and before " Evaporimetro con
// Telemetria", the blank before a unit in "Corriente [Acc]", "Nivel [m]", "EVA [mm]" but not
// in "Tension[Vcc]", and "Cota (m)[m]".
//
// Deliberate ends of ranges, as the loggers' program has always had them:
//  - the two water-level families convert and print up to their upper bound inclusive, one
//    serial number past the range the import names them by;
//  - the reservoir family converts below 2061000 but prints up to 2061000 inclusive: a logger
//    numbered 2061000 gets lines with the values left by earlier records;
//  - the radiometer, the plain evaporimeter and the two flow meters convert their one serial
//    number; of the flow meters' range 124 <= n < 126 the record line reaches 124 up to 125
//    inclusive (a fractional number between 124 and 125 prints the flow left before);
//  - the flow meter 80000 is known to the live display only.
// clang-format off
const Family kFamilies[] = {
    // id, serial numbers lo <= n < hi, device name, column header, memory,
    //     columns, conversions (reach, rows), record line (reach), live lines, emulator
    {Id::Radiometer, 123, 124, "Radiometro", "Fecha,Hora,Radiacion[Kw/m2]", kSmall, kRadiation, L,
        kRadiometerRecord, L, kRadiometerLive, Simulated::Radiation},
    {Id::FlowMeter124, 124, 125, "Caudalimetro ", "Fecha,Hora,Caudal [l]", kSmall, kFlow, L,
        kFlow124Record, R, {}, Simulated::Flow},
    {Id::FlowMeter125, 125, 126, "Caudalimetro ", "Fecha,Hora,Caudal [l]", kSmall, kFlow, L,
        kFlow125Record, L, {}, Simulated::Flow},
    {Id::RainGauge, 20000, 21000, "Termo-Pluviometro", kRainHeader, kSmall, kTemperatureRain, R,
        kRainGaugeRecord, R, kRainGaugeLive, Simulated::TemperatureRain},
    // The emulator fills the rain gauge's counter word of the thermometer too, though neither
    // its record line nor its live display shows it.
    {Id::Thermometer, 21000, 22000, "Termometro", "Fecha,Hora,Temperatura[\u00baC]", kSmall,
        kTemperature, R, kThermometerRecord, R, kThermometerLive, Simulated::TemperatureRain},
    {Id::VoltageCurrent, 22000, 23000, "Registrador Tension-Corriente ",
        "Fecha,Hora,Corriente [Acc],Tension[Vcc]", kSmall, kCurrentVoltage, R,
        kVoltageCurrentRecord, R, kVoltageCurrentLive, Simulated::CurrentVoltage},
    {Id::RainGauge30000, 30000, 31000, "Termo-Pluviometro", kRainHeader, kSmall, kTemperatureRain,
        R, kRainGaugeRecord, R, kRainGauge30000Live, Simulated::TemperatureRain},
    {Id::DigitalRainGauge, 40000, 42000, "Termo-Pluviometro Digital ", kRainHeader, kSmall,
        kTemperatureRain, R, kDigitalRecord, R, kDigitalLive, Simulated::TemperatureRain},
    {Id::DigitalRainGaugeII, 50000, 52000, "Termo-Pluviometro Digital II", kRainHeader, kLarge,
        kTemperatureRain, R, kDigitalIIRecord, R, kDigitalIILive, Simulated::TemperatureRain},
    {Id::WaterLevel, 70000, 72000, "Nivel de Agua", "Fecha,Hora,Nivel [m]", kLarge, kLevel, U,
        kWaterLevelRecord, U, kWaterLevelLive, Simulated::WaterLevel},
    {Id::TransitFlowMeter, 80000, 80001, nullptr, nullptr, kSmall, {}, Reach::None, {}, Reach::None,
        kTransitFlowLive, Simulated::TransitCounts},
    {Id::UltrasonicLevel, 90000, 92000, "Nivel de Agua por Ultrasonido", "Fecha,Hora,Nivel [mm]",
        kLarge, kLevel, U, kUltrasonicRecord, U, kUltrasonicLive, Simulated::UltrasonicLevel},
    {Id::RainGaugeTelemetry, 2040000, 2042000, "Termo-Pluviometro Digital Con Telemetria",
        kRainHeader, kSmall, kTemperatureRain, R, kDigitalRecord, R, kRainGaugeTelemetryLive,
        Simulated::TemperatureRain},
    {Id::EvaporimeterTelemetry, 2050000, 2052000, " Evaporimetro con Telemetria",
        "Fecha,Hora,Temperatura[\u00baC],EVA [mm],Nivel Reserva[cm]", kSmall,
        kEvaporimeterTelemetry, R, kEvaporimeterTelemetryRecord, R, kEvaporimeterTelemetryLive,
        Simulated::Evaporimeter},
    {Id::Evaporimeter, 2052000, 2052001, " Evaporimetro ", "Fecha,Hora,EVA [mm]", kSmall, kEva, L,
        kEvaporimeterRecord, L, {}, Simulated::PanEvaporation},
    {Id::Reservoir, 2060000, 2061000, "Nivel De Embalse Con Telemetria",
        "Fecha,Hora,Nivel a Vertedero [m],Cota (m)[m]", kSmall, kReservoir, R, kReservoirRecord, U,
        kReservoirLive, Simulated::Reservoir},
};
// clang-format on

// SMS telemetry: the whole series from 2,000,000 to 3,000,000, both ends included, whether or
// not a family claims the number. Deliberate: the import offers the SMS operations by this
// series, not by the family.
constexpr double kSmsFirst = 2000000;
constexpr double kSmsLast = 3000000;

template <Reach Family::*what>
const Family* reaching(double n) {
    for (const Family& f : kFamilies)
        if (f.reaches(f.*what, n)) return &f;
    return nullptr;
}

}  // namespace

double Conversion::apply(double w) const {
    switch (shape) {
        case Shape::Scale:
            return w * a;
        case Shape::ScaleScale:
            return w * a * b;
        case Shape::ScaleDivide:
            return w * a / c;
        case Shape::ScaleOffsetScale:
            return (w * a - b) * c;
        case Shape::ScaleOffsetDivide:
            return (w * a - b) / c;
        default:
            return w;
    }
}

double Conversion::inverse(double v) const {
    switch (shape) {
        case Shape::Scale:
            return v / a;
        case Shape::ScaleScale:
            return v / b / a;
        case Shape::ScaleDivide:
            return v * c / a;
        case Shape::ScaleOffsetScale:
            return (v / c + b) / a;
        case Shape::ScaleOffsetDivide:
            return (v * c + b) / a;
        default:
            return v;
    }
}

bool Family::reaches(Reach r, double n) const {
    switch (r) {
        case Reach::None:
            return false;
        case Reach::Range:
            return n >= lo && n < hi;
        case Reach::ThroughUpper:
            return n >= lo && n <= hi;
        case Reach::Lowest:
            return n == lo;
        case Reach::FirstThousand:
            return n >= lo && n < lo + 1000;
    }
    return false;
}

bool Family::sms() const {
    return hasSms(lo);
}

std::span<const Family> families() {
    return kFamilies;
}

const Family* of(double n) {
    for (const Family& f : kFamilies)
        if (n >= f.lo && n < f.hi) return &f;
    return nullptr;
}

const Family* converting(double n) {
    return reaching<&Family::converts>(n);
}

const Family* printing(double n) {
    return reaching<&Family::prints>(n);
}

const Family* showingLive(double n) {
    for (const Family& f : kFamilies)
        for (const LiveLine& line : f.live)
            if (f.reaches(line.reach, n)) return &f;
    return nullptr;
}

bool hasSms(double n) {
    return n >= kSmsFirst && n <= kSmsLast;
}

std::vector<Column> columns(const Family& f) {
    if (!f.header) return {};
    std::vector<Column> out = columnsOfHeader(QString::fromUtf8(f.header));
    for (std::size_t i = 0; i < out.size() && i < f.columns.size(); ++i)
        out[i].kind = f.columns[i].kind;
    return out;
}

std::vector<Column> columnsOfLines(double n) {
    const Family* f = printing(n);
    return f ? columns(*f) : std::vector<Column>{};
}

void takeKindsOfFamily(double n, std::vector<Column>& columns) {
    for (const Column& known : columnsOfLines(n))
        for (Column& c : columns)
            if (c.title == known.title) c.kind = known.kind;
}

const Conversion* conversionInto(const Family& f, Slot slot) {
    for (const Conversion& c : f.conversions)
        if (c.slot == slot && c.shape <= Shape::Plain) return &c;
    return nullptr;
}

const LiveLine* liveLineOfWord(const Family& f, int k) {
    for (const LiveLine& line : f.live)
        if (line.source == Source::Signed && line.word == k) return &line;
    return nullptr;
}

}  // namespace vernoll::family
