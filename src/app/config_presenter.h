#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <array>
#include <functional>
#include <optional>

#include "form/controls.h"
#include "form/dialogs.h"
#include "form/form_state.h"
#include "link/operation_error.h"

namespace vernoll {

class LoggerSession;

// The configuration's face on the window: the import's record shown in the boxes, the
// serial number, the interval buttons, the clock and the summary; "Cambiar configuracion"
// opening the fields; "Enviar configuracion" asking, checking the date and sending.
class ConfigPresenter : public QObject {
    Q_OBJECT
public:
    using PcClock = std::function<QDateTime()>;

    ConfigPresenter(FormState& form, Dialogs& dialogs, LoggerSession& session,
                    QObject* parent = nullptr);

    // The PC's clock, read by Check1, the time check and the send.
    void setPcClock(PcClock clock) { pcClock_ = std::move(clock); }

    // "Importar Configuracion".
    void importConfiguration();
    // "Cambiar configuracion": the fields open for editing.
    void edit();
    // A click of Option1 .. Option6 (index 0..5): that button's interval code.
    void chooseInterval(int index);
    // A click of Check1, checking or unchecking it: date and time from the PC clock.
    void takePcClock();
    // The user typed into the time box: a text that is not a time is refused.
    void timeEdited();
    // Whether the station texts are open to the user's changes ("Cambiar configuracion").
    bool editing() const { return !form_.control(ctl::kUser).locked; }
    // A download the user starts while the configuration is being edited ends the edit as the
    // send question's Cancel does: the boxes show again what the logger holds. Nothing while
    // no edit is open.
    void endEdit();
    // Before "Enviar configuracion" asks anything: false, with the message, when the date box
    // holds no date; the edit stays open for the user to correct it.
    bool dateReady();
    // "Enviar configuracion", after the erase guard: the question, then the send. A date box
    // that holds no date sends nothing.
    void send();

signals:
    // The user cancelled the send's question; nothing was sent.
    void sendCancelled();
    // The send ended without going on the line or with an error (Fault::Refused for a date
    // box without a date).
    void sendFailed(const vernoll::OperationError& error);

private:
    void imported();
    void importFailed(const OperationError& error);

    void clearCheck1();
    void endButtons();
    void lockFields();
    void putBackTheView();

    FormState& form_;
    Dialogs& dialogs_;
    LoggerSession& session_;
    PcClock pcClock_;
    // What the window showed when an import began: a logger that stops part-way leaves it so.
    std::optional<FormState::Snapshot> beforeImport_;

    // What the window showed when the edit began: the last import's texts and interval, and
    // its clock, which ran on until the edit stopped it.
    struct View {
        bool taken = false;
        std::array<QString, 5> texts;
        std::uint8_t interval = 0;
        std::array<bool, 6> checked{};
        QString date, time;
        QTime clock;
        bool running = false;  // Timer1 moved the clock on
        QElapsedTimer since;
    } view_;
};

}  // namespace vernoll
