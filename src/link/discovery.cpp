#include "link/discovery.h"

#include "link/line_owner.h"
#include "link/maker.h"
#include "link/texts.h"

namespace vernoll {

Discovery::Discovery(const ChannelSet& channels, const PortList& ports, Timing timing,
                     QObject* parent)
    : QObject(parent), channels_(channels), ports_(ports), timing_(timing) {
    timer_.setSingleShot(true);
    // A coarse timer may end the probe's waits up to 5% early.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (state_ == State::FirstWait)
            endFirstWait();
        else if (state_ == State::SecondWait)
            endSecondWait();
    });
    // Connected after the line-event handler of MSComm1, which sets the answer flag.
    connect(&channels_[1], &Channel::commEvent, this, [this] { check(); });
}

QString Discovery::connectionText(int number) const {
    return QStringLiteral(" Conexion en ") + ports_.label(number) +
           QStringLiteral("  @ 19200 bps ");
}

QString Discovery::notFoundText(const QStringList& refused) {
    const QString crlf = QStringLiteral("\r\n");
    return QString::fromLatin1(texts::kNoLoggerFound1) + crlf +
           QString::fromLatin1(texts::kNoLoggerFound2) + crlf + QStringLiteral("        ") +
           QString::fromLatin1(maker::kSupportMail) + QStringLiteral("     ") +
           // Why a port that might have had the logger could not be probed.
           (refused.isEmpty() ? QString() : crlf + refused.join(crlf));
}

bool Discovery::canStart() const {
    return !running() && !channels_.line().held();
}

void Discovery::start() {
    if (!canStart()) return;
    scan_ = 0;
    refused_.clear();
    channels_.exchange().answered = false;
    channels_.line().take(QString::fromLatin1(line::kDiscovery));
    nextPort();
}

void Discovery::nextPort() {
    ++scan_;
    if (scan_ > ports_.count()) {
        notFound();
        return;
    }
    for (int k = 1; k <= 6; ++k) channels_[k].setCommPort(scan_);
    for (int k : {7, 8, 6, 5, 4, 3, 2, 1})
        channels_[k].setReceiveThreshold(k == 1 || k == 6 ? 21 : 1);
    Channel& probe = channels_[1];
    // A port that cannot be opened still goes through both waits, as a silent one does.
    if (probe.open())
        probe.write(QByteArray(1, char(0xBE)));
    else if (probe.openFailure() != Channel::OpenFailure::None)
        refused_ << QString::fromLatin1(texts::kCannotOpen) + ports_.label(scan_) +
                        QStringLiteral(": ") + probe.errorString();
    channels_.exchange().counter = 0;
    state_ = State::FirstWait;
    timer_.start(timing_.probeFirstWait);
}

void Discovery::check() {
    if (state_ == State::FirstWait && channels_[1].lastEvent() == comm::Receive) endFirstWait();
    if (state_ == State::SecondWait && channels_.exchange().answered) endSecondWait();
}

void Discovery::endFirstWait() {
    state_ = State::SecondWait;
    timer_.start(timing_.probeSecondWait);
    check();
}

void Discovery::endSecondWait() {
    timer_.stop();
    if (channels_.exchange().answered) {
        found();
        return;
    }
    channels_[1].close();
    nextPort();
}

void Discovery::giveLineBack() {
    state_ = State::Idle;
    if (channels_.line().holder() == QLatin1String(line::kDiscovery)) channels_.line().release();
}

void Discovery::notFound() {
    giveLineBack();
    if (channels_[1].isOpen()) channels_[1].close();
    emit finished({Outcome::NotFound, 0, refused_});
}

void Discovery::found() {
    giveLineBack();
    channels_.exchange().answered = false;
    if (channels_[1].isOpen()) channels_[1].close();
    channels_.exchange().port = scan_;
    channels_.exchange().answered = true;
    emit finished({Outcome::Found, scan_, {}});
}

}  // namespace vernoll
