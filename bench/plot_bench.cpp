// vernoll-cli plot of a year of 10-minute readings (52,560, a temperature and a rain gauge) from
// a SQLite archive, end to end: the program started, the archive read, the chart drawn
// offscreen and written as a 1200x600 PNG.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdlib>

#include "archive/archive.h"
#include "chart/year_of_readings.h"
#include "family/family.h"

using namespace vernoll;

namespace {

// An archive holding the year, made once.
const QString& yearArchive() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = dir.filePath(QStringLiteral("year.sqlite"));
        const ChartInput full = test::yearOfReadings();
        std::vector<Reading> readings;
        const QDateTime start(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC);
        for (int i = 0; i < 52560; ++i)
            readings.push_back({full.serial, start.addSecs(qint64(i) * 600),
                                full.readings[std::size_t(i) % full.readings.size()].values});
        archive::Batch batch;
        batch.serial = full.serial;
        const family::Family* f = family::of(double(full.serial));
        batch.device = QString::fromUtf8(f->name);
        batch.columnHeader = QString::fromUtf8(f->header);
        batch.when = QDateTime(QDate(2026, 1, 1), QTime(0, 0));
        batch.readings = readings;
        archive::Archive store;
        if (!store.open(file, archive::Archive::Access::Update) || !store.store(batch))
            std::abort();
        return file;
    }();
    return path;
}

void BM_PlotYearFromTheArchive(benchmark::State& state) {
    const QString& archive = yearArchive();
    QTemporaryDir out;
    const QString png = out.filePath(QStringLiteral("year.png"));
    for (auto _ : state) {
        QProcess p;
        p.setStandardInputFile(QProcess::nullDevice());
        p.start(
            QStringLiteral(VERNOLL_CLI_BINARY),
            {QStringLiteral("--archive"), archive, QStringLiteral("--json"), QStringLiteral("plot"),
             QStringLiteral("--serial"), QStringLiteral("20500"), QStringLiteral("--png"), png});
        if (!p.waitForFinished(60000) || p.exitCode() != 0) {
            state.SkipWithError(p.readAllStandardError().constData());
            break;
        }
        // Every reading of the year was drawn, not a part of it.
        if (!p.readAllStandardOutput().startsWith("{\"readings\":52560,")) {
            state.SkipWithError("plot drew another number of readings");
            break;
        }
    }
    state.SetLabel("52,560 readings, 1200x600");
}
BENCHMARK(BM_PlotYearFromTheArchive)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
