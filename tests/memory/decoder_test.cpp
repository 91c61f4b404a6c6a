#include "memory/decoder.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <optional>
#include <string>
#include <vector>

#include "family/decimal.h"
#include "family/family.h"
#include "memory/records.h"

using namespace vernoll;
using namespace vernoll::memory;
using test::Stamp;
using test::Words;

namespace {

QString decode(float nserie, std::initializer_list<test::Record> records, Decoder& d) {
    const test::Row r = test::row(records);
    return d.decodeRow(std::span<const std::uint8_t, 64>(r), nserie);
}

QString decode(float nserie, std::initializer_list<test::Record> records) {
    Decoder d;
    return decode(nserie, records, d);
}

// One record alone, at the start of a row; returns the row text so far.
QString feed(Decoder& d, float nserie, const test::Record& r) {
    for (int j = 0; j < 16; ++j) d.proceso(r[std::size_t(j)], j, nserie);
    return d.takeRowText();
}

QString line(const char* values) {
    return QStringLiteral("06/12/2026,14:30:00") + QString::fromLatin1(values) +
           QStringLiteral("\r\n");
}

// ---- every logger type's conversions ------------------------------------------------------

struct TypeCase {
    const char* what;
    float n;
    Words words;
    const char* values;  // what follows date and time on the line
};

class TypeConversion : public ::testing::TestWithParam<TypeCase> {};

TEST_P(TypeConversion, LineOfOneRecordAndItsReading) {
    const TypeCase& c = GetParam();
    Decoder d;
    std::vector<Reading> readings;
    d.collectReadings(&readings);
    const QString text = decode(c.n, {test::record(test::kStamp, c.words)}, d);
    EXPECT_EQ(text, line(c.values));
    // The reading: whose, when, and per column of the family the value the line prints.
    ASSERT_EQ(readings.size(), 1U);
    const Reading& r = readings[0];
    EXPECT_EQ(r.serial, std::uint32_t(c.n));
    EXPECT_EQ(r.stamp, QDateTime(QDate(2026, 12, 6), QTime(14, 30), Qt::UTC));
    const QStringList fields = text.chopped(2).split(u',').mid(2);
    ASSERT_EQ(r.values.size(), std::size_t(fields.size()));
    EXPECT_EQ(family::columnsOfLines(c.n).size(), r.values.size());
    for (std::size_t i = 0; i < r.values.size(); ++i) {
        ASSERT_TRUE(r.values[i].has_value()) << i;
        EXPECT_EQ(decimal::shortestText(*r.values[i]), fields[qsizetype(i)]) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Decoder, TypeConversion,
    ::testing::Values(
        // rain gauges: T from word 1, P from word 3
        TypeCase{"rain 20000", 20000, {.w1 = 1000, .w3 = 5}, ",131.8,1"},
        TypeCase{"rain 20999 cold", 20999, {.w1 = 0, .w3 = 0}, ",-68.2,0"},
        TypeCase{"rain 30000 zero", 30000, {.w1 = 341, .w3 = 7}, ",0,1.4"},
        TypeCase{"rain 30999 word max", 30999, {.w1 = 65535, .w3 = 65535}, ",13038.8,13107"},
        TypeCase{"thermometer 21000", 21000, {.w1 = 1000, .w3 = 5}, ",131.8"},
        TypeCase{"thermometer 21999", 21999, {.w1 = 1500}, ",231.8"},
        // digital: the half that binary noise would round the wrong way
        TypeCase{"digital 40000", 40000, {.w1 = 32, .w3 = 1}, ",-260.4,0.2"},
        TypeCase{"digital 41999 above zero", 41999, {.w1 = 683, .w3 = 2}, ",0.1,0.4"},
        TypeCase{"digital 40001 below zero", 40001, {.w1 = 682}, ",-0.3,0"},
        // digital II: a subtraction that cancels digits lands below its half
        TypeCase{"digital II 50000", 50000, {.w1 = 337, .w3 = 10}, ",-0.9,2"},
        TypeCase{"digital II 51999", 51999, {.w1 = 1000, .w3 = 3}, ",131.7,0.6"},
        TypeCase{"telemetry 2040000", 2040000, {.w1 = 32, .w3 = 3}, ",-260.4,0.6"},
        TypeCase{"telemetry 2041999", 2041999, {.w1 = 750, .w3 = 0}, ",26.9,0"},
        // voltage-current: X from word 1 first, then Y from word 3
        TypeCase{"voltage-current", 22000, {.w1 = 1000, .w3 = 36}, ",3.8,12.5"},
        TypeCase{"voltage-current max", 22999, {.w1 = 65535, .w3 = 65535}, ",249,22719"},
        // water levels
        TypeCase{"level 70000", 70000, {.w2 = 1000}, ",3.405"},
        TypeCase{"level 72000 closed", 72000, {.w2 = 1001}, ",3.409"},
        TypeCase{"level below zero", 71000, {.w2 = 0}, ",-0.195"},
        TypeCase{"ultrasonic 90000", 90000, {.w2 = 1500}, ",1500"},
        TypeCase{"ultrasonic 92000 closed", 92000, {.w2 = 65535}, ",65535"},
        // evaporimeter with telemetry: T (word 4), E (word 1), R (word 2)
        TypeCase{"evaporimeter telemetry",
                 2050000,
                 {.w1 = 100, .w2 = 150, .b14 = 2400 >> 8, .b15 = 2400 & 0xFF},
                 ",19.7,11.6,39.6"},
        TypeCase{"evaporimeter telemetry 2051999",
                 2051999,
                 {.w1 = 0, .w2 = 0, .b14 = 0xFF, .b15 = 0xFF},
                 ",7722.1,0,0"},
        TypeCase{"evaporimeter", 2052000, {.w3 = 1234}, ",9.01"},
        TypeCase{"evaporimeter whole", 2052000, {.w3 = 1000}, ",7.3"},
        // reservoir level: V = (A - B) / 1000, K adds the counter of bytes 12..14
        TypeCase{
            "reservoir", 2060000, {.w1 = 5000, .w2 = 2000, .w3 = 0x0001, .b14 = 2}, ",3,3.258"},
        TypeCase{"reservoir counter weights",
                 2060999,
                 {.w1 = 5000, .w2 = 2000, .w3 = 0x0201, .b14 = 2},
                 ",3,203.258"},
        TypeCase{"reservoir below", 2060500, {.w1 = 1999, .w2 = 2000}, ",-0.001,-0.001"},
        // radiometer and flow meters
        TypeCase{"radiometer", 123, {.w1 = 450}, ",900"},
        TypeCase{"radiometer max", 123, {.w1 = 65535}, ",131070"},
        TypeCase{"flow 124", 124, {.w3 = 10}, ",2.5"}, TypeCase{"flow 125", 125, {.w3 = 10}, ",25"},
        TypeCase{"flow 125 large", 125, {.w3 = 40000}, ",100000"}),
    [](const auto& param_info) {
        std::string s = param_info.param.what;
        for (char& ch : s)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return s;
    });

// The reservoir logger 2061000 prints but does not convert: its lines carry the values left
// by the records decoded before.
// Its readings have no values: those on the line are not the record's own.
TEST(Decoder, Reservoir2061000PrintsTheValuesLeftBefore) {
    Decoder d;
    std::vector<Reading> readings;
    d.collectReadings(&readings);
    feed(d, 2060000, test::record(test::kStamp, {.w1 = 5000, .w2 = 2000, .w3 = 1, .b14 = 2}));
    EXPECT_EQ(feed(d, 2061000, test::record(test::kStamp, {.w1 = 9000, .w2 = 1000, .w3 = 7})),
              line(",3,3.258"));
    ASSERT_EQ(readings.size(), 2U);
    EXPECT_EQ(readings[0].values, (std::vector<std::optional<float>>{3.0F, 3.258F}));
    EXPECT_EQ(readings[1].values, (std::vector<std::optional<float>>{std::nullopt, std::nullopt}));
    d.collectReadings(nullptr);
    // Erased records are converted too, though they print nothing: what a 2061000 logger
    // prints after a row of a 2060000 logger with erased memory at its end.
    decode(2060000, {test::record(test::kStamp, {.w1 = 5000, .w2 = 2000})}, d);
    EXPECT_EQ(feed(d, 2061000, test::record(test::kStamp, {.w1 = 9000, .w2 = 1000})),
              line(",0,25565.535"));
    // A fresh decoder has nothing left: zeros.
    Decoder fresh;
    EXPECT_EQ(feed(fresh, 2061000, test::record(test::kStamp, {.w1 = 9000, .w2 = 1000})),
              line(",0,0"));
}

// The water-level conversions use their closed bounds too: 72000 and 92000 convert.
TEST(Decoder, WaterLevelUpperBoundsConvert) {
    Decoder d;
    decode(70000, {test::record(test::kStamp, {.w2 = 1000})}, d);
    EXPECT_EQ(decode(72000, {test::record(test::kStamp, {.w2 = 2000})}, d), line(",7.005"));
    decode(90000, {test::record(test::kStamp, {.w2 = 1})}, d);
    EXPECT_EQ(decode(92000, {test::record(test::kStamp, {.w2 = 2})}, d), line(",2"));
}

// ---- the time stamp -------------------------------------------------------------------------

struct StampCase {
    Stamp stamp;
    const char* date;  // nullptr: the record is invalid
    const char* time;
};

class TimeStamp : public ::testing::TestWithParam<StampCase> {};

TEST_P(TimeStamp, DateTimeOrNoLine) {
    const StampCase& c = GetParam();
    Decoder d;
    const QString text = feed(d, 21000, test::record(c.stamp, {.w1 = 1000}));
    if (!c.date) {
        EXPECT_TRUE(text.isEmpty());
        EXPECT_EQ(d.validityFlag(), 0);
        EXPECT_EQ(d.recordDate(), QDate(1980, 1, 1));
        EXPECT_EQ(d.recordTime(), QTime(0, 0));
        return;
    }
    EXPECT_EQ(d.validityFlag(), -1);
    EXPECT_EQ(text, QString::fromLatin1(c.date) + QLatin1Char(',') + QString::fromLatin1(c.time) +
                        QStringLiteral(",131.8\r\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Decoder, TimeStamp,
    ::testing::Values(StampCase{{0x14, 0x30, 0x00, 0x06, 0x12, 0x26}, "06/12/2026", "14:30:00"},
                      StampCase{{0x00, 0x00, 0x00, 0x01, 0x01, 0x01}, "01/01/2001", "00:00:00"},
                      StampCase{{0x23, 0x59, 0x59, 0x31, 0x12, 0x49}, "31/12/2049", "23:59:59"},
                      StampCase{{0x12, 0x00, 0x00, 0x29, 0x02, 0x24}, "29/02/2024", "12:00:00"},
                      // past their range but within the digit checks: carried
                      StampCase{{0x24, 0x00, 0x00, 0x31, 0x12, 0x26}, "01/01/2027", "00:00:00"},
                      StampCase{{0x29, 0x59, 0x59, 0x28, 0x02, 0x25}, "01/03/2025", "05:59:59"},
                      StampCase{{0x10, 0x00, 0x00, 0x32, 0x01, 0x26}, "01/02/2026", "10:00:00"},
                      StampCase{{0x10, 0x00, 0x00, 0x39, 0x02, 0x24}, "10/03/2024", "10:00:00"},
                      StampCase{{0x10, 0x00, 0x00, 0x31, 0x04, 0x26}, "01/05/2026", "10:00:00"},
                      StampCase{{0x10, 0x00, 0x00, 0x29, 0x02, 0x25}, "01/03/2025", "10:00:00"},
                      StampCase{{0x10, 0x00, 0x00, 0x05, 0x13, 0x26}, "05/01/2027", "10:00:00"},
                      StampCase{{0x10, 0x00, 0x00, 0x05, 0x19, 0x26}, "05/07/2027", "10:00:00"},
                      StampCase{{0x29, 0x00, 0x00, 0x39, 0x19, 0x49}, "09/08/2050", "05:00:00"},
                      // invalid BCD in each field
                      StampCase{{0x30, 0x00, 0x00, 0x06, 0x12, 0x26}, nullptr, nullptr},
                      StampCase{{0x0A, 0x00, 0x00, 0x06, 0x12, 0x26}, nullptr, nullptr},
                      StampCase{{0x14, 0x60, 0x00, 0x06, 0x12, 0x26}, nullptr, nullptr},
                      StampCase{{0x14, 0x5A, 0x00, 0x06, 0x12, 0x26}, nullptr, nullptr},
                      StampCase{{0x14, 0x30, 0x60, 0x06, 0x12, 0x26}, nullptr, nullptr},
                      StampCase{{0x14, 0x30, 0x0F, 0x06, 0x12, 0x26}, nullptr, nullptr},
                      StampCase{{0x14, 0x30, 0x00, 0x40, 0x12, 0x26}, nullptr, nullptr},
                      StampCase{{0x14, 0x30, 0x00, 0x0A, 0x12, 0x26}, nullptr, nullptr},
                      StampCase{{0x14, 0x30, 0x00, 0x00, 0x12, 0x26}, nullptr, nullptr},
                      StampCase{{0x14, 0x30, 0x00, 0x06, 0x20, 0x26}, nullptr, nullptr},
                      StampCase{{0x14, 0x30, 0x00, 0x06, 0x1A, 0x26}, nullptr, nullptr},
                      StampCase{{0x14, 0x30, 0x00, 0x06, 0x00, 0x26}, nullptr, nullptr},
                      StampCase{{0x14, 0x30, 0x00, 0x06, 0x12, 0x00}, nullptr, nullptr},
                      StampCase{{0x14, 0x30, 0x00, 0x06, 0x12, 0x50}, nullptr, nullptr},
                      StampCase{{0x14, 0x30, 0x00, 0x06, 0x12, 0x2A}, nullptr, nullptr},
                      StampCase{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, nullptr, nullptr},
                      StampCase{{0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, nullptr, nullptr}));

// ---- records in a row ------------------------------------------------------------------------

TEST(Decoder, EachRecordStandsAlone) {
    const test::Record a = test::record({0x10, 0x00, 0x00, 0x06, 0x12, 0x26}, {.w1 = 1000});
    const test::Record bad = test::record({0x10, 0x10, 0x00, 0x00, 0x12, 0x26}, {.w1 = 1000});
    const test::Record b = test::record({0x10, 0x20, 0x00, 0x06, 0x12, 0x26}, {.w1 = 1500});
    const test::Record c = test::record({0x10, 0x30, 0x00, 0x06, 0x12, 0x26}, {.w1 = 0});
    const QString la = QStringLiteral("06/12/2026,10:00:00,131.8\r\n");
    const QString lb = QStringLiteral("06/12/2026,10:20:00,231.8\r\n");
    const QString lc = QStringLiteral("06/12/2026,10:30:00,-68.2\r\n");
    struct Case {
        std::initializer_list<test::Record> records;
        QString text;
    } cases[] = {
        // the first record after start-up prints
        {{a}, la},
        // an invalid record keeps the lines before it in the row
        {{a, bad, b, c}, la + lb + lc},
        {{a, b, bad}, la + lb},
        {{bad, a}, la},
        // erased memory after the newest records
        {{a, b, test::erased(), test::erased()}, la + lb},
        {{a, b, c, test::erased()}, la + lb + lc},
        {{test::erased()}, QString()},
    };
    for (const Case& k : cases) EXPECT_EQ(decode(21000, k.records), k.text);
}

TEST(Decoder, RowTextIsTakenOncePerRow) {
    Decoder d;
    const test::Record a = test::record(test::kStamp, {.w1 = 1000});
    EXPECT_EQ(decode(21000, {a, a}, d), line(",131.8") + line(",131.8"));
    EXPECT_TRUE(d.rowText().isEmpty());
    // an erased row after the records: nothing, and the state goes invalid
    EXPECT_EQ(decode(21000, {}, d), QString());
    EXPECT_EQ(d.validityFlag(), 0);
    EXPECT_EQ(decode(21000, {a}, d), line(",131.8"));
}

TEST(Decoder, ByteIndexOutsideTheRowDecodesNothing) {
    Decoder d;
    const test::Record a = test::record(test::kStamp, {.w1 = 1000, .w3 = 5});
    for (int j = 0; j < 16; ++j) {
        // garbage at indices a row does not have, between the real bytes
        for (std::int32_t bad : {-1, 64, 100, -64, INT32_MAX, INT32_MIN})
            EXPECT_FALSE(d.proceso(0x99, bad, 20000)) << bad;
        EXPECT_TRUE(d.proceso(a[std::size_t(j)], j, 20000));
    }
    EXPECT_EQ(d.takeRowText(), line(",131.8,1"));
    EXPECT_TRUE(d.takeRowText().isEmpty());
}

TEST(Decoder, RecordsAtEveryPositionOfTheRow) {
    Decoder d;
    for (int slot = 0; slot < 4; ++slot) {
        const test::Record r = test::record(test::kStamp, {.w1 = 1000});
        test::Row row;
        row.fill(0xFF);
        for (int i = 0; i < 16; ++i) row[std::size_t(slot * 16 + i)] = r[std::size_t(i)];
        EXPECT_EQ(d.decodeRow(std::span<const std::uint8_t, 64>(row), 21000), line(",131.8"))
            << slot;
    }
}

// The status byte carries no events the program can read: no event lines, and a record
// with any status prints its measurements.
TEST(Decoder, StatusByteMakesNoEvents) {
    for (int status : {0, 5, 6, 7, 9, 10, 11, 16, 21, 255}) {
        Decoder d;
        const auto s = std::uint8_t(status);
        EXPECT_EQ(
            decode(20000, {test::record(test::kStamp, {.w1 = 1000, .w3 = 5, .status = s})}, d),
            line(",131.8,1"))
            << status;
        EXPECT_TRUE(d.eventsText().isEmpty());
    }
}

TEST(Decoder, ValuesAndStampSurviveBetweenRecords) {
    Decoder d;
    feed(d, 20000, test::record(test::kStamp, {.w1 = 1000, .w3 = 5}));
    EXPECT_FLOAT_EQ(d.value(Decoder::Temperature), 131.8F);
    EXPECT_FLOAT_EQ(d.value(Decoder::Rain), 1.0F);
    EXPECT_EQ(d.recordDate(), QDate(2026, 12, 6));
    EXPECT_EQ(d.recordTime(), QTime(14, 30));
    // a record of another logger type refreshes only its own slots
    feed(d, 123, test::record({0x09, 0x15, 0x00, 0x01, 0x02, 0x27}, {.w1 = 10}));
    EXPECT_FLOAT_EQ(d.value(Decoder::Radiation), 20.0F);
    EXPECT_FLOAT_EQ(d.value(Decoder::Temperature), 131.8F);
    EXPECT_EQ(d.recordDate(), QDate(2027, 2, 1));
    EXPECT_EQ(d.recordTime(), QTime(9, 15));
}

}  // namespace
