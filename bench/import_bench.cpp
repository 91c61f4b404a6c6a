// The configuration import's turnaround: how long the program takes to answer each byte of
// the logger, over a real pseudo-terminal (the logger runs on its own thread, as vernoll-sim
// would in its own process) and in process (the program's own work, no line at all).

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "bench/pty_logger.h"
#include "config/config_import.h"
#include "link/exchange_opening.h"
#include "link/serial_channel.h"
#include "sim/emulator_port.h"
#include "sim/logger_emulator.h"
#include "support/fake_dialogs.h"
#include "support/wait.h"

using namespace vernoll;

namespace {

Timing benchTiming() {
    Timing t = Timing::fast();
    t.wakePause = Millis{20};  // long enough for the wake-up's answer to arrive and be dropped
    return t;
}

// One import, from the click to its end.
bool importOnce(const ChannelSet& channels, config::ConfigImport& import) {
    bool done = false;
    auto c1 = QObject::connect(&import, &config::ConfigImport::finished, [&] { done = true; });
    auto c2 = QObject::connect(&import, &config::ConfigImport::failed, [&] { done = true; });
    channels.exchange().answered = true;
    import.start();
    test::waitUntil([&] { return done; }, 10000);
    QObject::disconnect(c1);
    QObject::disconnect(c2);
    return channels.exchange().counter == 0 && done;
}

void BM_ImportOverPty(benchmark::State& state) {
    bench::app();
    bench::PtyLogger logger;
    if (!logger.opened()) {
        state.SkipWithError(qPrintable(logger.error()));
        return;
    }
    const QString device = logger.device();

    PortList ports{QStringList{device}};
    ChannelSet channels{[&] { return std::make_unique<SerialChannel>(ports); }};
    ExchangeOpening opening{channels};
    config::ConfigImport import{channels, opening, benchTiming()};
    channels.exchange().port = 1;
    for (auto _ : state)
        if (!importOnce(channels, import)) state.SkipWithError("import did not complete");

    channels.releaseAllBut(0);
    state.counters["median_turnaround_us"] =
        bench::medianTurnaroundUs(bench::readWireLog(logger.logPath()));
    state.counters["bytes_per_import"] = 113;
}
BENCHMARK(BM_ImportOverPty)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_ImportInProcess(benchmark::State& state) {
    bench::app();
    sim::LoggerEmulator logger;
    sim::EmulatorPort port(logger);
    ChannelSet channels{port.channelFactory()};
    ExchangeOpening opening{channels};
    config::ConfigImport import{channels, opening, benchTiming()};
    channels.exchange().port = 1;
    for (auto _ : state)
        if (!importOnce(channels, import)) state.SkipWithError("import did not complete");
    // The 20 ms wake-up pause is part of each iteration.
    state.counters["per_byte_us"] =
        benchmark::Counter(double(state.iterations()) * 113,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ImportInProcess)->Unit(benchmark::kMillisecond)->Iterations(50);

}  // namespace

BENCHMARK_MAIN();
