#include "app/live_presenter.h"

#include "app/reconnection.h"
#include "live/live_display.h"
#include "session/logger_session.h"

namespace vernoll {

namespace {

constexpr char kStartCaption[] = "DATOS EN LINEA";
constexpr char kStopCaption[] = "PARAR";
// Above the last reading once the logger has sent no frame for the stall limit.
const QString kQuiet =
    QStringLiteral("El registrador dej\u00f3 de responder. \u00daltima lectura:\r\n");

}  // namespace

LivePresenter::LivePresenter(FormState& form, Dialogs& dialogs, LoggerSession& session,
                             QObject* parent)
    : QObject(parent), form_(form), dialogs_(dialogs), session_(session) {
    live::LiveDisplay& display = session_.live();
    connect(&display, &live::LiveDisplay::began, this, [this] {
        form_.setEnabled(ctl::groups::kHeldByLive, false);
        form_.linea = -1;
        form_.setText(ctl::kLive, QString::fromLatin1(kStopCaption));
        // No reading of an earlier run shows while the first frame is awaited.
        form_.setText(ctl::kLiveText, QString());
        form_.setVisible(ctl::kLiveText, true);
    });
    connect(&display, &live::LiveDisplay::frameShown, this, [this](const QString& text) {
        form_.linea6 = text;
        form_.liveSamples = session_.live().decoder().flow().samples;
        form_.setText(ctl::kLiveText, QString());
        form_.setText(ctl::kLiveText, text);
    });
    // The frame pending at a stop is not left on the window.
    connect(&display, &live::LiveDisplay::stopped, this,
            [this] { form_.setText(ctl::kLiveText, QString()); });
    connect(&display, &live::LiveDisplay::quiet, this,
            [this] { form_.setText(ctl::kLiveText, kQuiet + form_.linea6); });
    connect(&display, &live::LiveDisplay::failed, this, [this](const OperationError& e) {
        // Readings of an earlier run must not show behind the message, nor after it.
        if (e.fault == Fault::NoAnswer) form_.setText(ctl::kLiveText, QString());
        offerReconnection(form_, dialogs_, e);
    });
}

void LivePresenter::toggle() {
    live::LiveDisplay& display = session_.live();
    if (form_.linea != -1) {
        display.start(form_.Nserie);
        return;
    }
    display.stop();
    form_.setVisible(ctl::kLiveText, false);
    form_.setText(ctl::kLive, QString::fromLatin1(kStartCaption));
    form_.linea = 0;
    form_.setEnabled(ctl::groups::kGivenBackByLive, true);
}

}  // namespace vernoll
