#pragma once

#include <QString>

#include "form/form_state.h"

class QWidget;

namespace vernoll {

// The widget property that keeps a widget hidden whatever its control state says: the text
// buffers that only hold text for the operations.
inline constexpr char kKeepHidden[] = "vernollKeepHidden";

// Shows a control's state on its widget: enabled, visible, caption or text, read-only for
// text boxes, checked for option buttons and check boxes.
void showState(QWidget* widget, const ControlState& state);

// Passes the user's edits on the widget (typing, checking) to the control of the same name.
void sendEdits(QWidget* widget, FormState& form);

}  // namespace vernoll
