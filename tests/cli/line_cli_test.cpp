// vernoll-cli on the line, against vernoll-sim over pseudo-terminals: every protocol wait lasts
// at least its nominal time, measured from the emulator's wire log.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>
#include <optional>
#include <vector>

#include "form/timing.h"
#include "support/cli_run.h"
#include "support/qt_app.h"

using vernoll::Millis;
using vernoll::Timing;
using vernoll::test::kWireStampLatencyUs;
using vernoll::test::monotonicUs;
using vernoll::test::Sim;
using vernoll::test::WireByte;
using vernoll::test::wireLog;

namespace {

// A moment of a run: the n-th byte `byte` the program sent to emulator `sim` (from 1), the
// last byte the program sent it, or the program's exit.
struct Mark {
    enum Kind { Sent, SentLast, Exit } kind;
    int sim = 0;
    std::uint8_t byte = 0;
    int n = 1;
};

std::optional<qint64> when(const Mark& m, const std::vector<std::vector<WireByte>>& logs,
                           qint64 exitUs) {
    if (m.kind == Mark::Exit) return exitUs;
    std::optional<qint64> found;
    int n = m.n;
    for (const WireByte& w : logs.at(std::size_t(m.sim))) {
        if (m.kind == Mark::SentLast && !w.fromLogger) found = w.us;
        if (m.kind == Mark::Sent && !w.fromLogger && w.byte == m.byte && --n == 0) return w.us;
    }
    return found;
}

}  // namespace

// Each wait is measured from the byte that starts it to the byte (or the exit) that ends it. A
// loaded machine only makes the end later; the start may be stamped late (see
// kWireStampLatencyUs). A coarse timer ends these waits 7 to 30 ms early about half the time.
// The pause after the wake-up byte as the command line's --fast-waits has it: long enough for
// the logger's answer to arrive and be dropped.
constexpr Millis kFastWakePause{250};

TEST(CliLine, ProtocolWaitsLastAtLeastTheirNominalTimeOnTheWire) {
    vernoll::test::ensureApp();
    const Timing fast = Timing::fast();  // what --fast-waits gives
    struct Case {
        const char* what;
        std::vector<QStringList> sims;
        QStringList command;
        int status;
        Mark from, to;
        Millis nominal;
    } cases[] = {
        {"discovery's two waits on a silent port",
         {{QStringLiteral("--fault"), QStringLiteral("silent")}, {}},
         {QStringLiteral("probe")},
         0,
         {Mark::Sent, 0, 0xBE},
         {Mark::Sent, 1, 0xBE},
         fast.probeFirstWait + fast.probeSecondWait},
        {"the same on a port that answers nothing but the probe",
         {{QStringLiteral("--fault"), QStringLiteral("short-probe")}, {}},
         {QStringLiteral("probe")},
         0,
         {Mark::Sent, 0, 0xBE},
         {Mark::Sent, 1, 0xBE},
         fast.probeFirstWait + fast.probeSecondWait},
        {"the pause after the wake-up byte",
         {{}},
         {QStringLiteral("config")},
         0,
         {Mark::Sent, 0, 0xBE, 2},
         {Mark::Sent, 0, 0x55},
         kFastWakePause},
        {"the wait for the first answer",
         {{QStringLiteral("--fault"), QStringLiteral("stall-after=0")}},
         {QStringLiteral("config")},
         1,
         {Mark::Sent, 0, 0x55},
         {Mark::Exit},
         fast.answerWait},
        // From the request after the last whole block.
        {"the download's stall limit",
         {{QStringLiteral("--fault"), QStringLiteral("stall-after=300")}},
         {QStringLiteral("download"), QStringLiteral("--csv"), QStringLiteral("x.csv")},
         3,
         {Mark::SentLast},
         {Mark::Exit},
         fast.stall},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        std::vector<std::unique_ptr<Sim>> sims;
        QStringList args{QStringLiteral("--fast-waits")};
        for (std::size_t i = 0; i < c.sims.size(); ++i) {
            sims.push_back(std::make_unique<Sim>(
                c.sims[i] + QStringList{QStringLiteral("--log"),
                                        dir.filePath(QStringLiteral("wire%1.log").arg(i))}));
            ASSERT_FALSE(sims.back()->path().isEmpty());
            args << QStringLiteral("--port") << sims.back()->path();
        }
        QProcess p;
        p.setStandardInputFile(QProcess::nullDevice());
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral(VERNOLL_CLI_BINARY), args + c.command);
        const auto r = vernoll::test::finish(p);
        const qint64 exitUs = monotonicUs();
        ASSERT_EQ(r.status, c.status) << r.err.toStdString();

        std::vector<std::vector<WireByte>> logs;
        for (std::size_t i = 0; i < c.sims.size(); ++i)
            logs.push_back(wireLog(dir.filePath(QStringLiteral("wire%1.log").arg(i))));
        const auto from = when(c.from, logs, exitUs), to = when(c.to, logs, exitUs);
        ASSERT_TRUE(from && to);
        EXPECT_GE(*to - *from, qint64(c.nominal.count()) * 1000 - kWireStampLatencyUs);

        // Every exchange's opening in the log: the attention byte never follows its wake-up
        // byte sooner than the pause.
        for (const auto& log : logs) {
            const WireByte* wake = nullptr;
            for (const WireByte& w : log) {
                if (w.fromLogger) continue;
                if (w.byte == 0x55 && wake) {
                    EXPECT_GE(w.us - wake->us,
                              qint64(kFastWakePause.count()) * 1000 - kWireStampLatencyUs);
                }
                wake = w.byte == 0xBE ? &w : nullptr;
            }
        }
    }
}
