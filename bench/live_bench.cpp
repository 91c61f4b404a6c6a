// The live cycle: how long the program takes from a frame's last byte to the next request
// byte, the frame's text decoded and put in Text60 on the way. Over an unpaced
// pseudo-terminal (the logger runs on its own thread, as vernoll-sim would in its own
// process; the figure includes two passes through the pty), with the handler's own share
// measured inside the program; and the decoder alone, per family.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <vector>

#include "link/serial_channel.h"
#include "live/live_decoder.h"
#include "live/live_display.h"
#include "sim/live_frames.h"
#include "sim/logger_emulator.h"
#include "sim/pty_line.h"
#include "support/wait.h"

using namespace vernoll;

namespace {

QCoreApplication& app() {
    static int argc = 1;
    static char name[] = "vernoll_live_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication instance(argc, argv);
    return instance;
}

double median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// (request byte read by the logger) - (the frame's last byte written), from the wire log.
double medianTurnaroundUs(const QString& logPath) {
    QFile f(logPath);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    std::vector<double> turns;
    qint64 lastTx = -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> p = line.split(' ');
        if (p.size() != 3) continue;
        const qint64 us = p[0].toLongLong();
        if (p[1] == "tx") lastTx = us;
        if (p[1] == "rx" && lastTx >= 0) {
            turns.push_back(double(us - lastTx));
            lastTx = -1;
        }
    }
    return median(turns);
}

// Arg: the serial number, which decides the family and so the text.
void BM_LiveCycleOverPty(benchmark::State& state) {
    app();
    const auto serial = QString::number(state.range(0)).rightJustified(8, QLatin1Char('0'));
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("wire.log"));
    sim::EmulatorOptions options;
    options.serial = serial;
    sim::LoggerEmulator logger(options);
    QThread loggerThread;
    auto* line = new sim::PtyLine(logger, sim::PtyLine::Options{false, log});
    line->moveToThread(&loggerThread);
    QObject::connect(&loggerThread, &QThread::finished, line, &QObject::deleteLater);
    loggerThread.start();
    bool opened = false;
    QString error;
    QMetaObject::invokeMethod(
        line, [&] { opened = line->open(&error); }, Qt::BlockingQueuedConnection);
    if (!opened) {
        state.SkipWithError(qPrintable(error));
        loggerThread.quit();
        loggerThread.wait();
        return;
    }

    PortList ports{QStringList{line->devicePath()}};
    ChannelSet channels{[&] { return std::make_unique<SerialChannel>(ports); }};
    // Connected before the display's handler, so it runs first: the handler's own time.
    QElapsedTimer handlerClock;
    std::vector<double> handlerUs;
    QObject::connect(&channels[6], &Channel::commEvent, [&](int) { handlerClock.start(); });
    live::LiveDisplay display(channels, Timing::fast());
    QObject::connect(&display, &live::LiveDisplay::frameShown,
                     [&] { handlerUs.push_back(double(handlerClock.nsecsElapsed()) / 1000.0); });
    channels.exchange().answered = true;
    channels.exchange().port = 1;
    display.start(float(state.range(0)));
    for (auto _ : state) {
        const qint64 before = display.frames();
        if (!test::waitUntil([&] { return display.frames() > before; }, 5000))
            state.SkipWithError("no frame");
    }
    const QString shown = display.lastFrame();
    bool stopped = false;
    QObject::connect(&display, &live::LiveDisplay::stopped, [&] { stopped = true; });
    display.stop();
    test::waitUntil([&] { return stopped; }, 5000);

    loggerThread.quit();
    loggerThread.wait();
    state.counters["median_turnaround_us"] = medianTurnaroundUs(log);
    state.counters["median_handler_us"] = median(handlerUs);
    state.counters["text_chars"] = double(shown.size());
}
BENCHMARK(BM_LiveCycleOverPty)
    ->Arg(21500)
    ->Arg(2050500)
    ->Arg(80000)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(2000);

// The decoder alone: one frame to its text.
void BM_DecodeFrame(benchmark::State& state) {
    const float n = float(state.range(0));
    const QByteArray bytes = sim::liveFrame(QString::number(state.range(0)),
                                            QDateTime(QDate(2026, 7, 3), QTime(14, 5, 9)));
    const live::Frame frame = live::frameOf(bytes);
    live::LiveDecoder decoder;
    for (auto _ : state) benchmark::DoNotOptimize(decoder.decode(n, frame));
}
BENCHMARK(BM_DecodeFrame)->Arg(123)->Arg(21500)->Arg(50500)->Arg(80000)->Arg(2050500)->Arg(2060500);

}  // namespace

BENCHMARK_MAIN();
