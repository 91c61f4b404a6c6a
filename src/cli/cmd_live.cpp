// live: discovery, import, then the live data display, as clicks on "DATOS EN LINEA" would
// run it; each frame's text is printed as it is shown.

#include <QJsonArray>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <ctime>

#include "cli/commands.h"
#include "live/live_display.h"

namespace vernoll::cli {

namespace {

using live::LiveDisplay;

volatile std::sig_atomic_t interrupted = 0;
// When the first interrupt came (monotonic milliseconds; 0: none yet).
std::atomic<std::int64_t> firstInterruptMs{0};
static_assert(std::atomic<std::int64_t>::is_always_lock_free, "used in a signal handler");
// Copies of one interrupt arrive together (timeout signals the process, then its group), but a
// loaded machine may run the stop in between: they count as one within this time.
constexpr std::int64_t kCopiesWithinMs = 1000;

std::int64_t monotonicMs() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);  // safe in a signal handler
    return std::int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

extern "C" void onInterrupt(int signal) {
    const std::int64_t now = monotonicMs();
    std::int64_t first = 0;
    if (firstInterruptMs.compare_exchange_strong(first, now)) {
        interrupted = 1;
        return;
    }
    // A later interrupt, while the stop is under way, ends the program at once.
    if (now - first < kCopiesWithinMs) return;
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// SIGINT and SIGTERM stop the display as the second click does, for as long as it lives.
class InterruptGuard {
public:
    InterruptGuard() {
        interrupted = 0;
        firstInterruptMs = 0;
        int_ = std::signal(SIGINT, onInterrupt);
        term_ = std::signal(SIGTERM, onInterrupt);
    }
    ~InterruptGuard() {
        std::signal(SIGINT, int_ == SIG_ERR ? SIG_DFL : int_);
        std::signal(SIGTERM, term_ == SIG_ERR ? SIG_DFL : term_);
    }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    using Handler = void (*)(int);
    Handler int_;
    Handler term_;
};

}  // namespace

int live(Session& session, const QCommandLineParser& parser) {
    const QString framesOption = QStringLiteral("frames");
    if (!parser.positionalArguments().isEmpty()) {
        session.complain(QStringLiteral("unexpected argument: ") +
                         parser.positionalArguments().first());
        return Usage;
    }
    qint64 limit = -1;
    if (parser.isSet(framesOption)) {
        bool ok = false;
        limit = parser.value(framesOption).toLongLong(&ok);
        if (!ok || limit < 1) {
            session.complain(QStringLiteral("--frames takes a number of frames, 1 or more"));
            return Usage;
        }
    }

    int status = session.connect(true);
    if (status != Done) return status;
    InterruptGuard guard;

    LiveDisplay& display = session.logger().live();
    QJsonArray texts;
    qint64 shown = 0;
    bool stopping = false;
    QObject scope;  // the connections below end with this call
    status = session.run(
        [&](const Session::Finish& finish) {
            // The second click; the frame already requested closes the port.
            const auto stop = [&, finish] {
                if (stopping) return;
                stopping = true;
                const auto s = display.state();
                if (s == LiveDisplay::State::Starting || s == LiveDisplay::State::Running ||
                    s == LiveDisplay::State::FailedStart)
                    display.stop();
                if (display.state() == LiveDisplay::State::Idle) finish(Done);
            };
            QObject::connect(&display, &LiveDisplay::frameShown, &scope,
                             [&, stop](const QString& text) {
                                 if (stopping) return;
                                 ++shown;
                                 if (session.options().json)
                                     texts.append(text);
                                 else
                                     session.print(text + QStringLiteral("\r\n"));
                                 if (limit > 0 && shown >= limit) stop();
                             });
            QObject::connect(&display, &LiveDisplay::stopped, &scope, [=] { finish(Done); });
            QObject::connect(&display, &LiveDisplay::failed, &scope,
                             [&session, finish](const OperationError& e) {
                                 session.show(e);
                                 finish(NoLogger);
                             });
            auto* poll = new QTimer(&scope);
            QObject::connect(poll, &QTimer::timeout, &scope, [=] {
                if (!interrupted) return;
                stop();
            });
            poll->start(50);
            display.start(session.nserie());
        },
        [&] {
            const auto s = display.state();
            return s == LiveDisplay::State::Starting || s == LiveDisplay::State::Running ||
                   s == LiveDisplay::State::Stopping;
        },
        [&] { return display.frames(); });
    if (status == Done && session.options().json)
        session.printJson({{QStringLiteral("frames"), texts}});
    return status;
}

}  // namespace vernoll::cli
