#pragma once

#include <QObject>
#include <QString>

#include "form/dialogs.h"
#include "form/form_state.h"

namespace vernoll {

class LoggerSession;

// Serial-number programming on the window: Text10 takes digits only, Enter writes them, and
// Label1 reports the progress.
class SerialPresenter : public QObject {
    Q_OBJECT
public:
    SerialPresenter(FormState& form, Dialogs& dialogs, LoggerSession& session,
                    QObject* parent = nullptr);

    // A key typed into Text10 (a Qt key code), before it reaches the box: Enter runs the
    // write, the rest pass only when they are digits, Backspace or keys that type nothing.
    // False discards the key.
    bool key(int key);
    // The user changed Text10's text (typing or pasting); a change that brings in anything
    // but digits, or more than eight characters, is undone.
    void edited();
    // The write of Text10's digits, as Enter starts it. False, with nothing sent, when the
    // box holds anything but digits.
    bool write();

private:
    void setBoxText(const QString& text);

    FormState& form_;
    Dialogs& dialogs_;
    LoggerSession& session_;
    QString accepted_;  // the box's text as last accepted, to undo a refused change
};

}  // namespace vernoll
