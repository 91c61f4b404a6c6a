// The chart of a year of 10-minute readings (52,560 a column, a temperature and a rain gauge):
// preparing the series, reducing them for a plot 1,100 pixels wide, one zoom step of the chart
// the window shows, and the whole PNG the command line's plot writes.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QTemporaryDir>

#include "chart/readings_chart.h"
#include "chart/render.h"
#include "chart/year_of_readings.h"

using namespace vernoll;

namespace {

const ChartInput& year() {
    static const ChartInput input = [] {
        ChartInput y = test::yearOfReadings();
        y.readings.clear();
        // Every 10 minutes of the year, the hole filled, as the performance target counts them.
        const ChartInput full = test::yearOfReadings();
        const QDateTime start(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC);
        for (int i = 0; i < 52560; ++i)
            y.readings.push_back({y.serial, start.addSecs(qint64(i) * 600),
                                  full.readings[std::size_t(i) % full.readings.size()].values});
        return y;
    }();
    return input;
}

void BM_PlanYear(benchmark::State& state) {
    const ChartInput& input = year();
    const std::optional<int> interval =
        state.range(0) ? input.intervalMinutes : std::optional<int>();
    for (auto _ : state) {
        ChartPlan plan = planChart(input.columns, input.readings, interval, BarPeriod::Hour,
                                   initiallyShown(input.columns));
        benchmark::DoNotOptimize(plan);
    }
    state.SetLabel(state.range(0) ? "interval given" : "interval derived");
    state.SetItemsProcessed(state.iterations() * qint64(input.readings.size()));
}
BENCHMARK(BM_PlanYear)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_ReduceYear(benchmark::State& state) {
    const ChartInput& input = year();
    const ChartPlan plan = planChart(input.columns, input.readings, input.intervalMinutes,
                                     BarPeriod::Hour, initiallyShown(input.columns));
    for (auto _ : state) {
        auto runs = reduceRuns(plan.series[0].runs, plan.span, 1100);
        auto bars = barOutline(reduceBars(plan.series[1].bars, plan.span, 1100));
        benchmark::DoNotOptimize(runs);
        benchmark::DoNotOptimize(bars);
    }
}
BENCHMARK(BM_ReduceYear)->Unit(benchmark::kMillisecond);

// One zoom step as the wheel makes it: the chart reduced again and laid out in Qt Charts.
void BM_ZoomYear(benchmark::State& state) {
    QGraphicsScene scene;
    auto* chart = new ReadingsChart(std::make_shared<const ChartInput>(year()));
    scene.addItem(chart);
    chart->setGeometry(QRectF(0, 0, 1200, 600));
    chart->layout()->activate();
    const TimeSpan full = chart->fullSpan();
    const qint64 middle = full.from + (full.to - full.from) / 2;
    bool in = true;
    for (auto _ : state) {
        chart->zoomBy(in ? 0.8 : 1.25, middle);
        in = !in;
    }
}
BENCHMARK(BM_ZoomYear)->Unit(benchmark::kMillisecond);

// The PNG of a year at 1200x600 from readings in hand: what plot adds to reading them.
void BM_PngYear(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("year.png"));
    for (auto _ : state) {
        ChartFileResult result = writeChartPng(year(), path);
        if (!result.written) state.SkipWithError(qPrintable(result.message));
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_PngYear)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    useOffscreenPlatformUnlessNamed();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
