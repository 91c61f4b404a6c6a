// The station archive in a SQLite file: one default download (4,096 readings) stored new, and
// stored again (all duplicates); one month of one logger exported, and the station list, from
// an archive of 100 loggers and one million readings; that archive's size. The whole program:
// vernoll-cli exporting one logger's 500,000 readings, its time and its peak memory.
//
// With VERNOLL_BENCH_POSTGRES=postgresql://... set, the download is also stored on that server
// (into a database the benchmark creates and drops: the URL names one where it may).

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <memory>

#include "archive/archive.h"

using namespace vernoll;
using namespace vernoll::archive;

namespace {

constexpr int kDownloadReadings = 4096;
constexpr int kLoggers = 100;
constexpr int kReadingsPerLogger = 10000;  // 100 x 10,000: one million
constexpr qint64 kInterval = 300;          // five minutes: 10,000 readings span 34.7 days

const QString kHeader = QStringLiteral("Fecha,Hora,Temperatura[\u00baC],Precipitacion[mm]");

QDateTime start() {
    return QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
}

// Readings that look like a rain gauge's: a daily temperature swing and mostly dry intervals.
std::vector<Reading> readingsOf(std::uint32_t serial, int count) {
    std::vector<Reading> r;
    r.reserve(count);
    for (int i = 0; i < count; ++i) {
        const float temperature =
            float(std::round(
                      (18.0 + 8.0 * std::sin(double(i % 288) * 2 * M_PI / 288) + serial % 7) * 10) /
                  10);
        const float rain = i % 97 == 0 ? 0.2F * float(i % 5) : 0.0F;
        r.push_back({serial, start().addSecs(i * kInterval), {temperature, rain}});
    }
    return r;
}

Batch batchOf(std::uint32_t serial, const std::vector<Reading>& readings) {
    Batch b;
    b.serial = serial;
    b.device = QStringLiteral("Pluviometro");
    b.columnHeader = kHeader;
    b.texts = StationTexts{QStringLiteral("INTA"), QStringLiteral("Campo"), {}, {}, {}};
    b.when = start().addDays(60);
    b.port = QStringLiteral("/dev/ttyUSB0");
    b.blocks = 1024;
    b.readings = readings;
    return b;
}

void storeOrFail(benchmark::State& state, Archive& archive, const Batch& batch, qint64 added) {
    const std::optional<StoreResult> r = archive.store(batch);
    if (!r || r->added != added)
        state.SkipWithError(r ? "unexpected counts" : qPrintable(archive.error()));
}

// Each iteration a new logger's download, into one archive that grows meanwhile.
void BM_StoreDownload(benchmark::State& state) {
    QTemporaryDir dir;
    Archive archive;
    if (!archive.open(dir.filePath(QStringLiteral("a.sqlite")), Archive::Access::Update)) {
        state.SkipWithError(qPrintable(archive.error()));
        return;
    }
    std::uint32_t serial = 1000;
    for (auto _ : state) {
        state.PauseTiming();
        const std::vector<Reading> readings = readingsOf(++serial, kDownloadReadings);
        const Batch batch = batchOf(serial, readings);
        state.ResumeTiming();
        storeOrFail(state, archive, batch, kDownloadReadings);
    }
    state.SetItemsProcessed(state.iterations() * kDownloadReadings);
}
BENCHMARK(BM_StoreDownload)->Unit(benchmark::kMillisecond);

// The same download again and again: every reading already stored.
void BM_StoreDuplicates(benchmark::State& state) {
    QTemporaryDir dir;
    Archive archive;
    const std::vector<Reading> readings = readingsOf(20500, kDownloadReadings);
    const Batch batch = batchOf(20500, readings);
    if (!archive.open(dir.filePath(QStringLiteral("a.sqlite")), Archive::Access::Update) ||
        !archive.store(batch)) {
        state.SkipWithError(qPrintable(archive.error()));
        return;
    }
    for (auto _ : state) storeOrFail(state, archive, batch, 0);
    state.SetItemsProcessed(state.iterations() * kDownloadReadings);
}
BENCHMARK(BM_StoreDuplicates)->Unit(benchmark::kMillisecond);

// One archive of a million readings for the queries, built once.
struct Million {
    QTemporaryDir dir;
    QString path;
    double megabytes = 0;
    double buildSeconds = 0;
};

const Million& million() {
    static const std::unique_ptr<Million> m = [] {
        auto made = std::make_unique<Million>();
        made->path = made->dir.filePath(QStringLiteral("million.sqlite"));
        QElapsedTimer clock;
        clock.start();
        {
            Archive archive;
            if (!archive.open(made->path, Archive::Access::Update))
                qFatal("%s", qPrintable(archive.error()));
            for (int k = 0; k < kLoggers; ++k) {
                const std::uint32_t serial = 20500 + std::uint32_t(k);
                const std::vector<Reading> readings = readingsOf(serial, kReadingsPerLogger);
                if (!archive.store(batchOf(serial, readings)))
                    qFatal("%s", qPrintable(archive.error()));
            }
        }  // closed: the write-ahead log is folded into the file
        made->buildSeconds = double(clock.elapsed()) / 1000;
        made->megabytes = double(QFileInfo(made->path).size()) / 1e6;
        return made;
    }();
    return *m;
}

void BM_ExportMonth(benchmark::State& state) {
    Archive archive;
    if (!archive.open(million().path, Archive::Access::Read)) {
        state.SkipWithError(qPrintable(archive.error()));
        return;
    }
    const QDateTime from = start().addDays(2);
    const QDateTime to = from.addDays(31).addSecs(-1);
    qint64 readings = 0;
    for (auto _ : state) {
        const std::optional<Archive::Export> e = archive.exportCsv(20550, from, to);
        if (!e) state.SkipWithError(qPrintable(archive.error()));
        readings = e ? e->readings : 0;
        benchmark::DoNotOptimize(e);
    }
    state.counters["readings"] = double(readings);
}
BENCHMARK(BM_ExportMonth)->Unit(benchmark::kMillisecond);

void BM_StationList(benchmark::State& state) {
    Archive archive;
    if (!archive.open(million().path, Archive::Access::Read)) {
        state.SkipWithError(qPrintable(archive.error()));
        return;
    }
    for (auto _ : state) {
        const auto list = archive.stations();
        if (!list || list->size() != kLoggers) state.SkipWithError("not every logger listed");
        benchmark::DoNotOptimize(list);
    }
    state.counters["MB_per_million"] = million().megabytes;
    state.counters["build_s"] = million().buildSeconds;
}
BENCHMARK(BM_StationList)->Unit(benchmark::kMillisecond);

void BM_ReadingsOfALogger(benchmark::State& state) {
    Archive archive;
    if (!archive.open(million().path, Archive::Access::Read)) {
        state.SkipWithError(qPrintable(archive.error()));
        return;
    }
    for (auto _ : state) {
        const auto set = archive.readings(20550, {}, {});
        if (!set || set->readings.size() != kReadingsPerLogger) state.SkipWithError("readings");
        benchmark::DoNotOptimize(set);
    }
}
BENCHMARK(BM_ReadingsOfALogger)->Unit(benchmark::kMillisecond);

// One logger's 500,000 readings (nearly five years at five minutes), made once.
constexpr int kWholeReadings = 500000;

const QString& wholeArchive() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = dir.filePath(QStringLiteral("whole.sqlite"));
        Archive archive;
        if (!archive.open(file, Archive::Access::Update)) qFatal("%s", qPrintable(archive.error()));
        const std::vector<Reading> all = readingsOf(30500, kWholeReadings);
        constexpr std::size_t kBatch = 50000;
        for (std::size_t from = 0; from < all.size(); from += kBatch) {
            Batch batch = batchOf(30500, all);
            batch.readings = std::span(all).subspan(from, std::min(kBatch, all.size() - from));
            batch.when = start().addDays(2000);
            if (!archive.store(batch)) qFatal("%s", qPrintable(archive.error()));
        }
        return file;
    }();
    return path;
}

// The peak resident size a process has had since its program started (VmHWM, in kB; 0 once it
// is gone). It only grows, so the last one read before the process ends is its peak.
qint64 peakKilobytes(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// vernoll-cli archive export of every reading, end to end: the program started, the archive
// read, the file written; peak_rss_MB: the program's peak resident size. (getrusage would count
// this process's memory at the fork.)
void BM_CliExportWhole(benchmark::State& state) {
    const QString& archive = wholeArchive();
    QTemporaryDir out;
    const QString csv = out.filePath(QStringLiteral("all.csv"));
    qint64 peak = 0;
    for (auto _ : state) {
        QProcess p;
        p.setStandardInputFile(QProcess::nullDevice());
        p.start(QStringLiteral(VERNOLL_CLI_BINARY),
                {QStringLiteral("--archive"), archive, QStringLiteral("--json"),
                 QStringLiteral("archive"), QStringLiteral("export"), QStringLiteral("--serial"),
                 QStringLiteral("30500"), QStringLiteral("--csv"), csv});
        p.waitForStarted();
        const qint64 pid = p.processId();
        QElapsedTimer waited;
        waited.start();
        while (!p.waitForFinished(1) && waited.elapsed() < 60000)
            if (const qint64 kb = peakKilobytes(pid)) peak = std::max(peak, kb);
        if (p.state() != QProcess::NotRunning || p.exitCode() != 0) {
            state.SkipWithError(p.readAllStandardError().constData());
            break;
        }
        if (!p.readAllStandardOutput().startsWith("{\"readings\":500000,")) {
            state.SkipWithError("the export wrote another number of readings");
            break;
        }
    }
    state.counters["peak_rss_MB"] = double(peak) / 1024;
    state.counters["file_MB"] = double(QFileInfo(csv).size()) / 1e6;
    state.SetItemsProcessed(state.iterations() * kWholeReadings);
}
BENCHMARK(BM_CliExportWhole)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same download into a PostgreSQL database, new and then all duplicates.
void BM_StoreDownloadPostgres(benchmark::State& state) {
    const QString server = qEnvironmentVariable("VERNOLL_BENCH_POSTGRES");
    const QString database =
        QStringLiteral("vernoll_bench_%1").arg(QCoreApplication::applicationPid());
    const auto admin = [&](const QString& sql) {
        const QUrl url(server);
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("bench"));
        db.setHostName(url.host());
        db.setPort(url.port(5432));
        db.setUserName(url.userName());
        db.setPassword(url.password());
        db.setDatabaseName(url.path().mid(1));
        if (db.open()) QSqlQuery(db).exec(sql);
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    };
    admin(QStringLiteral("CREATE DATABASE ") + database);
    QUrl url(server);
    url.setPath(QLatin1Char('/') + database);
    {
        Archive archive;
        if (!archive.open(url.toString(), Archive::Access::Update)) {
            state.SkipWithError(qPrintable(archive.error()));
        } else {
            const bool again = state.range(0) == 1;
            const std::vector<Reading> first = readingsOf(1000, kDownloadReadings);
            if (again) archive.store(batchOf(1000, first));
            std::uint32_t serial = 1000;
            for (auto _ : state) {
                state.PauseTiming();
                if (!again) ++serial;
                const std::vector<Reading> readings = readingsOf(serial, kDownloadReadings);
                const Batch batch = batchOf(serial, readings);
                state.ResumeTiming();
                storeOrFail(state, archive, batch, again ? 0 : kDownloadReadings);
            }
        }
    }
    admin(QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(database));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (!qEnvironmentVariableIsEmpty("VERNOLL_BENCH_POSTGRES"))
        benchmark::RegisterBenchmark("BM_StoreDownloadPostgres", BM_StoreDownloadPostgres)
            ->Arg(0)
            ->Arg(1)
            ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
