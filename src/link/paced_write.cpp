#include "link/paced_write.h"

#include "link/exchange_step.h"

namespace vernoll {

PacedWrite::PacedWrite(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
                       ExchangeOpening& opening, Timing timing, Shape shape, QObject* parent)
    : LoggerExchange(form, dialogs, channels, opening, timing, shape.channel, parent),
      shape_(shape) {}

void PacedWrite::begin(QByteArray frame) {
    frame_ = std::move(frame);
    state_ = State::Opening;
    openExchange(shape_.wait, [this](bool answered) {
        if (!answered) {
            state_ = State::Idle;
            offerReconnection(form_, dialogs_);
            channel().close();
        }
        opened(answered);
        if (!answered) emit failed(Failure::NoAnswer);
    });
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
            end();
        }
        paced(n);
        if (n == last) emit finished();
        return;
    }
    beyond();
    dropExchange(form_, ch, QString::fromLatin1(shape_.diagnostic));
    state_ = State::Idle;
    emit failed(Failure::Counter);
}

}  // namespace vernoll
