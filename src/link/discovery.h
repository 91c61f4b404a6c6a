#pragma once

#include <QMetaObject>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include "link/channel_set.h"
#include "link/port_list.h"
#include "link/timing.h"

namespace vernoll {

// Port discovery: probes the ports in turn with the wake-up byte on MSComm1. A logger answers
// with at least 21 bytes, which the line-event handler recognises (it sets the answer flag).
// The question before it ("Quiere conectarse ...") is the front end's to ask.
class Discovery : public QObject {
    Q_OBJECT
public:
    enum class State {
        Idle,        // not running
        FirstWait,   // wake-up sent; until the probe's receive event or the first wait ends
        SecondWait,  // until the answer flag is set or the second wait ends
    };
    // Declined: the user said no to the question, and nothing was probed.
    enum class Outcome { Declined, NotFound, Found };
    Q_ENUM(Outcome)
    struct Result {
        Outcome outcome = Outcome::NotFound;
        int port = 0;  // where the logger answered, 1-based
        // The ports that could not be opened, with why ("No se puede abrir P1: ..."): one of
        // them may have had the logger.
        QStringList refused;
    };

    Discovery(const ChannelSet& channels, const PortList& ports, Timing timing,
              QObject* parent = nullptr);

    // Whether a discovery may start now: none runs and no operation holds the line.
    bool canStart() const;
    // Runs one discovery (does nothing unless canStart()). finished() follows.
    void start();
    bool running() const { return state_ != State::Idle; }

    // The connection text for port n: " Conexion en COM 3  @ 19200 bps ".
    QString connectionText(int number) const;
    // The message of a discovery that found no logger, naming the ports it could not open.
    static QString notFoundText(const QStringList& refused);

signals:
    void finished(const vernoll::Discovery::Result& result);

private:
    void nextPort();
    void check();
    void endFirstWait();
    void endSecondWait();
    void notFound();
    void found();
    // Not running any more, and the line given back.
    void giveLineBack();

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
