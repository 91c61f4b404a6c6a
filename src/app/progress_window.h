#pragma once

#include <QWidget>

#include "form/controls.h"
#include "form/form_state.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace vernoll {

class Inicio;

namespace progress = ctl::progress;

// "Estado de Comunicacion": the download's progress bar, elapsed time and Cancel. Created
// hidden at start-up with the bar hidden; the download shows it, centred over the main window.
class ProgressWindow : public QWidget {
    Q_OBJECT
public:
    // Cancel is handled by the program's handler of the progress window's Cancel button.
    ProgressWindow(FormState& form, Inicio& inicio, QWidget* parent = nullptr);

    QProgressBar* bar() const { return bar_; }
    QLabel* elapsed() const { return elapsed_; }
    QPushButton* cancelButton() const { return cancel_; }

protected:
    // The title bar's close is Cancel: a download never goes on behind a window the user closed.
    void closeEvent(QCloseEvent* event) override;

private:
    void follow(const QString& name);
    void centre();

    FormState& form_;
    QProgressBar* bar_;
    QLabel* elapsed_;
    QPushButton* cancel_;
};

}  // namespace vernoll
