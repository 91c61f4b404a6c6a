#include "serial_number/serial_write.h"

#include "form/controls.h"
#include "link/exchange_step.h"

namespace vernoll::serial_number {

namespace {

constexpr int kChannel = 3;
constexpr std::uint8_t kSelectWrite = 0x64;

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

qsizetype nonDigits(const QString& text) {
    qsizetype n = 0;
    for (QChar c : text)
        if (!isDigit(c)) ++n;
    return n;
}

}  // namespace

SerialWrite::SerialWrite(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
                         ExchangeOpening& opening, Timing timing, QObject* parent)
    : PacedWrite(form, dialogs, channels, opening, timing,
                 {kChannel, kSelectWrite, timing.answerWait, "otro valor serie"}, parent),
      accepted_(form.control(ctl::kSerialEntry).text) {}

bool SerialWrite::key(int key) {
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    const bool typesACharacter =
        key < Qt::Key_Escape || key == Qt::Key_Escape || key == Qt::Key_Backspace || enter;
    // Keys that type no character (arrows, Delete, Home, a modifier alone) move and delete as
    // in any box, and leave the answer flag alone.
    if (!typesACharacter) return true;
    // Every typed key, even one the box discards, says nothing answered since.
    channels_.exchange().answered = false;
    if (enter) {
        write();
        return false;
    }
    if (key == Qt::Key_Backspace) return true;
    return key >= Qt::Key_0 && key <= Qt::Key_9;
}

void SerialWrite::edited() {
    const QString text = form_.control(ctl::kSerialEntry).text;
    const bool moreNonDigits = nonDigits(text) > nonDigits(accepted_);
    const bool tooLong = text.size() > kMaxDigits && text.size() > accepted_.size();
    if (moreNonDigits || tooLong) {
        form_.setText(ctl::kSerialEntry, accepted_);
        return;
    }
    accepted_ = text;
}

void SerialWrite::setBoxText(const QString& text) {
    accepted_ = text;
    form_.setText(ctl::kSerialEntry, text);
}

bool SerialWrite::write() {
    if (state() == State::Opening) return false;
    const QString text = form_.control(ctl::kSerialEntry).text;
    // A digit has a packed value, anything else has none: such text (the box's design text
    // "Text10", say) is not sent.
    if (nonDigits(text) > 0 || text.size() > kMaxDigits) return false;

    for (int k = 0; k < kMaxDigits; ++k)
        form_.ser[std::size_t(k)] = k < text.size() ? std::uint8_t(text[k].unicode() & 0x0F) : 0;
    // Each packed byte from digit values not yet overwritten, in this order.
    for (std::size_t i = 0; i < 4; ++i)
        form_.ser[i] = std::uint8_t(form_.ser[2 * i] * 16 + form_.ser[2 * i + 1]);
    for (std::size_t i = 0; i < 4; ++i) packed_[i] = form_.ser[i];

    form_.setEnabled(ctl::kSerialEntry, false);
    form_.setEnabled(ctl::kSerialCaption, true);
    form_.setText(ctl::kSerialCaption, QStringLiteral("comienzo transmision"));

    QByteArray frame;
    for (std::uint8_t b : packed_) frame += char(b);
    begin(frame + frame.right(1));
    return true;
}

void SerialWrite::opened(bool answered) {
    if (!answered) form_.setEnabled(ctl::kSerialEntry, true);
}

void SerialWrite::end() {
    form_.setEnabled(ctl::kSerialCaption, true);
    // Deliberate, as the logger program does it: the caption is set and at once overwritten,
    // so "fin transmision" never shows.
    form_.setText(ctl::kSerialCaption, QStringLiteral("fin transmision"));
    form_.setText(ctl::kSerialCaption,
                  QStringLiteral("N\u00ba Enviado  ") + form_.control(ctl::kSerialEntry).text);
    form_.setEnabled(ctl::kSerialEntry, true);
    setBoxText(QString());
    // Only a complete write sets the counter back; after a surplus byte the next opening does.
    channels_.exchange().counter = 0;
}

}  // namespace vernoll::serial_number
