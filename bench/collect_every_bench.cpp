// vernoll-cli collect --every against loggers paced at 19200 baud, each a vernoll-sim on a
// pseudo-terminal, the whole program: one logger alone, then three at once. The ports are
// collected at the same time, so three should take little longer than one (the line's speed,
// not the program, bounds a download: 64 KiB at 10 bits a byte is about 34 s).

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>
#include <vector>

namespace {

// A paced vernoll-sim; stopped when it goes out of scope.
class PacedLogger {
public:
    explicit PacedLogger(const QString& serial) {
        process_.start(QStringLiteral(VERNOLL_SIM_BINARY),
                       {QStringLiteral("--serial"), serial, QStringLiteral("--pace")});
        if (process_.waitForStarted(5000) && process_.waitForReadyRead(5000))
            path_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    }
    ~PacedLogger() {
        process_.terminate();
        if (!process_.waitForFinished(3000)) process_.kill();
    }
    PacedLogger(const PacedLogger&) = delete;
    PacedLogger& operator=(const PacedLogger&) = delete;
    const QString& path() const { return path_; }

private:
    QProcess process_;
    QString path_;
};

void BM_CollectEvery(benchmark::State& state) {
    const auto loggers = int(state.range(0));
    std::vector<std::unique_ptr<PacedLogger>> line;
    QStringList args{QStringLiteral("--fast-waits")};
    for (int i = 0; i < loggers; ++i) {
        line.push_back(std::make_unique<PacedLogger>(QString::number(20500 + i)));
        if (line.back()->path().isEmpty()) {
            state.SkipWithError("vernoll-sim did not start");
            return;
        }
        args << QStringLiteral("--port") << line.back()->path();
    }
    QTemporaryDir dir;
    args << QStringLiteral("--archive") << dir.filePath(QStringLiteral("a.sqlite"))
         << QStringLiteral("--json") << QStringLiteral("collect") << QStringLiteral("--every");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.path());
    for (auto _ : state) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setStandardInputFile(QProcess::nullDevice());
        p.start(QStringLiteral(VERNOLL_CLI_BINARY), args);
        if (!p.waitForFinished(300000) || p.exitCode() != 0) {
            state.SkipWithError(p.readAllStandardError().constData());
            break;
        }
        // Every logger was collected whole.
        if (p.readAllStandardOutput().count("\"blocks\":1024") != loggers) {
            state.SkipWithError("a logger was not collected whole");
            break;
        }
    }
    state.SetLabel(QStringLiteral("%1 paced logger(s)").arg(loggers).toStdString());
}
BENCHMARK(BM_CollectEvery)->Arg(1)->Arg(3)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
