#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "link/operation_error.h"
#include "memory/report.h"
#include "station/download_archiving.h"
#include "station/erase_guard.h"

class QThread;

namespace vernoll {
class LoggerSession;
}

namespace vernoll::station {

// How a download job ended, and what it kept.
struct DownloadResult {
    enum class Outcome { Completed, NoAnswer, Failed, Cancelled };
    Outcome outcome = Outcome::Failed;
    std::optional<OperationError> error;  // nothing when it completed
    int blocks = 0;                       // blocks in the memory image
    int of = 0;                           // blocks of a whole download
    // The base-file copy: whole after a completed download, partial (its name ends in
    // "_parcial") after one that ended early with blocks; empty when there was nothing to keep
    // or it could not be written (copyFailed).
    QString copyPath;
    bool copyFailed = false;
    // What the archive did with a completed download; nothing without an archive.
    std::optional<Archived> archived;
    // The memory image decoded once into readings (a completed download): the archive stored
    // these, and the chart draws them.
    std::shared_ptr<const memory::ImageReadings> readings;
};

// What the window says of a job's ending, and the command line on stderr: the success message
// with where the copy and the readings went, the error with the partial copy, the cancel (only
// when blocks had arrived). Empty when there is nothing to say.
QString endingMessage(const DownloadResult& result);

// One download, whole: the memory download on the session's line, the base-file copy of what
// arrived (before anything else can go wrong with it), the image decoded once into readings,
// and those readings kept in the station archive on a thread of its own with its own
// connection (the window stays responsive while a server is slow to answer). The window's and
// the command line's presenters run it and show its result; the decoding run's CSV and the
// chart follow in the window.
class DownloadJob : public QObject {
    Q_OBJECT
public:
    explicit DownloadJob(LoggerSession& session, QObject* parent = nullptr);
    // Waits for the archive's thread, if it still runs.
    ~DownloadJob() override;

    // Where the copies go (default: the user's application data folder, "descargas").
    void setBackupFolder(const QString& folder) { backupFolder_ = folder; }
    // Every completed download is kept in the archive at `location` (a file path or a
    // postgresql:// URL), which waits for a busy file or a server as `options` say; until this
    // is called, none is.
    void setArchiveLocation(const QString& location,
                            const archive::Archive::Options& options = {}) {
        archiveLocation_ = location;
        archiveOptions_ = options;
    }
    const std::optional<QString>& archiveLocation() const { return archiveLocation_; }
    // What keeps a completed download in the archive (none set: archiveDownload at the
    // location, with its options). It runs on the job's thread: it may use nothing but what it
    // is given.
    using Archiver = std::function<Archived(const QString& location, const DownloadFacts& facts)>;
    void setArchiver(Archiver archiver) { archiver_ = std::move(archiver); }
    // The PC's clock, for the copy's name and the archive (tests fix it).
    void setClock(std::function<QDateTime()> now) { now_ = std::move(now); }

    // Downloads `frames` receive events' worth (the handshake and the blocks) of the memory of
    // the logger numbered `nserie` (how its records decode). False, starting nothing, while a
    // download runs, the last one is still being archived, or another operation holds the line.
    bool start(int frames, float nserie);
    // Stops the download under way; the blocks received are kept as a partial copy.
    void cancel();
    // True while a completed download is being kept in the archive.
    bool archiving() const { return worker_ != nullptr; }
    // True from a start until its ending was given (the download, its copy, its archiving).
    bool busy() const { return running_ || archiving(); }

    // The copy of the last download (see DownloadResult::copyPath).
    const QString& backupPath() const { return backupPath_; }
    // The last result; nothing before a download ended.
    const std::optional<DownloadResult>& last() const { return last_; }

    // Whether sending a configuration now could erase readings the archive does not hold: the
    // guard the window's question and the command line's warning both ask.
    EraseRisk eraseRisk() const;

signals:
    // The job ended, once per start: completed (after the archive), or not.
    void finished(const vernoll::station::DownloadResult& result);

private:
    void completed();
    void failed(const OperationError& error);
    // Writes the image's first `rows` rows as a base file; the path, empty when it could not.
    QString keepCopy(int rows, bool partial);
    void end(DownloadResult result);

    LoggerSession& session_;
    QString backupFolder_;
    std::optional<QString> archiveLocation_;
    archive::Archive::Options archiveOptions_;
    Archiver archiver_;
    std::function<QDateTime()> now_ = [] { return QDateTime::currentDateTime(); };
    float nserie_ = 0.0F;
    int frames_ = 0;
    bool running_ = false;
    std::unique_ptr<QThread> worker_;
    QString backupPath_;
    std::optional<DownloadResult> last_;
};

}  // namespace vernoll::station

Q_DECLARE_METATYPE(vernoll::station::DownloadResult)
