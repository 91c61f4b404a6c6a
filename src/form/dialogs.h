#pragma once

#include <QString>

namespace vernoll {

// How the operations talk to the user. The window answers with Qt dialogs, the command line
// with the console, tests with a scripted fake. Every call is modal: it returns once the user
// has answered.
class Dialogs {
public:
    enum class Icon { None, Warning, Critical, Information };

    virtual ~Dialogs() = default;
    // A message box with an OK button.
    virtual void message(const QString& text, Icon icon = Icon::None) = 0;
    // A question with OK and Cancel; true means OK.
    virtual bool confirm(const QString& text, Icon icon = Icon::None) = 0;
};

}  // namespace vernoll
