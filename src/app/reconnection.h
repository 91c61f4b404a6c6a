#pragma once

#include "form/controls.h"
#include "form/dialogs.h"
#include "form/form_state.h"
#include "link/operation_error.h"
#include "link/texts.h"

namespace vernoll {

// How the window ends an operation the logger did not answer: the no-connection message
// (with the port's refusal on a line of its own), and the reconnection button offered.
inline void offerReconnection(FormState& form, Dialogs& dialogs, const OperationError& error) {
    dialogs.message(error.message());
    form.setEnabled(ctl::kReconnect, true);
    form.setText(ctl::kReconnect, QString::fromLatin1(texts::kConnectCaption));
}

}  // namespace vernoll
