#include "link/paced_write.h"

#include "link/exchange_step.h"

namespace vernoll {

PacedWrite::PacedWrite(const ChannelSet& channels, ExchangeOpening& opening, Timing timing,
                       Shape shape, QObject* parent)
    : LoggerExchange(channels, opening, timing, shape.channel, parent), shape_(shape) {}

void PacedWrite::begin(QByteArray frame) {
    frame_ = std::move(frame);
    state_ = State::Opening;
    openExchange(shape_.wait, [this] { state_ = State::Idle; });
}

void PacedWrite::onComm(int code) {
    if (code != comm::Receive) return;
    Channel& ch = channel();
    const int n = receiveOne(channels_.exchange(), ch);
    state_ = State::Sending;
    const int last = 1 + int(frame_.size());

    if (n == 1) {
        ch.write(QByteArray(1, char(shape_.selector)));
        return;
    }
    if (n >= 2 && n <= last) {
        ch.write(frame_.mid(n - 2, 1));
        if (n == last) {
            ch.close();
            state_ = State::Idle;
        }
        emit progress(n - 1, int(frame_.size()));
        if (n == last) sayWhenHandled(this, [this] { emit finished(); });
        return;
    }
    dropExchange(channels_.line(), ch, QString::fromLatin1(shape_.diagnostic));
    state_ = State::Idle;
    sayWhenHandled(this, [this, e = error(Fault::Counter, QString())] { emit failed(e); });
}

}  // namespace vernoll
