#include "sms/sms_write.h"

#include "form/controls.h"
#include "sms/sms_record.h"

namespace vernoll::sms {

namespace {

constexpr int kWriteChannel = 7;
constexpr std::uint8_t kSelectWrite = 0x2E;

}  // namespace

SmsWrite::SmsWrite(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
                   ExchangeOpening& opening, Timing timing, QObject* parent)
    : PacedWrite(form, dialogs, channels, opening, timing,
                 {kWriteChannel, kSelectWrite, timing.answerWait, "error datos"}, parent) {}

void SmsWrite::chooseInterval(int index) {
    if (index < 0 || index >= int(kSendIntervals.size())) return;
    form_.smsSendCode = kSendIntervals[std::size_t(index)].code;
    for (int i = 0; i < int(kSendIntervals.size()); ++i)
        form_.setChecked(ctl::kSendIntervalOptions[i], i == index);
}

void SmsWrite::start() {
    // A second click while the opening runs would only restart the same opening.
    if (state() == State::Opening) return;
    // Lower case and the trailing blank are the logger program's own.
    if (!dialogs_.confirm(QStringLiteral("esta seguro de cambiar Configuracion SMS? "),
                          Dialogs::Icon::Warning)) {
        emit cancelled();
        return;
    }
    // The padded texts stay in the boxes. The hidden field is padded to five although only
    // four of its characters go out: the logger program does so.
    form_.setText(ctl::kCellNumber, padded(form_.control(ctl::kCellNumber).text, kCellWidth));
    form_.setText(ctl::kSmsHidden, padded(form_.control(ctl::kSmsHidden).text, kHiddenWidth + 1));
    begin(writeFrame(form_.control(ctl::kCellNumber).text, form_.smsSendCode,
                     form_.control(ctl::kSmsHidden).text));
}

void SmsWrite::end() {
    dialogs_.message(QStringLiteral("Se Modific\u00f3 configuraci\u00f3n SMS"));
}

}  // namespace vernoll::sms
