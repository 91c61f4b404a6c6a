#include "app/binding.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextEdit>

#include "app/widgets.h"

namespace vernoll {

namespace {

void showChecked(QAbstractButton* button, bool checked) {
    if (button->isChecked() == checked) return;
    if (checked) {
        // Selecting one option button clears the others of its frame.
        button->setChecked(true);
        return;
    }
    // An exclusive option button cannot be cleared by itself; the state may clear them all.
    const bool exclusive = button->autoExclusive();
    button->setAutoExclusive(false);
    button->setChecked(checked);
    button->setAutoExclusive(exclusive);
}

}  // namespace

void showState(QWidget* widget, const ControlState& state) {
    widget->setEnabled(state.enabled);
    widget->setVisible(state.visible && !widget->property(kKeepHidden).toBool());

    if (auto* date = qobject_cast<DateBox*>(widget)) {
        if (date->value() != state.text) date->setValue(state.text);
        date->setReadOnly(state.locked);
    } else if (auto* digits = qobject_cast<DigitsEdit*>(widget)) {
        if (digits->text() != state.text) digits->setProgramText(state.text);
        digits->setReadOnly(state.locked);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        if (edit->text() != state.text) {
            edit->setText(state.text);
            // A text the program puts in shows from its beginning, as a box too narrow for
            // it would show it before anyone scrolls.
            edit->setCursorPosition(0);
        }
        edit->setReadOnly(state.locked);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
        if (plain->toPlainText() != state.text) {
            // Each live frame replaces the whole text: a user who scrolled to the lines below
            // the box keeps seeing them.
            QScrollBar* bar = plain->verticalScrollBar();
            const int scrolled = bar->value();
            plain->setPlainText(state.text);
            bar->setValue(scrolled);
        }
        plain->setReadOnly(state.locked);
    } else if (auto* rich = qobject_cast<QTextEdit*>(widget)) {
        if (rich->toPlainText() != state.text) rich->setPlainText(state.text);
        rich->setReadOnly(state.locked);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(state.text);
        if (button->isCheckable()) showChecked(button, state.checked);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(state.text);
    } else if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
        frame->setTitle(state.text);
    } else if (auto* bar = qobject_cast<QProgressBar*>(widget)) {
        bool ok = false;
        const int value = state.text.toInt(&ok);
        if (ok) bar->setValue(value);
    }
}

void sendEdits(QWidget* widget, FormState& form) {
    const QString name = widget->objectName();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        QObject::connect(edit, &QLineEdit::textEdited, &form,
                         [&form, name](const QString& text) { form.setText(name, text); });
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
        QObject::connect(plain, &QPlainTextEdit::textChanged, &form, [&form, name, plain] {
            if (!plain->isReadOnly()) form.setText(name, plain->toPlainText());
        });
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        if (button->isCheckable())
            QObject::connect(button, &QAbstractButton::toggled, &form,
                             [&form, name](bool checked) { form.setChecked(name, checked); });
    }
}

}  // namespace vernoll
