#include "link/logger_exchange.h"

namespace vernoll {

LoggerExchange::LoggerExchange(const ChannelSet& channels, ExchangeOpening& opening, Timing timing,
                               int channel, QObject* parent)
    : QObject(parent), channels_(channels), opening_(opening), timing_(timing), channel_(channel) {
    connect(&channels_[channel_], &Channel::commEvent, this, [this](int code) { onComm(code); });
}

void LoggerExchange::openExchange(Millis wait, std::function<void()> silent) {
    ExchangeOpening::Attention attention;
    attention.channel = channel_;
    attention.wait = wait;
    opening_.start(timing_.wakePause, attention, [this, silent = std::move(silent)](bool ok) {
        if (ok) {
            emit answered();
            return;
        }
        channel().close();
        silent();
        emit failed(error(Fault::NoAnswer));
    });
}

OperationError LoggerExchange::error(Fault fault, const QString& text) const {
    ExchangeContext& exchange = channels_.exchange();
    OperationError e{fault, exchange.port, exchange.refusal, text};
    exchange.refusal.clear();
    return e;
}

}  // namespace vernoll
