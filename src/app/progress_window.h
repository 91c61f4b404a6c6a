#pragma once

#include <QWidget>

#include "form/form_state.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace vernoll {

class Channel;

// The form-state names of the progress window and its controls. The window's own Label1
// goes by a qualified name: the main window has a Label1 of its own.
namespace progress {
inline constexpr char kWindow[] = "progress";          // visible: the window is shown
inline constexpr char kBar[] = "ProgressBar1";         // text: the bar's value in receive steps
inline constexpr char kElapsed[] = "progress.Label1";  // text: the elapsed time
inline constexpr char kCancel[] = "Command45";
}  // namespace progress

// "Estado de Comunicacion": the download's progress bar, elapsed time and Cancel. Created
// hidden at start-up with the bar hidden; the download shows it.
class ProgressWindow : public QWidget {
    Q_OBJECT
public:
    // `download` is the download's channel, MSComm4, which Cancel closes when it is open.
    ProgressWindow(FormState& form, Channel* download, QWidget* parent = nullptr);

    QProgressBar* bar() const { return bar_; }
    QLabel* elapsed() const { return elapsed_; }
    QPushButton* cancelButton() const { return cancel_; }

    // Cancel: stops the elapsed-time timer, closes the download's channel, unloads this
    // window and gives the main window and its operation buttons back to the user.
    void cancel();

private:
    void follow(const QString& name);

    FormState& form_;
    Channel* download_;
    QProgressBar* bar_;
    QLabel* elapsed_;
    QPushButton* cancel_;
};

}  // namespace vernoll
