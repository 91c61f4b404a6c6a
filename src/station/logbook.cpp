#include "station/logbook.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QThread>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

#include "config/config_send.h"
#include "config/device.h"
#include "serial_number/serial_write.h"
#include "session/logger_session.h"
#include "sms/sms_read.h"
#include "sms/sms_write.h"
#include "station/download_archiving.h"

namespace vernoll::station {

namespace {

QString isoText(const QDateTime& t) {
    return t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

QJsonValue minutesOf(std::uint8_t code) {
    const QString minutes = config::intervalMinutesText(code);
    return minutes.isEmpty() ? QJsonValue() : QJsonValue(minutes.toInt());
}

// The configuration as the log gives it: the texts without their padding, the interval, the
// logger's clock.
QJsonObject configurationObject(const std::array<QString, 5>& texts, std::uint8_t interval,
                                const std::optional<QDateTime>& clock) {
    return {{QStringLiteral("user"), config::unpadded(texts[0])},
            {QStringLiteral("location"), config::unpadded(texts[1])},
            {QStringLiteral("latitude"), config::unpadded(texts[2])},
            {QStringLiteral("longitude"), config::unpadded(texts[3])},
            {QStringLiteral("altitude"), config::unpadded(texts[4])},
            {QStringLiteral("interval_minutes"), minutesOf(interval)},
            {QStringLiteral("clock"), clock ? QJsonValue(isoText(*clock)) : QJsonValue()}};
}

QJsonObject smsObject(const QString& cell, std::uint8_t code) {
    return {{QStringLiteral("cell"), cell.trimmed()},
            {QStringLiteral("send_interval_code"), int(code)}};
}

}  // namespace

QString systemUser() {
    for (const char* name : {"USER", "LOGNAME", "USERNAME"})
        if (const QString user = qEnvironmentVariable(name); !user.isEmpty()) return user;
#ifdef Q_OS_UNIX
    // A service or a scheduled job may run without them.
    if (const passwd* entry = getpwuid(geteuid())) return QString::fromLocal8Bit(entry->pw_name);
#endif
    return {};
}

Logbook::Logbook(LoggerSession& session, QObject* parent) : QObject(parent), session_(session) {
    config::ConfigSend& send = session_.configSend();
    connect(&send, &config::ConfigSend::answered, this, [this] {
        const auto& c = session_.configuration();
        configBefore_ =
            c ? configurationObject(c->texts, c->intervalCode, c->loggerClock()) : QJsonObject();
    });
    connect(&send, &config::ConfigSend::finished, this, [this] {
        const config::ConfigSend::Sent& sent = session_.configSend().sent();
        archive::LogEntry e;
        e.kind = QStringLiteral("config_send");
        e.details = {
            {QStringLiteral("before"), configBefore_.value_or(QJsonObject())},
            {QStringLiteral("after"), configurationObject(sent.texts, sent.interval, sent.clock)},
            {QStringLiteral("memory_erased"), true}};
        keep(serialOf(session_.configuration(), 0.0F), std::move(e));
    });

    serial_number::SerialWrite& write = session_.serialWrite();
    connect(&write, &serial_number::SerialWrite::answered, this,
            [this] { serialBefore_ = session_.serialNumber().digits(); });
    connect(&write, &serial_number::SerialWrite::finished, this, [this] {
        const QString written = config::SerialNumber(session_.serialWrite().packed()).digits();
        archive::LogEntry e;
        e.kind = QStringLiteral("serial_write");
        e.details = {{QStringLiteral("old_serial"), serialBefore_},
                     {QStringLiteral("new_serial"), written}};
        // Both loggers' logs tell it: the one it was, and the one it is now.
        QStringList loggers{serialBefore_};
        if (written != serialBefore_) loggers << written;
        for (const QString& digits : loggers) {
            bool ok = false;
            const uint serial = digits.toUInt(&ok);
            if (ok) keep(serial, e);
        }
    });

    sms::SmsWrite& sms = session_.smsWrite();
    connect(&sms, &sms::SmsWrite::finished, this, [this] {
        const auto& read = session_.smsRead().settings();
        const sms::SmsWrite& w = session_.smsWrite();
        archive::LogEntry e;
        e.kind = QStringLiteral("sms_write");
        e.details = {
            {QStringLiteral("before"), read ? smsObject(read->cell, read->code) : QJsonObject()},
            {QStringLiteral("after"), smsObject(w.sentCell(), w.sentCode())}};
        keep(serialOf(session_.configuration(), 0.0F), std::move(e));
    });
}

Logbook::~Logbook() {
    if (worker_) worker_->wait();
}

void Logbook::setArchiveLocation(const QString& location,
                                 const archive::Archive::Options& options) {
    location_ = location;
    options_ = options;
}

void Logbook::keep(std::uint32_t serial, archive::LogEntry entry) {
    if (!location_) return;
    entry.at = QDateTime::currentDateTime();
    entry.port = session_.portLocation();
    entry.user = systemUser();
    queue_.push_back({serial, std::move(entry)});
    if (!worker_) next();
}

void Logbook::next() {
    if (queue_.empty()) return;
    Pending p = std::move(queue_.front());
    queue_.pop_front();
    const QString location = *location_;
    const archive::Archive::Options options = options_;
    worker_.reset(QThread::create([this, p = std::move(p), location, options] {
        archive::Archive store;
        const bool kept = store.open(location, archive::Archive::Access::Update, options) &&
                          store.log(p.serial, p.entry);
        const QString why = kept ? QString() : store.error();
        QMetaObject::invokeMethod(
            this,
            [this, why] {
                worker_->wait();
                worker_.reset();
                if (!why.isEmpty()) emit notKept(why);
                next();
            },
            Qt::QueuedConnection);
    }));
    worker_->start();
}

void Logbook::flush() {
    while (worker_ || !queue_.empty()) {
        if (worker_) worker_->wait();
        QCoreApplication::sendPostedEvents(this);
    }
}

}  // namespace vernoll::station
