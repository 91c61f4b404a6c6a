#pragma once

#include <QStringList>
#include <deque>

#include "form/dialogs.h"

namespace vernoll::test {

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
        if (answers.empty()) return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    QStringList texts() const {
        QStringList out;
        for (const Shown& s : shown) out << s.text;
        return out;
    }

    std::deque<bool> answers;
    std::vector<Shown> shown;
};

}  // namespace vernoll::test
