#include "link/exchange_opening.h"

#include "link/line_owner.h"

namespace vernoll {

namespace {
constexpr char kWakeUp = char(0xBE);
constexpr char kAttention = char(0x55);
}  // namespace

ExchangeOpening::ExchangeOpening(const ChannelSet& channels, QObject* parent)
    : QObject(parent), channels_(channels) {
    timer_.setSingleShot(true);
    // The pause and the answer wait are the logger's timing: a coarse timer may end them up
    // to 5% early (a 2 s pause measured 1.90 s on the wire).
    timer_.setTimerType(Qt::PreciseTimer);
}

void ExchangeOpening::holdLine() {
    if (!holding_) holding_ = channels_.line().take(QString::fromLatin1(line::kOpening));
}

void ExchangeOpening::releaseLine() {
    if (holding_) channels_.line().release();
    holding_ = false;
}

void ExchangeOpening::wakeUp(Millis pause, std::function<void()> then) {
    holdLine();
    timer_.stop();
    QObject::disconnect(listening_);
    channels_.releaseAllBut(0);
    Channel& probe = channels_[1];
    probe.setCommPort(channels_.exchange().port);
    // Nothing may handle the logger's answer to the wake-up: it is dropped with the channel.
    probe.blockSignals(true);
    if (probe.open()) probe.write(QByteArray(1, kWakeUp));
    state_ = State::Pausing;
    timer_.disconnect();
    connect(&timer_, &QTimer::timeout, this, [this, then = std::move(then)] {
        Channel& mscomm1 = channels_[1];
        mscomm1.close();
        mscomm1.blockSignals(false);
        state_ = State::Idle;
        const auto next = then;  // `then` goes with this slot once the next step reconnects
        next();
    });
    timer_.start(pause);
}

void ExchangeOpening::attend(const Attention& a, std::function<void(bool answered)> done) {
    holdLine();
    Channel& ch = channels_[a.channel];
    channels_.releaseAllBut(0);
    channels_.exchange().answered = false;
    if (a.setCommPort) ch.setCommPort(channels_.exchange().port);
    if (a.threshold > 0) ch.setReceiveThreshold(a.threshold);
    ch.open();
    ch.write(QByteArray(1, kAttention));
    channels_.exchange().counter = 0;

    state_ = State::Answering;
    done_ = std::move(done);
    // Connected after the operation's own handler, so the flag is already set when this runs.
    listening_ = connect(&ch, &Channel::commEvent, this, [this] {
        if (channels_.exchange().answered) finishWait(true);
    });
    timer_.disconnect();
    connect(&timer_, &QTimer::timeout, this, [this] { finishWait(channels_.exchange().answered); });
    timer_.start(a.wait);
}

void ExchangeOpening::start(Millis pause, const Attention& a,
                            std::function<void(bool answered)> done) {
    wakeUp(pause, [this, a, done = std::move(done)]() mutable { attend(a, std::move(done)); });
}

void ExchangeOpening::cancel() {
    timer_.stop();
    QObject::disconnect(listening_);
    if (state_ == State::Pausing) {
        channels_[1].close();
        channels_[1].blockSignals(false);
    }
    state_ = State::Idle;
    done_ = nullptr;
    releaseLine();
}

void ExchangeOpening::finishWait(bool answered) {
    if (state_ != State::Answering) return;
    timer_.stop();
    QObject::disconnect(listening_);
    state_ = State::Idle;
    // Given back before the operation goes on: its end may start another exchange.
    releaseLine();
    auto done = std::move(done_);
    done_ = nullptr;
    if (done) done(answered);
}

}  // namespace vernoll
