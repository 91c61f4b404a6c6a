#pragma once

#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "archive/archive.h"

class QThread;

namespace vernoll {
class LoggerSession;
}

namespace vernoll::station {

// Said before the archive's reason when an entry of the log could not be kept.
inline constexpr char kLogNotKept[] =
    "La operaci\u00f3n se realiz\u00f3, pero no se pudo anotar en el registro de la "
    "estaci\u00f3n: ";

// The operating-system user, as the station's log names who did what.
QString systemUser();

// The station's log: every configuration send, serial-number write and SMS settings write that
// completes on the session's line is kept in the archive (downloads are kept by the download
// job's own row), with the PC time, the port and the operating-system user. The archive is
// written on a thread of its own, one entry after another; an archive that cannot be written
// does not stop anything: notKept() says why.
class Logbook : public QObject {
    Q_OBJECT
public:
    explicit Logbook(LoggerSession& session, QObject* parent = nullptr);
    // Waits for the entries still being kept.
    ~Logbook() override;

    // Entries are kept in the archive at `location`; until this is called, none is.
    void setArchiveLocation(const QString& location, const archive::Archive::Options& options = {});
    // Waits until every entry was kept or found not to be, their notKept() said.
    void flush();

signals:
    // An entry could not be kept: the archive's reason.
    void notKept(const QString& why);

private:
    struct Pending {
        std::uint32_t serial;
        archive::LogEntry entry;
    };
    void keep(std::uint32_t serial, archive::LogEntry entry);
    void next();

    LoggerSession& session_;
    std::optional<QString> location_;
    archive::Archive::Options options_;
    std::deque<Pending> queue_;
    std::unique_ptr<QThread> worker_;
    // What the operations under way found before they changed the logger.
    std::optional<QJsonObject> configBefore_;
    QString serialBefore_;
};

}  // namespace vernoll::station
