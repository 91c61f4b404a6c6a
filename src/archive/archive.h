#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class QSqlError;
class QSqlQuery;

#include "archive/foresight.h"
#include "archive/location.h"
#include "archive/schema.h"
#include "family/reading.h"

namespace vernoll::archive {

// The station texts a configuration import read, exactly as received (padding kept).
struct StationTexts {
    QString user, location, latitude, longitude, altitude;
};

// One download's readings, or one base file's, and what the archive keeps about where they
// came from.
struct Batch {
    std::uint32_t serial = 0;
    // The device name as the window shows it, and the logger family's column header line;
    // an empty text keeps what the archive already holds for this logger.
    QString device;
    QString columnHeader;
    // The texts of the configuration import before the download; nothing for a base file,
    // which keeps the texts of the last download.
    std::optional<StationTexts> texts;

    // The PC clock when the download ended: what "future" is measured against and the time
    // the station list shows as the last download. Invalid: the PC clock now.
    QDateTime when;
    // The port the logger answered on; empty for a base file imported from disk, which is
    // then no download of the logger's own.
    QString port;
    int blocks = 0;
    // The logger's clock and the PC clock when the configuration import read the logger's,
    // and the difference the import computed (logger minus PC, whole seconds).
    std::optional<QDateTime> loggerClock;
    std::optional<QDateTime> pcClock;
    std::optional<qint64> clockOffsetS;
    // The base file: the download's copy or the file imported, and its SHA-256 in hex
    // (fileSha256 computes it).
    QString baseFile;
    QString baseFileSha256;
    // Who made the download (the operating-system user), the sampling interval then and the
    // logger's memory capacity in records; nothing where unknown.
    QString user;
    std::optional<int> intervalMinutes;
    std::optional<qint64> memoryRecords;

    // Every reading must be this logger's. A time stamp that appears twice: the first is
    // stored, a later one with other values is a conflict.
    std::span<const Reading> readings;
};

// What storing a batch did.
struct StoreResult {
    qint64 readings = 0;    // in the batch
    qint64 added = 0;       // stored now
    qint64 duplicates = 0;  // already stored with the same values
    qint64 conflicts = 0;   // already stored with other values (the stored ones stay)
    qint64 future = 0;      // stamped later than `when` plus one day (stored all the same)
    // The batch's oldest reading, and its newest that is not future; nothing when there is
    // none.
    std::optional<QDateTime> first, last;
    qint64 downloadId = 0;  // the row that records the batch
};

// One logger as the station list shows it.
struct Station {
    std::uint32_t serial = 0;
    QString device;
    StationTexts texts;  // as the last import read them, padding kept
    QString columnHeader;
    qint64 readings = 0;
    // The oldest reading, and the newest that was not future when stored.
    std::optional<QDateTime> first, last;
    // The PC clock of the last download from the logger itself (base files imported do not
    // count), and the clock offset the import measured then.
    std::optional<QDateTime> lastDownload;
    std::optional<qint64> clockOffsetS;
    qint64 conflicts = 0;  // readings kept beside a stored one with other values
    // When its memory fills, how its clock drifts, how long since it was downloaded.
    Foresight foresight;

    // The serial number as the 8 digit characters the logger's texts show.
    QString serialText() const;
    // The user and location texts without their trailing blanks.
    QString user() const;
    QString location() const;
};

// One entry of a logger's log: a download from the logger, or a configuration send, a
// serial-number write or an SMS settings write made with this program.
struct LogEntry {
    QString kind;  // "download", "config_send", "serial_write", "sms_write"
    QDateTime at;  // PC time
    QString port;
    QString user;         // the operating-system user
    QJsonObject details;  // the kind's own particulars, as archive history gives them
};

// One logger's stored readings in a range, oldest first, and the columns its header names.
struct ReadingSet {
    std::vector<Column> columns;
    std::vector<Reading> readings;
};

// A reading that arrived with other values than the ones stored for its time stamp.
struct Conflict {
    QDateTime stamp;
    std::vector<std::optional<float>> stored, arrived;
    qint64 downloadId = 0;  // the batch that brought the other values

    friend bool operator==(const Conflict&, const Conflict&) = default;
};

// The station archive: every reading of every logger, kept once, keyed by the logger's serial
// number and the reading's time stamp; where the archive lives is a SQLite file or a
// PostgreSQL database (location.h).
//
// One object is one database connection, used on the thread that opened it; give each thread
// its own. Every operation either completes or changes nothing; a failure returns nothing
// (or false) and error() says what failed and why, in the user's words.
//
// A download or `collect`: open(location, Access::Update), then store() a Batch built from the
// decoded readings, the configuration import and the base-file copy; countsLine() is the line
// the user reads. `archive import`: the same with an empty port. `archive list`: stations().
// `archive export` and the charts: parseRangeEnd(), then exportCsv() or readings(). The erase
// guard before a configuration send: lastVisit(serial). The station's log: log(), history().
class Archive {
public:
    // What the caller means to do: the message of a failure says so, and only an update
    // creates a missing SQLite file (other than the default one). A read opens an existing
    // SQLite file read-only, so that it works on a file and in a folder it cannot write; an
    // archive of an older schema is migrated by a reader too when it may write the file, and
    // is otherwise refused with the reason (texts::kOlderSchema).
    enum class Access { Read, Update };

    struct Options {
        // How long a SQLite writer waits for another to finish before the archive counts as
        // locked.
        int busyTimeoutMs = 5000;
        // How long a PostgreSQL connection may take before the server counts as unreachable.
        int connectTimeoutS = 10;
    };

    Archive();
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    // Opens the archive at `location` (a file path or a postgresql:// URL; empty: the one
    // chosenLocation() names), creates the default file's folder, and brings the schema to
    // the current version. An explicit file path whose folder is missing is a failure.
    bool open(const QString& location, Access access, const Options& options);
    bool open(const QString& location, Access access) { return open(location, access, {}); }
    void close();
    bool isOpen() const;

    // The location as messages show it (no password); the schema version found or written.
    const QString& location() const { return display_; }
    int schemaVersion() const { return version_; }
    // The last failure's message: "No se pudo actualizar el archivo de lecturas <location>:
    // <reason>" or the same with "leer".
    const QString& error() const { return error_; }

    // Stores a batch in one transaction: a failure anywhere leaves the archive as it was.
    std::optional<StoreResult> store(const Batch& batch);

    // Every logger in the archive, by serial number; or only `serial` (empty when unknown).
    // Foresight's days since the last download count to `now`.
    std::optional<std::vector<Station>> stations(
        std::optional<std::uint32_t> serial = {},
        const QDateTime& now = QDateTime::currentDateTime());
    // Keeps an entry in the logger's log (not a download: its row is the store's own).
    bool log(std::uint32_t serial, const LogEntry& entry);
    // What is wrong with the archive: its integrity (SQLite's own check), and every station's
    // figures against its readings and conflicts. Empty when nothing is; nothing when the
    // check could not run.
    std::optional<QStringList> check();
    // The logger's log, oldest first: its downloads and the entries kept.
    std::optional<std::vector<LogEntry>> history(std::uint32_t serial);
    // The PC time of the latest download from the logger or configuration send to it;
    // nothing when there is none (an error when the archive could not be read).
    std::optional<std::optional<QDateTime>> lastVisit(std::uint32_t serial);

    // One logger's readings stamped from `from` to `to`, both included (an invalid stamp
    // leaves that end open), future readings included.
    std::optional<ReadingSet> readings(std::uint32_t serial, const QDateTime& from,
                                       const QDateTime& to);

    // The export file's text for the same readings (readings_csv.h; the caller encodes it in
    // code page 1252), and how many readings it holds.
    struct Export {
        QString text;
        qint64 readings = 0;
    };
    std::optional<Export> exportCsv(std::uint32_t serial, const QDateTime& from,
                                    const QDateTime& to);
    // The same text handed to `write` a piece at a time as the readings are read, so that an
    // export's memory does not grow with it; `write` returns false when it cannot take a piece,
    // which ends the export (nothing returned, and error() left to the writer to tell). The
    // number of readings written.
    std::optional<qint64> exportCsv(std::uint32_t serial, const QDateTime& from,
                                    const QDateTime& to,
                                    const std::function<bool(const QString&)>& write);

    // The conflicts kept for one logger, oldest first.
    std::optional<std::vector<Conflict>> conflicts(std::uint32_t serial);

private:
    struct Row;
    using RecordValues = std::vector<std::optional<float>>;
    // The value columns the logger's header names (none when the archive has no header), and
    // the most values any of its stored readings has.
    struct Header {
        std::vector<Column> columns;
        int widest = 0;
    };
    std::optional<Header> headerOf(std::uint32_t serial);
    // Hands `take` each reading of the range, oldest first, until it returns false; `widest`
    // as headerOf gives it.
    bool walkReadings(std::uint32_t serial, const QDateTime& from, const QDateTime& to, int widest,
                      const std::function<bool(qint64, RecordValues&&)>& take);
    // Keeps a reading that arrived with other values than the stored ones.
    bool keepConflict(int serial, const Row& row, qint64 downloadId, QSqlError& error);
    // Writes the columns' names of the logger's header (SQL tools read them).
    bool nameColumns(int serial, const QString& header, QSqlError& error);
    // The migration's conversion of the values of version 4 to their columns.
    // A failure sets `error`, or `reason` when the database did not fail.
    bool valuesToColumns(QSqlError& error, QString& reason);
    std::optional<std::pair<std::vector<DownloadFact>, std::vector<SendFact>>> foresightFacts(
        std::uint32_t serial);
    bool fail(Access access, const QString& reason);
    // Whether a query's rows were all read; otherwise the read fails with the query's error.
    bool walkedWhole(const QSqlQuery& q);
    // Runs a reading query with `values` bound and hands each row to `row` (which may return
    // false to stop, having said why). False, with the reason said, when the query could not
    // run, a row stopped it, or the walk ended at an error part way.
    template <typename Each, typename... Values>
    bool walk(const QString& sql, Each&& row, const Values&... values);
    // The connection's statement of this text, prepared once; nothing when it does not prepare.
    QSqlQuery* prepared(const QString& sql, QSqlError& error);
    QString reasonOf(const QSqlError& error) const;
    bool migrate(Access access);
    bool insertReadings(int serial, const std::vector<Row>& rows, std::vector<bool>& added,
                        QSqlError& error);
    std::optional<StoreResult> storeOnce(const Batch& batch, const std::vector<Row>& rows,
                                         qint64 now, QSqlError& error);

    QString connection_;  // the QSqlDatabase connection's name, empty while closed
    QString display_;
    Location location_;
    QString path_;  // SQLite: the file's absolute path
    Dialect dialect_ = Dialect::SQLite;
    // Kept until the connection closes: a statement freed inside a failed PostgreSQL
    // transaction could not be deallocated.
    std::map<QString, std::unique_ptr<QSqlQuery>> statements_;
    int version_ = 0;
    QString error_;
};

// A serial number as the 8 digit characters the logger's texts show.
QString serialText(std::uint32_t serial);

// The SHA-256 of a file in lower-case hex; nothing when it cannot be read.
std::optional<QString> fileSha256(const QString& path);

// The counts line of a download or an import: "Archivo: N lecturas nuevas, M ya guardadas,
// K en conflicto", with ", F con fecha futura" added when there were future readings.
QString countsLine(const StoreResult& result);

// One end of an export or chart range as the command line takes it: "yyyy-MM-dd" (the whole
// day: from its first second, or to its last) or "yyyy-MM-ddTHH:mm:ss". Nothing for any other
// text.
enum class RangeEnd { From, To };
std::optional<QDateTime> parseRangeEnd(const QString& text, RangeEnd end);

}  // namespace vernoll::archive
