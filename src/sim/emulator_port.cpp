#include "sim/emulator_port.h"

#include <QPointer>
#include <QTimer>

namespace vernoll::sim {

// A channel on the in-process port: the program's side of the emulator's line.
class EmulatorChannel : public Channel {
    Q_OBJECT
public:
    explicit EmulatorChannel(EmulatorPort* port) : port_(port) {}
    ~EmulatorChannel() override {
        if (port_) port_->release(this);
    }

    bool open() override {
        error_.clear();
        if (open_) {
            error_ = QStringLiteral("already open");
            return false;
        }
        if (!port_) {
            error_ = QStringLiteral("the emulator's port is gone");
            return false;
        }
        if (!port_->acquire(this, &error_)) {
            traceNote(QStringLiteral("%1 not opened: %2").arg(EmulatorPort::location(), error_));
            return false;
        }
        open_ = true;
        traceNote(QStringLiteral("%1 opened for %2").arg(EmulatorPort::location(), objectName()));
        // Answers to an earlier exchange must never reach this one.
        buffer_.clear();
        resetEvents();
        return true;
    }

    void close() override {
        if (!open_) return;
        open_ = false;
        if (port_) port_->release(this);
        traceNote(QStringLiteral("%1 closed").arg(EmulatorPort::location()));
    }

    bool isOpen() const override { return open_; }
    QString errorString() const override { return error_; }

    bool write(const QByteArray& bytes) override {
        if (!open_ || !port_) return false;
        traceSent(bytes);
        port_->feed(bytes);
        return true;
    }

    int bytesWaiting() const override { return int(buffer_.size()); }

    QByteArray read(int n) override {
        const QByteArray taken = buffer_.left(n);
        buffer_.remove(0, taken.size());
        return taken;
    }

    void clearInput() override { buffer_.clear(); }

    void arrive(const QByteArray& bytes) {
        traceReceived(bytes);
        buffer_.append(bytes);
        bytesArrived();
    }

    void hangUp() {
        traceNote(QStringLiteral("%1 lost: the logger hung up").arg(EmulatorPort::location()));
        close();
        error_ = QStringLiteral("the logger hung up");
        raise(comm::Hangup);
    }

private:
    QPointer<EmulatorPort> port_;
    bool open_ = false;
    QByteArray buffer_;
    QString error_;
};

EmulatorPort::EmulatorPort(LoggerEmulator& logger, QObject* parent)
    : QObject(parent), logger_(logger) {}

EmulatorPort::~EmulatorPort() = default;

ChannelSet::Factory EmulatorPort::channelFactory() {
    return [this] { return std::make_unique<EmulatorChannel>(this); };
}

const QByteArray& EmulatorPort::written() const {
    return written_;
}
void EmulatorPort::clearWritten() {
    written_.clear();
}
const Channel* EmulatorPort::holder() const {
    return holder_;
}

bool EmulatorPort::acquire(EmulatorChannel* channel, QString* error) {
    if (lineClosed_) {
        *error = QStringLiteral("the logger hung up");
        return false;
    }
    if (holder_ != nullptr && holder_ != channel) {
        *error = QStringLiteral("port %1 is in use").arg(location());
        return false;
    }
    holder_ = channel;
    return true;
}

void EmulatorPort::release(EmulatorChannel* channel) {
    if (holder_ == channel) holder_ = nullptr;
}

void EmulatorPort::feed(const QByteArray& bytes) {
    written_.append(bytes);
    const QByteArray answer = logger_.receive(bytes);
    const bool hangUp = logger_.hungUp() && !lineClosed_;
    if (hangUp) lineClosed_ = true;
    if (answer.isEmpty() && !hangUp) return;
    // Bytes take time on a real line: whoever holds the port when they arrive gets them.
    QTimer::singleShot(0, this, [this, answer, hangUp] { deliver(answer, hangUp); });
}

void EmulatorPort::deliver(const QByteArray& answer, bool hangUp) {
    // The receive handler may close the channel or hand the port on, so hold on to it.
    QPointer<EmulatorChannel> to = holder_;
    if (to && !answer.isEmpty()) to->arrive(answer);
    if (hangUp && to && holder_ == to) to->hangUp();
}

}  // namespace vernoll::sim

#include "emulator_port.moc"
