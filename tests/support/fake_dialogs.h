#pragma once

#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "form/dialogs.h"

namespace vernoll::test {

// The message of the configuration, SMS, serial-number and live operations when the logger did
// not answer, exactly as the user reads it.
inline const QString kNoLogger = QStringLiteral("No hay equipo conectado ,Intente Reconectar ");

// Dialogs that record what they were asked and answer from a script (OK when it runs out).
class FakeDialogs : public Dialogs {
public:
    struct Shown {
        QString text;
        Icon icon;
        bool question;
    };

    void message(const QString& text, Icon icon = Icon::None) override {
        shown.push_back({text, icon, false});
    }
    bool confirm(const QString& text, Icon icon = Icon::None) override {
        shown.push_back({text, icon, true});
        if (whileAsked) whileAsked();
        if (answers.empty()) return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    bool askYesNo(const QString& text, Icon icon = Icon::None) override {
        return confirm(text, icon);
    }
    // Answers from `choices`, "No" when it runs out.
    Answer askYesNoCancel(const QString& text, Icon icon = Icon::None) override {
        shown.push_back({text, icon, true});
        if (choices.empty()) return Answer::No;
        const Answer answer = choices.front();
        choices.pop_front();
        return answer;
    }
    std::optional<QString> saveFileName(const Filter& filter, const QString& suggested) override {
        saveRequests.push_back({filter.description, filter.pattern, suggested});
        if (savePaths.empty()) return std::nullopt;
        const auto path = savePaths.front();
        savePaths.pop_front();
        return path;
    }
    std::optional<QString> openFileName(const Filter& filter) override {
        openRequests.push_back({filter.description, filter.pattern, QString()});
        if (openPaths.empty()) return std::nullopt;
        const auto path = openPaths.front();
        openPaths.pop_front();
        return path;
    }
    // Records the file, as an application that took it.
    bool openWithApplication(const QString& path) override {
        opened.push_back(path);
        return true;
    }

    QStringList texts() const {
        QStringList out;
        for (const Shown& s : shown) out << s.text;
        return out;
    }

    std::deque<bool> answers;  // confirm and askYesNo, in order
    // What happens while the user reads a question of confirm or askYesNo (events go on).
    std::function<void()> whileAsked;
    std::deque<Answer> choices;  // askYesNoCancel, in order
    std::vector<Shown> shown;
    // File dialogs: the answers to give (nullopt: cancelled), and what was asked.
    std::deque<std::optional<QString>> savePaths, openPaths;
    struct FileRequest {
        QString description, pattern, suggested;
    };
    std::vector<FileRequest> saveRequests, openRequests;
    std::vector<QString> opened;
};

}  // namespace vernoll::test
