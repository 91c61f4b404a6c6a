#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

#include "form/dialogs.h"
#include "form/form_state.h"
#include "link/channel_set.h"
#include "link/exchange_opening.h"
#include "link/timing.h"
#include "memory/memory_image.h"

class QThread;

namespace vernoll::memory {

// "Importar datos desde equipo y exportar a excell (csv)": copies the logger's whole memory
// into the memory image on MSComm4.
//
// After the common opening the logger and the program trade a handshake, then the logger
// sends its memory in 64-byte blocks, each one asked for:
//   logger 0x55 -> program 0xAA -> logger 0xAA -> program 0x55 -> block 0 -> 0x55 -> block 1 ...
// A complete download is `memo` receive events: the two handshake bytes and memo - 2 blocks.
// A logger that goes quiet for the stall limit after it answered ends the download as a
// communication error does. A download that ends before its last block (an error, a hang-up,
// a stall, Cancel) keeps the blocks it received as a partial base-file copy.
class Download : public QObject {
    Q_OBJECT
public:
    enum class State {
        Idle,       // no download under way (also after an abort, a cancel or the completion)
        Opening,    // wake-up, pause, attention byte, wait for the logger's 0x55
        Handshake,  // the logger answered; its 0xAA is awaited
        Blocks,     // one receive event per 64-byte block
    };
    enum class Outcome { Completed, NoAnswer, Failed, Cancelled };
    Q_ENUM(Outcome)

    Download(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
             ExchangeOpening& opening, MemoryImage& image, Timing timing,
             QObject* parent = nullptr);
    // Waits for the archive's thread, if it still runs.
    ~Download() override;

    // Downloads the logger's whole memory.
    void start();
    // Cancel on the progress window.
    void cancel();
    State state() const { return state_; }
    // Blocks stored by the current (or last) download.
    int blocks() const { return form_.conti; }

    // Runs when a download completed, after its success message: the decoding run.
    void setOnComplete(std::function<void()> run) { onComplete_ = std::move(run); }

    // What keeping a completed download in the station archive said: the line its success
    // message adds, whether the archive could not be updated, and what the caller keeps of it
    // (run on this object's thread before the message).
    struct ArchiveNote {
        QString line;
        bool failed = false;
        std::function<void()> keep;
    };
    // Keeps a completed download in the archive. Runs on a thread of its own, so the window
    // repaints and its Cancel works while a server is slow to answer: it must use nothing but
    // what it captured.
    using ArchiveJob = std::function<ArchiveNote()>;
    // Runs when a download completed, once its copy is written (it gets the copy's path, empty
    // when the copy could not be written): makes the job that keeps it in the archive. The
    // success message waits for the job.
    void setArchiver(std::function<ArchiveJob(const QString& copyPath)> archive) {
        archiver_ = std::move(archive);
    }
    // True while a completed download is being kept in the archive: no other download starts.
    bool archiving() const { return worker_ != nullptr; }
    // Whether the last completed download could not be kept in the archive.
    bool archiveFailed() const { return archiveFailed_; }

    // Where a download's rows are kept as a base file before anything else happens to them
    // (default: the user's application data folder, "descargas").
    void setBackupFolder(const QString& folder) { backupFolder_ = folder; }
    // The copy of the last download: whole after a completed one, partial (its name ends in
    // "_parcial") after one that ended early; empty when there was nothing to keep or it could
    // not be written.
    const QString& backupPath() const { return backupPath_; }
    // The PC's clock, for the copy's name (tests fix it).
    void setClock(std::function<QDateTime()> now) { now_ = std::move(now); }

signals:
    void finished(vernoll::memory::Download::Outcome outcome);

private:
    void onComm(int code);
    void takeBlock(Channel& ch);
    void abort(const QString& text);
    void stalled();
    // Idle, and the line given back.
    void becomeIdle();
    void complete();
    // The completion once the archive is done: the success message, the decoding run, the
    // buttons given back.
    void completed(const QString& copy, const ArchiveNote& archived);
    void tick();
    QString keepCopy(bool partial);
    // What the message of a download that ended early adds about the blocks it received.
    QString partialCopyNote();

    FormState& form_;
    Dialogs& dialogs_;
    const ChannelSet& channels_;
    ExchangeOpening& opening_;
    MemoryImage& image_;
    Timing timing_;
    State state_ = State::Idle;
    QTimer timer4_;
    QTimer stall_;           // the logger answered and then went quiet
    QElapsedTimer started_;  // monotonic: the elapsed time is right across midnight
    std::function<void()> onComplete_;
    std::function<ArchiveJob(const QString&)> archiver_;
    std::unique_ptr<QThread> worker_;  // keeping the last completed download in the archive
    bool archiveFailed_ = false;
    QString backupFolder_;
    QString backupPath_;
    std::function<QDateTime()> now_ = [] { return QDateTime::currentDateTime(); };
};

}  // namespace vernoll::memory
