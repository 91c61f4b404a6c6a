#include "sms/sms_read.h"

#include "form/controls.h"
#include "link/codepage.h"
#include "link/exchange_step.h"
#include "link/texts.h"
#include "sms/sms_record.h"

namespace vernoll::sms {

namespace {

constexpr int kChannel = 8;
constexpr std::uint8_t kSelectRead = 0x2D;
constexpr std::uint8_t kGoOn = 0x55;
constexpr int kFirstRecordByte = 3;
constexpr int kLastByte = 2 + kRecordSize;  // 22

}  // namespace

SmsRead::SmsRead(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
                 ExchangeOpening& opening, Timing timing, QObject* parent)
    : QObject(parent),
      form_(form),
      dialogs_(dialogs),
      channels_(channels),
      opening_(opening),
      timing_(timing) {
    connect(&channels_[kChannel], &Channel::commEvent, this, &SmsRead::onComm);
}

void SmsRead::noLogger() {
    dialogs_.message(QString::fromLatin1(texts::kNoLogger));
    form_.setEnabled(ctl::Command1, true);
    form_.setText(ctl::Command1, QString::fromLatin1(texts::kConnectCaption));
}

void SmsRead::click() {
    // A second click while the opening runs would only restart the same opening (and the
    // answer flag, 0 during the opening, would call the logger missing).
    if (state_ == State::Opening) return;
    if (form_.answerFlag == 0) {
        noLogger();
        emit failed(Failure::NoLogger);
        return;
    }
    form_.answerFlag = 0;
    form_.setText(ctl::Text1, QString());
    form_.setText(ctl::Text6, QString());

    state_ = State::Opening;
    ExchangeOpening::Attention attention;
    attention.channel = kChannel;
    attention.wait = timing_.answerWait;
    opening_.start(timing_.wakePause, attention, [this](bool answered) {
        if (!answered) {
            state_ = State::Idle;
            noLogger();
            channels_[kChannel].close();
        }
        // Offered even when nothing was read: the write sends what the boxes hold.
        form_.setEnabled(ctl::Command7, true);
        if (!answered) emit failed(Failure::NoAnswer);
    });
}

void SmsRead::onComm(int code) {
    if (code != comm::Receive) return;
    Channel& ch = channels_[kChannel];
    const int n = receiveOne(form_, ch);
    state_ = State::Receiving;

    if (n < 1 || n > kLastByte) {
        dropExchange(form_, ch, QStringLiteral("error en contador"));
        state_ = State::Idle;
        emit failed(Failure::Counter);
        return;
    }
    const std::uint8_t b = form_.receivedByte;
    takeByte(n, b);
    const char answer = n == 1 ? char(kSelectRead) : n == 2 ? char(kGoOn) : char(b);
    ch.write(QByteArray(1, answer));
    if (n == kLastByte) {
        // The counter keeps 22 until the next opening resets it.
        ch.close();
        form_.setEnabled(ctl::Command6, true);
        state_ = State::Idle;
        emit finished();
    }
}

void SmsRead::takeByte(int n, std::uint8_t b) {
    const int offset = n - kFirstRecordByte;
    if (offset < 0) return;
    if (offset < kCodeOffset) {
        form_.appendText(ctl::Text1, QString(cp1252::decode(char(b))));
    } else if (offset == kCodeOffset) {
        form_.smsSendCode = b;
        // A code no button stands for is kept all the same, and written back as it came.
        if (const auto index = sendCodeIndex(b)) {
            for (int i = 0; i < int(kSendCodes.size()); ++i)
                form_.setChecked(ctl::sendIntervalOptions[i], i == *index);
        }
    } else {
        form_.appendText(ctl::Text6, QString(cp1252::decode(char(b))));
    }
}

}  // namespace vernoll::sms
