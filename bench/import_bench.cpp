// The configuration import's turnaround: how long the program takes to answer each byte of
// the logger, over a real pseudo-terminal (the logger runs on its own thread, as vernoll-sim
// would in its own process) and in process (the program's own work, no line at all).

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <vector>

#include "config/config_import.h"
#include "link/exchange_opening.h"
#include "link/serial_channel.h"
#include "sim/emulator_port.h"
#include "sim/logger_emulator.h"
#include "sim/pty_line.h"
#include "support/fake_dialogs.h"
#include "support/wait.h"

using namespace vernoll;

namespace {

QCoreApplication& app() {
    static int argc = 1;
    static char name[] = "vernoll_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication instance(argc, argv);
    return instance;
}

Timing benchTiming() {
    Timing t = Timing::fast();
    t.wakePause = Millis{1};
    return t;
}

// One import, from the click to its end.
bool importOnce(FormState& form, config::ConfigImport& import) {
    bool done = false;
    auto c1 = QObject::connect(&import, &config::ConfigImport::finished, [&] { done = true; });
    auto c2 = QObject::connect(&import, &config::ConfigImport::failed, [&] { done = true; });
    form.answerFlag = -1;
    import.click();
    test::waitUntil([&] { return done; }, 10000);
    QObject::disconnect(c1);
    QObject::disconnect(c2);
    return form.exchangeCounter == 0 && done;
}

// Median of (program's answer read by the logger) - (logger's byte written), from the
// emulator's wire log: the program's turnaround plus two passes through the pty.
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
    if (turns.empty()) return -1;
    std::nth_element(turns.begin(), turns.begin() + long(turns.size() / 2), turns.end());
    return turns[turns.size() / 2];
}

void BM_ImportOverPty(benchmark::State& state) {
    app();
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("wire.log"));
    sim::LoggerEmulator logger;
    QThread loggerThread;
    // The line lives and dies on the logger's thread.
    auto* line = new sim::PtyLine(logger, sim::PtyLine::Options{false, log});
    line->moveToThread(&loggerThread);
    QObject::connect(&loggerThread, &QThread::finished, line, &QObject::deleteLater);
    loggerThread.start();
    bool opened = false;
    QString error;
    QMetaObject::invokeMethod(
        line, [&] { opened = line->open(&error); }, Qt::BlockingQueuedConnection);
    const QString device = line->devicePath();
    if (!opened) {
        state.SkipWithError(qPrintable(error));
        loggerThread.quit();
        loggerThread.wait();
        return;
    }

    FormState form;
    test::FakeDialogs dialogs;
    PortList ports{QStringList{device}};
    ChannelSet channels{[&] { return std::make_unique<SerialChannel>(ports); }};
    ExchangeOpening opening{form, channels};
    config::ConfigImport import{form, dialogs, channels, opening, benchTiming()};
    form.portNumber = 1;
    for (auto _ : state)
        if (!importOnce(form, import)) state.SkipWithError("import did not complete");

    channels.releaseAllBut(0);
    loggerThread.quit();
    loggerThread.wait();
    state.counters["median_turnaround_us"] = medianTurnaroundUs(log);
    state.counters["bytes_per_import"] = 113;
}
BENCHMARK(BM_ImportOverPty)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_ImportInProcess(benchmark::State& state) {
    app();
    sim::LoggerEmulator logger;
    sim::EmulatorPort port(logger);
    FormState form;
    test::FakeDialogs dialogs;
    PortList ports{QStringList{sim::EmulatorPort::location()}};
    ChannelSet channels{port.channelFactory()};
    ExchangeOpening opening{form, channels};
    config::ConfigImport import{form, dialogs, channels, opening, benchTiming()};
    form.portNumber = 1;
    for (auto _ : state)
        if (!importOnce(form, import)) state.SkipWithError("import did not complete");
    // The 1 ms wake-up pause is part of each iteration; per byte it is under 9 us.
    state.counters["per_byte_us"] = benchmark::Counter(
        double(state.iterations()) * 113, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ImportInProcess)->Unit(benchmark::kMillisecond)->Iterations(50);

}  // namespace

BENCHMARK_MAIN();
