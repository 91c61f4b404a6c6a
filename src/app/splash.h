#pragma once

#include <QWidget>

#include "form/form_state.h"

namespace vernoll {

// "presenta": the picture shown while the program starts and looks for the logger. It has no
// behaviour; start-up shows it and the configuration import or a failed discovery closes it.
class SplashWindow : public QWidget {
    Q_OBJECT
public:
    explicit SplashWindow(FormState& form, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void follow(bool shown);
};

}  // namespace vernoll
