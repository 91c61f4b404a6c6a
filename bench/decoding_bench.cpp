// The decoding run: every byte of rows 0..memo through the record decoder and the whole CSV
// text, for the default memory (1,027 rows), the large one (4,099 rows) and the whole image
// (18,001 rows), full of real-looking records, with and without the typed readings. The time
// should grow in step with the rows.

#include <benchmark/benchmark.h>

#include <QTimeZone>
#include <map>
#include <vector>

#include "memory/report.h"
#include "sim/memory_maker.h"

using namespace vernoll;
using namespace vernoll::memory;

namespace {

// A memory full of records of a logger; every row of the image holds four.
const MemoryImage& fullImage(std::uint32_t serial) {
    static std::map<std::uint32_t, MemoryImage> images;
    auto [it, fresh] = images.try_emplace(serial);
    if (fresh) {
        constexpr int kBytes = MemoryImage::kRows * MemoryImage::kRowBytes;
        const QByteArray bytes =
            sim::makeMemory({.serial = serial,
                             .intervalMinutes = 1,
                             .start = QDateTime(QDate(2026, 1, 1), QTime(0, 0), QTimeZone::utc()),
                             .records = kBytes / 16,
                             .memoryBytes = kBytes});
        for (int k = 0; k < MemoryImage::kRows; ++k)
            it->second.setRow(k, QByteArrayView(bytes).sliced(k * 64, 64));
    }
    return it->second;
}

const QString kSummary = QStringLiteral(
    "Muestras cada  10 Minutos\r\nNro  : 00050010\r\nUsuario: INTA\r\nUbicacion: Campo\r\n"
    "Latitud: -31.4\r\nLongitud: -64.2\r\nAltitud: 400\r\n\r\n\r\n");
const QString kData1 = QStringLiteral("Fecha,Hora,Temperatura[\u00baC],Precipitacion[mm]\r\n");

// With `readings`, the run also yields its typed readings, as the program's decoding run does.
void csvRun(benchmark::State& state, std::uint32_t serial, bool readings = false) {
    const int memo = int(state.range(0));
    const MemoryImage& image = fullImage(serial);
    const QDateTime now = QDateTime::currentDateTime();
    Decoder decoder;
    qsizetype size = 0;
    for (auto _ : state) {
        std::vector<Reading> typed;
        const QString text = csvText(image, memo, decoder, float(serial), kSummary, kData1, now,
                                     nullptr, QLocale::system(), readings ? &typed : nullptr);
        size = text.size();
        benchmark::DoNotOptimize(text.constData());
        benchmark::DoNotOptimize(typed.data());
    }
    state.SetItemsProcessed(state.iterations() * (memo + 1));
    state.counters["chars"] = double(size);
}

void BM_CsvRainGauge(benchmark::State& state) {
    csvRun(state, 50010);
}
void BM_CsvEvaporimeter(benchmark::State& state) {
    csvRun(state, 2050010);
}
void BM_CsvAndReadingsRainGauge(benchmark::State& state) {
    csvRun(state, 50010, true);
}

void BM_DecodeOnly(benchmark::State& state) {
    const int memo = int(state.range(0));
    const MemoryImage& image = fullImage(50010);
    Decoder decoder;
    for (auto _ : state) {
        const QString text = decodeRows(image, 0, memo, decoder, 50010);
        benchmark::DoNotOptimize(text.constData());
    }
    state.SetItemsProcessed(state.iterations() * (memo + 1));
}

void BM_FileBytes(benchmark::State& state) {
    const int memo = int(state.range(0));
    Decoder decoder;
    const QString text = csvText(fullImage(50010), memo, decoder, 50010, kSummary, kData1,
                                 QDateTime::currentDateTime(), nullptr);
    for (auto _ : state) {
        const QByteArray bytes = fileBytes(text);
        benchmark::DoNotOptimize(bytes.constData());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}

}  // namespace

// memo = 1026, 4098 and 18000: rows 0..memo
BENCHMARK(BM_CsvRainGauge)->Arg(1026)->Arg(4098)->Arg(18000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CsvEvaporimeter)->Arg(1026)->Arg(4098)->Arg(18000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CsvAndReadingsRainGauge)
    ->Arg(1026)
    ->Arg(4098)
    ->Arg(18000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeOnly)->Arg(1026)->Arg(4098)->Arg(18000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileBytes)->Arg(4098)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
