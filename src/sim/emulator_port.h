#pragma once

#include <QObject>

#include "link/channel_set.h"
#include "sim/logger_emulator.h"

namespace vernoll::sim {

class EmulatorChannel;

// One in-process port with the emulator behind it: the eight channels of a ChannelSet made
// by channelFactory() all lead to it, and only one of them can hold it at a time. Answers are
// delivered from the event loop, never from inside the write that caused them.
class EmulatorPort : public QObject {
    Q_OBJECT
public:
    explicit EmulatorPort(LoggerEmulator& logger, QObject* parent = nullptr);
    ~EmulatorPort() override;

    ChannelSet::Factory channelFactory();
    // The name the port list gives this port.
    static QString location() { return QStringLiteral("SIMULADOR"); }

    // Every byte written by the program, in order, for tests that check the wire.
    const QByteArray& written() const;
    void clearWritten();

    // The channel that holds the port, if any.
    const Channel* holder() const;

private:
    friend class EmulatorChannel;
    bool acquire(EmulatorChannel* channel, QString* error);
    void release(EmulatorChannel* channel);
    void feed(const QByteArray& bytes);
    void deliver(const QByteArray& answer, bool hangUp);

    LoggerEmulator& logger_;
    EmulatorChannel* holder_ = nullptr;
    QByteArray written_;
    bool lineClosed_ = false;  // the logger hung up: the port is gone
};

}  // namespace vernoll::sim
