#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QValidator>

class QScreen;

namespace vernoll {

// A command button whose caption wraps onto several lines, at its blanks only, when it is wider
// than the button, as the window's long captions need. A caption that does not fit even so (a
// port's long path) shows with its longest word shortened in the middle, and whole as the
// button's tip.
class WrapButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

    // The caption as the button shows it.
    QString shownText() const;
    // The shown caption broken into the lines it is drawn on ("\n" between them).
    QString shownLines() const;
    // The tip shown on hovering: the one set, else the whole caption when it is shortened.
    QString tip() const;
    // Where the caption is drawn: the whole face but a thin margin.
    QRect captionArea() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

// Refuses any change that brings in a character other than a digit; text set by the program
// (accept() first) may hold other characters, which typing and pasting may then remove.
class DigitsValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
    // The text the box holds now, against which a change is judged.
    void accept(const QString& text) { accepted_ = text; }

private:
    QString accepted_;
};

// A text box that takes only digits and backspace from the keyboard; any other key that
// types a character is discarded, and a paste or drop that brings in a non-digit is refused.
class DigitsEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DigitsEdit(QWidget* parent = nullptr);
    // Sets the text from the program, whatever characters it holds.
    void setProgramText(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    DigitsValidator* validator_;
};

// A date box with a display format, as the masked edit box has: while the user is not in it,
// it shows its date as "dd/MM/yy" (a text that is no date shows as it is); while it is being
// edited it shows its text. The text is what the form state holds.
class DateBox : public QLineEdit {
    Q_OBJECT
public:
    explicit DateBox(QWidget* parent = nullptr);
    const QString& value() const { return value_; }
    void setValue(const QString& text);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showValue();

    QString value_;
    bool editing_ = false;
};

// Puts a window that is about to show centred over `over` (the screen's middle when there is
// none to show over), wholly within the screen's room: moved in, and made shorter or narrower
// where it is larger than the room. Before its first show a window has no frame; the frame of
// `over` stands in for it.
void placeOver(QWidget& window, const QWidget* over);

}  // namespace vernoll
