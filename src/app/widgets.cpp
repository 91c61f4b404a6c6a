#include "app/widgets.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QToolTip>
#include <algorithm>

#include "config/clock.h"
#include "form/digits.h"

namespace vernoll {

namespace {

constexpr int kCaptionFlags = Qt::AlignCenter;

// The caption's lines, broken only at blanks (never inside a port's name, which Qt's own wrap
// would break at its slashes), each as long as `width` allows; a word wider than `width` has a
// line of its own. The blanks between words on a line stay as the caption has them.
QStringList linesAtBlanks(const QFontMetrics& metrics, const QString& caption, int width) {
    QStringList lines;
    const QStringList words = caption.split(QLatin1Char(' '));
    QString line = words.constFirst();
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QString longer = line + QLatin1Char(' ') + words[i];
        if (line.trimmed().isEmpty() || metrics.horizontalAdvance(longer.trimmed()) <= width) {
            line = longer;
            continue;
        }
        lines << line.trimmed();
        line = words[i];
    }
    if (!line.trimmed().isEmpty()) lines << line.trimmed();
    return lines;
}

QString laidOut(const QFontMetrics& metrics, const QString& caption, int width) {
    return linesAtBlanks(metrics, caption, width).join(QLatin1Char('\n'));
}

}  // namespace

QRect WrapButton::captionArea() const {
    // The long captions need every line and every column they can get: "Configuracion" takes
    // all but two pixels each side of the design's 81.
    return rect().adjusted(2, 2, -2, -2);
}

QString WrapButton::shownText() const {
    const QRect area = captionArea();
    const QFontMetrics metrics(font());
    const auto fits = [&](const QString& caption) {
        const QRect needed =
            metrics.boundingRect(area, kCaptionFlags, laidOut(metrics, caption, area.width()));
        return needed.width() <= area.width() && needed.height() <= area.height();
    };
    const QString caption = text();
    if (fits(caption)) return caption;
    // Split at single blanks, so that joining gives back every blank of the caption.
    QStringList words = caption.split(QLatin1Char(' '));
    qsizetype longest = 0;
    for (qsizetype i = 1; i < words.size(); ++i)
        if (words[i].size() > words[longest].size()) longest = i;
    const QString word = words[longest];
    // The middle goes: a port's name keeps its end, which tells ttyUSB0 from ttyUSB1.
    const auto shortenedTo = [&](int width) {
        words[longest] = metrics.elidedText(word, Qt::ElideMiddle, width);
        return words.join(QLatin1Char(' '));
    };
    // The widest shortening of the word that fits; none fits when even the rest is too long.
    int fitting = 0;
    for (int low = 1, high = metrics.horizontalAdvance(word) - 1; low <= high;) {
        const int width = low + (high - low) / 2;
        if (fits(shortenedTo(width))) {
            fitting = width;
            low = width + 1;
        } else {
            high = width - 1;
        }
    }
    return fitting > 0 ? shortenedTo(fitting) : caption;
}

QString WrapButton::shownLines() const {
    return laidOut(QFontMetrics(font()), shownText(), captionArea().width());
}

QString WrapButton::tip() const {
    if (!toolTip().isEmpty()) return toolTip();
    return shownText() == text() ? QString() : text();
}

bool WrapButton::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        const QString whole = tip();
        if (whole.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), whole, this);
        }
        return true;
    }
    return QPushButton::event(event);
}

void WrapButton::paintEvent(QPaintEvent* /*event*/) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    style()->drawItemText(&painter, captionArea(), kCaptionFlags, option.palette, isEnabled(),
                          shownLines(), QPalette::ButtonText);
}

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

void placeOver(QWidget& window, const QWidget* over) {
    const QScreen* screen = over ? over->screen() : QGuiApplication::primaryScreen();
    QMargins margins = window.frameGeometry() == window.geometry()
                           ? QMargins()
                           : QMargins(window.geometry().left() - window.frameGeometry().left(),
                                      window.geometry().top() - window.frameGeometry().top(),
                                      window.frameGeometry().right() - window.geometry().right(),
                                      window.frameGeometry().bottom() - window.geometry().bottom());
    if (margins.isNull() && over) {
        const QRect outer = over->frameGeometry();
        const QRect inner = over->geometry();
        margins = {inner.left() - outer.left(), inner.top() - outer.top(),
                   outer.right() - inner.right(), outer.bottom() - inner.bottom()};
    }
    if (screen) {
        const QRect room = screen->availableGeometry().marginsRemoved(margins);
        if (window.width() > room.width() || window.height() > room.height())
            window.resize(std::min(window.width(), room.width()),
                          std::min(window.height(), room.height()));
    }
    QRect frame = window.geometry().marginsAdded(margins);
    if (over && over->isVisible())
        frame.moveCenter(over->frameGeometry().center());
    else if (screen)
        frame.moveCenter(screen->availableGeometry().center());
    if (screen) {
        const QRect room = screen->availableGeometry();
        frame.moveLeft(std::clamp(frame.left(), room.left(),
                                  std::max(room.left(), room.right() - frame.width() + 1)));
        frame.moveTop(std::clamp(frame.top(), room.top(),
                                 std::max(room.top(), room.bottom() - frame.height() + 1)));
    }
    window.move(frame.topLeft());
}

}  // namespace vernoll
