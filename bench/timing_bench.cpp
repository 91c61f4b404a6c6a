// How much longer than nominal the protocol waits last, measured on the wire: from the
// logger's wire log (the time each byte reached it) to the byte that ends the wait, or to the
// moment the program gives up. A negative figure is a wait that ran short.
//
// These run the real waits (2 s and more), a few times each: expect a minute or two.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <limits>

#include "bench/pty_logger.h"
#include "link/discovery.h"
#include "link/exchange_opening.h"
#include "link/line_events.h"
#include "link/serial_channel.h"
#include "memory/download.h"
#include "memory/memory_image.h"
#include "support/wait.h"

using namespace vernoll;

namespace {

// The wire log's clock: the monotonic clock, in microseconds.
qint64 nowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// Overshoots in microseconds, reported in milliseconds.
class Overshoots {
public:
    void add(qint64 us) {
        min_ = std::min(min_, us);
        max_ = std::max(max_, us);
        sum_ += us;
        ++count_;
    }
    void report(benchmark::State& state) const {
        if (count_ == 0) return;
        state.counters["mean_ms"] = double(sum_) / double(count_) / 1000.0;
        state.counters["min_ms"] = double(min_) / 1000.0;
        state.counters["max_ms"] = double(max_) / 1000.0;
    }

private:
    qint64 min_ = std::numeric_limits<qint64>::max();
    qint64 max_ = std::numeric_limits<qint64>::min();
    qint64 sum_ = 0;
    qint64 count_ = 0;
};

// When the logger received `byte` for the n-th time (from 1); -1 if it did not.
qint64 receivedAt(const std::vector<bench::WireByte>& wire, std::uint8_t byte, int n) {
    for (const bench::WireByte& w : wire)
        if (!w.fromLogger && w.byte == byte && --n == 0) return w.us;
    return -1;
}

// The channels on one pseudo-terminal logger.
struct Line {
    explicit Line(sim::EmulatorOptions options) : logger(std::move(options)) {
        channels.exchange().port = 1;
        for (int k = 1; k <= 8; ++k) channels[k].setCommPort(1);
        channels[1].setReceiveThreshold(21);
        // An exchange's receive handler marks the answer, as the operations' handlers do.
        QObject::connect(&channels[2], &Channel::commEvent, [this](int code) {
            if (code != comm::Receive) return;
            channels.exchange().answered = true;
            channels[2].read(channels[2].bytesWaiting());
        });
    }
    bench::PtyLogger logger;
    PortList ports{QStringList{logger.device()}};
    ChannelSet channels{[this] { return std::make_unique<SerialChannel>(ports); }};
    LineEvents lineEvents{channels};
    ExchangeOpening opening{channels};
};

sim::EmulatorOptions logger(const QString& fault = {}) {
    sim::EmulatorOptions options;
    options.serial = QStringLiteral("00020500");
    if (!fault.isEmpty()) options.faults.parse(fault);
    return options;
}

// The pause after the wake-up byte: from the wake-up to the attention byte.
void BM_WakeUpPause(benchmark::State& state) {
    bench::app();
    Line line(logger());
    const Timing timing = Timing::real();
    Overshoots overshoots;
    int n = 0;
    for (auto _ : state) {
        bool done = false;
        ExchangeOpening::Attention attention;
        attention.wait = timing.answerWait;
        line.opening.start(timing.wakePause, attention, [&](bool) { done = true; });
        test::waitUntil([&] { return done; }, 10000);
        line.channels.releaseAllBut(0);
        ++n;
        const auto wire = bench::readWireLog(line.logger.logPath());
        const qint64 wake = receivedAt(wire, 0xBE, n), attend = receivedAt(wire, 0x55, n);
        if (wake < 0 || attend < 0) {
            state.SkipWithError("the wake-up or the attention byte did not reach the logger");
            return;
        }
        overshoots.add(attend - wake - qint64(timing.wakePause.count()) * 1000);
    }
    overshoots.report(state);
}

// The wait for the first answer: from the attention byte to the opening giving up, with a
// logger that answers the wake-up and then nothing.
void BM_AnswerWait(benchmark::State& state) {
    bench::app();
    Line line(logger(QStringLiteral("stall-after=0")));
    const Timing timing = Timing::real();
    Overshoots overshoots;
    int n = 0;
    for (auto _ : state) {
        qint64 gaveUp = -1;
        ExchangeOpening::Attention attention;
        attention.wait = timing.answerWait;
        line.opening.start(timing.wakePause, attention, [&](bool) { gaveUp = nowUs(); });
        test::waitUntil([&] { return gaveUp >= 0; }, 10000);
        line.channels.releaseAllBut(0);
        ++n;
        const qint64 attend = receivedAt(bench::readWireLog(line.logger.logPath()), 0x55, n);
        if (attend < 0 || gaveUp < 0) {
            state.SkipWithError("the attention byte did not reach the logger");
            return;
        }
        overshoots.add(gaveUp - attend - qint64(timing.answerWait.count()) * 1000);
    }
    overshoots.report(state);
}

// Discovery's two waits on a silent port: from its probe to the next port's.
void BM_ProbeWaits(benchmark::State& state) {
    bench::app();
    bench::PtyLogger silent(logger(QStringLiteral("silent")));
    bench::PtyLogger answering(logger());
    const PortList ports{QStringList{silent.device(), answering.device()}};
    ChannelSet channels{[&] { return std::make_unique<SerialChannel>(ports); }};
    LineEvents lineEvents{channels};
    const Timing timing = Timing::real();
    Discovery discovery{channels, ports, timing};
    const qint64 nominal = qint64((timing.probeFirstWait + timing.probeSecondWait).count()) * 1000;
    Overshoots overshoots;
    int n = 0;
    for (auto _ : state) {
        bool done = false;
        auto c = QObject::connect(&discovery, &Discovery::finished, [&] { done = true; });
        discovery.start();
        test::waitUntil([&] { return done; }, 10000);
        QObject::disconnect(c);
        ++n;
        const qint64 first = receivedAt(bench::readWireLog(silent.logPath()), 0xBE, n);
        const qint64 second = receivedAt(bench::readWireLog(answering.logPath()), 0xBE, n);
        if (first < 0 || second < 0) {
            state.SkipWithError("a probe did not reach its logger");
            return;
        }
        overshoots.add(second - first - nominal);
    }
    overshoots.report(state);
}

// The download's stall limit: from the logger's last byte to the download giving up.
void BM_DownloadStall(benchmark::State& state) {
    bench::app();
    Line line(logger(QStringLiteral("stall-after=200")));
    memory::MemoryImage image;
    const Timing timing = Timing::real();
    memory::Download download{line.channels, line.opening, image, timing};
    Overshoots overshoots;
    for (auto _ : state) {
        qint64 gaveUp = -1;
        auto c = QObject::connect(&download, &memory::Download::failed, [&] { gaveUp = nowUs(); });
        download.start(1026);
        test::waitUntil([&] { return gaveUp >= 0; }, 30000);
        QObject::disconnect(c);
        const auto wire = bench::readWireLog(line.logger.logPath());
        qint64 last = -1;
        for (const bench::WireByte& w : wire)
            if (w.fromLogger) last = w.us;
        if (last < 0 || gaveUp < 0) {
            state.SkipWithError("the download did not stall");
            return;
        }
        overshoots.add(gaveUp - last - qint64(timing.stall.count()) * 1000);
    }
    overshoots.report(state);
}

}  // namespace

BENCHMARK(BM_WakeUpPause)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnswerWait)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProbeWaits)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DownloadStall)->Iterations(3)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
