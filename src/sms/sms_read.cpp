#include "sms/sms_read.h"

#include "form/controls.h"
#include "link/codepage.h"
#include "link/exchange_step.h"
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
    : LoggerExchange(form, dialogs, channels, opening, timing, kChannel, parent) {}

void SmsRead::click() {
    // A second click while the opening runs would only restart the same opening (and the
    // answer flag, 0 during the opening, would call the logger missing).
    if (state_ == State::Opening) return;
    if (form_.answerFlag == 0) {
        offerReconnection(form_, dialogs_);
        emit failed(Failure::NoLogger);
        return;
    }
    form_.answerFlag = 0;
    form_.setText(ctl::kCellNumber, QString());
    form_.setText(ctl::kSmsHidden, QString());

    state_ = State::Opening;
    openExchange(timing_.answerWait, [this](bool answered) {
        if (!answered) {
            state_ = State::Idle;
            offerReconnection(form_, dialogs_);
            channel().close();
        }
        // Offered even when nothing was read: the write sends what the boxes hold.
        form_.setEnabled(ctl::kWriteSms, true);
        if (!answered) emit failed(Failure::NoAnswer);
    });
}

void SmsRead::onComm(int code) {
    if (code != comm::Receive) return;
    Channel& ch = channel();
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
        form_.setEnabled(ctl::kReadSms, true);
        state_ = State::Idle;
        emit finished();
    }
}

void SmsRead::takeByte(int n, std::uint8_t b) {
    const int offset = n - kFirstRecordByte;
    if (offset < 0) return;
    if (offset < kCodeOffset) {
        form_.appendText(ctl::kCellNumber, QString(cp1252::decode(char(b))));
    } else if (offset == kCodeOffset) {
        form_.smsSendCode = b;
        // A code no button stands for is kept all the same, and written back as it came.
        if (const auto index = sendCodeIndex(b)) {
            for (int i = 0; i < int(kSendCodes.size()); ++i)
                form_.setChecked(ctl::kSendIntervalOptions[i], i == *index);
        }
    } else {
        form_.appendText(ctl::kSmsHidden, QString(cp1252::decode(char(b))));
    }
}

}  // namespace vernoll::sms
