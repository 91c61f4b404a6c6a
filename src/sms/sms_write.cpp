#include "sms/sms_write.h"

#include "form/controls.h"
#include "link/exchange_step.h"
#include "sms/sms_record.h"

namespace vernoll::sms {

namespace {

constexpr int kChannel = 7;
constexpr std::uint8_t kSelectWrite = 0x2E;
constexpr int kLastByte = 1 + kRecordSize;  // 21

}  // namespace

SmsWrite::SmsWrite(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
                   ExchangeOpening& opening, Timing timing, QObject* parent)
    : LoggerExchange(form, dialogs, channels, opening, timing, kChannel, parent) {}

void SmsWrite::chooseInterval(int index) {
    if (index < 0 || index >= int(kSendCodes.size())) return;
    form_.smsSendCode = kSendCodes[std::size_t(index)];
    for (int i = 0; i < int(kSendCodes.size()); ++i)
        form_.setChecked(ctl::kSendIntervalOptions[i], i == index);
}

void SmsWrite::click() {
    // A second click while the opening runs would only restart the same opening.
    if (state_ == State::Opening) return;
    if (!dialogs_.confirm(QStringLiteral("esta seguro de cambiar Configuracion SMS? "),
                          Dialogs::Icon::Warning)) {
        emit cancelled();
        return;
    }
    // The padded texts stay in the boxes.
    form_.setText(ctl::kCellNumber, padded(form_.control(ctl::kCellNumber).text, kCellWidth));
    form_.setText(ctl::kSmsHidden, padded(form_.control(ctl::kSmsHidden).text, kHiddenWidth + 1));
    frame_ = writeFrame(form_.control(ctl::kCellNumber).text, form_.smsSendCode,
                        form_.control(ctl::kSmsHidden).text);

    state_ = State::Opening;
    openExchange(timing_.answerWait, [this](bool answered) {
        if (answered) return;
        state_ = State::Idle;
        offerReconnection(form_, dialogs_);
        channel().close();
        emit failed(Failure::NoAnswer);
    });
}

void SmsWrite::onComm(int code) {
    if (code != comm::Receive) return;
    Channel& ch = channel();
    const int n = receiveOne(form_, ch);
    state_ = State::Sending;

    if (n == 1) {
        ch.write(QByteArray(1, char(kSelectWrite)));
        return;
    }
    if (n >= 2 && n <= kLastByte && n - 2 < frame_.size()) {
        ch.write(frame_.mid(n - 2, 1));
        if (n == kLastByte) {
            ch.close();
            state_ = State::Idle;
            dialogs_.message(QStringLiteral("Se Modific\u00f3 configuraci\u00f3n SMS"));
            emit finished();
        }
        return;
    }
    dropExchange(form_, ch, QStringLiteral("error datos"));
    state_ = State::Idle;
    emit failed(Failure::Counter);
}

}  // namespace vernoll::sms
