#pragma once

#include <QHash>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "form/controls.h"
#include "form/dialogs.h"
#include "form/form_state.h"
#include "link/channel_set.h"
#include "link/discovery.h"
#include "link/port_list.h"
#include "link/timing.h"
#include "station/download_archiving.h"
#include "station/download_job.h"
#include "station/logbook.h"

namespace vernoll {

class ConfigPresenter;
class DownloadPresenter;
class LivePresenter;
class LoggerSession;
class SerialPresenter;
class SmsPresenter;
namespace memory {
class MemoryImage;
class Decoder;
class Download;
}  // namespace memory
namespace files {
class BaseFile;
class DecodingRun;
class EventsExport;
}  // namespace files
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

// The window's presenter without the widgets: start-up, the clicks, the timers, and how the
// logger session's results show on the form state. The window drives the program through this
// object; the presenters of each subsystem (config_presenter.h, ...) are its parts.
class Inicio : public QObject {
    Q_OBJECT
public:
    Inicio(FormState& form, Dialogs& dialogs, const ChannelSet& channels, const PortList& ports,
           Timing timing, QObject* parent = nullptr);
    ~Inicio() override;

    // Start-up after the regional check: timers off, splash shown, controls in their initial
    // state, then port discovery. Returns at once; startUpFinished() follows discovery's end.
    void startUp();

    // The user's events on the main window's controls, by control name. Each operation
    // registers the handlers of the controls it owns.
    using Handler = std::function<void()>;
    using KeyHandler = std::function<bool(int key)>;  // false: the key is discarded
    void onClick(const QString& name, Handler handler) { clicks_.insert(name, std::move(handler)); }
    void onEdit(const QString& name, Handler handler) { edits_.insert(name, std::move(handler)); }
    void onKey(const QString& name, KeyHandler handler) { keys_.insert(name, std::move(handler)); }
    // A click on a button, option button or check box (after its checked state changed).
    void click(const QString& name);
    // The user changed the text of a box (FormState already holds the new text).
    void edited(const QString& name);
    // A key typed into a box, before it reaches the box; false discards it.
    bool key(const QString& name, int key);

    // Closing the window while a download or the live display runs: the user is asked first.
    // On Yes the download is cancelled as Cancel does (its partial copy kept and said) or the
    // display stopped, and `close` runs once that has ended; on No nothing changes. While
    // nothing runs, `close` runs at once.
    static constexpr char kDownloadUnderWay[] =
        "Hay una descarga en curso. \u00bfDesea cancelarla y salir?";
    static constexpr char kLiveUnderWay[] =
        "Se est\u00e1n mostrando los datos en linea. \u00bfDesea detenerlos y salir?";
    void closeWindow(std::function<void()> close);

    void importConfiguration() { click(QLatin1String(ctl::kImportConfig)); }
    void reconnect() { click(QLatin1String(ctl::kReconnect)); }
    void openCoefficients() { click(QLatin1String(ctl::kCoefficients)); }

    // Whether a discovery that found the logger goes on to read its configuration (the
    // window always does; the command line's probe does not).
    void setImportOnFound(bool on) { importOnFound_ = on; }

    // Every completed download is kept in the station archive at `location` (a file path or a
    // postgresql:// URL), which waits for a busy file or a server as `options` say; until this
    // is called, none is.
    void setArchiveLocation(const QString& location, const archive::Archive::Options& options = {});
    // The archive's location as set; nothing while none was.
    const std::optional<QString>& archiveLocation() const;
    // What archiving the last completed download did; nothing before one was archived.
    std::optional<station::Archived> lastArchived() const;

    FormState& form() { return form_; }
    Dialogs& dialogs() { return dialogs_; }
    LoggerSession& session() { return *session_; }
    ConfigPresenter& configPresenter() { return *configPresenter_; }
    SmsPresenter& smsPresenter() { return *smsPresenter_; }
    SerialPresenter& serialPresenter() { return *serialPresenter_; }
    memory::MemoryImage& image();
    memory::Download& download();
    station::DownloadJob& downloadJob() { return *downloadJob_; }
    DownloadPresenter& downloadPresenter() { return *downloadPresenter_; }
    station::Logbook& logbook() { return *logbook_; }
    files::DecodingRun& decodingRun() { return *decodingRun_; }
    files::BaseFile& baseFile() { return *baseFile_; }
    files::EventsExport& eventsExport() { return *eventsExport_; }
    Discovery& discovery();
    config::ConfigImport& import();
    config::ConfigSend& configSend();
    sms::SmsRead& smsRead();
    sms::SmsWrite& smsWrite();
    serial_number::SerialWrite& serialWrite();
    live::LiveDisplay& live();
    const PortList& ports() const { return ports_; }

signals:
    // Discovery of start-up has reached its outcome (the window is shown now).
    void startUpFinished();
    // A discovery ended (Declined: the user said no to its question).
    void discovered(vernoll::Discovery::Outcome outcome);

private:
    // The question, then a discovery.
    void discover();
    void discoveryEnded(const Discovery::Result& result);
    void tickClock();
    // The buttons that need the line are disabled while an operation holds it, and those
    // were enabled are enabled again when it is given back.
    void lineChanged(const QString& holder);
    // Before a configuration send, which erases the logger's memory: false when the send is
    // not to go on (the user cancelled, or chose to download first).
    bool eraseGuardPasses();
    // The guard's Yes: the download, then the send.
    void downloadBeforeSend();

    FormState& form_;
    Dialogs& dialogs_;
    const ChannelSet& channels_;
    const PortList& ports_;
    Timing timing_;
    std::unique_ptr<LoggerSession> session_;
    std::unique_ptr<ConfigPresenter> configPresenter_;
    std::unique_ptr<SmsPresenter> smsPresenter_;
    std::unique_ptr<SerialPresenter> serialPresenter_;
    std::unique_ptr<LivePresenter> livePresenter_;
    std::unique_ptr<memory::Decoder> decoder_;
    std::unique_ptr<station::DownloadJob> downloadJob_;
    std::unique_ptr<DownloadPresenter> downloadPresenter_;
    std::unique_ptr<station::Logbook> logbook_;
    std::unique_ptr<files::DecodingRun> decodingRun_;
    std::unique_ptr<files::BaseFile> baseFile_;
    std::unique_ptr<files::EventsExport> eventsExport_;
    bool keepingTheEdit_ = false;  // the erase guard's download before the send
    QTimer timer1_;
    QHash<QString, Handler> clicks_;
    QHash<QString, Handler> edits_;
    QHash<QString, KeyHandler> keys_;
    std::vector<const char*> heldBack_;  // the buttons lineChanged disabled
    bool startingUp_ = false;
    bool importOnFound_ = true;
};

}  // namespace vernoll
