#include "app/widgets.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "config/clock.h"

namespace vernoll {

void WrapButton::paintEvent(QPaintEvent* /*event*/) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    // The whole face but a thin margin: the long captions need every line they can get.
    const QRect area = rect().adjusted(3, 2, -3, -2);
    style()->drawItemText(&painter, area, Qt::AlignCenter | Qt::TextWordWrap, option.palette,
                          isEnabled(), caption, QPalette::ButtonText);
}

namespace {

qsizetype nonDigits(const QString& text) {
    qsizetype n = 0;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) ++n;
    return n;
}

}  // namespace

QValidator::State DigitsValidator::validate(QString& input, int& /*pos*/) const {
    return nonDigits(input) <= nonDigits(accepted_) ? Acceptable : Invalid;
}

DigitsEdit::DigitsEdit(QWidget* parent) : QLineEdit(parent), validator_(new DigitsValidator(this)) {
    setValidator(validator_);
    connect(this, &QLineEdit::textChanged, validator_, &DigitsValidator::accept);
}

void DigitsEdit::setProgramText(const QString& text) {
    validator_->accept(text);
    setText(text);
}

void DigitsEdit::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    // Control characters (backspace), shortcuts and keys that type nothing (the arrows)
    // pass; a paste is judged by the validator.
    const bool shortcut =
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool types = !shortcut && !typed.isEmpty() && typed.front().isPrint();
    if (types) {
        for (QChar c : typed) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                event->accept();
                return;
            }
        }
    }
    QLineEdit::keyPressEvent(event);
}

DateBox::DateBox(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) { value_ = text; });
}

void DateBox::setValue(const QString& text) {
    value_ = text;
    showValue();
}

void DateBox::showValue() {
    if (editing_) {
        if (text() != value_) setText(value_);
        return;
    }
    const std::optional<QDate> date = config::readDate(value_);
    setText(date ? date->toString(QStringLiteral("dd/MM/yy")) : value_);
    setCursorPosition(0);
}

void DateBox::focusInEvent(QFocusEvent* event) {
    editing_ = true;
    showValue();
    QLineEdit::focusInEvent(event);
}

void DateBox::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A popup (the box's own context menu) takes the focus for a moment: still editing.
    if (event->reason() == Qt::PopupFocusReason) return;
    editing_ = false;
    showValue();
}

}  // namespace vernoll
