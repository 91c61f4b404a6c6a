#include "live/live_display.h"

#include "form/controls.h"
#include "link/line_owner.h"
#include "link/logger_exchange.h"

namespace vernoll::live {

namespace {

// The ending of an exchange the logger did not answer: the no-connection message with the
// port's refusal, and the reconnection button offered.
void offerReconnection(const ChannelSet& channels, FormState& form, Dialogs& dialogs,
                       const char* text = texts::kNoLogger) {
    QString shown = QString::fromLatin1(text);
    QString& refusal = channels.exchange().refusal;
    if (!refusal.isEmpty()) shown += QStringLiteral("\r\n") + refusal;
    refusal.clear();
    dialogs.message(shown);
    form.setEnabled(ctl::kReconnect, true);
    form.setText(ctl::kReconnect, QString::fromLatin1(texts::kConnectCaption));
}

}  // namespace

namespace {

constexpr char kLiveRequest = char(0xBE);
constexpr int kChannel = 6;  // MSComm6
constexpr char kStartCaption[] = "DATOS EN LINEA";
constexpr char kStopCaption[] = "PARAR";
// Printed on the window's surface when bytes beyond a frame wait in the buffer.
constexpr char kMissing[] = "falta";
// Above the last reading once the logger has sent no frame for the stall limit.
const QString kQuiet =
    QStringLiteral("El registrador dej\u00f3 de responder. \u00daltima lectura:\r\n");

}  // namespace

LiveDisplay::LiveDisplay(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
                         Timing timing, QObject* parent)
    : QObject(parent), form_(form), dialogs_(dialogs), channels_(channels), timing_(timing) {
    firstWait_.setSingleShot(true);
    // Never shorter than the logger's answer time: a coarse timer may fire 5% early.
    firstWait_.setTimerType(Qt::PreciseTimer);
    connect(&firstWait_, &QTimer::timeout, this, &LiveDisplay::endFirstWait);
    quiet_.setSingleShot(true);
    quiet_.setTimerType(Qt::PreciseTimer);
    connect(&quiet_, &QTimer::timeout, this, &LiveDisplay::endQuiet);
    connect(&channels_[kChannel], &Channel::commEvent, this, &LiveDisplay::onComm);
}

void LiveDisplay::toggle() {
    if (form_.linea == -1)
        stop();
    else
        start();
}

void LiveDisplay::start() {
    if (channels_.line().held()) return;
    if (!channels_.exchange().answered) {
        offerReconnection(channels_, form_, dialogs_);
        emit failed(Failure::NoLogger);
        return;
    }
    form_.setEnabled(ctl::groups::kHeldByLive, false);
    channels_.line().take(QString::fromLatin1(line::kLive));
    form_.linea = -1;
    form_.setText(ctl::kLive, QString::fromLatin1(kStopCaption));
    form_.setVisible(ctl::kLiveText, true);

    channels_.exchange().answered = false;
    Channel& ch = channels_[kChannel];
    // A channel an earlier stalled exchange left open would hold the port.
    channels_.releaseAllBut(kChannel);
    ch.setCommPort(channels_.exchange().port);
    ch.setReceiveThreshold(kFrameSize);
    // Still open after a stop whose frame never came: the open fails and is passed over.
    ch.open();
    state_ = State::Starting;
    ch.write(QByteArray(1, kLiveRequest));
    // Measured from the request on the wire.
    firstWait_.start(timing_.answerWait);
}

void LiveDisplay::endFirstWait() {
    if (channels_.exchange().answered) return;
    // Readings of an earlier run must not show behind the message, nor after it.
    form_.setText(ctl::kLiveText, QString());
    giveLineBack();
    offerReconnection(channels_, form_, dialogs_);
    channels_[kChannel].close();
    // A stop clicked during the wait has already restored the window; the start ends here.
    state_ = state_ == State::Stopping ? State::Idle : State::FailedStart;
    emit failed(Failure::NoFirstFrame);
}

void LiveDisplay::endQuiet() {
    if (state_ != State::Running) return;
    form_.setText(ctl::kLiveText, kQuiet + form_.linea6);
}

void LiveDisplay::giveLineBack() {
    if (channels_.line().holder() == QLatin1String(line::kLive)) channels_.line().release();
}

void LiveDisplay::stop() {
    quiet_.stop();
    // Given back at once: the frame still on its way is only read and dropped.
    giveLineBack();
    form_.setVisible(ctl::kLiveText, false);
    form_.setText(ctl::kLive, QString::fromLatin1(kStartCaption));
    form_.linea = 0;
    form_.setEnabled(ctl::groups::kGivenBackByLive, true);
    // The port stays open for the frame already requested; its handler closes it.
    state_ = channels_[kChannel].isOpen() ? State::Stopping : State::Idle;
}

void LiveDisplay::onComm(int code) {
    if (code != comm::Receive) return;
    Channel& ch = channels_[kChannel];
    channels_.exchange().answered = true;
    form_.linea6.clear();
    const QByteArray bytes = ch.read(kFrameSize);
    form_.linea6 = decoder_.decode(form_.Nserie, bytes);
    ++frames_;
    form_.liveSamples = decoder_.flow().samples;
    form_.setText(ctl::kLiveText, QString());
    form_.setText(ctl::kLiveText, form_.linea6);
    if (ch.bytesWaiting() > 0) form_.print(QString::fromLatin1(kMissing));

    // The first frame ends the wait, also when a stop was clicked during it.
    firstWait_.stop();
    const bool first = state_ == State::Starting;
    if (form_.linea == -1) {
        state_ = State::Running;
        ch.write(QByteArray(1, kLiveRequest));
        quiet_.start(timing_.stall);
    } else {
        form_.setText(ctl::kLiveText, QString());
        ch.clearInput();
        ch.close();
        state_ = State::Idle;
    }
    emit frameShown(form_.linea6);
    if (first) emit started();
    if (state_ == State::Idle) emit stopped();
}

}  // namespace vernoll::live
