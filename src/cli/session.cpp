#include "cli/session.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "archive/location.h"
#include "config/config_import.h"
#include "config/device.h"
#include "link/discovery.h"
#include "link/line_owner.h"
#include "link/maker.h"
#include "link/port_lock.h"
#include "link/texts.h"
#include "memory/download.h"

namespace vernoll::cli {

Session::Session(const GlobalOptions& options, std::FILE* out, std::FILE* err)
    : options_(options),
      out_(out),
      err_(err),
      dialogs_(options.yes, err),
      line_({options.ports, options.simulate, options.trace}) {
    logger_ = std::make_unique<LoggerSession>(line_.channels(), line_.ports(), options_.timing);
    job_ = std::make_unique<station::DownloadJob>(*logger_);
    // The window's archive and download copies: both programs keep them in one data folder.
    job_->setArchiveLocation(archive::chosenLocation(options_.archive));
    job_->setBackupFolder(archive::downloadsFolder());
    logbook_ = std::make_unique<station::Logbook>(*logger_);
    logbook_->setArchiveLocation(archive::chosenLocation(options_.archive));
    QObject::connect(logbook_.get(), &station::Logbook::notKept, [this](const QString& why) {
        complain(QString::fromUtf8(station::kLogNotKept) + why);
    });
    // What the window prints on its surface.
    QObject::connect(&line_.channels().line(), &LineOwner::diagnosed,
                     [this](const QString& line) { diagnostics_ << line; });
}

// The handlers go before the channels they listen to.
Session::~Session() {
    // What the command did is in the station's log before it ends (or said not to be).
    logbook_->flush();
    logbook_.reset();
    job_.reset();
    logger_.reset();
}

float Session::nserie() const {
    if (assumed_) return float(*assumed_);
    return logger_->serialNumber().number().value_or(0.0F);
}

int Session::frames() const {
    const auto type = config::classify(nserie());
    return type && type->largeMemory ? config::kLargeMemoryFrames : config::kSmallMemoryFrames;
}

QString Session::device() const {
    // A number no family claims leaves the window's title as it was.
    const auto type = config::classify(nserie());
    return type ? QString::fromUtf8(type->name) : QString::fromLatin1(maker::kProduct);
}

QString Session::columnHeader() const {
    const auto type = config::classify(nserie());
    return type ? QString::fromUtf8(type->header) + QStringLiteral("\r\n") : QString();
}

QString Session::summary() const {
    const auto& c = logger_->configuration();
    return c ? config::summary(*c, config::intervalMinutesText(c->intervalCode)) : QString();
}

void Session::portRefused(const Channel& channel) {
    if (channel.openFailure() == Channel::OpenFailure::Held) heldInRun_ = true;
    const QString line = QString::fromUtf8(texts::kCannotOpenCli) +
                         line_.ports().location(channel.commPort()) + QStringLiteral(": ") +
                         channel.errorString();
    if (refusalsSaid_.contains(line)) return;
    refusalsSaid_.insert(line);
    complain(line);
}

bool Session::holdPorts() {
    if (options_.simulate) return true;
    bool refused = false;
    const QStringList leased = logger_->leasePorts([&](const QString& location,
                                                       const QString& why) {
        refused = true;
        complain(QString::fromUtf8(texts::kCannotOpenCli) + location + QStringLiteral(": ") + why);
    });
    // Discovery probes only the ports this command holds.
    if (refused) line_.narrowPorts(leased);
    return !(refused && leased.isEmpty());
}

void Session::print(const QString& text) const {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), out_);
    std::fflush(out_);
}

QByteArray Session::jsonText(const JsonFields& fields) {
    // A value in JSON's own spelling: the one element of a compact array, without brackets.
    const auto spelled = [](const QJsonValue& value) {
        const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
        return array.mid(1, array.size() - 2);
    };
    QByteArray text = "{";
    for (const auto& [key, value] : fields) {
        if (text.size() > 1) text += ',';
        text += spelled(key) + ':' + spelled(value);
    }
    return text + '}';
}

void Session::printJson(const JsonFields& fields) const {
    print(QString::fromUtf8(jsonText(fields) + '\n'));
}

int Session::traceStatus() const {
    const auto& problem = line_.traceProblem();
    if (!problem) return Done;
    complain(QString::fromUtf8(texts::kCannotWriteCli) + *problem);
    return FileError;
}

bool Session::noPositional(const QCommandLineParser& parser) const {
    if (parser.positionalArguments().isEmpty()) return true;
    complain(QStringLiteral("unexpected argument: ") + parser.positionalArguments().first());
    return false;
}

void Session::complain(const QString& text) const {
    dialogs_.endStatus();
    const QByteArray bytes = (QStringLiteral("vernoll-cli: ") + text + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), err_);
    std::fflush(err_);
}

int Session::run(const std::function<void(const Finish&)>& begin,
                 const std::function<bool()>& stalling, const std::function<qint64()>& progress) {
    // What `finish` reaches; it outlives this call, since a handler may still call `finish`
    // after the run ended (a cancel after a stall, say), which then does nothing.
    struct Outcome {
        QEventLoop* loop = nullptr;
        int status = Done;
        bool finished = false;
    };
    QEventLoop loop;
    const auto outcome = std::make_shared<Outcome>();
    outcome->loop = &loop;
    const Finish finish = [outcome](int s) {
        if (outcome->finished) return;
        outcome->finished = true;
        outcome->status = s;
        if (outcome->loop) outcome->loop->quit();
    };
    const auto current = [&]() -> qint64 {
        return progress ? progress() : qint64(line_.channels().exchange().counter);
    };
    // The stall limit runs from the last progress while an exchange is under way. It is
    // restarted once the handlers of each receive event have run (a queued look), so it is
    // measured from a byte that has arrived and never ends early: a precise single shot. A
    // slow look besides catches an exchange that got under way without a receive event.
    const auto limit = options_.timing.commandLineStall;
    QTimer stall;
    stall.setSingleShot(true);
    stall.setTimerType(Qt::PreciseTimer);
    qint64 last = current();
    const auto look = [&] {
        const qint64 now = current();
        if (!stalling || !stalling()) {
            stall.stop();
        } else if (!stall.isActive() || now != last) {
            stall.start(limit);
        }
        last = now;
    };
    heldInRun_ = false;
    for (int k = 1; k <= 8; ++k) {
        const Channel& channel = line_.channels()[k];
        QObject::connect(&channel, &Channel::openFailed, &loop,
                         [this, &channel] { portRefused(channel); });
    }
    QObject::connect(&stall, &QTimer::timeout, &loop, [&] {
        if (stalling && stalling() && current() == last) {
            complain(QStringLiteral("el registrador dej\u00f3 de responder"));
            finish(ExchangeFailed);
            return;
        }
        look();
    });
    for (int k = 1; k <= 8; ++k)
        QObject::connect(&line_.channels()[k], &Channel::commEvent, &loop, look,
                         Qt::QueuedConnection);
    QTimer slowLook;
    slowLook.setInterval(std::max(limit / 20, decltype(limit){1}));
    QObject::connect(&slowLook, &QTimer::timeout, &loop, [&] {
        if (!stall.isActive() || current() != last) look();
    });
    slowLook.start();
    QTimer::singleShot(0, &loop, [&] { begin(finish); });
    if (!outcome->finished) loop.exec();
    outcome->loop = nullptr;
    outcome->finished = true;
    // The logger may have been behind the port another program holds.
    if (heldInRun_ && (outcome->status == NoLogger || outcome->status == ExchangeFailed))
        return PortHeld;
    return outcome->status;
}

int Session::connect(bool import) {
    if (!holdPorts()) return PortHeld;
    Discovery& discovery = logger_->discovery();
    config::ConfigImport& importer = logger_->import();
    QObject guard;  // the connections below end with this call
    const int status = run(
        [&](const Finish& finish) {
            QObject::connect(&discovery, &Discovery::finished, &guard,
                             [=, this, &discovery, &importer](const Discovery::Result& r) {
                                 if (r.outcome != Discovery::Outcome::Found) {
                                     dialogs_.message(Discovery::notFoundText(r.refused),
                                                      Dialogs::Icon::Critical);
                                     finish(NoLogger);
                                     return;
                                 }
                                 dialogs_.message(discovery.connectionText(r.port));
                                 if (import)
                                     importer.start();
                                 else
                                     finish(Done);
                             });
            QObject::connect(&importer, &config::ConfigImport::finished, &guard,
                             [=] { finish(Done); });
            QObject::connect(
                &importer, &config::ConfigImport::failed, &guard,
                [this, finish](const OperationError& e) {
                    // The window shows no message for a byte beyond the record:
                    // its diagnostic is on the surface.
                    if (e.fault != Fault::Counter) show(e);
                    if (e.fault == Fault::Stall)
                        complain(QStringLiteral("el registrador dej\u00f3 de responder"));
                    finish(e.fault == Fault::Counter || e.fault == Fault::Stall ? ExchangeFailed
                                                                                : NoLogger);
                });
            discovery.start();
        },
        [&] { return importer.state() == config::ConfigImport::State::Receiving; });
    // Only the logger's port stays held.
    logger_->keepLoggerPort();
    return status;
}

}  // namespace vernoll::cli
