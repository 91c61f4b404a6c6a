#include "sms/sms_read.h"

#include "form/controls.h"
#include "link/codepage.h"

namespace vernoll::sms {

namespace {

constexpr int kReadChannel = 8;
constexpr std::uint8_t kSelectRead = 0x2D;

// What the read changes before its end: the two boxes, the send-interval buttons, and the
// write, which the opening offers.
std::vector<const char*> shownControls() {
    std::vector<const char*> shown{ctl::kCellNumber, ctl::kSmsHidden, ctl::kWriteSms};
    shown.insert(shown.end(), std::begin(ctl::kSendIntervalOptions),
                 std::end(ctl::kSendIntervalOptions));
    return shown;
}

}  // namespace

SmsRead::SmsRead(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
                 ExchangeOpening& opening, Timing timing, QObject* parent)
    : EchoRead(form, dialogs, channels, opening, timing,
               {kReadChannel, kSelectRead, kRecordSize, shownControls()}, parent) {}

void SmsRead::prepare() {
    form_.setText(ctl::kCellNumber, QString());
    form_.setText(ctl::kSmsHidden, QString());
}

void SmsRead::opened(bool) {
    // Offered even when nothing was read: the write sends what the boxes hold.
    form_.setEnabled(ctl::kWriteSms, true);
}

void SmsRead::take(int offset, std::uint8_t b) {
    if (offset < kCodeOffset) {
        form_.appendText(ctl::kCellNumber, QString(cp1252::decode(char(b))));
    } else if (offset == kCodeOffset) {
        form_.smsSendCode = b;
        // A code no button stands for is kept all the same, and written back as it came.
        if (const auto index = sendCodeIndex(b)) {
            for (int i = 0; i < int(kSendIntervals.size()); ++i)
                form_.setChecked(ctl::kSendIntervalOptions[i], i == *index);
        }
    } else {
        form_.appendText(ctl::kSmsHidden, QString(cp1252::decode(char(b))));
    }
}

void SmsRead::end() {
    // The counter keeps 22 until the next opening resets it.
    form_.setEnabled(ctl::kReadSms, true);
    const QByteArray& r = record();
    settings_ = Settings{cp1252::decode(r.left(kCellWidth)), std::uint8_t(r[kCodeOffset]),
                         r.mid(kHiddenOffset, kHiddenWidth)};
}

void SmsRead::save() {
    savedCode_ = form_.smsSendCode;
}

void SmsRead::restore() {
    form_.smsSendCode = savedCode_;
}

}  // namespace vernoll::sms
