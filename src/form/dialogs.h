#pragma once

#include <QString>
#include <optional>

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
    // A question with Yes and No; true means Yes.
    virtual bool askYesNo(const QString& text, Icon icon = Icon::None) = 0;
    // A question with Yes, No and Cancel; closing the box is Cancel.
    enum class Answer { Yes, No, Cancel };
    virtual Answer askYesNoCancel(const QString& text, Icon icon = Icon::None) = 0;

    // A file filter as the dialogs take it: a description and its pattern,
    // "datos excel (*.CSV)" and "*.CSV".
    struct Filter {
        QString description;
        QString pattern;
    };
    // The save dialog, starting in the user's documents folder with a suggested name; the
    // chosen path, or nothing when the user cancelled.
    virtual std::optional<QString> saveFileName(const Filter& filter, const QString& suggested) = 0;
    // The open dialog, starting in the user's documents folder.
    virtual std::optional<QString> openFileName(const Filter& filter) = 0;
    // Opens a file with the application the system associates with its kind. False when
    // none took it; the user has then been told so, with the file's path.
    virtual bool openWithApplication(const QString& path) = 0;
};

}  // namespace vernoll
