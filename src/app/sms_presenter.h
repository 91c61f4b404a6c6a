#pragma once

#include <QObject>
#include <optional>

#include "form/dialogs.h"
#include "form/form_state.h"

namespace vernoll {

class LoggerSession;

// The SMS settings on the window: "Leer Config. SMS" fills the cell-number box, the hidden
// box and the send-interval buttons; "Enviar Config.SMS" asks, pads the boxes and writes what
// they hold.
class SmsPresenter : public QObject {
    Q_OBJECT
public:
    SmsPresenter(FormState& form, Dialogs& dialogs, LoggerSession& session,
                 QObject* parent = nullptr);

    // "Leer Config. SMS".
    void read();
    // A click of Option10 .. Option14 (index 0..4): that button's send-interval code.
    void chooseInterval(int index);
    // "Enviar Config.SMS".
    void write();

signals:
    // The user cancelled the write's question; nothing was changed or sent.
    void writeCancelled();

private:
    FormState& form_;
    Dialogs& dialogs_;
    LoggerSession& session_;
    // What the window showed when a read began, and the send-interval code: a logger that
    // stops part-way leaves them so.
    std::optional<FormState::Snapshot> beforeRead_;
    std::uint8_t codeBeforeRead_ = 0;
};

}  // namespace vernoll
