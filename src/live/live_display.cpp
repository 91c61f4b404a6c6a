#include "live/live_display.h"

#include "link/line_owner.h"
#include "link/texts.h"

namespace vernoll::live {

namespace {

constexpr char kLiveRequest = char(0xBE);
constexpr int kChannel = 6;  // MSComm6
// Said on the line when bytes beyond a frame wait in the buffer.
constexpr char kMissing[] = "falta";

}  // namespace

LiveDisplay::LiveDisplay(const ChannelSet& channels, Timing timing, QObject* parent)
    : QObject(parent), channels_(channels), timing_(timing) {
    firstWait_.setSingleShot(true);
    // Never shorter than the logger's answer time: a coarse timer may fire 5% early.
    firstWait_.setTimerType(Qt::PreciseTimer);
    connect(&firstWait_, &QTimer::timeout, this, &LiveDisplay::endFirstWait);
    quiet_.setSingleShot(true);
    quiet_.setTimerType(Qt::PreciseTimer);
    connect(&quiet_, &QTimer::timeout, this, &LiveDisplay::endQuiet);
    connect(&channels_[kChannel], &Channel::commEvent, this, &LiveDisplay::onComm);
}

OperationError LiveDisplay::error(Fault fault) const {
    ExchangeContext& exchange = channels_.exchange();
    OperationError e{fault, exchange.port, exchange.refusal, QString::fromLatin1(texts::kNoLogger)};
    exchange.refusal.clear();
    return e;
}

void LiveDisplay::start(float nserie) {
    if (channels_.line().held()) return;
    if (!channels_.exchange().answered) {
        emit failed(error(Fault::NoLogger));
        return;
    }
    nserie_ = nserie;
    emit began();
    channels_.line().take(QString::fromLatin1(line::kLive));

    channels_.exchange().answered = false;
    Channel& ch = channels_[kChannel];
    // A channel an earlier stalled exchange left open would hold the port.
    channels_.releaseAllBut(kChannel);
    ch.setCommPort(channels_.exchange().port);
    ch.setReceiveThreshold(kFrameSize);
    // Still open after a stop whose frame never came: the open fails and is passed over.
    ch.open();
    state_ = State::Starting;
    ch.write(QByteArray(1, kLiveRequest));
    // Measured from the request on the wire.
    firstWait_.start(timing_.answerWait);
}

void LiveDisplay::endFirstWait() {
    if (channels_.exchange().answered) return;
    giveLineBack();
    channels_[kChannel].close();
    // A stop during the wait has already ended the display; the start ends here.
    state_ = state_ == State::Stopping ? State::Idle : State::FailedStart;
    emit failed(error(Fault::NoAnswer));
}

void LiveDisplay::endQuiet() {
    if (state_ == State::Running) emit quiet();
}

void LiveDisplay::giveLineBack() {
    if (channels_.line().holder() == QLatin1String(line::kLive)) channels_.line().release();
}

void LiveDisplay::stop() {
    quiet_.stop();
    // Given back at once: the frame still on its way is only read and dropped.
    giveLineBack();
    // The port stays open for the frame already requested; its handler closes it.
    state_ = channels_[kChannel].isOpen() ? State::Stopping : State::Idle;
}

void LiveDisplay::onComm(int code) {
    if (code != comm::Receive) return;
    Channel& ch = channels_[kChannel];
    channels_.exchange().answered = true;
    const QByteArray bytes = ch.read(kFrameSize);
    lastFrame_ = decoder_.decode(nserie_, bytes);
    ++frames_;
    if (ch.bytesWaiting() > 0) channels_.line().diagnose(QString::fromLatin1(kMissing));

    // The first frame ends the wait, also when a stop was clicked during it.
    firstWait_.stop();
    const bool first = state_ == State::Starting;
    const bool displaying = state_ == State::Starting || state_ == State::Running;
    if (displaying) {
        state_ = State::Running;
        ch.write(QByteArray(1, kLiveRequest));
        quiet_.start(timing_.stall);
    } else {
        ch.clearInput();
        ch.close();
        state_ = State::Idle;
    }
    emit frameShown(lastFrame_);
    if (first) emit started();
    if (state_ == State::Idle) emit stopped();
}

}  // namespace vernoll::live
