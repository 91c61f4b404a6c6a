// The station archive in a SQLite file: one default download (4,096 readings) stored new, and
// stored again (all duplicates); one month of one logger exported, and the station list, from
// an archive of 100 loggers and one million readings; that archive's size.
//
// With VERNOLL_BENCH_POSTGRES=postgresql://... set, the download is also stored on that server
// (into a database the benchmark creates and drops: the URL names one where it may).

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>
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
