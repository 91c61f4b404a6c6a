#include "station/download_job.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include "memory/download.h"
#include "memory/file_io.h"
#include "session/logger_session.h"
#include "station/logbook.h"

namespace vernoll::station {

namespace {

const QString kSuccess = QStringLiteral("La descarga de datos se realiz\u00f3 con exito");

// What the message of a download that ended early adds about the blocks it received.
QString partialCopyNote(const DownloadResult& r) {
    if (r.blocks <= 0) return {};
    const QString blocks = memory::download_texts::ofBlocks(r.blocks, r.of);
    return r.copyFailed
               ? QStringLiteral("\r\n\r\nNo se pudo guardar una copia parcial de la memoria (") +
                     blocks + QLatin1Char(')')
               : QStringLiteral("\r\n\r\nCopia parcial de la memoria (") + blocks +
                     QStringLiteral(") en ") + r.copyPath;
}

}  // namespace

QString endingMessage(const DownloadResult& r) {
    using Outcome = DownloadResult::Outcome;
    switch (r.outcome) {
        case Outcome::Completed: {
            const QString archived = r.archived ? r.archived->line : QString();
            return kSuccess +
                   (r.copyFailed
                        ? QStringLiteral("\r\n\r\nNo se pudo guardar una copia de la memoria.")
                        : QStringLiteral("\r\n\r\nCopia de la memoria en ") + r.copyPath) +
                   (archived.isEmpty() ? QString() : QStringLiteral("\r\n") + archived);
        }
        case Outcome::NoAnswer:
            return r.error->message();
        case Outcome::Failed:
            return r.error->text + partialCopyNote(r);
        case Outcome::Cancelled:
            return r.blocks > 0 ? r.error->text + partialCopyNote(r) : QString();
    }
    return {};
}

DownloadJob::DownloadJob(LoggerSession& session, QObject* parent)
    : QObject(parent), session_(session) {
    memory::Download& download = session_.download();
    connect(&download, &memory::Download::finished, this, [this] {
        if (running_) completed();
    });
    connect(&download, &memory::Download::failed, this, [this](const OperationError& e) {
        if (running_) failed(e);
    });
}

DownloadJob::~DownloadJob() {
    if (worker_) worker_->wait();
}

bool DownloadJob::start(int frames, float nserie) {
    memory::Download& download = session_.download();
    if (running_ || archiving() || download.state() != memory::Download::State::Idle ||
        session_.channels().line().held())
        return false;
    running_ = true;
    frames_ = frames;
    nserie_ = nserie;
    download.start(frames);
    return true;
}

void DownloadJob::cancel() {
    session_.download().cancel();
}

QString DownloadJob::keepCopy(int rows, bool partial) {
    backupPath_.clear();
    QString folder = backupFolder_;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                 QStringLiteral("/descargas");
    if (!QDir().mkpath(folder)) return {};
    QString serial;
    for (QChar c : session_.serialNumber().digits())
        serial += c >= QLatin1Char('0') && c <= QLatin1Char('9') ? c : QChar(u'_');
    const QDir dir(folder);
    const auto* data = reinterpret_cast<const char*>(session_.image().data());
    const QByteArray bytes(data, qsizetype(rows) * memory::MemoryImage::kRowBytes);
    // A whole copy equal to the logger's last one is that one: 300 collects of a logger that
    // recorded nothing new keep one file, not 300.
    if (!partial) {
        const QStringList earlier =
            dir.entryList({serial + QStringLiteral("_????????_??????*.rgt")}, QDir::Files,
                          QDir::Name | QDir::Reversed);
        for (const QString& name : earlier) {
            if (name.contains(QLatin1String("_parcial"))) continue;
            QFile last(dir.filePath(name));
            if (last.size() == bytes.size() && last.open(QIODevice::ReadOnly) &&
                last.readAll() == bytes) {
                backupPath_ = last.fileName();
                return backupPath_;
            }
            break;
        }
    }
    // Never over another file: two loggers of one number, or two copies in one second, each
    // keep their own.
    const QString stem = serial + QLatin1Char('_') +
                         now_().toString(QStringLiteral("yyyyMMdd_HHmmss")) +
                         (partial ? QStringLiteral("_parcial") : QString());
    for (int n = 1; n < 1000; ++n) {
        const QString path = dir.filePath(
            stem + (n == 1 ? QString() : QStringLiteral("_%1").arg(n)) + QStringLiteral(".rgt"));
        // Made only where no file is: another program's copy of the same second stays.
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo::exists(path)) continue;
            return {};
        }
        if (file.write(bytes) != bytes.size() || !file.flush()) {
            file.close();
            file.remove();  // no half copy
            return {};
        }
        backupPath_ = path;
        return path;
    }
    return {};
}

void DownloadJob::failed(const OperationError& error) {
    const memory::Download& download = session_.download();
    DownloadResult r;
    r.outcome = error.fault == Fault::NoAnswer    ? DownloadResult::Outcome::NoAnswer
                : error.fault == Fault::Cancelled ? DownloadResult::Outcome::Cancelled
                                                  : DownloadResult::Outcome::Failed;
    r.error = error;
    r.blocks = download.blocks();
    r.of = download.of();
    // The port went away: where, and how far the download had come, as a stall says.
    if (error.fault == Fault::HangUp)
        r.error->text +=
            QStringLiteral("\r\n") +
            memory::download_texts::lineLost(session_.ports().label(error.port), r.blocks, r.of);
    // What arrived can still be opened and decoded as a base file.
    backupPath_.clear();
    if (r.blocks > 0) {
        r.copyPath = keepCopy(r.blocks, true);
        r.copyFailed = r.copyPath.isEmpty();
    }
    end(std::move(r));
}

void DownloadJob::completed() {
    const memory::Download& download = session_.download();
    DownloadResult r;
    r.outcome = DownloadResult::Outcome::Completed;
    r.blocks = download.blocks();
    r.of = download.of();
    // A completed download is kept before anything can go wrong with its decoding or saving.
    r.copyPath = keepCopy(r.blocks, false);
    r.copyFailed = r.copyPath.isEmpty();

    // The job's thread gets a copy of everything it reads.
    auto image = std::make_shared<const memory::MemoryImage>(session_.image());
    DownloadFacts facts;
    facts.memo = frames_;
    facts.nserie = nserie_;
    facts.configuration = session_.configuration();
    facts.port = session_.portLocation();
    facts.blocks = r.blocks;
    facts.copyPath = r.copyPath;
    facts.when = now_();
    facts.user = systemUser();
    const std::optional<QString> location = archiveLocation_;
    const archive::Archive::Options options = archiveOptions_;
    const Archiver archiver =
        archiver_ ? archiver_ : [options](const QString& at, const DownloadFacts& given) {
            return archiveDownload(at, given, options);
        };
    worker_.reset(QThread::create([this, image, facts, location, archiver, r]() mutable {
        // Decoded once: the archive stores these readings and the chart draws them.
        auto readings = std::make_shared<const memory::ImageReadings>(memory::readingsOfImage(
            *image, facts.memo, facts.nserie, serialOf(facts.configuration, facts.nserie)));
        r.readings = readings;
        if (location) {
            facts.readings = readings;
            r.archived = archiver(*location, facts);
        }
        QMetaObject::invokeMethod(
            this,
            [this, r = std::move(r)]() mutable {
                worker_->wait();
                worker_.reset();
                end(std::move(r));
            },
            Qt::QueuedConnection);
    }));
    worker_->start();
}

void DownloadJob::end(DownloadResult result) {
    running_ = false;
    last_ = result;
    emit finished(result);
}

EraseRisk DownloadJob::eraseRisk() const {
    if (!archiveLocation_) return EraseRisk{false, {}};
    return station::eraseRisk(*archiveLocation_,
                              session_.configuration().value_or(config::Configuration{}),
                              QDateTime::currentDateTime());
}

}  // namespace vernoll::station
