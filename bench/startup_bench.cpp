// Start-up to the window shown, dialogs aside: the windows built, the handlers made, port
// discovery run against the built-in emulator (the question and the connection message are
// answered at once), and the main window shown. The import that follows is not counted.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>

#include "app/inicio.h"
#include "app/main_window.h"
#include "app/progress_window.h"
#include "app/splash.h"
#include "sim/emulator_port.h"
#include "sim/logger_emulator.h"
#include "support/fake_dialogs.h"
#include "support/wait.h"

using namespace vernoll;

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "vernoll_startup_bench";
    static char* argv[] = {name, nullptr};
    static QApplication instance(argc, argv);
    return instance;
}

void BM_StartUpToWindowShown(benchmark::State& state) {
    app();
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        sim::LoggerEmulator emulator;
        sim::EmulatorPort port(emulator);
        const PortList ports{QStringList{sim::EmulatorPort::location()}};
        ChannelSet channels{port.channelFactory()};
        FormState form;
        test::FakeDialogs dialogs;
        auto inicio = std::make_unique<Inicio>(form, dialogs, channels, ports, Timing::real());
        ProgressWindow progress(form, *inicio);
        SplashWindow splash(form);
        MainWindow window(form, *inicio);
        bool shown = false;
        QObject::connect(inicio.get(), &Inicio::startUpFinished, &window, [&] {
            window.show();
            shown = true;
        });
        inicio->startUp();
        test::waitUntil([&] { return shown; }, 10000);
        QCoreApplication::processEvents();  // the first paint
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        if (!shown) state.SkipWithError("the window was not shown");
        inicio.reset();
    }
}
BENCHMARK(BM_StartUpToWindowShown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
