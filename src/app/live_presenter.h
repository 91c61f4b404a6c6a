#pragma once

#include <QObject>

#include "form/dialogs.h"
#include "form/form_state.h"

namespace vernoll {

class LoggerSession;

// "DATOS EN LINEA" on the window: one button starts and stops the live display (its caption
// becomes "PARAR"), Text60 shows the last frame, linea says whether it runs.
class LivePresenter : public QObject {
    Q_OBJECT
public:
    LivePresenter(FormState& form, Dialogs& dialogs, LoggerSession& session,
                  QObject* parent = nullptr);

    // Starts the display when linea is 0, stops it when linea is -1 (one button does both).
    void toggle();

private:
    FormState& form_;
    Dialogs& dialogs_;
    LoggerSession& session_;
};

}  // namespace vernoll
