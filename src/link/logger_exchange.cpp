#include "link/logger_exchange.h"

#include "form/controls.h"

namespace vernoll {

void offerReconnection(FormState& form, Dialogs& dialogs, const char* text) {
    QString shown = QString::fromLatin1(text);
    if (!form.portRefusal.isEmpty()) shown += QStringLiteral("\r\n") + form.portRefusal;
    form.portRefusal.clear();
    dialogs.message(shown);
    form.setEnabled(ctl::kReconnect, true);
    form.setText(ctl::kReconnect, QString::fromLatin1(texts::kConnectCaption));
}

LoggerExchange::LoggerExchange(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
                               ExchangeOpening& opening, Timing timing, int channel,
                               QObject* parent)
    : QObject(parent),
      form_(form),
      dialogs_(dialogs),
      channels_(channels),
      opening_(opening),
      timing_(timing),
      channel_(channel) {
    connect(&channels_[channel_], &Channel::commEvent, this, [this](int code) { onComm(code); });
}

void LoggerExchange::openExchange(Millis wait, std::function<void(bool answered)> done) {
    ExchangeOpening::Attention attention;
    attention.channel = channel_;
    attention.wait = wait;
    opening_.start(timing_.wakePause, attention, std::move(done));
}

}  // namespace vernoll
