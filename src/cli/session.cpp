#include "cli/session.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>
#include <cstdio>

#include "config/config_import.h"
#include "form/controls.h"
#include "link/discovery.h"
#include "link/serial_channel.h"
#include "link/texts.h"
#include "sim/emulator_port.h"
#include "sim/logger_emulator.h"

namespace vernoll::cli {

Session::Session(const GlobalOptions& options)
    : options_(options), dialogs_(options.yes) {
    dialogs_.alwaysConfirm(QString::fromLatin1(texts::kConnectQuestion));
    if (options_.simulate) {
        sim::EmulatorOptions emulated;
        emulated.serial = options_.simulate->rightJustified(8, QLatin1Char('0'));
        emulator_ = std::make_unique<sim::LoggerEmulator>(emulated);
        emulatorPort_ = std::make_unique<sim::EmulatorPort>(*emulator_);
        ports_ = PortList({sim::EmulatorPort::location()});
        channels_ = std::make_unique<ChannelSet>(emulatorPort_->channelFactory());
    } else {
        ports_ = options_.ports.isEmpty() ? PortList::system() : PortList::of(options_.ports);
        channels_ = std::make_unique<ChannelSet>(
            [this] { return std::make_unique<SerialChannel>(ports_); });
    }
    inicio_ = std::make_unique<Inicio>(form_, dialogs_, *channels_, ports_, options_.timing);
    QObject::connect(&form_, &FormState::printed,
                     [this](const QString& line) { diagnostics_ << line; });
}

Session::~Session() {
    // The handlers go before the channels they listen to.
    inicio_.reset();
    channels_.reset();
}

void Session::print(const QString& text) const {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void Session::printJson(const QJsonObject& object) const {
    print(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) +
          QLatin1Char('\n'));
}

int Session::connect(bool import) {
    inicio_->setImportOnFound(import);
    QEventLoop loop;
    int status = Done;
    const auto finish = [&](int s) {
        status = s;
        loop.quit();
    };
    QObject::connect(&inicio_->discovery(), &Discovery::finished, &loop,
                     [&](Discovery::Outcome outcome) {
                         if (outcome != Discovery::Outcome::Found) finish(NoLogger);
                         else if (!import) finish(Done);
                     });
    auto& importer = inicio_->import();
    QObject::connect(&importer, &config::ConfigImport::finished, &loop, [&] { finish(Done); });
    QObject::connect(&importer, &config::ConfigImport::failed, &loop,
                     [&](config::ConfigImport::Failure why) {
                         finish(why == config::ConfigImport::Failure::Counter ? ExchangeFailed
                                                                               : NoLogger);
                     });
    // The import has no time limit of its own: a logger that stops mid-record is given up
    // once no byte has arrived for the command line's stall time.
    QTimer stall;
    stall.setInterval(options_.timing.commandLineStall);
    std::int32_t lastCount = -1;
    QObject::connect(&stall, &QTimer::timeout, &loop, [&] {
        if (importer.state() != config::ConfigImport::State::Receiving) return;
        if (form_.exchangeCounter == lastCount) {
            dialogs_.message(QStringLiteral("vernoll-cli: el registrador dej\u00f3 de responder"));
            finish(ExchangeFailed);
        }
        lastCount = form_.exchangeCounter;
    });
    stall.start();
    QTimer::singleShot(0, &loop, [this] { inicio_->startUp(); });
    loop.exec();
    return status;
}

int Session::probe() {
    const int status = connect(false);
    if (status != Done) return status;
    const QString text = inicio_->discovery().connectionText(form_.portNumber);
    if (options_.json) {
        printJson({{QStringLiteral("port"), ports_.location(form_.portNumber)}});
    } else {
        print(text + QLatin1Char('\n'));
    }
    return Done;
}

QJsonObject Session::configJson() const {
    QString serial;
    for (std::uint8_t c : form_.ser) serial += QChar(char16_t(c));
    QString header = form_.data1;
    if (header.endsWith(QStringLiteral("\r\n"))) header.chop(2);
    const auto text = [this](const char* name) { return form_.control(name).text; };
    return {
        {QStringLiteral("port"), ports_.location(form_.portNumber)},
        {QStringLiteral("serial"), serial},
        {QStringLiteral("nserie"), double(form_.Nserie)},
        {QStringLiteral("device"), text(ctl::Label14)},
        {QStringLiteral("user"), text(ctl::Text2)},
        {QStringLiteral("location"), text(ctl::Text3)},
        {QStringLiteral("latitude"), text(ctl::Text4)},
        {QStringLiteral("longitude"), text(ctl::Text5)},
        {QStringLiteral("altitude"), text(ctl::Text7)},
        {QStringLiteral("interval_code"), int(form_.CONF_MUE)},
        {QStringLiteral("interval_minutes"), form_.intervalMinutes},
        {QStringLiteral("date"), text(ctl::fecha1)},
        {QStringLiteral("time"), text(ctl::MaskEdBox2)},
        {QStringLiteral("column_header"), header},
        {QStringLiteral("memo"), int(form_.memo)},
        {QStringLiteral("sms"), form_.control(ctl::Command6).enabled},
        {QStringLiteral("diagnostics"), QJsonArray::fromStringList(diagnostics_)},
    };
}

int Session::config() {
    const int status = connect(true);
    if (status != Done) return status;
    if (options_.json) printJson(configJson());
    else print(form_.summary);
    return Done;
}

}  // namespace vernoll::cli
