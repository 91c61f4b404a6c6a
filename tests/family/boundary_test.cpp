// What every table keyed on the serial number does at each end of each range, just inside
// and just outside: the device name, memory size and SMS of the import, the record line of
// the decoder, the live display's lines, and what the emulator sends. Whole numbers are what
// a logger reports; the fractional rows pin down what a caller passing one gets.

#include <gtest/gtest.h>

#include <QStringList>
#include <QTimeZone>
#include <cmath>
#include <ostream>
#include <string>

#include "config/device.h"
#include "live/live_decoder.h"
#include "memory/decoder.h"
#include "sim/live_frames.h"
#include "sim/logger_emulator.h"
#include "sim/memory_maker.h"

namespace vernoll {
namespace {

// The live display's lines, by the labels they start with.
enum class Live {
    None,
    Radiation,
    Temp,
    TempRain,
    TempRainBattery,
    CurrentVoltage,
    Level,
    Ultrasonic,
    TransitFlow,
    Evaporimeter,
    EvaporimeterLevels,
    Reservoir,
};

QStringList labels(Live l) {
    const QString temp = QStringLiteral("Temp[\u00baC]=");
    const QString rain = QStringLiteral("Pluviometro =");
    const QStringList levels{QStringLiteral("Nivel ANTERIOR ="), QStringLiteral("Nivel CERO ="),
                             QStringLiteral("Nivel T. Reserva =")};
    switch (l) {
        case Live::None:
            return {};
        case Live::Radiation:
            return {QStringLiteral("Rad[Kw/m2]=")};
        case Live::Temp:
            return {temp};
        case Live::TempRain:
            return {temp, rain};
        case Live::TempRainBattery:
            return {temp, rain, QStringLiteral("bat12v [V]=")};
        case Live::CurrentVoltage:
            return {QStringLiteral("Icc[A]="), QStringLiteral("Vcc[V]=")};
        case Live::Level:
            return {QStringLiteral("Nivel =")};
        case Live::Ultrasonic:
            return {QStringLiteral("Nivel Altura ="), QStringLiteral("Nivel referencia ="),
                    QStringLiteral("Nivel =")};
        case Live::TransitFlow:
            return {QStringLiteral("DATA"),
                    QStringLiteral("CON N-S"),
                    QStringLiteral("CON N-S"),
                    QStringLiteral("DIF CON N-S"),
                    QString(),
                    QStringLiteral("CON S-N"),
                    QStringLiteral("CON S-N"),
                    QStringLiteral("CON S-N"),
                    QStringLiteral("DIF CON S-N"),
                    QString(),
                    QStringLiteral("DIF VEL  "),
                    QStringLiteral("DIF DIG ")};
        case Live::Evaporimeter:
            return QStringList{temp, QStringLiteral("NIVEL[mm]="),
                               QStringLiteral("Evaporacion ANTERIOR=")} +
                   levels;
        case Live::EvaporimeterLevels:
            return levels;
        case Live::Reservoir:
            return {QStringLiteral("Real Sumergido="), QStringLiteral("cota="),
                    QStringLiteral("Vertedero="), QStringLiteral("cota(msnm)=")};
    }
    return {};
}

// The import's device name, column header and memory size.
struct Device {
    const char* name;
    const char* header;
    bool large;  // 4096 blocks of memory
};

constexpr char kRain[] = "Fecha,Hora,Temperatura[\u00baC],Precipitacion[mm]";
constexpr Device kRadiometer{"Radiometro", "Fecha,Hora,Radiacion[Kw/m2]", false};
constexpr Device kFlow{"Caudalimetro ", "Fecha,Hora,Caudal [l]", false};
constexpr Device kRainGauge{"Termo-Pluviometro", kRain, false};
constexpr Device kThermometer{"Termometro", "Fecha,Hora,Temperatura[\u00baC]", false};
constexpr Device kVoltageCurrent{"Registrador Tension-Corriente ",
                                 "Fecha,Hora,Corriente [Acc],Tension[Vcc]", false};
constexpr Device kDigital{"Termo-Pluviometro Digital ", kRain, false};
constexpr Device kDigitalII{"Termo-Pluviometro Digital II", kRain, true};
constexpr Device kLevel{"Nivel de Agua", "Fecha,Hora,Nivel [m]", true};
constexpr Device kUltrasonic{"Nivel de Agua por Ultrasonido", "Fecha,Hora,Nivel [mm]", true};
constexpr Device kRainTelemetry{"Termo-Pluviometro Digital Con Telemetria", kRain, false};
constexpr Device kEvaporimeterTelemetry{
    " Evaporimetro con Telemetria", "Fecha,Hora,Temperatura[\u00baC],EVA [mm],Nivel Reserva[cm]",
    false};
constexpr Device kEvaporimeter{" Evaporimetro ", "Fecha,Hora,EVA [mm]", false};
constexpr Device kReservoir{"Nivel De Embalse Con Telemetria",
                            "Fecha,Hora,Nivel a Vertedero [m],Cota (m)[m]", false};

struct Edge {
    double n;
    const Device* device;  // nullptr: the import leaves the device as it was
    bool sms;
    int values;  // values on a record's line; -1: no line
    bool own;    // the line's values are the record's own, not left by earlier records
    Live live;
    // Emulator, whole numbers only: the live frame is that of this serial number well inside
    // its family (0: a frame of zeros), and the words its made records fill.
    double frameLike;
    const char* words;
};

// clang-format off
const Edge kEdges[] = {
    // n          device                    sms    values own    live lines                frame    record words
    {0,           nullptr,                  false,  -1,  true,   Live::None,                0,        ""},
    {122,         nullptr,                  false,  -1,  true,   Live::None,                0,        ""},
    {122.5,       nullptr,                  false,  -1,  true,   Live::None,                -1,       nullptr},
    {123,         &kRadiometer,             false,  1,   true,   Live::Radiation,           123,      "w1"},
    {123.5,       &kRadiometer,             false,  -1,  true,   Live::None,                -1,       nullptr},
    {124,         &kFlow,                   false,  1,   true,   Live::None,                0,        "w3"},
    {124.5,       &kFlow,                   false,  1,   false,  Live::None,                -1,       nullptr},
    {125,         &kFlow,                   false,  1,   true,   Live::None,                0,        "w3"},
    {125.5,       &kFlow,                   false,  -1,  true,   Live::None,                -1,       nullptr},
    {126,         nullptr,                  false,  -1,  true,   Live::None,                0,        ""},
    {19999,       nullptr,                  false,  -1,  true,   Live::None,                0,        ""},
    {20000,       &kRainGauge,              false,  2,   true,   Live::TempRain,            20500,    "w1 w3"},
    {20999,       &kRainGauge,              false,  2,   true,   Live::TempRain,            20500,    "w1 w3"},
    {20999.5,     &kRainGauge,              false,  2,   true,   Live::TempRain,            -1,       nullptr},
    {21000,       &kThermometer,            false,  1,   true,   Live::Temp,                20500,    "w1 w3"},
    {21999,       &kThermometer,            false,  1,   true,   Live::Temp,                20500,    "w1 w3"},
    {22000,       &kVoltageCurrent,         false,  2,   true,   Live::CurrentVoltage,      22500,    "w1 w3"},
    {22999,       &kVoltageCurrent,         false,  2,   true,   Live::CurrentVoltage,      22500,    "w1 w3"},
    {23000,       nullptr,                  false,  -1,  true,   Live::None,                0,        ""},
    {29999,       nullptr,                  false,  -1,  true,   Live::None,                0,        ""},
    {30000,       &kRainGauge,              false,  2,   true,   Live::TempRain,            20500,    "w1 w3"},
    {30999,       &kRainGauge,              false,  2,   true,   Live::TempRain,            20500,    "w1 w3"},
    {31000,       nullptr,                  false,  -1,  true,   Live::Temp,                20500,    ""},
    {31000.5,     nullptr,                  false,  -1,  true,   Live::None,                -1,       nullptr},
    {31001,       nullptr,                  false,  -1,  true,   Live::None,                0,        ""},
    {39999,       nullptr,                  false,  -1,  true,   Live::None,                0,        ""},
    {40000,       &kDigital,                false,  2,   true,   Live::TempRain,            40500,    "w1 w3"},
    {40999,       &kDigital,                false,  2,   true,   Live::TempRain,            40500,    "w1 w3"},
    {41000,       &kDigital,                false,  2,   true,   Live::Temp,                40500,    "w1 w3"},
    {41999,       &kDigital,                false,  2,   true,   Live::Temp,                40500,    "w1 w3"},
    {42000,       nullptr,                  false,  -1,  true,   Live::Temp,                40500,    ""},
    {42001,       nullptr,                  false,  -1,  true,   Live::None,                0,        ""},
    {49999,       nullptr,                  false,  -1,  true,   Live::None,                0,        ""},
    {50000,       &kDigitalII,              false,  2,   true,   Live::TempRainBattery,     50500,    "w1 w3"},
    {51999,       &kDigitalII,              false,  2,   true,   Live::TempRainBattery,     50500,    "w1 w3"},
    {52000,       nullptr,                  false,  -1,  true,   Live::Temp,                50500,    ""},
    {52001,       nullptr,                  false,  -1,  true,   Live::None,                0,        ""},
    {69999,       nullptr,                  false,  -1,  true,   Live::None,                0,        ""},
    {70000,       &kLevel,                  false,  1,   true,   Live::Level,               70500,    "w2"},
    {71999,       &kLevel,                  false,  1,   true,   Live::Level,               70500,    "w2"},
    {72000,       nullptr,                  false,  1,   true,   Live::Level,               70500,    "w2"},
    {72000.5,     nullptr,                  false,  -1,  true,   Live::None,                -1,       nullptr},
    {72001,       nullptr,                  false,  -1,  true,   Live::None,                0,        ""},
    {79999,       nullptr,                  false,  -1,  true,   Live::None,                0,        ""},
    {80000,       nullptr,                  false,  -1,  true,   Live::TransitFlow,         80000,    ""},
    {80001,       nullptr,                  false,  -1,  true,   Live::None,                0,        ""},
    {89999,       nullptr,                  false,  -1,  true,   Live::None,                0,        ""},
    {90000,       &kUltrasonic,             false,  1,   true,   Live::Ultrasonic,          90500,    "w2"},
    {91999,       &kUltrasonic,             false,  1,   true,   Live::Ultrasonic,          90500,    "w2"},
    {92000,       nullptr,                  false,  1,   true,   Live::Ultrasonic,          90500,    "w2"},
    {92001,       nullptr,                  false,  -1,  true,   Live::None,                0,        ""},
    {1999999,     nullptr,                  false,  -1,  true,   Live::None,                0,        ""},
    {2000000,     nullptr,                  true,   -1,  true,   Live::None,                0,        ""},
    {2039999,     nullptr,                  true,   -1,  true,   Live::None,                0,        ""},
    {2040000,     &kRainTelemetry,          true,   2,   true,   Live::TempRain,            40500,    "w1 w3"},
    {2040999,     &kRainTelemetry,          true,   2,   true,   Live::TempRain,            40500,    "w1 w3"},
    {2041000,     &kRainTelemetry,          true,   2,   true,   Live::Temp,                40500,    "w1 w3"},
    {2041999,     &kRainTelemetry,          true,   2,   true,   Live::Temp,                40500,    "w1 w3"},
    {2042000,     nullptr,                  true,   -1,  true,   Live::None,                0,        ""},
    {2049999,     nullptr,                  true,   -1,  true,   Live::None,                0,        ""},
    {2050000,     &kEvaporimeterTelemetry,  true,   3,   true,   Live::Evaporimeter,        2050500,  "w1 w2 w4"},
    {2050999,     &kEvaporimeterTelemetry,  true,   3,   true,   Live::Evaporimeter,        2050500,  "w1 w2 w4"},
    {2051000,     &kEvaporimeterTelemetry,  true,   3,   true,   Live::EvaporimeterLevels,  2050500,  "w1 w2 w4"},
    {2051999,     &kEvaporimeterTelemetry,  true,   3,   true,   Live::EvaporimeterLevels,  2050500,  "w1 w2 w4"},
    {2051999.5,   &kEvaporimeterTelemetry,  true,   3,   true,   Live::EvaporimeterLevels,  -1,       nullptr},
    {2052000,     &kEvaporimeter,           true,   1,   true,   Live::EvaporimeterLevels,  2050500,  "w3"},
    {2052000.25,  &kEvaporimeter,           true,   -1,  true,   Live::None,                -1,       nullptr},
    {2052001,     nullptr,                  true,   -1,  true,   Live::None,                0,        ""},
    {2059999,     nullptr,                  true,   -1,  true,   Live::None,                0,        ""},
    {2060000,     &kReservoir,              true,   2,   true,   Live::Reservoir,           2060500,  "w1 w2 w3 b14"},
    {2060999,     &kReservoir,              true,   2,   true,   Live::Reservoir,           2060500,  "w1 w2 w3 b14"},
    {2061000,     nullptr,                  true,   2,   false,  Live::None,                0,        ""},
    {2061000.5,   nullptr,                  true,   -1,  true,   Live::None,                -1,       nullptr},
    {2061001,     nullptr,                  true,   -1,  true,   Live::None,                0,        ""},
    {3000000,     nullptr,                  true,   -1,  true,   Live::None,                0,        ""},
    {3000001,     nullptr,                  false,  -1,  true,   Live::None,                0,        ""},
    {99999999,    nullptr,                  false,  -1,  true,   Live::None,                0,        ""},
};
// clang-format on

using Record = std::array<std::uint8_t, 16>;

Record record(std::uint8_t hour, int w1, int w2, int w3, int w4) {
    return {hour,
            0x30,
            0x00,
            0x06,
            0x12,
            0x26,
            0,
            0,
            std::uint8_t(w1 >> 8),
            std::uint8_t(w1),
            std::uint8_t(w2 >> 8),
            std::uint8_t(w2),
            std::uint8_t(w3 >> 8),
            std::uint8_t(w3),
            std::uint8_t(w4 >> 8),
            std::uint8_t(w4)};
}

QString feed(memory::Decoder& d, float n, const Record& r) {
    for (int j = 0; j < 16; ++j) d.proceso(r[std::size_t(j)], j, n);
    return d.takeRowText();
}

// A decoder whose every value was left by a record of each family.
memory::Decoder seeded() {
    memory::Decoder d;
    for (float n : {123.0F, 124.0F, 125.0F, 20500.0F, 22500.0F, 70500.0F, 90500.0F, 2050500.0F,
                    2052000.0F, 2060500.0F})
        feed(d, n, record(0x10, 2222, 1111, 3333, 4444));
    return d;
}

// Which words of the made records hold something: "w1".."w4", or "b14" where only byte 14 is
// used.
QString wordsOfRecords(const QByteArray& memory, int records) {
    std::array<bool, 8> used{};
    for (int r = 0; r < records; ++r)
        for (int i = 8; i < 16; ++i)
            if (memory[r * 16 + i] != 0) used[std::size_t(i - 8)] = true;
    QStringList words;
    for (int w = 0; w < 4; ++w) {
        const bool high = used[std::size_t(2 * w)], low = used[std::size_t(2 * w + 1)];
        if (w == 3 && high && !low)
            words << QStringLiteral("b14");
        else if (high || low)
            words << QStringLiteral("w%1").arg(w + 1);
    }
    return words.join(u' ');
}

void PrintTo(const Edge& e, std::ostream* os) {
    *os << "serial number " << e.n;
}

class Boundary : public ::testing::TestWithParam<Edge> {};

TEST_P(Boundary, EveryTableAtThisSerialNumber) {
    const Edge& e = GetParam();
    const float n = float(e.n);

    const auto type = config::classify(n);
    if (e.device) {
        ASSERT_TRUE(type.has_value());
        EXPECT_EQ(QString::fromUtf8(type->name), QString::fromUtf8(e.device->name));
        EXPECT_EQ(QString::fromUtf8(type->header), QString::fromUtf8(e.device->header));
        EXPECT_EQ(type->largeMemory, e.device->large);
    } else {
        EXPECT_FALSE(type.has_value()) << (type ? type->name : "");
    }
    EXPECT_EQ(config::hasSms(n), e.sms);

    const Record own = record(0x14, 1000, 1500, 0x0102, 0x0910);
    memory::Decoder fresh;
    const QString line = feed(fresh, n, own);
    if (e.values < 0) {
        EXPECT_TRUE(line.isEmpty()) << line.toStdString();
    } else {
        ASSERT_TRUE(line.startsWith(QStringLiteral("06/12/2026,14:30:00,"))) << line.toStdString();
        EXPECT_TRUE(line.endsWith(QStringLiteral("\r\n")));
        EXPECT_EQ(line.count(u','), e.values + 1) << line.toStdString();
        memory::Decoder before = seeded();
        EXPECT_EQ(feed(before, n, own) == line, e.own) << line.toStdString();
    }

    live::LiveDecoder live;
    live::Frame frame{};
    for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = std::uint8_t(i * 37 + 11);
    QStringList shown = live.decode(n, frame).split(QStringLiteral("\r\n"));
    EXPECT_TRUE(shown.takeLast().isEmpty());
    const QStringList expected = labels(e.live);
    ASSERT_EQ(shown.size(), expected.size()) << shown.join(u'|').toStdString();
    for (int i = 0; i < shown.size(); ++i)
        EXPECT_TRUE(expected[i].isEmpty() ? shown[i].isEmpty() : shown[i].startsWith(expected[i]))
            << shown[i].toStdString();

    if (!e.words) return;  // the emulator's serial number is whole
    const QString digits = QString::number(qint64(e.n));
    const QDateTime t(QDate(2026, 5, 4), QTime(10, 11, 12), QTimeZone::utc());
    const QByteArray frameSent = sim::liveFrame(digits, t);
    // A family of one serial number has no other to compare with: something, not zeros.
    if (e.frameLike > 0 && e.frameLike == e.n)
        EXPECT_NE(frameSent, QByteArray(live::kFrameSize, '\0'));
    else if (e.frameLike > 0)
        EXPECT_EQ(frameSent.toHex(),
                  sim::liveFrame(QString::number(qint64(e.frameLike)), t).toHex());
    else
        EXPECT_EQ(frameSent, QByteArray(live::kFrameSize, '\0'));
    const int records = 300;
    const QByteArray memory = sim::makeMemory({.serial = std::uint32_t(e.n),
                                               .intervalMinutes = 7,
                                               .start = t,
                                               .records = records,
                                               .memoryBytes = 65536});
    EXPECT_EQ(wordsOfRecords(memory, records), QString::fromLatin1(e.words));
    if (e.n <= 99999999) {
        sim::EmulatorOptions options;
        options.serial = digits;
        EXPECT_EQ(sim::LoggerEmulator(options).memoryBlocks(),
                  e.device && e.device->large ? 4096 : 1024);
    }
}

INSTANTIATE_TEST_SUITE_P(Families, Boundary, ::testing::ValuesIn(kEdges),
                         [](const ::testing::TestParamInfo<Edge>& edge) {
                             std::string s = QString::number(edge.param.n, 'f', 2).toStdString();
                             for (char& c : s)
                                 if (c == '.') c = '_';
                             return "n" + s;
                         });

}  // namespace
}  // namespace vernoll
