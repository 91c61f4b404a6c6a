#include "link/echo_read.h"

#include "link/exchange_step.h"

namespace vernoll {

namespace {

constexpr std::uint8_t kGoOn = 0x55;

void put(FormState& form, const QString& name, const ControlState& c) {
    form.setEnabled(name, c.enabled);
    form.setVisible(name, c.visible);
    form.setLocked(name, c.locked);
    form.setChecked(name, c.checked);
    form.setText(name, c.text);
}

}  // namespace

EchoRead::EchoRead(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
                   ExchangeOpening& opening, Timing timing, Shape shape, QObject* parent)
    : LoggerExchange(form, dialogs, channels, opening, timing, shape.channel, parent),
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
        offerReconnection(form_, dialogs_);
        emit failed(Failure::NoLogger);
        return;
    }
    channels_.exchange().answered = false;
    // A read the logger left half-done keeps what the window showed before that read.
    if (state_ != State::Receiving || !before_) {
        QHash<QString, ControlState> shown;
        for (const char* name : shape_.shown) {
            const QString key = QString::fromLatin1(name);
            shown.insert(key, form_.control(key));
        }
        before_ = std::move(shown);
        save();
    }
    stall_.stop();
    record_.fill('\0');
    prepare();

    state_ = State::Opening;
    openExchange(timing_.answerWait, [this](bool answered) {
        if (!answered) {
            state_ = State::Idle;
            offerReconnection(form_, dialogs_);
            channel().close();
        }
        opened(answered);
        if (!answered) {
            before_.reset();
            emit failed(Failure::NoAnswer);
        }
    });
}

void EchoRead::onComm(int code) {
    if (code != comm::Receive) return;
    Channel& ch = channel();
    const int n = receiveOne(channels_.exchange(), ch);
    state_ = State::Receiving;
    const int last = 2 + shape_.length;

    if (n < 1 || n > last) {
        stall_.stop();
        dropExchange(form_, ch, QStringLiteral("error en contador"));
        state_ = State::Idle;
        before_.reset();
        emit failed(Failure::Counter);
        return;
    }
    const std::uint8_t b = channels_.exchange().lastByte;
    if (n >= 3) {
        record_[n - 3] = char(b);
        take(n - 3, b);
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
    before_.reset();
    end();
    emit finished();
}

void EchoRead::stalled() {
    if (state_ != State::Receiving) return;
    channel().close();
    state_ = State::Idle;
    // Put back before the message, so that the window behind it shows no half-read record.
    if (before_) {
        for (auto it = before_->cbegin(); it != before_->cend(); ++it) put(form_, it.key(), *it);
        restore();
    }
    before_.reset();
    dialogs_.message(QString::fromLatin1(kStalled));
    emit failed(Failure::Stall);
}

}  // namespace vernoll
