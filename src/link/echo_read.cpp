#include "link/echo_read.h"

#include "link/exchange_step.h"

namespace vernoll {

namespace {

constexpr std::uint8_t kGoOn = 0x55;

}  // namespace

EchoRead::EchoRead(const ChannelSet& channels, ExchangeOpening& opening, Timing timing, Shape shape,
                   QObject* parent)
    : LoggerExchange(channels, opening, timing, shape.channel, parent),
      shape_(std::move(shape)),
      record_(shape_.length, '\0') {
    stall_.setSingleShot(true);
    stall_.setTimerType(Qt::PreciseTimer);
    stall_.setInterval(timing_.stall);
    connect(&stall_, &QTimer::timeout, this, &EchoRead::stalled);
}

void EchoRead::begin() {
    // A second click while the opening runs would only restart the same opening (and the
    // answer flag, 0 during the opening, would call the logger missing).
    if (state_ == State::Opening) return;
    if (!channels_.exchange().answered) {
        emit failed(error(Fault::NoLogger));
        return;
    }
    channels_.exchange().answered = false;
    stall_.stop();
    record_.fill('\0');
    emit began();
    prepare();

    state_ = State::Opening;
    openExchange(timing_.answerWait, [this] { state_ = State::Idle; });
}

void EchoRead::onComm(int code) {
    if (code != comm::Receive) return;
    Channel& ch = channel();
    const int n = receiveOne(channels_.exchange(), ch);
    state_ = State::Receiving;
    const int last = 2 + shape_.length;

    if (n < 1 || n > last) {
        stall_.stop();
        dropExchange(channels_.line(), ch, QStringLiteral("error en contador"));
        state_ = State::Idle;
        sayWhenHandled(this, [this, e = error(Fault::Counter, QString())] { emit failed(e); });
        return;
    }
    const std::uint8_t b = channels_.exchange().lastByte;
    if (n >= 3) {
        record_[n - 3] = char(b);
        take(n - 3, b);
        emit progress(n - 2, shape_.length);
    }
    const std::uint8_t answer = n == 1 ? shape_.selector : n == 2 ? kGoOn : b;
    ch.write(QByteArray(1, char(answer)));
    if (n < last) {
        stall_.start();
        return;
    }
    stall_.stop();
    ch.close();
    state_ = State::Idle;
    end();
    sayWhenHandled(this, [this] { emit finished(); });
}

void EchoRead::stalled() {
    if (state_ != State::Receiving) return;
    channel().close();
    state_ = State::Idle;
    emit failed(error(Fault::Stall, kStalled));
}

}  // namespace vernoll
