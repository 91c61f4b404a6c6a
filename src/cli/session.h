#pragma once

#include <QCommandLineParser>
#include <QJsonValue>
#include <QList>
#include <QPair>
#include <QSet>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "cli/console_dialogs.h"
#include "front/line.h"
#include "link/channel_set.h"
#include "link/operation_error.h"
#include "link/port_list.h"
#include "link/timing.h"
#include "memory/decoder.h"
#include "session/logger_session.h"
#include "station/download_job.h"
#include "station/logbook.h"

namespace vernoll {
class Channel;
}  // namespace vernoll

namespace vernoll::cli {

// Exit statuses of the command line. PortHeld: the port is another program's or another
// command line's.
enum Status { Done = 0, NoLogger = 1, Usage = 2, ExchangeFailed = 3, FileError = 4, PortHeld = 5 };

struct GlobalOptions {
    QStringList ports;                // --port, in order
    std::optional<QString> simulate;  // --simulate SERIAL
    std::optional<QString> trace;     // --trace FILE
    QString archive;                  // --archive; empty: $VERNOLL_ARCHIVE, else the default file
    bool json = false;
    bool yes = false;  // a command's --yes
    Timing timing = Timing::real();
};

// One run of a command: the channels on the chosen ports (or the built-in emulator), the
// logger session on them and the download job, whose results the commands show as text, JSON
// and statuses (the window's presenters show the same results on the window).
class Session {
public:
    // Results go to `out`, messages to `err` (files of the caller's that outlive the session).
    explicit Session(const GlobalOptions& options, std::FILE* out = stdout,
                     std::FILE* err = stderr);
    ~Session();

    // Port discovery, then (with `import`) the configuration import, as the window's
    // start-up does; Done when the logger answered (and its configuration was read): the
    // connection text and any error are said on stderr, as the window says them. The
    // ports are held for this command first: one that another command line holds is named
    // and left out, and PortHeld comes at once when that leaves none. The port found stays
    // held until the session ends.
    int connect(bool import);

    // Runs the event loop until `finish(status)` is called by what `begin` starts. A stall
    // watchdog ends the run with ExchangeFailed when `progress()` has not changed for the
    // command line's stall time while `stalling()` says an exchange is under way. A port that
    // could not be opened is named with its reason; a run that failed with a port held by
    // another program ends with PortHeld.
    using Finish = std::function<void(int status)>;
    int run(const std::function<void(const Finish&)>& begin,
            const std::function<bool()>& stalling = {},
            const std::function<qint64()>& progress = {});

    void print(const QString& text) const;
    // One JSON object on a line, its keys in the order given (the order the command line's
    // contract lists them in).
    using JsonFields = QList<QPair<QString, QJsonValue>>;
    void printJson(const JsonFields& fields) const;
    // The same object's text without the line end, to nest in another: QJsonObject would
    // sort the keys.
    static QByteArray jsonText(const JsonFields& fields);
    // A message of the command line's own (not a message of the program's windows).
    void complain(const QString& text) const;
    // True when the command was given no positional argument; otherwise says which one was
    // unexpected.
    bool noPositional(const QCommandLineParser& parser) const;

    const GlobalOptions& options() const { return options_; }
    // Where the session's messages go (stderr, unless it was given another file).
    std::FILE* err() const { return err_; }
    void setYes(bool yes) { dialogs_.setYes(yes); }
    LoggerSession& logger() { return *logger_; }
    station::DownloadJob& job() { return *job_; }
    station::Logbook& logbook() { return *logbook_; }
    // The decoder of the decoding runs (its state carries from one run to the next).
    memory::Decoder& decoder() { return decoder_; }
    ConsoleDialogs& dialogs() { return dialogs_; }
    // An operation's error, said as the window's message says it.
    void show(const OperationError& error) { dialogs_.message(error.message()); }

    // What the window derives from the logger's serial number (or from --serial without a
    // logger): the number the decoder takes, the frames of a whole download, the device's
    // name, the column header line (CR LF ended, empty when no family claims the number).
    float nserie() const;
    int frames() const;
    QString device() const;
    QString columnHeader() const;
    // The configuration summary of the import, as the exports write it; empty before one.
    QString summary() const;
    // A decoding without a logger (decode, archive import): the logger numbered `serial`.
    void assumeSerial(std::uint32_t serial) { assumed_ = serial; }
    const PortList& ports() const { return line_.ports(); }
    const ChannelSet& channels() const { return line_.channels(); }
    sim::LoggerEmulator* emulator() { return line_.emulator(); }
    // Done, or FileError after saying why the --trace file cannot be written.
    int traceStatus() const;
    // Lines printed on the window's surface since the session began.
    const QStringList& diagnostics() const { return diagnostics_; }

private:
    // A channel could not open its port: said once per port and reason.
    void portRefused(const Channel& channel);
    // Holds the ports for this command; false when it holds none of them.
    bool holdPorts();

    GlobalOptions options_;
    std::FILE* out_;
    std::FILE* err_;
    ConsoleDialogs dialogs_;
    front::Line line_;
    std::unique_ptr<LoggerSession> logger_;
    std::unique_ptr<station::DownloadJob> job_;
    std::unique_ptr<station::Logbook> logbook_;
    memory::Decoder decoder_;
    std::optional<std::uint32_t> assumed_;
    QStringList diagnostics_;
    QSet<QString> refusalsSaid_;
    bool heldInRun_ = false;  // a port was found held by another program in this run
};

}  // namespace vernoll::cli
