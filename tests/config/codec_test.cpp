#include <gtest/gtest.h>

#include <limits>

#include "config/clock.h"
#include "config/device.h"
#include "config/record.h"
#include "link/bcd.h"
#include "link/codepage.h"

using namespace vernoll;
using namespace vernoll::config;

TEST(Bcd, DigitsOfEveryNibbleCombination) {
    struct Case {
        std::uint8_t byte;
        const char* digits;
    } cases[] = {{0x00, "00"}, {0x09, "09"}, {0x10, "10"}, {0x99, "99"}, {0x1A, "1:"},
                 {0xA1, ":1"}, {0xFF, "??"}, {0x64, "64"}, {0x5F, "5?"}};
    for (const Case& c : cases) EXPECT_EQ(bcd::digits(c.byte), QString::fromLatin1(c.digits));
}

TEST(Bcd, PackAndValueRoundTripForAllTwoDigitNumbers) {
    for (int v = 0; v <= 99; ++v) {
        const std::uint8_t b = bcd::pack(v);
        EXPECT_EQ(bcd::digits(b), QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')));
        EXPECT_EQ(bcd::value(b), v);
    }
    EXPECT_FALSE(bcd::value(0x0A).has_value());
    EXPECT_FALSE(bcd::value(0xA0).has_value());
}

TEST(Serial, DigitsAndNumber) {
    struct Case {
        std::array<std::uint8_t, 4> packed;
        const char* digits;
        std::optional<float> number;
    } cases[] = {
        {{0x00, 0x00, 0x01, 0x23}, "00000123", 123.0F},
        {{0x00, 0x02, 0x05, 0x00}, "00020500", 20500.0F},
        {{0x03, 0x00, 0x00, 0x00}, "03000000", 3000000.0F},
        {{0x99, 0x99, 0x99, 0x99}, "99999999", 99999999.0F},
        {{0x00, 0x1A, 0x00, 0x00}, "001:0000", std::nullopt},
        {{0xF0, 0x00, 0x00, 0x00}, "?0000000", std::nullopt},
    };
    for (const Case& c : cases) {
        const QString digits = serialDigits(c.packed);
        EXPECT_EQ(digits, QString::fromLatin1(c.digits));
        EXPECT_EQ(serialNumber(digits), c.number) << c.digits;
    }
}

TEST(Serial, PackTakesMissingDigitsAsZero) {
    EXPECT_EQ(packSerial(QStringLiteral("12345678")),
              (std::array<std::uint8_t, 4>{0x12, 0x34, 0x56, 0x78}));
    EXPECT_EQ(packSerial(QStringLiteral("123")), (std::array<std::uint8_t, 4>{0x12, 0x30, 0, 0}));
    EXPECT_EQ(packSerial(QStringLiteral("7")), (std::array<std::uint8_t, 4>{0x70, 0, 0, 0}));
}

TEST(Summary, FullTextWithInterval) {
    SummaryFields f{QStringLiteral("10"),    QStringLiteral("Nro  : 00020500"),
                    QStringLiteral("Ana"),   QStringLiteral("Campo"),
                    QStringLiteral("-34.6"), QStringLiteral("-58.4"),
                    QStringLiteral("25   ")};
    EXPECT_EQ(summary(f),
              QStringLiteral("Muestras cada  10 Minutos\r\nNro  : 00020500\r\nUsuario: Ana\r\n"
                             "Ubicacion: Campo\r\nLatitud: -34.6\r\nLongitud: -58.4\r\n"
                             "Altitud: 25   \r\n\r\n\r\n"));
}

TEST(Summary, WithoutAKnownIntervalHoldsTheAltitudeAlone) {
    SummaryFields f{
        QString(), QStringLiteral("Nro  : 1"), QStringLiteral("u"), QString(), QString(),
        QString(), QStringLiteral("7")};
    EXPECT_EQ(summary(f), QStringLiteral("\r\nAltitud: 7\r\n\r\n\r\n"));
}

TEST(Intervals, CodesAreBcdMinutes) {
    // Option1 .. Option6: 1, 5, 10, 15, 30 and 60 minutes.
    const std::uint8_t codes[6] = {0x01, 0x05, 0x10, 0x15, 0x30, 0x60};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(intervalIndex(codes[i]), i) << i;
        EXPECT_EQ(kIntervals[std::size_t(i)].code, codes[i]) << i;
    }
    EXPECT_FALSE(intervalIndex(0x0A).has_value());  // ten minutes read as binary
    EXPECT_FALSE(intervalIndex(0x07).has_value());
}

namespace {
ClockFields fields(std::array<std::uint8_t, 6> bytes) {
    ClockFields f;
    for (std::size_t i = 0; i < 6; ++i)
        f[i] = bytes[i] <= kClockMax[i] ? QVariant(bcd::digits(bytes[i])) : QVariant(int(bytes[i]));
    return f;
}
}  // namespace

TEST(Clock, CompositionWithCalendarCarry) {
    struct Case {
        std::array<std::uint8_t, 6> bytes;
        const char* time;  // nullptr: not composed
        const char* date;
    } cases[] = {
        {{0x23, 0x59, 0x59, 0x31, 0x12, 0x64}, "23:59:59", "31/12/2064"},
        {{0x14, 0x05, 0x09, 0x03, 0x07, 0x26}, "14:05:09", "03/07/2026"},
        {{0x24, 0x00, 0x00, 0x01, 0x13, 0x26}, "12:00:00", "01/01/2027"},  // hour 0x24 = 36
        {{0x00, 0x59, 0x59, 0x00, 0x03, 0x24}, "00:59:59", "29/02/2024"},  // day 0: month end
        {{0x00, 0x00, 0x00, 0x01, 0x00, 0x26}, "00:00:00", "01/12/2025"},  // month 0
        {{0x00, 0x00, 0x00, 0x59, 0x02, 0x26}, "00:00:00", "31/03/2026"},  // day 59 of Feb
        {{0x00, 0x3A, 0x00, 0x01, 0x01, 0x5A}, nullptr, nullptr},          // "3:" and "5:" fail
        {{0x12, 0x00, 0x00, 0x01, 0x60, 0x26}, "12:00:00", "01/12/2033"},  // month 96
    };
    for (const Case& c : cases) {
        const ClockFields f = fields(c.bytes);
        const auto t = composeTime(f);
        const auto d = composeDate(f);
        if (c.time) {
            ASSERT_TRUE(t.has_value());
            EXPECT_EQ(timeText(*t), QString::fromLatin1(c.time));
        } else {
            EXPECT_FALSE(t.has_value());
        }
        if (c.date) {
            ASSERT_TRUE(d.has_value());
            EXPECT_EQ(dateText(*d), QString::fromLatin1(c.date));
        } else {
            EXPECT_FALSE(d.has_value());
        }
    }
}

TEST(Clock, DateBoxTextReadAsADate) {
    const struct {
        const char* text;
        QDate date;  // invalid: not a date
    } cases[] = {
        {"31/12/2026", QDate(2026, 12, 31)},
        {"3/7/2026", QDate(2026, 7, 3)},
        {"03/07/26", QDate(2026, 7, 3)},
        {"29/02/2028", QDate(2028, 2, 29)},
        {" 01/01/2030 ", QDate(2030, 1, 1)},
        {"1/1/99", QDate(2099, 1, 1)},
        {"29/02/2027", QDate()},
        {"31/04/2026", QDate()},
        {"13/13/2026", QDate()},
        {"", QDate()},
        {"hoy", QDate()},
        {"2026-07-03", QDate()},
        {"3/7", QDate()},
        {"31/12/2026 10:00", QDate()},
    };
    for (const auto& c : cases) {
        const std::optional<QDate> got = config::readDate(QString::fromLatin1(c.text));
        EXPECT_EQ(got.has_value(), c.date.isValid()) << c.text;
        EXPECT_EQ(got.value_or(QDate()), c.date) << c.text;
    }
}

TEST(Clock, OffsetReadsInLargerUnitsFromAMinute) {
    const std::pair<qint64, const char*> table[] = {
        {0, "+0 s"},
        {59, "+59 s"},
        {-59, "-59 s"},
        {60, "+1 min 0 s"},
        {-303, "-5 min 3 s"},
        {3599, "+59 min 59 s"},
        {3600, "+1 h 0 min 0 s"},
        {35992, "+9 h 59 min 52 s"},
        {-86400, "-24 h 0 min 0 s"},
        {std::numeric_limits<qint64>::min(), "-2562047788015215 h 30 min 8 s"},
    };
    for (const auto& [seconds, text] : table)
        EXPECT_EQ(config::offsetText(seconds), QString::fromLatin1(text)) << seconds;
    EXPECT_EQ(config::clockOffsetText(35992),
              QStringLiteral("Diferencia con PC: +9 h 59 min 52 s"));
    EXPECT_TRUE(config::clockOffsetText(std::nullopt).isEmpty());
}

TEST(Record, BytesRoundTripWithPadding) {
    Record r;
    r.serial = {0x00, 0x02, 0x05, 0x00};
    r.texts = {QByteArray("Ana"), QByteArray("Campo \xba"), QByteArray("-34"), QByteArray("-58"),
               QByteArray("25")};
    r.interval = 0x30;
    r.clock = {0x14, 0x05, 0x09, 0x03, 0x07, 0x26};
    const QByteArray bytes = r.toBytes();
    ASSERT_EQ(bytes.size(), record::kSize);
    EXPECT_EQ(bytes.mid(record::kUser, 30), QByteArray("Ana") + QByteArray(27, ' '));
    EXPECT_EQ(std::uint8_t(bytes[record::kInterval]), 0x30);
    EXPECT_EQ(std::uint8_t(bytes[record::kClock + 5]), 0x26);
    const Record back = Record::fromBytes(bytes);
    EXPECT_EQ(back.serial, r.serial);
    EXPECT_EQ(back.texts[1], QByteArray("Campo \xba") + QByteArray(28, ' '));
    EXPECT_EQ(back.clock, r.clock);
}

TEST(CodePage, HighRangeAndRoundTrip) {
    EXPECT_EQ(cp1252::decode('\xba'), QChar(0x00BA));  // the degree sign of "ºC"
    EXPECT_EQ(cp1252::decode('\x80'), QChar(0x20AC));
    EXPECT_EQ(cp1252::decode('\x9f'), QChar(0x0178));
    QByteArray all;
    for (int b = 0; b < 256; ++b) all.append(char(b));
    EXPECT_EQ(cp1252::encode(cp1252::decode(all)), all);
    EXPECT_EQ(cp1252::encode(QStringLiteral("\u4e2d")), QByteArray("?"));
}
