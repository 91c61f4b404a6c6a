#include "cli/session.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "config/config_import.h"
#include "link/discovery.h"
#include "link/texts.h"

namespace vernoll::cli {

Session::Session(const GlobalOptions& options)
    : options_(options), dialogs_(options.yes), line_({options.ports, options.simulate}) {
    dialogs_.alwaysConfirm(QString::fromLatin1(texts::kConnectQuestion));
    inicio_ =
        std::make_unique<Inicio>(form_, dialogs_, line_.channels(), line_.ports(), options_.timing);
    QObject::connect(&form_, &FormState::printed,
                     [this](const QString& line) { diagnostics_ << line; });
}

// The handlers go before the channels they listen to.
Session::~Session() {
    inicio_.reset();
}

void Session::print(const QString& text) const {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void Session::printJson(const JsonFields& fields) const {
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
    text += "}\n";
    print(QString::fromUtf8(text));
}

void Session::complain(const QString& text) const {
    dialogs_.endStatus();
    const QByteArray bytes = (QStringLiteral("vernoll-cli: ") + text + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
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
        return progress ? progress() : qint64(form_.exchangeCounter);
    };
    // A stall is the limit's time without progress, looked at twenty times in that time.
    const auto limit = options_.timing.commandLineStall;
    QTimer stall;
    stall.setInterval(std::max(limit / 20, decltype(limit){1}));
    qint64 last = current();
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    QObject::connect(&stall, &QTimer::timeout, &loop, [&] {
        const qint64 now = current();
        if (now != last || !stalling || !stalling()) {
            last = now;
            sinceProgress.restart();
            return;
        }
        if (sinceProgress.elapsed() >= limit.count()) {
            complain(QStringLiteral("el registrador dej\u00f3 de responder"));
            finish(ExchangeFailed);
        }
    });
    stall.start();
    QTimer::singleShot(0, &loop, [&] { begin(finish); });
    if (!outcome->finished) loop.exec();
    outcome->loop = nullptr;
    outcome->finished = true;
    return outcome->status;
}

int Session::connect(bool import) {
    inicio_->setImportOnFound(import);
    auto& importer = inicio_->import();
    QObject guard;  // the connections below end with this call
    return run(
        [&](const Finish& finish) {
            QObject::connect(&inicio_->discovery(), &Discovery::finished, &guard,
                             [=](Discovery::Outcome outcome) {
                                 if (outcome != Discovery::Outcome::Found)
                                     finish(NoLogger);
                                 else if (!import)
                                     finish(Done);
                             });
            QObject::connect(&importer, &config::ConfigImport::finished, &guard,
                             [=] { finish(Done); });
            QObject::connect(
                &importer, &config::ConfigImport::failed, &guard,
                [this, finish](config::ConfigImport::Failure why) {
                    using Failure = config::ConfigImport::Failure;
                    if (why == Failure::Stall)
                        complain(QStringLiteral("el registrador dej\u00f3 de responder"));
                    finish(why == Failure::Counter || why == Failure::Stall ? ExchangeFailed
                                                                            : NoLogger);
                });
            inicio_->startUp();
        },
        [&] { return importer.state() == config::ConfigImport::State::Receiving; });
}

}  // namespace vernoll::cli
