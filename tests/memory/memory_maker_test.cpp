#include "sim/memory_maker.h"

#include <gtest/gtest.h>

#include <QTimeZone>

#include "memory/records.h"
#include "memory/report.h"

using namespace vernoll;
using namespace vernoll::memory;

namespace {

struct Family {
    const char* what;
    std::uint32_t serial;
    int columns;
    // plausible bounds of each column's values
    std::array<std::pair<double, double>, 3> bounds;
};

class MemoryRoundTrip : public ::testing::TestWithParam<Family> {};

MemoryImage imageOf(const QByteArray& bytes) {
    MemoryImage image;
    for (int k = 0; k * 64 < bytes.size(); ++k)
        image.setRow(k, QByteArrayView(bytes).sliced(k * 64, 64));
    return image;
}

TEST_P(MemoryRoundTrip, RecordsDecodeToPlausibleReadings) {
    const Family& f = GetParam();
    const QDateTime start(QDate(2026, 3, 1), QTime(0, 0), QTimeZone::utc());
    const int records = 300;
    const QByteArray bytes = sim::makeMemory({.serial = f.serial,
                                              .intervalMinutes = 15,
                                              .start = start,
                                              .records = records,
                                              .memoryBytes = 65536});
    ASSERT_EQ(bytes.size(), 65536);
    // erased after the last record
    EXPECT_EQ(bytes.mid(records * 16), QByteArray(65536 - records * 16, char(0xFF)));

    Decoder decoder;
    const QString text = decodeRows(imageOf(bytes), 0, 1026, decoder, float(f.serial));
    QStringList lines = text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.takeLast(), QString());
    ASSERT_EQ(lines.size(), records);

    std::array<QSet<QString>, 3> distinct;
    for (int i = 0; i < records; ++i) {
        const QStringList cells = lines[i].split(QLatin1Char(','));
        ASSERT_EQ(cells.size(), 2 + f.columns) << lines[i];
        const QDateTime stamp =
            QDateTime(QDate::fromString(cells[0], QStringLiteral("dd/MM/yyyy")),
                      QTime::fromString(cells[1], QStringLiteral("HH:mm:ss")), QTimeZone::utc());
        EXPECT_EQ(stamp, start.addSecs(qint64(i) * 15 * 60)) << lines[i];
        for (int c = 0; c < f.columns; ++c) {
            bool ok = false;
            const double v = cells[2 + c].toDouble(&ok);
            ASSERT_TRUE(ok) << lines[i];
            EXPECT_GE(v, f.bounds[std::size_t(c)].first) << f.what << ": " << lines[i];
            EXPECT_LE(v, f.bounds[std::size_t(c)].second) << f.what << ": " << lines[i];
            distinct[std::size_t(c)].insert(cells[2 + c]);
        }
    }
    // the readings move: a column stuck at one value would say the words are not fed
    for (int c = 0; c < f.columns; ++c) EXPECT_GT(distinct[std::size_t(c)].size(), 1U) << c;
}

INSTANTIATE_TEST_SUITE_P(
    MemoryMaker, MemoryRoundTrip,
    ::testing::Values(Family{"rain", 20500, 2, {{{0, 25}, {0, 1.2}}}},
                      Family{"thermometer", 21500, 1, {{{5, 25}}}},
                      Family{"voltage_current", 22100, 2, {{{0.3, 3}, {12, 14.2}}}},
                      Family{"rain30000", 30001, 2, {{{5, 25}, {0, 1.2}}}},
                      Family{"digital", 40010, 2, {{{5, 25}, {0, 1.2}}}},
                      Family{"digital_ii", 50010, 2, {{{5, 25}, {0, 1.2}}}},
                      Family{"level", 70010, 1, {{{1.5, 2.5}}}},
                      Family{"ultrasonic", 90010, 1, {{{1500, 2500}}}},
                      Family{"rain_telemetry", 2040010, 2, {{{5, 25}, {0, 1.2}}}},
                      Family{"evaporimeter_telemetry", 2050010, 3, {{{5, 25}, {0, 8}, {38, 46}}}},
                      Family{"evaporimeter", 2052000, 1, {{{0, 8}}}},
                      Family{"reservoir", 2060010, 2, {{{0.3, 0.7}, {248, 249}}}},
                      Family{"radiometer", 123, 1, {{{0, 1000}}}},
                      Family{"flow_124", 124, 1, {{{15, 35}}}},
                      Family{"flow_125", 125, 1, {{{15, 35}}}}),
    [](const auto& param_info) { return std::string(param_info.param.what); });

TEST(MemoryMaker, SamePlanSameBytes) {
    const sim::MemoryPlan plan{.serial = 40010,
                               .intervalMinutes = 10,
                               .start = QDateTime(QDate(2026, 1, 1), QTime(0, 0)),
                               .records = 50,
                               .memoryBytes = 65536};
    EXPECT_EQ(sim::makeMemory(plan), sim::makeMemory(plan));
}

TEST(MemoryMaker, SizesAndRecordCounts) {
    struct Case {
        int records, memoryBytes;
        int written;  // records that fit
    } cases[] = {{0, 65536, 0},        {4096, 65536, 4096},    {5000, 65536, 4096},
                 {5000, 262144, 5000}, {20000, 262144, 16384}, {-3, 65536, 0}};
    for (const Case& c : cases) {
        const QByteArray bytes =
            sim::makeMemory({.serial = 21500,
                             .intervalMinutes = 1,
                             .start = QDateTime(QDate(2026, 1, 1), QTime(0, 0)),
                             .records = c.records,
                             .memoryBytes = c.memoryBytes});
        ASSERT_EQ(bytes.size(), c.memoryBytes);
        EXPECT_EQ(bytes.mid(c.written * 16),
                  QByteArray(c.memoryBytes - c.written * 16, char(0xFF)));
        if (c.written > 0) {  // the last record's stamp is a real BCD hour, not erased memory
            EXPECT_NE(std::uint8_t(bytes[(c.written - 1) * 16]), 0xFF);
        }
    }
}

}  // namespace
