#pragma once

#include <QSet>
#include <QString>
#include <cstdio>
#include <optional>
#include <utility>

#include "form/dialogs.h"

namespace vernoll::cli {

// Dialogs on the console: messages go to stderr, one per line. The connection question is
// answered OK, as a user starting a command means to connect. Questions that change the
// logger are asked on a terminal; without one they pass only with --yes, and a refusal is
// remembered so the command can end with status 2.
class ConsoleDialogs : public Dialogs {
public:
    explicit ConsoleDialogs(bool yes, std::FILE* err = stderr) : yes_(yes), err_(err) {}

    void message(const QString& text, Icon icon = Icon::None) override;
    bool confirm(const QString& text, Icon icon = Icon::None) override;
    // The command line asks no Yes/No question of its own: "No" (a file is never opened).
    bool askYesNo(const QString& /*text*/, Icon /*icon*/ = Icon::None) override { return false; }
    // The window's three-way questions go on as "No": where the window would ask, the command
    // line warns instead and does what it was told.
    Answer askYesNoCancel(const QString& /*text*/, Icon /*icon*/ = Icon::None) override {
        return Answer::No;
    }
    // Commands name their files on the command line: the dialogs answer with those.
    // The path is given once: a save that fails is not tried again under the same name.
    std::optional<QString> saveFileName(const Filter& /*filter*/,
                                        const QString& /*suggested*/) override {
        return std::exchange(savePath_, std::nullopt);
    }
    std::optional<QString> openFileName(const Filter& /*filter*/) override { return openPath_; }
    // Never asked (the command line answers "No" to opening a file): nothing opens.
    bool openWithApplication(const QString& /*path*/) override { return false; }
    void setSavePath(std::optional<QString> path) { savePath_ = std::move(path); }
    void setOpenPath(std::optional<QString> path) { openPath_ = std::move(path); }

    void setYes(bool yes) { yes_ = yes; }
    // Questions answered OK without asking.
    void alwaysConfirm(const QString& text) { automatic_.insert(text); }
    bool refused() const { return refused_; }
    // A line of progress drawn over itself (a terminal's carriage return); the next message
    // or complaint starts on a line of its own.
    void drawStatus(const QString& text);
    void endStatus() const;
    // Every message shown, in order.
    const QStringList& messages() const { return messages_; }

private:
    bool yes_;
    std::FILE* err_;
    QSet<QString> automatic_;
    QStringList messages_;
    bool refused_ = false;
    mutable bool statusDrawn_ = false;
    std::optional<QString> savePath_, openPath_;
};

// The text with its CR LF and lone CR line ends as plain line feeds.
QString consoleLines(QString text);

}  // namespace vernoll::cli
