#pragma once

#include <QMetaObject>
#include <QObject>
#include <QTimer>

#include "form/dialogs.h"
#include "form/form_state.h"
#include "link/channel_set.h"
#include "link/port_list.h"
#include "link/timing.h"

namespace vernoll {

// Port discovery: probes the ports in turn with the wake-up byte on MSComm1. A logger answers
// with at least 21 bytes, which the line-event handler recognises (it sets the answer flag).
class Discovery : public QObject {
    Q_OBJECT
public:
    enum class State {
        Idle,        // not running
        FirstWait,   // wake-up sent; until the probe's receive event or the first wait ends
        SecondWait,  // until the answer flag is set or the second wait ends
    };
    enum class Outcome { Declined, NotFound, Found };
    Q_ENUM(Outcome)

    Discovery(FormState& form, Dialogs& dialogs, const ChannelSet& channels, const PortList& ports,
              Timing timing, QObject* parent = nullptr);

    // Runs one discovery (does nothing while one runs). finished() follows.
    void start();
    bool running() const { return state_ != State::Idle; }

    // The connection text for port n: " Conexion en COM 3  @ 19200 bps ".
    QString connectionText(int number) const;

signals:
    void finished(vernoll::Discovery::Outcome outcome);

private:
    void nextPort();
    void check();
    void endFirstWait();
    void endSecondWait();
    void notFound();
    void found();
    // Not running any more, and the line given back.
    void giveLineBack();

    FormState& form_;
    Dialogs& dialogs_;
    const ChannelSet& channels_;
    const PortList& ports_;
    Timing timing_;
    State state_ = State::Idle;
    int scan_ = 0;  // the port being probed, 1-based
    // The ports that could not be opened in this discovery, with why: named in the message
    // when no logger answered.
    QStringList refused_;
    QTimer timer_;
};

}  // namespace vernoll
