#pragma once

#include <QObject>
#include <QTimer>

#include "form/dialogs.h"
#include "form/form_state.h"
#include "link/channel_set.h"
#include "link/timing.h"
#include "live/live_decoder.h"

namespace vernoll::live {

// "DATOS EN LINEA": the logger's current readings, refreshed as fast as it answers, on
// MSComm6 alone.
//
// No wake-up on MSComm1 and no attention byte: the PC sends the live request 190, the logger
// answers with one 21-byte frame (MSComm6's receive threshold is 21, so one receive event is
// one frame), the frame's text replaces Text60's, and the next request goes out at once. The
// cycle is paced only by the logger's answers. A click while the display runs stops it; the
// frame already requested still comes, and its handler closes the port. A logger that sends no
// frame for the stall limit is said to have stopped in the box, above its last reading.
class LiveDisplay : public QObject {
    Q_OBJECT
public:
    enum class State {
        Idle,         // linea 0, MSComm6 closed
        Starting,     // linea -1, first request sent, waiting up to 2 s for the first frame
        Running,      // linea -1, frame, request, frame, ...
        Stopping,     // linea 0, the frame last requested has not arrived; MSComm6 open
        FailedStart,  // linea -1, no first frame came; MSComm6 closed until the next click
    };
    Q_ENUM(State)

    enum class Failure { NoLogger, NoFirstFrame };
    Q_ENUM(Failure)

    LiveDisplay(FormState& form, Dialogs& dialogs, const ChannelSet& channels, Timing timing,
                QObject* parent = nullptr);

    // Starts the display when linea is 0, stops it when linea is -1 (one button does both).
    void toggle();

    State state() const { return state_; }
    // Frames decoded since the program started.
    qint64 frames() const { return frames_; }
    const LiveDecoder& decoder() const { return decoder_; }

signals:
    // A frame was decoded and handled (shown, and the next one requested or the port closed).
    void frameShown(const QString& text);
    // The first frame of a start arrived.
    void started();
    // The start found no logger, or no first frame came.
    void failed(vernoll::live::LiveDisplay::Failure why);
    // The frame pending at a stop arrived and closed the port.
    void stopped();

private:
    void start();
    void stop();
    void onComm(int code);
    void endFirstWait();
    void endQuiet();
    void giveLineBack();

    FormState& form_;
    Dialogs& dialogs_;
    const ChannelSet& channels_;
    Timing timing_;
    State state_ = State::Idle;
    QTimer firstWait_;
    QTimer quiet_;         // no frame for the stall limit while the display runs
    LiveDecoder decoder_;  // its flow statistics last for the whole run
    qint64 frames_ = 0;
};

}  // namespace vernoll::live
