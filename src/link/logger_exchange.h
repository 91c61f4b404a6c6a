#pragma once

#include <QObject>
#include <functional>

#include "form/dialogs.h"
#include "form/form_state.h"
#include "link/channel_set.h"
#include "link/exchange_opening.h"
#include "link/texts.h"
#include "link/timing.h"

namespace vernoll {

// The ending of an exchange the logger did not answer: the no-connection message, and
// the reconnection button offered.
void offerReconnection(FormState& form, Dialogs& dialogs, const char* text = texts::kNoLogger);

// What the exchanges that begin with the common opening and then go on byte by byte on one
// channel of their own share: the form, the dialogs, the channels, the opening and the waits.
// The channel's receive events reach onComm.
class LoggerExchange : public QObject {
    Q_OBJECT
protected:
    LoggerExchange(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
                   ExchangeOpening& opening, Timing timing, int channel, QObject* parent);

    // The exchange's own channel, MSComm k.
    Channel& channel() const { return channels_[channel_]; }
    // Wake-up, pause, the attention byte on the exchange's channel, then a wait of `wait` for
    // the logger's first answer; `done(answered)`.
    void openExchange(Millis wait, std::function<void(bool answered)> done);
    // The receive handler.
    virtual void onComm(int code) = 0;

    FormState& form_;
    Dialogs& dialogs_;
    const ChannelSet& channels_;
    ExchangeOpening& opening_;
    Timing timing_;

private:
    int channel_;
};

}  // namespace vernoll
