#pragma once

#include <QObject>
#include <QTimer>

#include "link/channel_set.h"
#include "link/operation_error.h"
#include "link/timing.h"
#include "live/live_decoder.h"

namespace vernoll::live {

// "DATOS EN LINEA": the logger's current readings, refreshed as fast as it answers, on
// MSComm6 alone.
//
// No wake-up on MSComm1 and no attention byte: the PC sends the live request 190, the logger
// answers with one 21-byte frame (MSComm6's receive threshold is 21, so one receive event is
// one frame), the frame is decoded and shown, and the next request goes out at once. The cycle
// is paced only by the logger's answers. A stop while the display runs lets the frame already
// requested come; its handler closes the port. A logger that sends no frame for the stall
// limit is reported (quiet()), the display going on should it answer again.
class LiveDisplay : public QObject {
    Q_OBJECT
public:
    enum class State {
        Idle,         // MSComm6 closed
        Starting,     // first request sent, waiting up to 2 s for the first frame
        Running,      // frame, request, frame, ...
        Stopping,     // stopped; the frame last requested has not arrived, MSComm6 open
        FailedStart,  // no first frame came; MSComm6 closed until the next stop or start
    };
    Q_ENUM(State)

    LiveDisplay(const ChannelSet& channels, Timing timing, QObject* parent = nullptr);

    // Starts the display of a logger whose serial number is `nserie` (it decides how frames
    // read). Nothing while another operation holds the line; fails with Fault::NoLogger when
    // the last exchange went unanswered.
    void start(float nserie);
    // Stops it: nothing more is requested.
    void stop();

    State state() const { return state_; }
    // Frames decoded since the program started.
    qint64 frames() const { return frames_; }
    const LiveDecoder& decoder() const { return decoder_; }

    // The text of the last frame.
    const QString& lastFrame() const { return lastFrame_; }

signals:
    // The start goes on the line (the line is about to be taken).
    void began();
    // A frame was decoded and handled (the next one requested, or the port closed after a
    // stop: stopped() follows).
    void frameShown(const QString& text);
    // The first frame of a start arrived.
    void started();
    // The start found no logger (Fault::NoLogger), or no first frame came (Fault::NoAnswer).
    void failed(const vernoll::OperationError& error);
    // No frame came for the stall limit while the display ran.
    void quiet();
    // The frame pending at a stop arrived and closed the port.
    void stopped();

private:
    OperationError error(Fault fault) const;
    void onComm(int code);
    void endFirstWait();
    void endQuiet();
    void giveLineBack();

    const ChannelSet& channels_;
    Timing timing_;
    State state_ = State::Idle;
    float nserie_ = 0.0F;
    QString lastFrame_;
    QTimer firstWait_;
    QTimer quiet_;         // no frame for the stall limit while the display runs
    LiveDecoder decoder_;  // its flow statistics last for the whole run
    qint64 frames_ = 0;
};

}  // namespace vernoll::live
