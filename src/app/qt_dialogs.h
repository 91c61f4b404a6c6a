#pragma once

#include <QMessageBox>
#include <QString>

#include "form/dialogs.h"

class QWidget;

namespace vernoll {

// The operations' messages and questions as modal message boxes.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}

    void message(const QString& text, Icon icon = Icon::None) override;
    bool confirm(const QString& text, Icon icon = Icon::None) override;
    bool askYesNo(const QString& text, Icon icon = Icon::None) override;
    Answer askYesNoCancel(const QString& text, Icon icon = Icon::None) override;
    std::optional<QString> saveFileName(const Filter& filter, const QString& suggested) override;
    std::optional<QString> openFileName(const Filter& filter) override;
    bool openWithApplication(const QString& path) override;

    // The title every box carries.
    static QString title();
    // The box's icon for an operation's icon.
    static QMessageBox::Icon boxIcon(Icon icon);
    // The messages break their lines with a carriage return alone or with CR LF; a message
    // box breaks them on a line feed.
    static QString displayText(const QString& text);
    // Where the file dialogs start: the user's documents folder, or the home folder where
    // there is no documents folder (a fresh account).
    static QString startFolder();
    // The folder of the downloads' base-file copies (hidden in the user's data folder): the
    // open dialog of base files starts there once it exists.
    void setCopiesFolder(const QString& folder) { copiesFolder_ = folder; }
    QString openFolder() const;
    // The extension a filter's pattern names ("*.CSV": "CSV"; none for "*.*").
    static QString extensionOf(const Filter& filter);
    // The name the save dialog offers: the operation's suggestion with the filter's extension.
    static QString suggestedFile(const Filter& filter, const QString& suggested);
    // Whether the desktop names an application for the file's kind (or a kind it derives
    // from). Where it cannot be asked, the desktop's own open decides.
    static bool hasApplicationFor(const QString& path);
    // What the user reads when no application opened the file.
    static QString noApplicationText(const QString& path);

private:
    QWidget* parent_;
    QString copiesFolder_;
};

}  // namespace vernoll
