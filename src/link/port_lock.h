#pragma once

#include <QString>
#include <memory>
#include <optional>

namespace vernoll {

// A process that holds a serial port.
struct PortHolder {
    qint64 pid = 0;
    QString program;  // its name, when the system tells
};

// Who holds `location` by the lock files serial programs leave while they have a port open
// ("LCK..ttyUSB0" in the system's lock folder, beginning with the owner's process id; Qt's
// serial ports write them too). Nothing when no live process holds it.
std::optional<PortHolder> lockFileHolder(const QString& location);

// How the messages name a holder: "minicom (pid 1234)", or "pid 1234" when its name is unknown,
// or the name alone when its process id is.
QString holderText(const PortHolder& holder);

// One command's hold on a port from its first exchange to its last. The channels open and
// close the port for every exchange; between two of them another command line on the same
// port would find it free and mix its bytes with ours. The hold is a lock the system drops
// with the process, so a command that crashed leaves nothing behind.
class PortLock {
public:
    explicit PortLock(QString location);
    ~PortLock();
    PortLock(const PortLock&) = delete;
    PortLock& operator=(const PortLock&) = delete;

    // True once held; false when another process holds the port, which holder() then names.
    bool acquire();
    const PortHolder& holder() const { return holder_; }

    // The lock's file for a port (the same for every name of one device).
    static QString lockPath(const QString& location);

private:
    QString location_;
    PortHolder holder_;
    struct Held;
    std::unique_ptr<Held> held_;
};

}  // namespace vernoll
