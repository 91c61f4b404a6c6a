#include "chart/series.h"

#include <gtest/gtest.h>

#include <random>

#include "chart/chart_texts.h"
#include "chart/zone.h"

namespace vernoll {
namespace {

const QDateTime kMidnight(QDate(2025, 3, 10), QTime(0, 0), Qt::UTC);
constexpr qint64 kMinute = 60000;

qint64 at(int minute) {
    return chartTime(kMidnight) + minute * kMinute;
}

Reading reading(int minute, std::vector<std::optional<float>> values) {
    return {20500, kMidnight.addSecs(qint64(minute) * 60), std::move(values)};
}

Column column(const char16_t* label, const char16_t* unit,
              Column::Kind kind = Column::Kind::Sample) {
    const QString l = QString::fromUtf16(label), u = QString::fromUtf16(unit);
    return {l + u'[' + u + u']', l, u, kind};
}

const Column kTemperature = column(u"Temperatura", u"\u00baC");
const Column kRain = column(u"Precipitacion", u"mm", Column::Kind::Count);

std::vector<bool> all(std::size_t n) {
    return std::vector<bool>(n, true);
}

TEST(PlanChart, LinesBreakAtGapsAndMissingValues) {
    // Each reading's value is a function of its minute, so a point shows where it came from.
    const auto value = [](int m) { return float(m) / 4.0F - 3.0F; };
    struct Case {
        const char* name;
        std::optional<int> interval;
        std::vector<int> minutes;
        std::vector<int> missing;  // minutes whose reading has no value
        std::vector<std::vector<int>> runs;
        qint64 intervalMs;
    };
    const Case cases[] = {
        {"regular", 10, {0, 10, 20, 30}, {}, {{0, 10, 20, 30}}, 10 * kMinute},
        {"one and a half intervals still join", 10, {0, 10, 25}, {}, {{0, 10, 25}}, 10 * kMinute},
        {"more than that breaks", 10, {0, 10, 26, 36}, {}, {{0, 10}, {26, 36}}, 10 * kMinute},
        {"a missing value breaks and is not drawn",
         10,
         {0, 10, 20, 30},
         {10},
         {{0}, {20, 30}},
         10 * kMinute},
        {"interval unknown: the most frequent step",
         std::nullopt,
         {0, 5, 10, 15, 30, 35},
         {},
         {{0, 5, 10, 15}, {30, 35}},
         5 * kMinute},
        {"equally frequent steps: the smallest",
         std::nullopt,
         {0, 5, 10, 30, 50},
         {},
         {{0, 5, 10}, {30}, {50}},
         5 * kMinute},
        {"the logger's interval wins over the steps",
         20,
         {0, 10, 20, 50},
         {},
         {{0, 10, 20, 50}},
         20 * kMinute},
        {"readings out of order", 10, {20, 0, 10}, {}, {{0, 10, 20}}, 10 * kMinute},
        {"a lone reading", std::nullopt, {7}, {}, {{7}}, 0},
        {"only missing values", 10, {0, 10}, {0, 10}, {}, 10 * kMinute},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Reading> readings;
        for (const int m : c.minutes) {
            const bool missing =
                std::find(c.missing.begin(), c.missing.end(), m) != c.missing.end();
            readings.push_back(reading(m, {missing ? std::nullopt : std::optional(value(m))}));
        }
        const std::vector<Column> columns{kTemperature};
        const ChartPlan plan = planChart(columns, readings, c.interval, BarPeriod::Hour, all(1));
        EXPECT_EQ(plan.interval, c.intervalMs);
        ASSERT_EQ(plan.series.size(), 1U);
        std::vector<std::vector<int>> got;
        for (const auto& run : plan.series[0].runs) {
            got.emplace_back();
            for (const QPointF& p : run) {
                const int m = int((qint64(p.x()) - at(0)) / kMinute);
                got.back().push_back(m);
                EXPECT_EQ(p.y(), double(value(m))) << m;
            }
        }
        EXPECT_EQ(got, c.runs);
        EXPECT_TRUE(plan.series[0].bars.empty());
    }
}

TEST(PlanChart, CountsBecomeSumsOfTheHourOrDayTheyClose) {
    struct Case {
        const char* name;
        BarPeriod period;
        std::vector<std::pair<int, std::optional<float>>> readings;
        std::vector<std::tuple<int, int, double>> bars;  // start, end (minutes), sum
    };
    const Case cases[] = {
        // The reading of 01:00 closes the hour from 00:00.
        {"hourly",
         BarPeriod::Hour,
         {{10, 0.2F}, {20, 0.4F}, {60, 1.0F}, {70, 0.2F}},
         {{0, 60, 1.6}, {60, 120, 0.2}}},
        {"an hour of missing values has no bar; zero rain is a bar of zero",
         BarPeriod::Hour,
         {{10, std::nullopt}, {70, 0.0F}, {80, std::nullopt}},
         {{60, 120, 0.0}}},
        {"the first reading closes the hour before it",
         BarPeriod::Hour,
         {{0, 0.5F}, {10, 0.25F}},
         {{-60, 0, 0.5}, {0, 60, 0.25}}},
        // Midnight's reading closes the day that ends there.
        {"daily",
         BarPeriod::Day,
         {{1430, 1.0F}, {1440, 2.0F}, {1450, 4.0F}, {2000, 0.5F}},
         {{0, 1440, 3.0}, {1440, 2880, 4.5}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Reading> readings;
        for (const auto& [m, v] : c.readings) readings.push_back(reading(m, {v}));
        const std::vector<Column> columns{kRain};
        const ChartPlan plan = planChart(columns, readings, 10, c.period, all(1));
        ASSERT_EQ(plan.series.size(), 1U);
        EXPECT_TRUE(plan.series[0].runs.empty());
        const std::vector<Bar>& bars = plan.series[0].bars;
        ASSERT_EQ(bars.size(), c.bars.size());
        for (std::size_t i = 0; i < bars.size(); ++i) {
            EXPECT_EQ(bars[i].start, at(std::get<0>(c.bars[i]))) << i;
            EXPECT_EQ(bars[i].end, at(std::get<1>(c.bars[i]))) << i;
            EXPECT_NEAR(bars[i].sum, std::get<2>(c.bars[i]), 1e-6) << i;
        }
        // Zoomed out, the chart shows every bar whole.
        EXPECT_LE(plan.span.from, bars.front().start);
        EXPECT_GE(plan.span.to, bars.back().end);
    }
}

TEST(PlanChart, ColumnsShareAnAxisByUnitAndATwoUnitChartHasTwo) {
    const Column level = column(u"Nivel", u"m"), dam = column(u"Cota (m)", u"m"),
                 reserve = column(u"Nivel Reserva", u"cm"), eva = column(u"EVA", u"mm");
    struct Case {
        const char* name;
        std::vector<Column> columns;
        std::vector<bool> shown;
        std::vector<int> axes;
        std::vector<bool> initially;
    };
    const Case cases[] = {
        {"two units", {kTemperature, kRain}, {true, true}, {0, 1}, {true, true}},
        {"one unit, one axis", {level, dam}, {true, true}, {0, 0}, {true, true}},
        {"a third unit has no axis",
         {kTemperature, eva, reserve},
         {true, true, true},
         {0, 1, -1},
         {true, true, false}},
        {"a hidden column frees its axis",
         {kTemperature, eva, reserve},
         {false, true, true},
         {-1, 0, 1},
         {true, true, false}},
        {"no columns", {}, {}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(axesOfColumns(c.columns, c.shown), c.axes);
        EXPECT_EQ(initiallyShown(c.columns), c.initially);
    }
    // The plan lists each axis' unit and columns, left first.
    const std::vector<Column> columns{kTemperature, eva, reserve, kRain};
    const ChartPlan plan = planChart(columns, {}, 10, BarPeriod::Hour, initiallyShown(columns));
    ASSERT_EQ(plan.axes.size(), 2U);
    EXPECT_EQ(plan.axes[0].unit, QStringLiteral(u"\u00baC"));
    EXPECT_EQ(plan.axes[0].columns, std::vector<int>{0});
    EXPECT_EQ(plan.axes[1].unit, QStringLiteral("mm"));
    EXPECT_EQ(plan.axes[1].columns, (std::vector<int>{1, 3}));
}

TEST(PlanChart, PickingAColumnShowsOrHidesIt) {
    const std::vector<Column> columns{kTemperature, column(u"EVA", u"mm"),
                                      column(u"Nivel Reserva", u"cm"), kRain};
    struct Case {
        const char* name;
        std::vector<bool> shown;
        int picked;
        std::vector<bool> next;
    };
    const Case cases[] = {
        {"hide", {true, true, false, true}, 0, {false, true, false, true}},
        {"show a unit already on an axis",
         {true, true, false, false},
         3,
         {true, true, false, true}},
        // The third unit takes the right axis from every column of the unit there.
        {"show a third unit", {true, true, false, true}, 2, {true, false, true, false}},
        {"show into a free axis", {true, false, false, false}, 2, {true, false, true, false}},
        {"no such column", {true, true, false, true}, 9, {true, true, false, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<bool> next = toggledColumn(columns, c.shown, c.picked);
        EXPECT_EQ(next, c.next);
        const std::vector<int> axes = axesOfColumns(columns, next);
        for (std::size_t k = 0; k < columns.size(); ++k)
            EXPECT_EQ(axes[k] >= 0, bool(next[k])) << k;
    }
}

std::vector<QPointF> points(std::initializer_list<double> ys, double x0 = 0) {
    std::vector<QPointF> out;
    for (const double y : ys) out.emplace_back(x0 + double(out.size()), y);
    return out;
}

TEST(Reduction, KeepsEachPixelColumnsExtremesInTheirOrder) {
    // Two pixel columns of five points: the first reaches 1 then 9, the second 8 then 0.
    const auto run = points({5, 1, 9, 3, 4, 2, 8, 0, 7, 6});
    EXPECT_EQ(reducePoints(run, {0, 10}, 2),
              (std::vector<QPointF>{{1, 1}, {2, 9}, {6, 8}, {7, 0}}));

    // A long random run: every pixel column keeps its lowest and highest point, the points stay
    // in time order, no more than two a column, plus one beyond each edge.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-50, 50);
    std::vector<QPointF> walk;
    for (int i = 0; i < 20000; ++i) walk.emplace_back(double(i) * 3, noise(random));
    const TimeSpan span{6000, 51000};
    const int pixels = 317;
    const std::vector<QPointF> reduced = reducePoints(walk, span, pixels);
    EXPECT_LE(reduced.size(), std::size_t(2 * pixels + 2));
    EXPECT_EQ(reduced.front(), walk[1999]);
    EXPECT_EQ(reduced.back(), walk[17001]);
    EXPECT_TRUE(std::is_sorted(reduced.begin(), reduced.end(),
                               [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); }));
    const double scale = double(pixels) / double(span.to - span.from);
    const auto columnOf = [&](const QPointF& p) {
        return std::size_t(std::min(pixels - 1, int((p.x() - double(span.from)) * scale)));
    };
    const auto inside = [&](const QPointF& p) {
        return p.x() >= double(span.from) && p.x() <= double(span.to);
    };
    std::vector<double> low(pixels, 1e9), high(pixels, -1e9);
    for (const QPointF& p : walk) {
        if (!inside(p)) continue;
        low[columnOf(p)] = std::min(low[columnOf(p)], p.y());
        high[columnOf(p)] = std::max(high[columnOf(p)], p.y());
    }
    std::vector<int> found(pixels, 0);
    for (const QPointF& p : reduced)
        if (inside(p) && (p.y() == low[columnOf(p)] || p.y() == high[columnOf(p)]))
            ++found[columnOf(p)];
    for (std::size_t c = 0; c < found.size(); ++c) EXPECT_EQ(found[c], 2) << "pixel column " << c;
}

TEST(Reduction, EdgesAndBreaks) {
    struct Case {
        const char* name;
        std::vector<QPointF> run;
        TimeSpan span;
        std::vector<QPointF> kept;
    };
    const Case cases[] = {
        {"few points: all, and the neighbours beyond the edges",
         {{0, 1}, {12, 2}, {15, 3}, {30, 4}},
         {10, 20},
         {{0, 1}, {12, 2}, {15, 3}, {30, 4}}},
        {"a line across the span with no point inside",
         {{0, 1}, {30, 4}},
         {10, 20},
         {{0, 1}, {30, 4}}},
        {"wholly before the span", {{0, 1}, {5, 4}}, {10, 20}, {}},
        {"wholly after the span", {{25, 1}, {30, 4}}, {10, 20}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(reducePoints(c.run, c.span, 100), c.kept);
    }
    // A break narrower than a pixel column is joined; a wider one stays.
    const std::vector<std::vector<QPointF>> runs{points({1, 2, 3}), points({4, 5}, 2.5)};
    EXPECT_EQ(reduceRuns(runs, {0, 100}, 10).size(), 1U);
    EXPECT_EQ(reduceRuns(runs, {0, 100}, 1000).size(), 2U);
    EXPECT_EQ(reduceRuns(runs, {50, 100}, 10).size(), 0U);
}

TEST(Reduction, BarsStandApartOrShowTheTallestOfAPixelColumn) {
    const std::vector<Bar> few{{0, 60, 1}, {60, 120, 2}};
    EXPECT_EQ(reduceBars(few, {0, 120}, 100), (std::vector<Bar>{{6, 54, 1}, {66, 114, 2}}));
    EXPECT_EQ(reduceBars(few, {60, 120}, 100), (std::vector<Bar>{{66, 114, 2}}));
    std::vector<Bar> many;
    for (int i = 0; i < 10; ++i) many.push_back({i * 10, i * 10 + 10, i == 4 ? 50.0 : double(i)});
    EXPECT_EQ(reduceBars(many, {0, 100}, 2), (std::vector<Bar>{{0, 50, 50}, {50, 100, 9}}));
    EXPECT_EQ(barOutline(few),
              (std::vector<QPointF>{
                  {0, 0}, {0, 1}, {60, 1}, {60, 0}, {60, 0}, {60, 2}, {120, 2}, {120, 0}}));
}

TEST(Axes, TimeTicksFallOnRoundTimesOfTheLoggersClock) {
    const auto day = [](int y, int m, int d) {
        return chartTime(QDateTime(QDate(y, m, d), QTime(0, 0), Qt::UTC));
    };
    struct Case {
        const char* name;
        TimeSpan span;
        int maxTicks;
        QStringList texts;
    };
    const Case cases[] = {
        {"ten minutes",
         {at(600), at(660)},
         7,
         {"10/03/2025 10:00", "10/03/2025 10:10", "10/03/2025 10:20", "10/03/2025 10:30",
          "10/03/2025 10:40", "10/03/2025 10:50", "10/03/2025 11:00"}},
        {"half hours", {at(601), at(660)}, 3, {"10/03/2025 10:30", "10/03/2025 11:00"}},
        // 12/03/2025 is a Wednesday: weeks start on the Monday after.
        {"weeks from a Monday",
         {day(2025, 3, 12), day(2025, 4, 2)},
         4,
         {"17/03/2025 00:00", "24/03/2025 00:00", "31/03/2025 00:00"}},
        {"a year in months",
         {day(2025, 1, 1), day(2026, 1, 1)},
         7,
         {"01/01/2025 00:00", "01/03/2025 00:00", "01/05/2025 00:00", "01/07/2025 00:00",
          "01/09/2025 00:00", "01/11/2025 00:00", "01/01/2026 00:00"}},
        {"years",
         {day(1999, 6, 1), day(2031, 1, 1)},
         4,
         {"01/01/2000 00:00", "01/01/2010 00:00", "01/01/2020 00:00", "01/01/2030 00:00"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList texts;
        for (const TimeTick& t : timeTicks(c.span, c.maxTicks)) {
            EXPECT_EQ(chartTimeText(t.at), t.text);
            texts << t.text;
        }
        EXPECT_EQ(texts, c.texts);
    }
}

TEST(Axes, ValueScalesEndOnRoundNumbers) {
    struct Case {
        double low, high;
        int maxTicks;
        ValueScale scale;
    };
    const Case cases[] = {
        {-2.5, 21, 10, {-5, 25, 7}},
        {0, 1.05, 8, {0, 1.2, 7}},
        {12.3, 12.4, 5, {12.3, 12.4, 5}},
        {5, 5, 5, {5, 6, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.low);
        const ValueScale s = niceScale(c.low, c.high, c.maxTicks);
        EXPECT_NEAR(s.min, c.scale.min, 1e-9);
        EXPECT_NEAR(s.max, c.scale.max, 1e-9);
        EXPECT_EQ(s.ticks, c.scale.ticks);
    }
}

TEST(Cursor, NamesTheTimeAndTheValuesThere) {
    const std::vector<Column> columns{kTemperature, kRain};
    const std::vector<Reading> readings{
        reading(0, {10.5F, 0.2F}), reading(10, {std::nullopt, 0.4F}), reading(20, {12.0F, 0.0F})};
    const ChartPlan plan = planChart(columns, readings, 10, BarPeriod::Hour, all(2));
    struct Case {
        int minute;
        const char16_t* text;
    };
    const Case cases[] = {
        {2,
         u"10/03/2025 00:00   Temperatura: 10.5 \u00baC   Precipitacion: 0.4 mm (suma por hora)"},
        {9, u"10/03/2025 00:10   Temperatura: sin valor   Precipitacion: 0.4 mm (suma por hora)"},
        {-30, u"09/03/2025 23:30   Precipitacion: 0.2 mm (suma por hora)"},
        {100, u"10/03/2025 01:40   sin lecturas"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cursorText(columns, readings, plan, BarPeriod::Hour, at(c.minute)),
                  QString::fromUtf16(c.text));
}

// The PC's clock skips 02:00-03:00 on 30/03/2025 and repeats it on 26/10/2025; the logger's
// clock does neither, and the chart shows it as it ran.
TEST(DaylightSaving, TheLoggersClockIsNeitherShiftedNorFolded) {
    const test::ScopedZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    for (const QDate night : {QDate(2025, 3, 30), QDate(2025, 10, 26)}) {
        SCOPED_TRACE(qPrintable(night.toString(Qt::ISODate)));
        std::vector<Reading> readings;
        const QDateTime start(night, QTime(1, 0), Qt::UTC);
        for (int i = 0; i <= 18; ++i)
            readings.push_back({20500, start.addSecs(i * 600), {float(i)}});
        const std::vector<Column> columns{kTemperature};
        const ChartPlan plan = planChart(columns, readings, std::nullopt, BarPeriod::Hour, all(1));
        EXPECT_EQ(plan.interval, 10 * kMinute);
        ASSERT_EQ(plan.series[0].runs.size(), 1U);
        const auto& run = plan.series[0].runs[0];
        ASSERT_EQ(run.size(), readings.size());
        for (std::size_t i = 1; i < run.size(); ++i)
            EXPECT_EQ(run[i].x() - run[i - 1].x(), double(10 * kMinute)) << i;

        const QString day = night.toString(QStringLiteral("dd/MM/yyyy"));
        QStringList ticks;
        for (const TimeTick& t : timeTicks({chartTime(start), chartTime(start) + 180 * kMinute}, 7))
            ticks << t.text;
        EXPECT_EQ(ticks,
                  (QStringList{day + " 01:00", day + " 01:30", day + " 02:00", day + " 02:30",
                               day + " 03:00", day + " 03:30", day + " 04:00"}));
        EXPECT_EQ(
            cursorText(columns, readings, plan, BarPeriod::Hour, chartTime(start) + 90 * kMinute),
            day + QString::fromUtf16(u" 02:30   Temperatura: 9 \u00baC"));
    }
}

}  // namespace
}  // namespace vernoll
