#include "session/logger_session.h"

#include "config/config_import.h"
#include "config/config_send.h"
#include "link/discovery.h"
#include "link/exchange_opening.h"
#include "link/line_events.h"
#include "link/port_lock.h"
#include "link/texts.h"
#include "live/live_display.h"
#include "memory/download.h"
#include "memory/memory_image.h"
#include "serial_number/serial_write.h"
#include "sms/sms_read.h"
#include "sms/sms_write.h"

namespace vernoll {

LoggerSession::LoggerSession(const ChannelSet& channels, const PortList& ports, Timing timing,
                             QObject* parent)
    : QObject(parent),
      channels_(channels),
      ports_(ports),
      timing_(timing),
      lineEvents_(std::make_unique<LineEvents>(channels)),
      opening_(std::make_unique<ExchangeOpening>(channels)),
      discovery_(std::make_unique<Discovery>(channels, ports, timing)),
      import_(std::make_unique<config::ConfigImport>(channels, *opening_, timing)),
      configSend_(std::make_unique<config::ConfigSend>(channels, *opening_, timing)),
      smsRead_(std::make_unique<sms::SmsRead>(channels, *opening_, timing)),
      smsWrite_(std::make_unique<sms::SmsWrite>(channels, *opening_, timing)),
      serialWrite_(std::make_unique<serial_number::SerialWrite>(channels, *opening_, timing)),
      live_(std::make_unique<live::LiveDisplay>(channels, timing)),
      image_(std::make_unique<memory::MemoryImage>()),
      download_(std::make_unique<memory::Download>(channels, *opening_, *image_, timing)) {
    // A port that refuses an exchange's channel is named in the error that follows.
    for (int k = 1; k <= 8; ++k) {
        connect(&channels_[k], &Channel::openFailed, this, [this, k] {
            exchange().refusal = QString::fromLatin1(texts::kCannotOpen) +
                                 ports_.label(channels_[k].commPort()) + QStringLiteral(": ") +
                                 channels_[k].errorString();
        });
    }
    connect(import_.get(), &config::ConfigImport::finished, this,
            [this] { serial_ = import_->configuration()->serialNumber; });
    connect(serialWrite_.get(), &serial_number::SerialWrite::finished, this,
            [this] { serial_ = config::SerialNumber(serialWrite_->packed()); });
}

LoggerSession::~LoggerSession() = default;

QStringList LoggerSession::leasePorts(const Refused& refused) {
    QStringList leased;
    for (int n = 1; n <= ports_.count(); ++n) {
        const QString location = ports_.location(n);
        auto lock = std::make_unique<PortLock>(location);
        if (!lock->acquire()) {
            QString why = QString::fromUtf8(texts::kPortHeldByCli);
            if (lock->holder().pid > 0) why += QStringLiteral(" (pid %1)").arg(lock->holder().pid);
            refused(location, why);
            continue;
        }
        leases_[location] = std::move(lock);
        leased << location;
    }
    return leased;
}

void LoggerSession::keepLoggerPort() {
    const QString found = portLocation();
    if (found.isEmpty()) return;
    for (auto it = leases_.begin(); it != leases_.end();)
        it = it->first == found ? std::next(it) : leases_.erase(it);
}

QString LoggerSession::portLocation() const {
    return exchange().port > 0 ? ports_.location(exchange().port) : QString();
}

const std::optional<config::Configuration>& LoggerSession::configuration() const {
    return import_->configuration();
}

}  // namespace vernoll
