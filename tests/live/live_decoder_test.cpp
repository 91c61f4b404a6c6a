// Live value decoding: byte strings in, text out, for every family (the ends of the ranges
// are in the family boundary table).

#include "live/live_decoder.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <initializer_list>
#include <utility>

using vernoll::live::Frame;
using vernoll::live::LiveDecoder;
using vernoll::live::numberText;

namespace {

// A frame with the given words (k = 1 .. 9); the three unused bytes are 0xA5 so that a
// decoder that read them would show it.
Frame frame(std::initializer_list<std::pair<int, int>> words) {
    Frame f{};
    f[0] = f[1] = f[2] = 0xA5;
    for (const auto& [k, value] : words) {
        f[std::size_t(3 + 2 * (k - 1))] = std::uint8_t((value >> 8) & 0xFF);
        f[std::size_t(4 + 2 * (k - 1))] = std::uint8_t(value & 0xFF);
    }
    return f;
}

QString lines(std::initializer_list<const char*> l) {
    QString out;
    for (const char* s : l) out += QString::fromUtf8(s) + QStringLiteral("\r\n");
    return out;
}

QString decodeOnce(float n, const Frame& f) {
    LiveDecoder d;
    return d.decode(n, f);
}

}  // namespace

TEST(NumberText, ValuesWithoutAValueShowTheFixedText) {
    EXPECT_EQ(numberText(1.0 / 0.0, 2), QStringLiteral(" ---"));
    EXPECT_EQ(numberText(-1.0 / 0.0, 2), QStringLiteral(" ---"));
    EXPECT_EQ(numberText(std::numeric_limits<double>::quiet_NaN()), QStringLiteral(" ---"));
}

TEST(LiveDecoder, WorkedExamplesOfThePart) {
    // Nserie 21500, W2 = 0x0190.
    EXPECT_EQ(decodeOnce(21500, frame({{2, 0x0190}})), lines({"Temp[ºC]= 11.8ºC"}));
    // A negative reading: W2 = 0xFF38 reads as -200.
    EXPECT_EQ(decodeOnce(21500, frame({{2, 0xFF38}})), lines({"Temp[ºC]=-108.2ºC"}));
    // Radiometer: 2 x 20000 wraps to -25536.
    EXPECT_EQ(decodeOnce(123, frame({{1, 20000}})), lines({"Rad[Kw/m2]=-25536W/m2"}));
    EXPECT_EQ(decodeOnce(123, frame({{1, 325}})), lines({"Rad[Kw/m2]= 650W/m2"}));
    EXPECT_EQ(decodeOnce(123, frame({{1, 0xFFFF}})), lines({"Rad[Kw/m2]=-2W/m2"}));
    // Ultrasonic level: a whole number loses its decimals.
    EXPECT_EQ(decodeOnce(91000, frame({{5, 1234}, {6, 3000}, {7, 1766}})),
              lines({"Nivel Altura = 1234mm", "Nivel referencia = 3000mm", "Nivel = 1766mm"}));
    // 40500: temperature and rain; 41500: the temperature only.
    EXPECT_EQ(decodeOnce(40500, frame({{2, 738}, {4, 7}})),
              lines({"Temp[ºC]= 22.1ºC", "Pluviometro = 1.4mm"}));
    EXPECT_EQ(decodeOnce(41500, frame({{2, 738}, {4, 7}})), lines({"Temp[ºC]= 22.1ºC"}));
    // The half that binary noise would hide.
    EXPECT_EQ(decodeOnce(40500, frame({{2, 32}})),
              lines({"Temp[ºC]=-260.4ºC", "Pluviometro = 0mm"}));
    EXPECT_EQ(decodeOnce(50500, frame({{2, 337}, {4, 0}, {8, 2721}})),
              lines({"Temp[ºC]=-0.9ºC", "Pluviometro = 0mm", "bat12v [V]= 12.598"}));
}

TEST(LiveDecoder, EveryFamily) {
    struct Case {
        float n;
        Frame f;
        QString text;
    } cases[] = {
        {20500, frame({{2, 451}, {4, 7}}), lines({"Temp[ºC]= 22ºC", "Pluviometro = 1.4mm"})},
        {22500, frame({{2, 316}, {3, 36}}), lines({"Icc[A]= 1.2A", "Vcc[V]= 12.5V"})},
        // Negative current that rounds to zero, negative voltage.
        {22500, frame({{2, 0xFFF6}, {3, 0xFFDC}}), lines({"Icc[A]= 0A", "Vcc[V]=-12.5V"})},
        {30500, frame({{2, 451}, {4, 7}}), lines({"Temp[ºC]= 22ºC", "Pluviometro = 1.4mm"})},
        {50500, frame({{2, 451}, {4, 7}, {8, 2721}}),
         lines({"Temp[ºC]= 21.9ºC", "Pluviometro = 1.4mm", "bat12v [V]= 12.598"})},
        {71000, frame({{7, 290}}), lines({"Nivel = 84.9cm"})},
        {71000, frame({{7, 54}}), lines({"Nivel =-0.06cm"})},
        {71000, frame({}), lines({"Nivel =-19.5cm"})},
        {2040500, frame({{2, 738}, {4, 7}}), lines({"Temp[ºC]= 22.1ºC", "Pluviometro = 1.4mm"})},
        {2050500, frame({{2, 2419}, {3, 576}, {5, 3}, {6, 140}, {7, 138}, {9, 387}}),
         lines({"Temp[ºC]= 22ºC", "NIVEL[mm]= 151.9mm", "Evaporacion ANTERIOR= 3.4mm",
                "Nivel ANTERIOR = 15.19cm", "Nivel CERO = 14.97cm", "Nivel T. Reserva = 41.99cm"})},
        // Only the pan's three levels reach the included upper bound.
        {2052000, frame({{2, 2419}, {3, 576}, {5, 3}, {6, 140}, {7, 138}, {9, 387}}),
         lines({"Nivel ANTERIOR = 15.19cm", "Nivel CERO = 14.97cm", "Nivel T. Reserva = 41.99cm"})},
        {0, frame({{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 8}, {9, 9}}),
         QString()},
    };
    for (const Case& c : cases) EXPECT_EQ(decodeOnce(c.n, c.f), c.text) << c.n;
}

TEST(LiveDecoder, ReservoirReadsThreeBytesAsTheLevel) {
    Frame f = frame({{2, 1850}, {3, 1200}});
    f[9] = 1;
    f[10] = 0x30;
    f[11] = 0x39;
    f[12] = 0xEE;  // b13: read, not used
    LiveDecoder d;
    EXPECT_EQ(d.decode(2060500, f), lines({"Real Sumergido= 1.85m", "cota= 112.345m",
                                           "Vertedero= 0.65m", "cota(msnm)= 112.995m"}));
    EXPECT_EQ(d.reservoir().level, 112345.0F);
    EXPECT_EQ(d.reservoir().submerged, 1850.0F);
    EXPECT_EQ(d.reservoir().second, 1200.0F);

    // Submerged below the second: a negative spillway; T(x) of the submerged without rounding.
    Frame g = frame({{2, 1234}, {3, 1734}});
    EXPECT_EQ(d.decode(2060000, g),
              lines({"Real Sumergido= 1.234m", "cota= 0m", "Vertedero=-0.5m", "cota(msnm)=-0.5m"}));
}

TEST(LiveDecoder, FlowMeterKeepsItsStatisticsOverFrames) {
    LiveDecoder d;
    EXPECT_EQ(d.decode(80000, frame({{1, 4700}, {2, 4720}})),
              lines({"DATA 4700  1", "CON N-S 5200  1", "CON N-S 5200   ", "DIF CON N-S 0   ", "",
                     "CON S-N 4720    1", "CON S-N 5114.75    1", "CON S-N 5114.75   ",
                     "DIF CON S-N 0   ", "", "DIF VEL   5.6   ", "DIF DIG -20   "}));
    EXPECT_EQ(
        d.decode(80000, frame({{1, 4690}, {2, 4731}})),
        lines({"DATA 4690  2", "CON N-S 5243.7  2", "CON N-S 5221.85   ", "DIF CON N-S-21.8   ", "",
               "CON S-N 4731    2", "CON S-N 5069.05    2", "CON S-N 5091.9   ",
               "DIF CON S-N 22.9   ", "", "DIF VEL   11.5   ", "DIF DIG -41   "}));
    EXPECT_EQ(
        d.decode(80000, frame({{1, 4705}, {2, 4712}})),
        lines({"DATA 4705  3", "CON N-S 5178.42  3", "CON N-S 5207.37   ", "DIF CON N-S 29   ", "",
               "CON S-N 4712    3", "CON S-N 5148.51    3", "CON S-N 5110.77   ",
               "DIF CON S-N-37.7   ", "", "DIF VEL   2   ", "DIF DIG -7   "}));
    EXPECT_EQ(d.flow().samples, 3);
    EXPECT_EQ(d.flow().nsRaw, 4705);
    EXPECT_EQ(d.flow().snRaw, 4712);
    // Another family's frames leave the statistics alone.
    d.decode(21500, frame({{2, 400}}));
    EXPECT_EQ(d.flow().samples, 3);
}

TEST(LiveDecoder, FlowMeterUndefinedSpeedsShowTheFixedText) {
    LiveDecoder d;
    d.decode(80000, frame({{1, 4700}, {2, 4720}}));
    // A count of exactly 3500: no speed; it joins neither sum nor mean.
    EXPECT_EQ(d.decode(80000, frame({{1, 3500}, {2, 0}})),
              lines({"DATA 3500  2", "CON N-S ---  2", "CON N-S 5200   ", "DIF CON N-S ---   ", "",
                     "CON S-N 0    2", "CON S-N-1782.86    2", "CON S-N 1665.95   ",
                     "DIF CON S-N 3448.8   ", "", "DIF VEL   ---   ", "DIF DIG  3500   "}));
    EXPECT_EQ(d.flow().nsDefined, 1);
    EXPECT_EQ(d.flow().snDefined, 2);
    EXPECT_EQ(d.flow().samples, 2);

    // Before any defined speed the means have no value either.
    LiveDecoder e;
    EXPECT_EQ(e.decode(80000, frame({{1, 3500}, {2, 3500}})),
              lines({"DATA 3500  1", "CON N-S ---  1", "CON N-S ---   ", "DIF CON N-S ---   ", "",
                     "CON S-N 3500    1", "CON S-N ---    1", "CON S-N ---   ",
                     "DIF CON S-N ---   ", "", "DIF VEL   0   ", "DIF DIG  0   "}));
    // Both raw counts 0: speeds below 3500 are negative and defined; the velocity is not.
    EXPECT_EQ(e.decode(80000, frame({})).split(QStringLiteral("\r\n")).at(10),
              QStringLiteral("DIF VEL   ---   "));
}

TEST(LiveDecoder, CountGoesPast16Bits) {
    LiveDecoder d;
    const Frame f = frame({{1, 4700}, {2, 4720}});
    for (int i = 0; i < 40000; ++i) d.decode(80000, f);
    EXPECT_EQ(d.flow().samples, 40000);
    EXPECT_NEAR(d.flow().nsMean, 5200.0F, 0.5F);
    const QString text = d.decode(80000, f);
    EXPECT_TRUE(text.startsWith(QStringLiteral("DATA 4700  40001\r\n"))) << text.toStdString();
}

TEST(LiveDecoder, ShortInputReadsAsZeros) {
    LiveDecoder d;
    EXPECT_EQ(d.decode(21500, QByteArray("\x00\x00\x00\x00\x00\x01", 6)),
              lines({"Temp[ºC]=-17ºC"}));
}
