#include "app/sms_presenter.h"

#include "app/reconnection.h"
#include "config/record.h"
#include "link/codepage.h"
#include "session/logger_session.h"
#include "sms/sms_read.h"
#include "sms/sms_record.h"
#include "sms/sms_write.h"

namespace vernoll {

namespace {

// What the read changes before its end: the two boxes, the send-interval buttons, and the
// write, which the opening offers.
std::vector<const char*> shownByRead() {
    std::vector<const char*> shown{ctl::kCellNumber, ctl::kSmsHidden, ctl::kWriteSms};
    shown.insert(shown.end(), std::begin(ctl::kSendIntervalOptions),
                 std::end(ctl::kSendIntervalOptions));
    return shown;
}

}  // namespace

SmsPresenter::SmsPresenter(FormState& form, Dialogs& dialogs, LoggerSession& session,
                           QObject* parent)
    : QObject(parent), form_(form), dialogs_(dialogs), session_(session) {
    sms::SmsRead& read = session_.smsRead();
    connect(&read, &sms::SmsRead::began, this, [this] {
        // A read the logger left half-done keeps what the window showed before that read.
        if (!beforeRead_) {
            beforeRead_ = form_.snapshot(shownByRead());
            codeBeforeRead_ = form_.smsSendCode;
        }
        form_.setText(ctl::kCellNumber, QString());
        form_.setText(ctl::kSmsHidden, QString());
    });
    // Offered even when nothing was read: the write sends what the boxes hold.
    connect(&read, &sms::SmsRead::answered, this,
            [this] { form_.setEnabled(ctl::kWriteSms, true); });
    connect(&read, &sms::SmsRead::finished, this, [this] {
        beforeRead_.reset();
        const sms::Settings& s = *session_.smsRead().settings();
        // Without the blanks that pad it, so that a click at its end lands after its last digit;
        // the write pads it again to the same bytes.
        form_.setText(ctl::kCellNumber, config::unpadded(s.cell));
        form_.smsSendCode = s.code;
        // A code no button stands for is kept all the same, and written back as it came.
        if (const auto index = sms::sendCodeIndex(s.code)) {
            for (int i = 0; i < int(sms::kSendIntervals.size()); ++i)
                form_.setChecked(ctl::kSendIntervalOptions[i], i == *index);
        }
        form_.setText(ctl::kSmsHidden, cp1252::decode(s.hidden));
        form_.setEnabled(ctl::kReadSms, true);
    });
    connect(&read, &sms::SmsRead::failed, this, [this](const OperationError& e) {
        switch (e.fault) {
            case Fault::NoLogger:
                offerReconnection(form_, dialogs_, e);
                return;
            case Fault::NoAnswer:
                offerReconnection(form_, dialogs_, e);
                form_.setEnabled(ctl::kWriteSms, true);
                break;
            case Fault::Stall:
                // Put back before the message: the window behind it shows no half-read record.
                if (beforeRead_) {
                    form_.restore(*beforeRead_);
                    form_.smsSendCode = codeBeforeRead_;
                }
                beforeRead_.reset();
                dialogs_.message(e.message());
                return;
            default:
                break;
        }
        beforeRead_.reset();
    });

    sms::SmsWrite& write = session_.smsWrite();
    connect(&write, &sms::SmsWrite::finished, this,
            [this] { dialogs_.message(QString::fromUtf8(sms::SmsWrite::kDone)); });
    connect(&write, &sms::SmsWrite::failed, this, [this](const OperationError& e) {
        if (e.fault == Fault::NoAnswer) offerReconnection(form_, dialogs_, e);
    });
}

void SmsPresenter::read() {
    session_.smsRead().start();
}

void SmsPresenter::chooseInterval(int index) {
    if (index < 0 || index >= int(sms::kSendIntervals.size())) return;
    form_.smsSendCode = sms::kSendIntervals[std::size_t(index)].code;
    for (int i = 0; i < int(sms::kSendIntervals.size()); ++i)
        form_.setChecked(ctl::kSendIntervalOptions[i], i == index);
}

void SmsPresenter::write() {
    // A second click while the opening runs would only restart the same opening.
    if (session_.smsWrite().state() == PacedWrite::State::Opening) return;
    if (!dialogs_.confirm(QString::fromLatin1(sms::SmsWrite::kQuestion), Dialogs::Icon::Warning)) {
        emit writeCancelled();
        return;
    }
    // The padded texts stay in the boxes. The hidden field is padded to five although only
    // four of its characters go out: the logger program does so.
    form_.setText(ctl::kCellNumber,
                  sms::padded(form_.control(ctl::kCellNumber).text, sms::kCellWidth));
    form_.setText(ctl::kSmsHidden,
                  sms::padded(form_.control(ctl::kSmsHidden).text, sms::kHiddenWidth + 1));
    session_.smsWrite().start(form_.control(ctl::kCellNumber).text, form_.smsSendCode,
                              form_.control(ctl::kSmsHidden).text);
}

}  // namespace vernoll
