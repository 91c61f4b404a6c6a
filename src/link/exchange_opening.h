#pragma once

#include <QMetaObject>
#include <QObject>
#include <QTimer>
#include <functional>

#include "link/channel_set.h"
#include "link/timing.h"

namespace vernoll {

// The opening every exchange but the live data shares:
//   wake-up byte 190 on MSComm1, a pause in which nothing is received (the logger's 21-byte
//   answer is dropped with MSComm1), MSComm1 closed; then the attention byte 85 on the
//   operation's own channel and a wait for the logger's first answer, which the channel's
//   receive handler marks by setting the answer flag to -1.
class ExchangeOpening : public QObject {
    Q_OBJECT
public:
    enum class State {
        Idle,       // no opening under way
        Pausing,    // wake-up sent, MSComm1 muted until the pause ends
        Answering,  // attention sent on the operation's channel, waiting for the flag
    };

    struct Attention {
        int channel = 2;          // MSComm k
        Millis wait{2000};        // how long the first answer may take
        bool setCommPort = true;  // the download keeps the port discovery gave its channel
        int threshold = 1;        // receive threshold set before opening (0: leave it)
    };

    explicit ExchangeOpening(const ChannelSet& channels, QObject* parent = nullptr);

    // Wake-up and pause, then `then`. Any channel an earlier exchange left open is closed
    // first: only one channel can hold the port.
    void wakeUp(Millis pause, std::function<void()> then);
    // Attention byte and the wait; `done(true)` once the logger answered, `done(false)` when
    // the wait ran out.
    void attend(const Attention& a, std::function<void(bool answered)> done);
    // Both, in order.
    void start(Millis pause, const Attention& a, std::function<void(bool answered)> done);

    State state() const { return state_; }
    // Stops an opening under way: nothing more is sent and `then`/`done` are not called.
    void cancel();

private:
    void finishWait(bool answered);
    // The line is taken from the wake-up to the end of the answer wait, unless the operation
    // that uses this opening (the download) holds it already.
    void holdLine();
    void releaseLine();

    const ChannelSet& channels_;
    State state_ = State::Idle;
    bool holding_ = false;
    QTimer timer_;
    QMetaObject::Connection listening_;
    std::function<void(bool)> done_;
};

}  // namespace vernoll
