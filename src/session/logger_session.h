#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "config/record.h"
#include "config/serial.h"
#include "link/channel_set.h"
#include "link/port_list.h"
#include "link/timing.h"

namespace vernoll {

class Discovery;
class ExchangeOpening;
class LineEvents;
class PortLock;
namespace config {
class ConfigImport;
class ConfigSend;
}  // namespace config
namespace sms {
class SmsRead;
class SmsWrite;
}  // namespace sms
namespace serial_number {
class SerialWrite;
}
namespace live {
class LiveDisplay;
}
namespace memory {
class Download;
class MemoryImage;
}  // namespace memory

// One connection to one logger: its line (the eight channels on the port discovery found),
// what the program knows of the logger (its serial number, its configuration), and the
// operations that run on the line, one at a time. The window's presenters and the command
// line both start the operations here and observe their results; several sessions may run
// side by side on several ports.
class LoggerSession : public QObject {
    Q_OBJECT
public:
    LoggerSession(const ChannelSet& channels, const PortList& ports, Timing timing,
                  QObject* parent = nullptr);
    ~LoggerSession() override;

    const ChannelSet& channels() const { return channels_; }
    const PortList& ports() const { return ports_; }
    Timing timing() const { return timing_; }
    ExchangeContext& exchange() const { return channels_.exchange(); }
    // Where the logger answered ("/dev/ttyUSB0", "COM3"); empty before a discovery found it.
    QString portLocation() const;

    // The operations.
    Discovery& discovery() { return *discovery_; }
    ExchangeOpening& opening() { return *opening_; }
    config::ConfigImport& import() { return *import_; }
    config::ConfigSend& configSend() { return *configSend_; }
    sms::SmsRead& smsRead() { return *smsRead_; }
    sms::SmsWrite& smsWrite() { return *smsWrite_; }
    serial_number::SerialWrite& serialWrite() { return *serialWrite_; }
    live::LiveDisplay& live() { return *live_; }
    memory::Download& download() { return *download_; }

    // The port lease: the ports this session holds against other command lines (PortLock).
    // Leases every port of the list; a port another command line holds is said to `refused`
    // (its location and why) and left out. Returns the ports leased.
    using Refused = std::function<void(const QString& location, const QString& why)>;
    QStringList leasePorts(const Refused& refused);
    // Gives back every port leased but the logger's (the one discovery found).
    void keepLoggerPort();

    // The configuration of the last complete import; nothing before one.
    const std::optional<config::Configuration>& configuration() const;
    // The logger's serial number: the last import's, or the one written since.
    const config::SerialNumber& serialNumber() const { return serial_; }
    // The logger's memory as the last download (or a base file opened) left it.
    memory::MemoryImage& image() { return *image_; }
    const memory::MemoryImage& image() const { return *image_; }

private:
    const ChannelSet& channels_;
    const PortList& ports_;
    Timing timing_;
    config::SerialNumber serial_;
    // The line-event handler is connected to MSComm1 before discovery listens to it.
    std::unique_ptr<LineEvents> lineEvents_;
    std::unique_ptr<ExchangeOpening> opening_;
    std::unique_ptr<Discovery> discovery_;
    std::unique_ptr<config::ConfigImport> import_;
    std::unique_ptr<config::ConfigSend> configSend_;
    std::unique_ptr<sms::SmsRead> smsRead_;
    std::unique_ptr<sms::SmsWrite> smsWrite_;
    std::unique_ptr<serial_number::SerialWrite> serialWrite_;
    std::unique_ptr<live::LiveDisplay> live_;
    std::unique_ptr<memory::MemoryImage> image_;
    std::unique_ptr<memory::Download> download_;
    std::map<QString, std::unique_ptr<PortLock>> leases_;  // by location
};

}  // namespace vernoll
