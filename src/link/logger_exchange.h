#pragma once

#include <QObject>
#include <functional>

#include "link/channel_set.h"
#include "link/exchange_opening.h"
#include "link/operation_error.h"
#include "link/texts.h"
#include "link/timing.h"

namespace vernoll {

// What the exchanges that begin with the common opening and then go on byte by byte on one
// channel of their own share: the channels, the opening and the waits. The channel's receive
// events reach onComm.
class LoggerExchange : public QObject {
    Q_OBJECT
signals:
    // The logger answered the attention byte.
    void answered();
    // n of m bytes of the record or frame went.
    void progress(int n, int m);
    // The exchange ends once: whole, or with the error.
    void finished();
    void failed(const vernoll::OperationError& error);

protected:
    LoggerExchange(const ChannelSet& channels, ExchangeOpening& opening, Timing timing, int channel,
                   QObject* parent);

    // The exchange's own channel, MSComm k.
    Channel& channel() const { return channels_[channel_]; }
    // Wake-up, pause, the attention byte on the exchange's channel, then a wait of `wait` for
    // the logger's first answer: answered(), or the channel closed, `silent()` and failed()
    // with Fault::NoAnswer.
    void openExchange(Millis wait, std::function<void()> silent);
    // The receive handler.
    virtual void onComm(int code) = 0;

    // The error this exchange ends with, on the logger's port, with the port's refusal since
    // the operation began (said once: it is cleared).
    OperationError error(Fault fault, const QString& text) const;
    OperationError error(Fault fault, const char* text = texts::kNoLogger) const {
        return error(fault, QString::fromLatin1(text));
    }

    const ChannelSet& channels_;
    ExchangeOpening& opening_;
    Timing timing_;

private:
    int channel_;
};

}  // namespace vernoll
