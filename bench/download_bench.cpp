// The memory download's turnaround: from the last byte of a block to the request for the
// next one, over a real pseudo-terminal with the logger on its own thread.

#include <benchmark/benchmark.h>

#include <QElapsedTimer>

#include "bench/pty_logger.h"
#include "link/exchange_opening.h"
#include "link/serial_channel.h"
#include "memory/download.h"
#include "memory/memory_image.h"
#include "sim/emulator_port.h"
#include "support/wait.h"

using namespace vernoll;

namespace {

// Downloads the default memory (1024 blocks) over the channels `factory` makes, once per
// iteration.
void downloads(benchmark::State& state, const ChannelSet::Factory& factory) {
    ChannelSet channels{factory};
    ExchangeOpening opening{channels};
    memory::MemoryImage image;
    Timing timing = Timing::fast();
    timing.wakePause = Millis{20};  // long enough for the wake-up's answer to arrive and be dropped
    memory::Download download{channels, opening, image, timing};
    channels.exchange().port = 1;
    channels[4].setCommPort(1);
    // The block phase alone: from the first block stored to the last, per block.
    QElapsedTimer clock;
    qint64 first = -1, last = -1, blocks = 0, phase = 0, counted = 0;
    QObject::connect(&download, &memory::Download::progress, [&](int stored) {
        if (stored == 0) return;
        if (stored == 1) {
            clock.start();
            first = 0;
        }
        last = clock.nsecsElapsed();
        blocks = stored;
    });
    for (auto _ : state) {
        bool done = false;
        auto c = QObject::connect(&download, &memory::Download::finished, [&] { done = true; });
        QString why;
        auto f =
            QObject::connect(&download, &memory::Download::failed, [&](const OperationError& e) {
                why = e.text;
                done = true;
            });
        download.start(1026);
        test::waitUntil([&] { return done; }, 60000);
        QObject::disconnect(c);
        QObject::disconnect(f);
        if (first >= 0 && blocks > 1) {
            phase += last - first;
            counted += blocks - 1;
        }
        if (download.blocks() != 1024) {
            state.SkipWithError(qPrintable(QStringLiteral("download stopped after %1 blocks: %2")
                                               .arg(download.blocks())
                                               .arg(why)));
            break;
        }
    }
    channels.releaseAllBut(0);
    if (counted > 0) state.counters["block_cycle_us"] = double(phase) / double(counted) / 1000.0;
}

void BM_DownloadOverPty(benchmark::State& state) {
    bench::app();
    sim::EmulatorOptions options;
    options.serial = QStringLiteral("00020500");
    bench::PtyLogger logger(options);
    if (!logger.opened()) {
        state.SkipWithError(qPrintable(logger.error()));
        return;
    }
    const PortList ports{QStringList{logger.device()}};
    downloads(state, [&] { return std::make_unique<SerialChannel>(ports); });
    state.counters["median_block_turnaround_us"] =
        bench::medianTurnaroundUs(bench::readWireLog(logger.logPath()));
    state.counters["blocks"] = 1024;
}
BENCHMARK(BM_DownloadOverPty)->Unit(benchmark::kMillisecond)->Iterations(3);

// The program's own work per block, with no line at all: the in-process emulator delivers
// each block from the event loop as soon as it is asked for.
void BM_DownloadInProcess(benchmark::State& state) {
    bench::app();
    sim::EmulatorOptions options;
    options.serial = QStringLiteral("00020500");
    sim::LoggerEmulator logger(options);
    sim::EmulatorPort port(logger);
    downloads(state, port.channelFactory());
}
BENCHMARK(BM_DownloadInProcess)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
