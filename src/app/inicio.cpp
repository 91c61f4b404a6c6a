#include "app/inicio.h"

#include <algorithm>

#include "app/config_presenter.h"
#include "app/download_presenter.h"
#include "app/live_presenter.h"
#include "app/serial_presenter.h"
#include "app/sms_presenter.h"
#include "config/clock.h"
#include "config/config_import.h"
#include "files/base_file.h"
#include "files/decoding_run.h"
#include "files/events_export.h"
#include "form/controls.h"
#include "link/discovery.h"
#include "link/exchange_opening.h"
#include "link/line_owner.h"
#include "link/texts.h"
#include "live/live_display.h"
#include "memory/decoder.h"
#include "memory/download.h"
#include "memory/memory_image.h"
#include "session/logger_session.h"
#include "station/erase_guard.h"

namespace vernoll {

Inicio::Inicio(FormState& form, Dialogs& dialogs, const ChannelSet& channels, const PortList& ports,
               Timing timing, QObject* parent)
    : QObject(parent),
      form_(form),
      dialogs_(dialogs),
      channels_(channels),
      ports_(ports),
      timing_(timing),
      session_(std::make_unique<LoggerSession>(channels, ports, timing)),
      configPresenter_(std::make_unique<ConfigPresenter>(form, dialogs, *session_)),
      smsPresenter_(std::make_unique<SmsPresenter>(form, dialogs, *session_)),
      serialPresenter_(std::make_unique<SerialPresenter>(form, dialogs, *session_)),
      livePresenter_(std::make_unique<LivePresenter>(form, dialogs, *session_)),
      decoder_(std::make_unique<memory::Decoder>()),
      downloadJob_(std::make_unique<station::DownloadJob>(*session_)),
      downloadPresenter_(
          std::make_unique<DownloadPresenter>(form, dialogs, *session_, *downloadJob_)),
      logbook_(std::make_unique<station::Logbook>(*session_)),
      decodingRun_(
          std::make_unique<files::DecodingRun>(form, dialogs, session_->image(), *decoder_)),
      baseFile_(std::make_unique<files::BaseFile>(form, dialogs, session_->image())),
      eventsExport_(
          std::make_unique<files::EventsExport>(form, dialogs, session_->image(), *decoder_)) {
    timer1_.setInterval(timing_.clockTick);
    connect(&timer1_, &QTimer::timeout, this, &Inicio::tickClock);
    connect(&form_, &FormState::timersChanged, this, [this] {
        if (form_.timer1Enabled() && !timer1_.isActive()) timer1_.start();
        if (!form_.timer1Enabled()) timer1_.stop();
    });
    connect(&discovery(), &Discovery::finished, this, &Inicio::discoveryEnded);
    connect(this, &Inicio::discovered, this, [this](Discovery::Outcome outcome) {
        const bool first = startingUp_;
        startingUp_ = false;
        if (first) emit startUpFinished();
        // A logger that answered the probe is read at once, as a click would.
        if (outcome == Discovery::Outcome::Found && importOnFound_) importConfiguration();
    });

    connect(&channels_.line(), &LineOwner::changed, this, &Inicio::lineChanged);
    // The station's log that could not be written is said; the operation went on.
    connect(logbook_.get(), &station::Logbook::notKept, this, [this](const QString& why) {
        dialogs_.message(QString::fromUtf8(station::kLogNotKept) + why, Dialogs::Icon::Warning);
    });
    // The logger program's diagnostics are printed on the window's background.
    connect(&channels_.line(), &LineOwner::diagnosed, &form_, &FormState::print);

    ConfigPresenter& config = *configPresenter_;
    onClick(ctl::kImportConfig, [&config] { config.importConfiguration(); });
    onClick(ctl::kEditConfig, [&config] { config.edit(); });
    onClick(ctl::kSendConfig, [this, &config] {
        // An impossible date is said before the erase questions, which it would make idle.
        if (config.dateReady() && eraseGuardPasses()) config.send();
    });
    for (int i = 0; i < 6; ++i)
        onClick(ctl::kIntervalOptions[i], [&config, i] { config.chooseInterval(i); });
    onClick(ctl::kPcClock, [&config] { config.takePcClock(); });
    onEdit(ctl::kTime, [&config] { config.timeEdited(); });
    SmsPresenter& sms = *smsPresenter_;
    onClick(ctl::kReadSms, [&sms] { sms.read(); });
    onClick(ctl::kWriteSms, [&sms] { sms.write(); });
    for (int i = 0; i < 5; ++i)
        onClick(ctl::kSendIntervalOptions[i], [&sms, i] { sms.chooseInterval(i); });
    SerialPresenter& serial = *serialPresenter_;
    onKey(ctl::kSerialEntry, [&serial](int key) { return serial.key(key); });
    onEdit(ctl::kSerialEntry, [&serial] { serial.edited(); });
    onClick(ctl::kLive, [this] { livePresenter_->toggle(); });
    onClick(ctl::kReconnect, [this] {
        form_.setEnabled(ctl::kReconnect, false);
        discover();
    });
    // "Coeficientes" bears the coefficients window's name but does nothing.
    onClick(ctl::kCoefficients, [] {});
    // A completed download is decoded and saved at once.
    downloadPresenter_->setOnComplete([this](const QString& copy) {
        decodingRun_->setBackupPath(copy);
        decodingRun_->run();
    });
    onClick(ctl::kDownload, [this] {
        // The guard's download keeps the edit its send is waiting for.
        if (!keepingTheEdit_) configPresenter_->endEdit();
        downloadPresenter_->download();
    });
    onClick(ctl::progress::kCancel, [this] { downloadPresenter_->cancel(); });
    onClick(ctl::kOpenBaseFile, [this] { baseFile_->open(); });
    onClick(ctl::kExportEvents, [this] { eventsExport_->start(); });
}

namespace {

bool needsTheLine(const QString& name) {
    return std::any_of(ctl::groups::kNeedTheLine.begin(), ctl::groups::kNeedTheLine.end(),
                       [&](const char* button) { return name == QLatin1String(button); });
}

}  // namespace

void Inicio::lineChanged(const QString& holder) {
    if (holder.isEmpty()) {
        for (const char* name : heldBack_) form_.setEnabled(name, true);
        heldBack_.clear();
        return;
    }
    for (const char* name : ctl::groups::kNeedTheLine) {
        // "PARAR" stops the live display and sends nothing.
        if (holder == QLatin1String(line::kLive) && name == ctl::kLive) continue;
        if (!form_.control(name).enabled) continue;
        heldBack_.push_back(name);
        form_.setEnabled(name, false);
    }
}

void Inicio::click(const QString& name) {
    // While a wake-up pause, an attention wait, a discovery, a download or the live display
    // holds the line, the buttons that would start another exchange do nothing (the window
    // shows them disabled, the command line clicks all the same): two openings cannot share
    // MSComm1, and an SMS button would otherwise take the port from under them.
    // "PARAR" stops the live display and sends nothing: it is always heard.
    const bool stopsTheLiveDisplay = name == QLatin1String(ctl::kLive) && form_.linea == -1;
    if (channels_.line().held() && needsTheLine(name) && !stopsTheLiveDisplay) return;
    // A refusal before this click belongs to an earlier message.
    channels_.exchange().refusal.clear();
    if (const auto it = clicks_.constFind(name); it != clicks_.cend()) (*it)();
}

void Inicio::edited(const QString& name) {
    if (const auto it = edits_.constFind(name); it != edits_.cend()) (*it)();
}

bool Inicio::key(const QString& name, int key) {
    // Enter in the serial-number box starts the serial-number write: not while the line is busy.
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (enter && channels_.line().held() && name == QLatin1String(ctl::kSerialEntry)) return false;
    if (const auto it = keys_.constFind(name); it != keys_.cend()) return (*it)(key);
    return true;
}

void Inicio::closeWindow(std::function<void()> close) {
    // What runs is asked again after each question: it may have ended while the user read it.
    if (downloadJob_->busy()) {
        if (!dialogs_.askYesNo(QString::fromUtf8(kDownloadUnderWay))) return;
    }
    if (downloadJob_->busy()) {
        // The window closes once the cancelled download's copy was kept and said.
        auto once = std::make_shared<QMetaObject::Connection>();
        *once = connect(downloadPresenter_.get(), &DownloadPresenter::shown, this,
                        [once, close = std::move(close)] {
                            QObject::disconnect(*once);
                            close();
                        });
        downloadPresenter_->cancel();
        return;
    }
    if (form_.linea == -1) {
        if (!dialogs_.askYesNo(QString::fromUtf8(kLiveUnderWay))) return;
        if (form_.linea == -1) livePresenter_->toggle();
    }
    close();
}

Inicio::~Inicio() = default;

bool Inicio::eraseGuardPasses() {
    if (!archiveLocation()) return true;
    const station::EraseRisk risk = downloadJob_->eraseRisk();
    if (!risk.readingsAtRisk) return true;
    QString question = QString::fromUtf8(station::kUndownloadedQuestion);
    if (!risk.archiveError.isEmpty()) question += QStringLiteral("\r\n") + risk.archiveError;
    switch (dialogs_.askYesNoCancel(question, Dialogs::Icon::Warning)) {
        case Dialogs::Answer::Yes:
            downloadBeforeSend();
            return false;
        case Dialogs::Answer::No:
            return true;
        case Dialogs::Answer::Cancel:
            break;
    }
    return false;
}

void Inicio::downloadBeforeSend() {
    // The edit stays open through the download; once the readings are kept, the send follows
    // with the user's changes, its own question first and no second warning.
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = connect(downloadPresenter_.get(), &DownloadPresenter::shown, this,
                    [this, once](const station::DownloadResult& result) {
                        disconnect(*once);
                        if (result.outcome != station::DownloadResult::Outcome::Completed) return;
                        if (!configPresenter_->editing()) return;  // the edit was closed
                        configPresenter_->send();
                    });
    keepingTheEdit_ = true;
    click(QLatin1String(ctl::kDownload));
    keepingTheEdit_ = false;
    if (download().state() == memory::Download::State::Idle) disconnect(*once);
}

void Inicio::setArchiveLocation(const QString& location, const archive::Archive::Options& options) {
    downloadJob_->setArchiveLocation(location, options);
    logbook_->setArchiveLocation(location, options);
}

const std::optional<QString>& Inicio::archiveLocation() const {
    return downloadJob_->archiveLocation();
}

std::optional<station::Archived> Inicio::lastArchived() const {
    const auto& last = downloadJob_->last();
    return last ? last->archived : std::nullopt;
}

memory::MemoryImage& Inicio::image() {
    return session_->image();
}

memory::Download& Inicio::download() {
    return session_->download();
}

void Inicio::startUp() {
    form_.setTimer4Enabled(false);
    form_.setSplashShown(true);
    form_.setTimer1Enabled(false);
    form_.setVisible(ctl::kPcClock, false);
    form_.setVisible(ctl::kPcClockCaption, false);
    for (const char* box : ctl::kStationTexts) form_.setLocked(box, true);
    form_.setEnabled(ctl::kSendConfig, false);
    form_.setEnabled(ctl::kEditConfig, false);
    form_.memo = 1026;
    form_.progressMax = 1026;
    form_.liveSamples = 0;
    startingUp_ = true;
    discover();
}

void Inicio::discover() {
    if (!discovery().canStart()) return;
    // Asking says nothing answered since, whatever the answer.
    channels_.exchange().answered = false;
    if (!dialogs_.confirm(QString::fromLatin1(texts::kConnectQuestion))) {
        form_.setText(ctl::kReconnect, QString::fromLatin1(texts::kConnectCaption));
        // Offered again: the user may change their mind.
        form_.setEnabled(ctl::kReconnect, true);
        emit discovered(Discovery::Outcome::Declined);
        return;
    }
    discovery().start();
}

void Inicio::discoveryEnded(const Discovery::Result& result) {
    if (result.outcome == Discovery::Outcome::Found) {
        form_.clearSurface();
        const QString text = discovery().connectionText(result.port);
        dialogs_.message(text);
        form_.setEnabled(ctl::kReconnect, false);
        form_.setText(ctl::kReconnect, text);
    } else {
        dialogs_.message(Discovery::notFoundText(result.refused), Dialogs::Icon::Critical);
        form_.setEnabled(ctl::kReconnect, true);
        form_.setText(ctl::kReconnect, QString::fromLatin1(texts::kConnectCaption));
        form_.setSplashShown(false);
        form_.clearSurface();
    }
    emit discovered(result.outcome);
}

Discovery& Inicio::discovery() {
    return session_->discovery();
}
config::ConfigImport& Inicio::import() {
    return session_->import();
}
config::ConfigSend& Inicio::configSend() {
    return session_->configSend();
}
sms::SmsRead& Inicio::smsRead() {
    return session_->smsRead();
}
sms::SmsWrite& Inicio::smsWrite() {
    return session_->smsWrite();
}
serial_number::SerialWrite& Inicio::serialWrite() {
    return session_->serialWrite();
}
live::LiveDisplay& Inicio::live() {
    return session_->live();
}

void Inicio::tickClock() {
    form_.loggerClock = form_.loggerClock.addSecs(1);
    form_.setText(ctl::kTime, config::timeText(form_.loggerClock));
}

}  // namespace vernoll
