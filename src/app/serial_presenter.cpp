#include "app/serial_presenter.h"

#include "app/reconnection.h"
#include "config/record.h"
#include "form/digits.h"
#include "serial_number/serial_write.h"
#include "session/logger_session.h"

namespace vernoll {

SerialPresenter::SerialPresenter(FormState& form, Dialogs& dialogs, LoggerSession& session,
                                 QObject* parent)
    : QObject(parent),
      form_(form),
      dialogs_(dialogs),
      session_(session),
      accepted_(form.control(ctl::kSerialEntry).text) {
    serial_number::SerialWrite& write = session_.serialWrite();
    connect(&write, &serial_number::SerialWrite::finished, this, [this] {
        form_.setEnabled(ctl::kSerialCaption, true);
        // Deliberate, as the logger program does it: the caption is set and at once
        // overwritten, so "fin transmision" never shows.
        form_.setText(ctl::kSerialCaption, QStringLiteral("fin transmision"));
        form_.setText(ctl::kSerialCaption,
                      QStringLiteral("N\u00ba Enviado  ") + form_.control(ctl::kSerialEntry).text);
        form_.setEnabled(ctl::kSerialEntry, true);
        setBoxText(QString());
    });
    connect(&write, &serial_number::SerialWrite::failed, this, [this](const OperationError& e) {
        if (e.fault != Fault::NoAnswer) return;
        offerReconnection(form_, dialogs_, e);
        form_.setEnabled(ctl::kSerialEntry, true);
    });
}

bool SerialPresenter::key(int key) {
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    const bool typesACharacter =
        key < Qt::Key_Escape || key == Qt::Key_Escape || key == Qt::Key_Backspace || enter;
    // Keys that type no character (arrows, Delete, Home, a modifier alone) move and delete as
    // in any box, and leave the answer flag alone.
    if (!typesACharacter) return true;
    // Every typed key, even one the box discards, says nothing answered since.
    session_.exchange().answered = false;
    if (enter) {
        write();
        return false;
    }
    if (key == Qt::Key_Backspace) return true;
    return key >= Qt::Key_0 && key <= Qt::Key_9;
}

void SerialPresenter::edited() {
    const QString text = form_.control(ctl::kSerialEntry).text;
    const bool moreNonDigits = nonDigits(text) > nonDigits(accepted_);
    const bool tooLong =
        text.size() > serial_number::SerialWrite::kMaxDigits && text.size() > accepted_.size();
    if (moreNonDigits || tooLong) {
        form_.setText(ctl::kSerialEntry, accepted_);
        return;
    }
    accepted_ = text;
}

void SerialPresenter::setBoxText(const QString& text) {
    accepted_ = text;
    form_.setText(ctl::kSerialEntry, text);
}

bool SerialPresenter::write() {
    serial_number::SerialWrite& write = session_.serialWrite();
    const QString text = form_.control(ctl::kSerialEntry).text;
    if (write.state() == PacedWrite::State::Opening || !serial_number::SerialWrite::writable(text))
        return false;
    // The window's ser1 .. ser8 hold the digit values, the first four then overwritten by the
    // packed bytes, as the logger program leaves them.
    for (int k = 0; k < serial_number::SerialWrite::kMaxDigits; ++k)
        form_.ser[std::size_t(k)] = k < text.size() ? std::uint8_t(text[k].unicode() & 0x0F) : 0;
    const auto packed = config::packSerial(text);
    for (std::size_t i = 0; i < 4; ++i) form_.ser[i] = packed[i];

    // Before the opening takes the line: the box stays disabled through it.
    form_.setEnabled(ctl::kSerialEntry, false);
    form_.setEnabled(ctl::kSerialCaption, true);
    form_.setText(ctl::kSerialCaption, QStringLiteral("comienzo transmision"));
    return write.start(text);
}

}  // namespace vernoll
