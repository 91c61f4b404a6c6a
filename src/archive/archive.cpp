#include "archive/archive.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>
#include <QVariant>
#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "archive/schema.h"
#include "archive/texts.h"
#include "archive/values.h"
#include "family/decimal.h"
#include "family/readings_csv.h"

namespace vernoll::archive {

// The statements name the columns v1 to v4.
static_assert(kMaxColumns == 4);

struct StoredValues {
    int n = 0;
    std::array<std::optional<double>, kMaxColumns> v{};

    friend bool operator==(const StoredValues&, const StoredValues&) = default;
};

namespace {

Q_LOGGING_CATEGORY(lcArchive, "vernoll.archive")

std::atomic<int> nextConnection{0};

// A reading is "future" when stamped later than the PC clock plus this: a logger whose clock
// was set wrong, or a record the decoder misread.
constexpr qint64 kFutureMargin = 24 * 60 * 60;

// PostgreSQL aborts one of two writers that wait on each other; the batch then goes again.
constexpr int kAttempts = 3;

// Taken by each migration on PostgreSQL, so that two programs opening a new archive at once
// do not both create it.
constexpr qint64 kMigrationLock = 0x766e6c6c;  // "vnll"

constexpr qint64 kOpenFrom = std::numeric_limits<qint64>::min() / 2;
constexpr qint64 kOpenTo = std::numeric_limits<qint64>::max() / 2;

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The wall-clock fields of a time, held in UTC or in local time, as whole seconds: the logger's
// stamps are held in UTC, the PC's clock in local time, and both are compared as read.
qint64 naiveSeconds(const QDateTime& t) {
    return QDateTime(t.date(), t.time(), Qt::UTC).toSecsSinceEpoch();
}

QDateTime stampOf(qint64 seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

QVariant nullInt() {
    return QVariant(QMetaType::fromType<qlonglong>());
}

QVariant nullText() {
    return QVariant(QMetaType::fromType<QString>());
}

QVariant orNull(const std::optional<qint64>& v) {
    return v ? QVariant(qlonglong(*v)) : nullInt();
}

std::optional<qint64> optionalInt(const QVariant& v) {
    if (v.isNull()) return std::nullopt;
    return v.toLongLong();
}

std::optional<QDateTime> optionalStamp(const QVariant& v) {
    if (v.isNull()) return std::nullopt;
    return stampOf(v.toLongLong());
}

QString withoutTrailingBlanks(QString s) {
    while (!s.isEmpty() && (s.back().isSpace() || s.back().isNull())) s.chop(1);
    return s;
}

// A prepared statement bound and run; the first error is kept, and a statement after an
// error does not run.
class Statement {
public:
    Statement(QSqlQuery* query, QSqlError& error) : query_(query), error_(error) {}
    ~Statement() {
        if (query_) query_->finish();
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    template <typename... Values>
    bool run(const Values&... values) {
        if (!query_ || error_.isValid()) return false;
        int i = 0;
        (query_->bindValue(i++, QVariant(values)), ...);
        if (query_->exec()) return true;
        error_ = query_->lastError();
        return false;
    }

    QSqlQuery& query() { return *query_; }

private:
    QSqlQuery* query_;
    QSqlError& error_;
};

bool execute(const QSqlDatabase& db, const QString& sql, QSqlError& error) {
    QSqlQuery q(db);
    if (q.exec(sql)) return true;
    error = q.lastError();
    return false;
}

// A transaction that rolls back unless committed. On SQLite it takes the write lock at once,
// so that a second writer waits at the start (up to the busy timeout) instead of failing
// halfway.
class Transaction {
public:
    Transaction(const QSqlDatabase& db, Dialect dialect) : db_(db), dialect_(dialect) {}
    ~Transaction() {
        if (open_) {
            QSqlError ignored;
            execute(db_, QStringLiteral("ROLLBACK"), ignored);
        }
    }
    bool begin(QSqlError& error) {
        open_ = execute(db_,
                        dialect_ == Dialect::SQLite ? QStringLiteral("BEGIN IMMEDIATE")
                                                    : QStringLiteral("BEGIN"),
                        error);
        return open_;
    }
    bool commit(QSqlError& error) {
        if (!execute(db_, QStringLiteral("COMMIT"), error)) return false;
        open_ = false;
        return true;
    }

private:
    QSqlDatabase db_;
    Dialect dialect_;
    bool open_ = false;
};

constexpr int kNotAnArchive = -1;

// A reading's values as its row holds them: how many columns it has, and each one's number
// (nothing where the record gave none, or gave no finite number).
StoredValues storedValuesOf(std::span<const std::optional<float>> values) {
    StoredValues s;
    s.n = int(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        if (values[i] && std::isfinite(*values[i])) s.v[i] = csvNumber(*values[i]);
    return s;
}

std::vector<std::optional<float>> recordValuesOf(const StoredValues& s) {
    std::vector<std::optional<float>> values(std::size_t(s.n));
    for (std::size_t i = 0; i < values.size(); ++i)
        if (s.v[i]) values[i] = recordValue(*s.v[i]);
    return values;
}

// The columns n, v1 .. v4 of a row, from `first` on; nothing when n is not a count the row can
// hold.
std::optional<StoredValues> storedValuesAt(const QSqlQuery& q, int first) {
    StoredValues s;
    s.n = q.value(first).toInt();
    if (s.n < 0 || std::size_t(s.n) > kMaxColumns) return std::nullopt;
    for (int i = 0; i < s.n; ++i) {
        const QVariant v = q.value(first + 1 + i);
        if (!v.isNull()) s.v[std::size_t(i)] = v.toDouble();
    }
    return s;
}

// Binds n, v1 .. v4 from `first` on.
void bindStoredValues(QSqlQuery& q, int first, const StoredValues& s) {
    q.bindValue(first, s.n);
    for (std::size_t i = 0; i < kMaxColumns; ++i)
        q.bindValue(first + 1 + int(i),
                    s.v[i] ? QVariant(*s.v[i]) : QVariant(QMetaType::fromType<double>()));
}

// The schema version of the database: 0 when it holds no table, kNotAnArchive when it holds
// tables of something else.
void switchToWal(const QSqlDatabase& db, int busyTimeoutMs, QSqlError& error) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        error = QSqlError();
        if (execute(db, QStringLiteral("PRAGMA journal_mode = WAL"), error)) return;
        if (!error.databaseText().contains(QLatin1String("locked")) &&
            !error.databaseText().contains(QLatin1String("busy")))
            return;
        if (waited.elapsed() >= busyTimeoutMs) return;
        QThread::msleep(20);
    }
}

// Gives a migrated SQLite file back the pages its old tables held. The archive is whole
// without it (the pages are used again as readings arrive): a failure is only logged.
void compactAfterMigration(const QSqlDatabase& db) {
    QSqlError error;
    if (!execute(db, QStringLiteral("VACUUM"), error))
        qCWarning(lcArchive) << "the migrated archive" << db.databaseName()
                             << "was not compacted:" << error.text();
}

std::optional<int> readVersion(const QSqlDatabase& db, Dialect dialect, QSqlError& error) {
    QSqlQuery tables(db);
    if (!tables.exec(dialect == Dialect::SQLite
                         ? QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")
                         : QStringLiteral("SELECT table_name FROM information_schema.tables "
                                          "WHERE table_schema = current_schema()"))) {
        error = tables.lastError();
        return std::nullopt;
    }
    bool any = false, versioned = false;
    while (tables.next()) {
        any = true;
        if (tables.value(0).toString() == QLatin1String("schema_version")) versioned = true;
    }
    if (!versioned) return any ? kNotAnArchive : 0;
    QSqlQuery version(db);
    if (!version.exec(QStringLiteral("SELECT version FROM schema_version"))) {
        error = version.lastError();
        return std::nullopt;
    }
    if (!version.next()) return kNotAnArchive;
    return version.value(0).toInt();
}

// "yyyy-MM-ddTHH:mm:ss" of the seconds, as stampText writes it, without a QDateTime: the
// export writes hundreds of thousands.
void appendStampText(QString& out, qint64 seconds) {
    const qint64 days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    const qint64 second = seconds - days * 86400;
    // The civil date of a day count since 1970-01-01 (proleptic Gregorian).
    const qint64 z = days + 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    const qint64 day = doy - (153 * mp + 2) / 5 + 1;
    const qint64 month = mp < 10 ? mp + 3 : mp - 9;
    const qint64 year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    if (year < 1000 || year > 9999) {
        out += stampText(stampOf(seconds));
        return;
    }
    char buf[19];
    const auto two = [](char* p, qint64 v) {
        p[0] = char('0' + v / 10);
        p[1] = char('0' + v % 10);
    };
    two(buf, year / 100);
    two(buf + 2, year % 100);
    buf[4] = '-';
    two(buf + 5, month);
    buf[7] = '-';
    two(buf + 8, day);
    buf[10] = 'T';
    two(buf + 11, second / 3600);
    buf[13] = ':';
    two(buf + 14, second / 60 % 60);
    buf[16] = ':';
    two(buf + 17, second % 60);
    out += QLatin1StringView(buf, 19);
}

// One line of the export (readings_csv.h), from the stored stamp and values.
void appendExportLine(QString& out, qint64 t, std::span<const std::optional<float>> values) {
    appendStampText(out, t);
    char buf[72];
    for (const std::optional<float>& v : values) {
        char* p = buf;
        *p++ = ',';
        if (v) p = decimal::writeShortest(p, *v);
        out += QLatin1StringView(buf, p - buf);
    }
    out += QLatin1StringView("\r\n");
}

}  // namespace

// One reading as stored.
struct Archive::Row {
    qint64 t;
    StoredValues v;
    bool future;
};

Archive::Archive() = default;

Archive::~Archive() {
    close();
}

bool Archive::isOpen() const {
    return !connection_.isEmpty();
}

void Archive::close() {
    if (connection_.isEmpty()) return;
    statements_.clear();
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
    connection_.clear();
    version_ = 0;
}

QSqlQuery* Archive::prepared(const QString& sql, QSqlError& error) {
    auto it = statements_.find(sql);
    if (it != statements_.end()) return it->second.get();
    auto query = std::make_unique<QSqlQuery>(QSqlDatabase::database(connection_, false));
    query->setForwardOnly(true);
    if (!query->prepare(sql)) {
        error = query->lastError();
        return nullptr;
    }
    return statements_.emplace(sql, std::move(query)).first->second.get();
}

bool Archive::walkedWhole(const QSqlQuery& q) {
    // A walk that stopped at an error (a server gone, a damaged page) is no result, however many
    // rows came before it.
    if (!q.lastError().isValid()) return true;
    return fail(Access::Read, reasonOf(q.lastError()));
}

template <typename Each, typename... Values>
bool Archive::walk(const QString& sql, Each&& row, const Values&... values) {
    QSqlError error;
    Statement statement(prepared(sql, error), error);
    if (!statement.run(values...)) return fail(Access::Read, reasonOf(error));
    QSqlQuery& q = statement.query();
    while (q.next()) {
        if constexpr (std::is_same_v<std::invoke_result_t<Each&, QSqlQuery&>, bool>) {
            if (!row(q)) return false;
        } else {
            row(q);
        }
    }
    return walkedWhole(q);
}

bool Archive::fail(Access access, const QString& reason) {
    error_ = text(access == Access::Update ? texts::kUpdateFailed : texts::kReadFailed)
                 .arg(display_, reason);
    return false;
}

QString Archive::reasonOf(const QSqlError& e) const {
    // One line: libpq breaks its texts over several.
    const QString own = e.databaseText().simplified();
    QString reason;
    if (location_.kind == Location::Kind::SQLite) {
        // SQLite's primary result codes: the low byte of an extended one.
        switch (e.nativeErrorCode().toInt() & 0xff) {
            case 5:  // SQLITE_BUSY
            case 6:  // SQLITE_LOCKED
                reason = text(texts::kLocked);
                break;
            case 3:   // SQLITE_PERM
            case 8:   // SQLITE_READONLY
            case 14:  // SQLITE_CANTOPEN: among others, the -wal file in a folder it cannot write
            {
                const QFileInfo file(path_);
                const QString folder = file.absolutePath();
                if (file.exists() && !file.isWritable())
                    reason = text(texts::kReadOnlyFile);
                else if (!QFileInfo(folder).isWritable())
                    reason = text(texts::kReadOnlyFolder).arg(QDir::toNativeSeparators(folder));
                else
                    reason = text(texts::kDatabaseError);
                break;
            }
            case 11:  // SQLITE_CORRUPT
            case 26:  // SQLITE_NOTADB
                reason = text(texts::kCorrupt);
                break;
            case 13:  // SQLITE_FULL
                reason = text(texts::kDiskFull);
                break;
            default:
                reason = text(texts::kDatabaseError);
        }
    } else if (e.type() == QSqlError::ConnectionError) {
        // libpq reports a server that answered and said no as FATAL; anything else never
        // reached a server.
        // libpq refuses to try without a password it was asked for before it says FATAL.
        const bool refused =
            own.contains(QLatin1String("FATAL")) || own.contains(QLatin1String("fe_sendauth"));
        reason = text(refused ? texts::kServerRefused : texts::kServerUnreachable);
    } else {
        const QString state = e.nativeErrorCode();
        reason =
            text(state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P"))
                     ? texts::kConnectionLost
                     : texts::kDatabaseError);
    }
    return own.isEmpty() ? reason : reason + QStringLiteral(" (") + own + QLatin1Char(')');
}

bool Archive::open(const QString& given, Access access, const Options& options) {
    close();
    error_.clear();
    const QString chosen = chosenLocation(given);
    const bool isDefault = chosen == defaultArchivePath();
    const std::optional<Location> parsed = parseLocation(chosen);
    if (!parsed) {
        display_ = withoutPassword(chosen);
        return fail(access, text(texts::kBadUrl));
    }
    location_ = *parsed;
    display_ = location_.display();
    const bool lite = location_.kind == Location::Kind::SQLite;
    dialect_ = lite ? Dialect::SQLite : Dialect::PostgreSQL;

    const QString driver = lite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
    if (!QSqlDatabase::isDriverAvailable(driver))
        return fail(access, text(texts::kMissingDriver)
                                .arg(driver, lite ? QStringLiteral("libqt6sql6-sqlite")
                                                  : QStringLiteral("libqt6sql6-psql")));

    if (lite) {
        path_ = QFileInfo(location_.path).absoluteFilePath();
        const QString folder = QFileInfo(path_).absolutePath();
        if (isDefault && !QDir().mkpath(folder))
            return fail(access,
                        text(texts::kFolderNotCreated).arg(QDir::toNativeSeparators(folder)));
        if (!QFileInfo(folder).isDir())
            return fail(access, text(texts::kMissingFolder).arg(QDir::toNativeSeparators(folder)));
        if (access == Access::Read && !isDefault && !QFileInfo::exists(path_))
            return fail(access, text(texts::kMissingFile));
        if (QFileInfo(path_).isDir()) return fail(access, text(texts::kIsFolder));
    }

    // A command that only reads opens an existing file read-only: it works on a file and in a
    // folder it may not write to, and changes nothing (no switch to WAL, no migration).
    bool readOnly = lite && access == Access::Read && QFileInfo::exists(path_);
    for (;;) {
        connection_ = QStringLiteral("vernoll-archive-%1").arg(nextConnection++);
        QSqlError error;
        std::optional<int> found;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(driver, connection_);
            if (lite) {
                // In a folder that it cannot write, a reader cannot make the -wal and -shm
                // files that reading a WAL archive needs; with no -wal there, no program is
                // writing, and the file is read as it stands.
                const bool asItStands = readOnly &&
                                        !QFileInfo(QFileInfo(path_).absolutePath()).isWritable() &&
                                        !QFileInfo::exists(path_ + QStringLiteral("-wal"));
                db.setDatabaseName(asItStands
                                       ? QUrl::fromLocalFile(path_).toString(QUrl::FullyEncoded) +
                                             QStringLiteral("?immutable=1")
                                       : path_);
                db.setConnectOptions(
                    QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(options.busyTimeoutMs) +
                    (readOnly ? QStringLiteral(";QSQLITE_OPEN_READONLY") : QString()) +
                    (asItStands ? QStringLiteral(";QSQLITE_OPEN_URI") : QString()));
            } else {
                db.setHostName(location_.host);
                db.setPort(location_.port);
                db.setUserName(location_.user);
                db.setPassword(location_.password);
                db.setDatabaseName(location_.database);
                db.setConnectOptions(
                    QStringLiteral("connect_timeout=%1").arg(options.connectTimeoutS));
            }
            if (!db.open()) error = db.lastError();
            // WAL lets the window read while the command line writes. Switching needs the
            // write lock once; an archive that is already in WAL mode answers without writing.
            // SQLite does not wait for that lock (no busy handler): two programs that open a
            // new archive at the same moment try again until the busy timeout.
            else if (readOnly)
                found = readVersion(db, dialect_, error);
            else if (lite)
                switchToWal(db, options.busyTimeoutMs, error);
            else
                execute(db, QStringLiteral("SET client_min_messages TO WARNING"), error);
        }
        if (error.isValid()) {
            fail(access, reasonOf(error));
            close();
            return false;
        }
        if (found && *found >= 0 && *found < currentSchemaVersion()) {
            // An earlier version is migrated on first use, by a reader too where it may write.
            close();
            const QFileInfo file(path_);
            if (file.isWritable() && QFileInfo(file.absolutePath()).isWritable()) {
                readOnly = false;
                continue;
            }
            return fail(access, text(texts::kOlderSchema).arg(*found).arg(currentSchemaVersion()));
        }
        break;
    }
    if (!migrate(access)) {
        close();
        return false;
    }
    return true;
}

bool Archive::migrate(Access access) {
    const QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlError error;
    const auto failed = [&] { return fail(access, reasonOf(error)); };
    // The step that converts the values leaves the old tables' pages free in a SQLite file.
    bool compact = false;
    for (;;) {
        const std::optional<int> found = readVersion(db, dialect_, error);
        if (!found) return failed();
        if (*found == kNotAnArchive) return fail(access, text(texts::kNotAnArchive));
        if (*found > currentSchemaVersion())
            return fail(access, text(texts::kNewerSchema).arg(*found).arg(currentSchemaVersion()));
        if (*found == currentSchemaVersion()) {
            version_ = *found;
            if (compact) compactAfterMigration(db);
            return true;
        }
        // Each step in its own transaction: an archive is always at one whole version.
        Transaction tx(db, dialect_);
        if (!tx.begin(error)) return failed();
        if (dialect_ == Dialect::PostgreSQL &&
            !execute(db, QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kMigrationLock),
                     error))
            return failed();
        const std::optional<int> locked = readVersion(db, dialect_, error);
        if (!locked) return failed();
        if (*locked != *found) continue;  // another program migrated it meanwhile
        for (const QString& statement : migrationSteps(*found + 1, dialect_)) {
            if (statement == QLatin1String(kValuesToColumns)) {
                compact = dialect_ == Dialect::SQLite;
                QString reason;
                if (!valuesToColumns(error, reason))
                    return reason.isEmpty() ? failed() : fail(access, reason);
                continue;
            }
            if (!execute(db, statement, error)) return failed();
        }
        if (!execute(db, QStringLiteral("UPDATE schema_version SET version = %1").arg(*found + 1),
                     error) ||
            !tx.commit(error))
            return failed();
    }
}

bool Archive::keepConflict(int serial, const Row& row, qint64 downloadId, QSqlError& error) {
    QSqlQuery* keep = prepared(QStringLiteral("INSERT INTO conflicts (serial, t, download_id, n, "
                                              "v1, v2, v3, v4) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                               error);
    if (!keep) return false;
    keep->bindValue(0, serial);
    keep->bindValue(1, qlonglong(row.t));
    keep->bindValue(2, qlonglong(downloadId));
    bindStoredValues(*keep, 3, row.v);
    const bool kept = keep->exec();
    if (!kept) error = keep->lastError();
    keep->finish();
    return kept;
}

bool Archive::nameColumns(int serial, const QString& header, QSqlError& error) {
    Statement clear(prepared(QStringLiteral("DELETE FROM station_columns WHERE serial = ?"), error),
                    error);
    if (!clear.run(serial)) return false;
    Statement name(prepared(QStringLiteral("INSERT INTO station_columns (serial, column_no, name, "
                                           "unit) VALUES (?, ?, ?, ?)"),
                            error),
                   error);
    int number = 0;
    for (const Column& c : columnsOfHeader(header))
        if (!name.run(serial, ++number, c.label, c.unit)) return false;
    return true;
}

bool Archive::valuesToColumns(QSqlError& error, QString& reason) {
    const QSqlDatabase db = QSqlDatabase::database(connection_, false);
    // Every query is read whole before the next statement runs: a PostgreSQL connection runs
    // one at a time.
    const auto all = [&](const QString& sql, const QVariantList& values,
                         const std::function<bool(const QSqlQuery&)>& take) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.prepare(sql)) {
            error = q.lastError();
            return false;
        }
        for (int i = 0; i < values.size(); ++i) q.bindValue(i, values[i]);
        if (!q.exec()) {
            error = q.lastError();
            return false;
        }
        while (q.next())
            if (!take(q)) return false;
        if (!q.lastError().isValid()) return true;
        error = q.lastError();
        return false;
    };
    const auto decoded = [&](const QSqlQuery& q, int column) -> std::optional<StoredValues> {
        const std::optional<std::vector<std::optional<float>>> values =
            decodeValues(q.value(column).toByteArray());
        if (values && values->size() <= kMaxColumns) return storedValuesOf(*values);
        reason = text(texts::kCorrupt);
        return std::nullopt;
    };

    std::vector<std::pair<int, QString>> headers;
    if (!all(QStringLiteral("SELECT serial, column_header FROM stations"), {},
             [&](const QSqlQuery& q) {
                 headers.emplace_back(q.value(0).toInt(), q.value(1).toString());
                 return true;
             }))
        return false;
    for (const auto& [serial, header] : headers)
        if (!nameColumns(serial, header, error)) return false;

    std::vector<int> serials;
    if (!all(QStringLiteral("SELECT DISTINCT serial FROM readings_v4"), {},
             [&](const QSqlQuery& q) {
                 serials.push_back(q.value(0).toInt());
                 return true;
             }))
        return false;
    // A logger's readings a slice at a time, so that a large archive is never held whole.
    constexpr int kSlice = 50000;
    for (const int serial : serials) {
        qint64 after = kOpenFrom;
        for (;;) {
            std::vector<Row> rows;
            if (!all(
                    QStringLiteral("SELECT t, v, future FROM readings_v4 WHERE serial = ? AND "
                                   "t > ? ORDER BY t LIMIT %1")
                        .arg(kSlice),
                    {serial, qlonglong(after)}, [&](const QSqlQuery& q) {
                        const std::optional<StoredValues> values = decoded(q, 1);
                        if (!values) return false;
                        rows.push_back({q.value(0).toLongLong(), *values, q.value(2).toInt() != 0});
                        return true;
                    }))
                return false;
            if (rows.empty()) break;
            std::vector<bool> added;
            if (!insertReadings(serial, rows, added, error)) return false;
            after = rows.back().t;
        }
    }

    struct Kept {
        int serial;
        Row row;
        qint64 downloadId;
    };
    std::vector<Kept> kept;
    if (!all(QStringLiteral("SELECT serial, t, v, download_id FROM conflicts_v4"), {},
             [&](const QSqlQuery& q) {
                 const std::optional<StoredValues> values = decoded(q, 2);
                 if (!values) return false;
                 kept.push_back({q.value(0).toInt(),
                                 {q.value(1).toLongLong(), *values, false},
                                 q.value(3).toLongLong()});
                 return true;
             }))
        return false;
    for (const Kept& k : kept) {
        if (!keepConflict(k.serial, k.row, k.downloadId, error)) return false;
    }
    return true;
}

std::optional<StoreResult> Archive::store(const Batch& batch) {
    if (!isOpen()) {
        fail(Access::Update, text(texts::kNotOpen));
        return std::nullopt;
    }
    const qint64 now =
        naiveSeconds(batch.when.isValid() ? batch.when : QDateTime::currentDateTime());
    std::vector<Row> rows;
    rows.reserve(batch.readings.size());
    for (const Reading& r : batch.readings) {
        if (r.serial != batch.serial) {
            fail(Access::Update,
                 text(texts::kOtherSerial).arg(serialText(r.serial), serialText(batch.serial)));
            return std::nullopt;
        }
        if (r.values.size() > kMaxColumns || !r.stamp.isValid()) {
            fail(Access::Update, text(texts::kBadReading).arg(kMaxColumns));
            return std::nullopt;
        }
        const qint64 t = naiveSeconds(r.stamp);
        rows.push_back({t, storedValuesOf(r.values), t > now + kFutureMargin});
    }
    // Every writer takes the rows of a logger in the same order, so two of them never wait on
    // each other in a circle; a stable sort keeps the first of a repeated stamp first.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row& a, const Row& b) { return a.t < b.t; });

    for (int attempt = 1;; ++attempt) {
        QSqlError error;
        if (std::optional<StoreResult> done = storeOnce(batch, rows, now, error)) return done;
        const QString state = error.nativeErrorCode();
        const bool again = dialect_ == Dialect::PostgreSQL &&
                           (state == QLatin1String("40001") || state == QLatin1String("40P01"));
        if (!again || attempt == kAttempts) {
            fail(Access::Update, error.isValid() ? reasonOf(error) : text(texts::kDatabaseError));
            return std::nullopt;
        }
    }
}

std::optional<StoreResult> Archive::storeOnce(const Batch& batch, const std::vector<Row>& rows,
                                              qint64 now, QSqlError& error) {
    const QSqlDatabase db = QSqlDatabase::database(connection_, false);
    const int serial = int(batch.serial);
    Transaction tx(db, dialect_);
    if (!tx.begin(error)) return std::nullopt;

    // The station row first: on PostgreSQL its lock makes a second writer of the same logger
    // wait here until the first has committed, so its counts see the first one's readings.
    {
        Statement upsert(prepared(QStringLiteral(R"(
INSERT INTO stations (serial, device, user_text, location, latitude, longitude, altitude, column_header)
VALUES (?, COALESCE(?, ''), ?, ?, ?, ?, ?, COALESCE(?, ''))
ON CONFLICT (serial) DO UPDATE SET
    device = CASE WHEN excluded.device = '' THEN stations.device ELSE excluded.device END,
    user_text = COALESCE(excluded.user_text, stations.user_text),
    location = COALESCE(excluded.location, stations.location),
    latitude = COALESCE(excluded.latitude, stations.latitude),
    longitude = COALESCE(excluded.longitude, stations.longitude),
    altitude = COALESCE(excluded.altitude, stations.altitude),
    column_header = CASE WHEN excluded.column_header = '' THEN stations.column_header
                         ELSE excluded.column_header END)"),
                                  error),
                         error);
        const auto textOf = [&](QString StationTexts::*field) {
            return batch.texts ? QVariant((*batch.texts).*field) : nullText();
        };
        if (!upsert.run(serial, batch.device, textOf(&StationTexts::user),
                        textOf(&StationTexts::location), textOf(&StationTexts::latitude),
                        textOf(&StationTexts::longitude), textOf(&StationTexts::altitude),
                        batch.columnHeader))
            return std::nullopt;
    }
    if (!batch.columnHeader.isEmpty() && !nameColumns(serial, batch.columnHeader, error))
        return std::nullopt;

    StoreResult result;
    result.readings = qint64(rows.size());
    // What is stored already over the batch's span: a reading whose stamp is there, or came
    // earlier in the batch, is a duplicate or a conflict, and only the others are inserted.
    QHash<qint64, StoredValues> stored;
    if (!rows.empty()) {
        Statement lookup(prepared(QStringLiteral("SELECT t, n, v1, v2, v3, v4 FROM readings "
                                                 "WHERE serial = ? AND t BETWEEN ? AND ?"),
                                  error),
                         error);
        if (!lookup.run(serial, qlonglong(rows.front().t), qlonglong(rows.back().t)))
            return std::nullopt;
        while (lookup.query().next()) {
            const std::optional<StoredValues> values = storedValuesAt(lookup.query(), 1);
            if (!values) return std::nullopt;
            stored.insert(lookup.query().value(0).toLongLong(), *values);
        }
        if (lookup.query().lastError().isValid()) {
            error = lookup.query().lastError();
            return std::nullopt;
        }
    }
    std::vector<Row> fresh;
    fresh.reserve(rows.size());
    std::vector<const Row*> conflicting;
    std::optional<qint64> newest;
    for (const Row& row : rows) {
        if (row.future) ++result.future;
        if (!row.future) newest = row.t;
        const auto it = stored.constFind(row.t);
        const StoredValues* there = it != stored.constEnd()                     ? &*it
                                    : !fresh.empty() && fresh.back().t == row.t ? &fresh.back().v
                                                                                : nullptr;
        if (!there)
            fresh.push_back(row);
        else if (*there == row.v)
            ++result.duplicates;
        else
            conflicting.push_back(&row);
    }
    result.conflicts = qint64(conflicting.size());
    if (!rows.empty()) result.first = stampOf(rows.front().t);
    if (newest) result.last = stampOf(*newest);

    // This transaction holds the logger's readings (PostgreSQL: its station row; SQLite: the
    // write lock): every fresh reading goes in.
    std::vector<bool> added;
    if (!insertReadings(serial, fresh, added, error)) return std::nullopt;
    std::optional<qint64> addedFirst, addedLast;
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        if (!added[i]) return std::nullopt;
        ++result.added;
        if (!addedFirst) addedFirst = fresh[i].t;
        if (!fresh[i].future) addedLast = fresh[i].t;
    }

    {
        Statement record(prepared(QStringLiteral(R"(
INSERT INTO downloads (serial, stored_at, port, blocks, logger_clock, pc_clock, clock_offset_s,
    base_file, base_file_sha256, readings, new_readings, duplicates, conflicts, future,
    first_t, last_t, user_name, interval_minutes, memory_records)
VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id)"),
                                  error),
                         error);
        const bool fromLogger = !batch.port.isEmpty();
        const auto clock = [](const std::optional<QDateTime>& c) {
            return c && c->isValid() ? QVariant(qlonglong(naiveSeconds(*c))) : nullInt();
        };
        const auto stamp = [](const std::optional<QDateTime>& s) {
            return s ? QVariant(qlonglong(naiveSeconds(*s))) : nullInt();
        };
        if (!record.run(
                serial, qlonglong(now), fromLogger ? QVariant(batch.port) : nullText(),
                fromLogger ? QVariant(batch.blocks) : nullInt(), clock(batch.loggerClock),
                clock(batch.pcClock), orNull(batch.clockOffsetS),
                batch.baseFile.isEmpty() ? nullText() : QVariant(batch.baseFile),
                batch.baseFileSha256.isEmpty() ? nullText() : QVariant(batch.baseFileSha256),
                qlonglong(result.readings), qlonglong(result.added), qlonglong(result.duplicates),
                qlonglong(result.conflicts), qlonglong(result.future), stamp(result.first),
                stamp(result.last), batch.user.isEmpty() ? nullText() : QVariant(batch.user),
                batch.intervalMinutes ? QVariant(*batch.intervalMinutes) : nullInt(),
                orNull(batch.memoryRecords)))
            return std::nullopt;
        if (!record.query().next()) return std::nullopt;
        result.downloadId = record.query().value(0).toLongLong();
    }

    // A conflict already kept (the same values for the same stamp) is not kept again.
    qint64 kept = 0;
    for (const Row* row : conflicting) {
        bool known = false;
        {
            Statement same(prepared(QStringLiteral("SELECT n, v1, v2, v3, v4 FROM conflicts "
                                                   "WHERE serial = ? AND t = ?"),
                                    error),
                           error);
            if (!same.run(serial, qlonglong(row->t))) return std::nullopt;
            while (!known && same.query().next())
                known = storedValuesAt(same.query(), 0) == std::optional(row->v);
            if (same.query().lastError().isValid()) {
                error = same.query().lastError();
                return std::nullopt;
            }
        }
        if (known) continue;
        if (!keepConflict(serial, *row, result.downloadId, error)) return std::nullopt;
        ++kept;
    }

    {
        // The station's figures: this transaction holds its row (or the file's write lock).
        Statement figures(
            prepared(
                QStringLiteral("SELECT readings, first_t, last_t, conflicts, widest FROM stations "
                               "WHERE serial = ?"),
                error),
            error);
        if (!figures.run(serial) || !figures.query().next()) return std::nullopt;
        const QSqlQuery& f = figures.query();
        const qint64 readings = f.value(0).toLongLong() + result.added;
        std::optional<qint64> first = optionalInt(f.value(1));
        std::optional<qint64> last = optionalInt(f.value(2));
        const qint64 conflicts = f.value(3).toLongLong() + kept;
        int widest = f.value(4).toInt();
        for (const Row& row : fresh) widest = std::max(widest, row.v.n);
        if (addedFirst && (!first || *addedFirst < *first)) first = addedFirst;
        if (addedLast && (!last || *addedLast > *last)) last = addedLast;
        figures.query().finish();
        Statement update(prepared(QStringLiteral("UPDATE stations SET readings = ?, first_t = ?, "
                                                 "last_t = ?, conflicts = ?, widest = ? "
                                                 "WHERE serial = ?"),
                                  error),
                         error);
        if (!update.run(qlonglong(readings), orNull(first), orNull(last), qlonglong(conflicts),
                        widest, serial))
            return std::nullopt;
    }

    if (!tx.commit(error)) return std::nullopt;
    return result;
}

bool Archive::insertReadings(int serial, const std::vector<Row>& rows, std::vector<bool>& added,
                             QSqlError& error) {
    added.assign(rows.size(), false);
    if (dialect_ == Dialect::SQLite) {
        // One prepared statement per row, its numbers bound: SQLite reads a number in a
        // statement's text its own way, which may miss the double by a last bit. What is the
        // same for every row (the logger, the count of values, the flag) is in the text.
        QSqlQuery* insert = nullptr;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const Row& row = rows[i];
            if (i == 0 || rows[i - 1].future != row.future || rows[i - 1].v.n != row.v.n) {
                QString sql = QStringLiteral("INSERT INTO readings (serial, t, future, n");
                for (int c = 1; c <= row.v.n; ++c) sql += QStringLiteral(", v%1").arg(c);
                sql += QStringLiteral(") VALUES (%1, ?, %2, %3")
                           .arg(serial)
                           .arg(int(row.future))
                           .arg(row.v.n);
                for (int c = 1; c <= row.v.n; ++c) sql += QStringLiteral(", ?");
                sql += QStringLiteral(") ON CONFLICT DO NOTHING");
                insert = prepared(sql, error);
            }
            if (!insert) return false;
            insert->bindValue(0, qlonglong(row.t));
            for (int c = 0; c < row.v.n; ++c)
                insert->bindValue(1 + c, row.v.v[std::size_t(c)]
                                             ? QVariant(*row.v.v[std::size_t(c)])
                                             : QVariant(QMetaType::fromType<double>()));
            if (!insert->exec()) {
                error = insert->lastError();
                return false;
            }
            added[i] = insert->numRowsAffected() == 1;
            insert->finish();
        }
        return true;
    }
    // A server may be a network away: rows go in chunks, one statement each, their numbers
    // written into its text (PostgreSQL reads a number as the nearest double). The statement
    // returns the stamps it stored; of a stamp repeated within a chunk, the first row is the
    // one stored (rows go in in order).
    constexpr std::size_t kChunk = 256;
    const QSqlDatabase db = QSqlDatabase::database(connection_, false);
    std::string sql;
    char number[32];
    const auto put = [&](auto v) {
        sql.append(number, std::to_chars(number, number + sizeof number, v).ptr);
    };
    for (std::size_t from = 0; from < rows.size(); from += kChunk) {
        const std::size_t n = std::min(kChunk, rows.size() - from);
        sql = "INSERT INTO readings (serial, t, future, n, v1, v2, v3, v4) VALUES ";
        for (std::size_t i = from; i < from + n; ++i) {
            const Row& row = rows[i];
            sql += i == from ? "(" : ", (";
            put(serial);
            sql += ", ";
            put(row.t);
            sql += row.future ? ", 1, " : ", 0, ";
            put(row.v.n);
            for (const std::optional<double>& v : row.v.v) {
                sql += ", ";
                if (v)
                    put(*v);  // the shortest text that reads back as the same double
                else
                    sql += "NULL";
            }
            sql += ')';
        }
        sql += " ON CONFLICT DO NOTHING RETURNING t";
        QSqlQuery insert(db);
        insert.setForwardOnly(true);
        if (!insert.exec(QString::fromLatin1(sql.data(), qsizetype(sql.size())))) {
            error = insert.lastError();
            return false;
        }
        QSet<qint64> stored;
        while (insert.next()) stored.insert(insert.value(0).toLongLong());
        if (insert.lastError().isValid()) {
            error = insert.lastError();
            return false;
        }
        for (std::size_t i = from; i < from + n; ++i) added[i] = stored.remove(rows[i].t);
    }
    return true;
}

std::optional<std::vector<Station>> Archive::stations(std::optional<std::uint32_t> serial,
                                                      const QDateTime& now) {
    if (!isOpen()) {
        fail(Access::Read, text(texts::kNotOpen));
        return std::nullopt;
    }
    std::vector<Station> stations;
    const auto station = [&](const QSqlQuery& q) {
        Station s;
        s.serial = std::uint32_t(q.value(0).toLongLong());
        s.device = q.value(1).toString();
        s.texts = {q.value(2).toString(), q.value(3).toString(), q.value(4).toString(),
                   q.value(5).toString(), q.value(6).toString()};
        s.columnHeader = q.value(7).toString();
        s.readings = q.value(8).toLongLong();
        s.first = optionalStamp(q.value(9));
        s.last = optionalStamp(q.value(10));
        s.conflicts = q.value(11).toLongLong();
        s.lastDownload = optionalStamp(q.value(12));
        s.clockOffsetS = optionalInt(q.value(13));
        stations.push_back(std::move(s));
    };
    const qlonglong from = serial ? qlonglong(*serial) : 0;
    // A serial number has at most 8 digits; the column is a 32-bit integer.
    const qlonglong to = serial ? qlonglong(*serial) : qlonglong(INT32_MAX);
    if (!walk(QStringLiteral(R"(
SELECT s.serial, s.device, s.user_text, s.location, s.latitude, s.longitude, s.altitude,
       s.column_header, s.readings, s.first_t, s.last_t, s.conflicts, d.stored_at, d.clock_offset_s
FROM stations s
LEFT JOIN downloads d ON d.id = (
    SELECT x.id FROM downloads x WHERE x.serial = s.serial AND x.port IS NOT NULL
    ORDER BY x.stored_at DESC, x.id DESC LIMIT 1)
WHERE s.serial BETWEEN ? AND ?
ORDER BY s.serial)"),
              station, from, to))
        return std::nullopt;
    for (Station& s : stations) {
        const auto facts = foresightFacts(s.serial);
        if (!facts) return std::nullopt;
        s.foresight = foresee(facts->first, facts->second, now);
    }
    return stations;
}

std::optional<std::pair<std::vector<DownloadFact>, std::vector<SendFact>>> Archive::foresightFacts(
    std::uint32_t serial) {
    std::pair<std::vector<DownloadFact>, std::vector<SendFact>> facts;
    const auto download = [&](const QSqlQuery& q) {
        DownloadFact d;
        d.at = stampOf(q.value(0).toLongLong());
        d.clockOffsetS = optionalInt(q.value(1));
        if (const auto m = optionalInt(q.value(2))) d.intervalMinutes = int(*m);
        d.memoryRecords = optionalInt(q.value(3));
        d.memoryUsed = q.value(4).toLongLong();
        d.oldest = optionalStamp(q.value(5));
        facts.first.push_back(d);
    };
    if (!walk(QStringLiteral(R"(
SELECT stored_at, clock_offset_s, interval_minutes, memory_records, readings, first_t
FROM downloads WHERE serial = ? AND port IS NOT NULL ORDER BY stored_at, id)"),
              download, qlonglong(serial)))
        return std::nullopt;
    const auto send = [&](const QSqlQuery& q) {
        const QJsonObject after = QJsonDocument::fromJson(q.value(1).toString().toUtf8())
                                      .object()
                                      .value(QStringLiteral("after"))
                                      .toObject();
        SendFact f;
        f.at = stampOf(q.value(0).toLongLong());
        const QJsonValue minutes = after.value(QStringLiteral("interval_minutes"));
        if (minutes.isDouble()) f.intervalMinutes = minutes.toInt();
        const QDateTime clock =
            QDateTime::fromString(after.value(QStringLiteral("clock")).toString(), Qt::ISODate);
        if (clock.isValid()) f.clock = QDateTime(clock.date(), clock.time(), Qt::UTC);
        facts.second.push_back(f);
    };
    if (!walk(QStringLiteral("SELECT at, details FROM station_log WHERE serial = ? "
                             "AND kind = 'config_send' ORDER BY at, id"),
              send, qlonglong(serial)))
        return std::nullopt;
    return facts;
}

bool Archive::log(std::uint32_t serial, const LogEntry& entry) {
    if (!isOpen()) return fail(Access::Update, text(texts::kNotOpen));
    QSqlError error;
    Statement insert(prepared(QStringLiteral("INSERT INTO station_log (serial, at, kind, port, "
                                             "user_name, details) VALUES (?, ?, ?, ?, ?, ?)"),
                              error),
                     error);
    if (!insert.run(qlonglong(serial), qlonglong(naiveSeconds(entry.at)), entry.kind,
                    entry.port.isEmpty() ? nullText() : QVariant(entry.port),
                    entry.user.isEmpty() ? nullText() : QVariant(entry.user),
                    QString::fromUtf8(QJsonDocument(entry.details).toJson(QJsonDocument::Compact))))
        return fail(Access::Update, reasonOf(error));
    return true;
}

std::optional<QStringList> Archive::check() {
    if (!isOpen()) {
        fail(Access::Read, text(texts::kNotOpen));
        return std::nullopt;
    }
    QStringList problems;
    const auto integrity = [&](const QSqlQuery& q) {
        const QString said = q.value(0).toString();
        if (said != QLatin1String("ok")) problems << said;
    };
    if (dialect_ == Dialect::SQLite && !walk(QStringLiteral("PRAGMA integrity_check"), integrity))
        return std::nullopt;
    const auto figures = [&](const QSqlQuery& q) {
        const QString serial = serialText(std::uint32_t(q.value(0).toLongLong()));
        const auto differs = [&](const char* what, int kept, int counted) {
            const QVariant a = q.value(kept), b = q.value(counted);
            if (a.isNull() == b.isNull() && (a.isNull() || a.toLongLong() == b.toLongLong()))
                return;
            problems << text(texts::kFigureDiffers)
                            .arg(serial, QString::fromLatin1(what),
                                 a.isNull() ? QStringLiteral("-") : a.toString(),
                                 b.isNull() ? QStringLiteral("-") : b.toString());
        };
        differs("readings", 1, 6);
        differs("first_t", 2, 7);
        differs("last_t", 3, 8);
        differs("conflicts", 4, 9);
        differs("widest", 5, 10);
    };
    if (!walk(QStringLiteral(R"(
SELECT s.serial, s.readings, s.first_t, s.last_t, s.conflicts, s.widest,
       (SELECT COUNT(*) FROM readings r WHERE r.serial = s.serial),
       (SELECT MIN(t) FROM readings r WHERE r.serial = s.serial),
       (SELECT MAX(t) FROM readings r WHERE r.serial = s.serial AND r.future = 0),
       (SELECT COUNT(*) FROM conflicts c WHERE c.serial = s.serial),
       (SELECT COALESCE(MAX(n), 0) FROM readings r WHERE r.serial = s.serial)
FROM stations s ORDER BY s.serial)"),
              figures))
        return std::nullopt;
    return problems;
}

std::optional<std::vector<LogEntry>> Archive::history(std::uint32_t serial) {
    if (!isOpen()) {
        fail(Access::Read, text(texts::kNotOpen));
        return std::nullopt;
    }
    std::vector<std::pair<qint64, LogEntry>> all;  // by PC time; downloads first at a tie
    const auto download = [&](const QSqlQuery& q) {
        LogEntry e;
        e.kind = QStringLiteral("download");
        e.at = stampOf(q.value(0).toLongLong());
        e.port = q.value(1).toString();
        e.user = q.value(2).toString();
        const auto offset = optionalInt(q.value(8));
        e.details = {
            {QStringLiteral("blocks"), q.value(3).toLongLong()},
            {QStringLiteral("readings"), q.value(4).toLongLong()},
            {QStringLiteral("new"), q.value(5).toLongLong()},
            {QStringLiteral("duplicates"), q.value(6).toLongLong()},
            {QStringLiteral("conflicts"), q.value(7).toLongLong()},
            {QStringLiteral("clock_offset_s"), offset ? QJsonValue(*offset) : QJsonValue()},
            {QStringLiteral("base_file"), q.value(9).toString()}};
        all.emplace_back(q.value(0).toLongLong(), std::move(e));
    };
    if (!walk(QStringLiteral(R"(
SELECT stored_at, port, user_name, blocks, readings, new_readings, duplicates, conflicts,
       clock_offset_s, base_file
FROM downloads WHERE serial = ? AND port IS NOT NULL ORDER BY stored_at, id)"),
              download, qlonglong(serial)))
        return std::nullopt;
    const auto entry = [&](const QSqlQuery& q) {
        LogEntry e;
        e.at = stampOf(q.value(0).toLongLong());
        e.kind = q.value(1).toString();
        e.port = q.value(2).toString();
        e.user = q.value(3).toString();
        e.details = QJsonDocument::fromJson(q.value(4).toString().toUtf8()).object();
        all.emplace_back(q.value(0).toLongLong(), std::move(e));
    };
    if (!walk(QStringLiteral("SELECT at, kind, port, user_name, details FROM station_log "
                             "WHERE serial = ? ORDER BY at, id"),
              entry, qlonglong(serial)))
        return std::nullopt;
    std::stable_sort(all.begin(), all.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<LogEntry> out;
    out.reserve(all.size());
    for (auto& [at, e] : all) out.push_back(std::move(e));
    return out;
}

std::optional<std::optional<QDateTime>> Archive::lastVisit(std::uint32_t serial) {
    if (!isOpen()) {
        fail(Access::Read, text(texts::kNotOpen));
        return std::nullopt;
    }
    QSqlError error;
    Statement last(prepared(QStringLiteral(R"(
SELECT MAX(t) FROM (
    SELECT MAX(stored_at) AS t FROM downloads WHERE serial = ? AND port IS NOT NULL
    UNION ALL
    SELECT MAX(at) AS t FROM station_log WHERE serial = ? AND kind = 'config_send') visits)"),
                            error),
                   error);
    if (!last.run(qlonglong(serial), qlonglong(serial)) || !last.query().next()) {
        fail(Access::Read, reasonOf(error));
        return std::nullopt;
    }
    return optionalStamp(last.query().value(0));
}

std::optional<Archive::Header> Archive::headerOf(std::uint32_t serial) {
    QSqlError error;
    Statement header(
        prepared(QStringLiteral("SELECT column_header, widest FROM stations WHERE serial = ?"),
                 error),
        error);
    if (!header.run(qlonglong(serial))) {
        fail(Access::Read, reasonOf(error));
        return std::nullopt;
    }
    if (!header.query().next())
        return walkedWhole(header.query()) ? std::optional(Header()) : std::nullopt;
    return Header{columnsOfHeader(header.query().value(0).toString()),
                  header.query().value(1).toInt()};
}

bool Archive::walkReadings(std::uint32_t serial, const QDateTime& from, const QDateTime& to,
                           int widest, const std::function<bool(qint64, RecordValues&&)>& take) {
    // Only the columns the logger's readings use: each one read costs as much as a reading's
    // stamp.
    widest = std::clamp(widest, 0, int(kMaxColumns));
    // The stamp and the count of values come as one number, t * 8 + n (n is at most 4): one
    // column less to fetch a row.
    QString sql = QStringLiteral("SELECT t * 8 + n");
    for (int c = 1; c <= widest; ++c) sql += QStringLiteral(", v%1").arg(c);
    sql += QStringLiteral(" FROM readings WHERE serial = ? AND t BETWEEN ? AND ? ORDER BY t");
    QSqlError error;
    Statement range(prepared(sql, error), error);
    if (!range.run(qlonglong(serial), qlonglong(from.isValid() ? naiveSeconds(from) : kOpenFrom),
                   qlonglong(to.isValid() ? naiveSeconds(to) : kOpenTo)))
        return fail(Access::Read, reasonOf(error));
    QSqlQuery& q = range.query();
    while (q.next()) {
        const qint64 key = q.value(0).toLongLong();
        const int n = int(key & 7);
        if (n > widest) return fail(Access::Read, text(texts::kCorrupt));
        RecordValues values(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            const QVariant v = q.value(1 + i);
            if (!v.isNull()) values[std::size_t(i)] = recordValue(v.toDouble());
        }
        if (!take(key >> 3, std::move(values))) return false;
    }
    return walkedWhole(q);
}

std::optional<ReadingSet> Archive::readings(std::uint32_t serial, const QDateTime& from,
                                            const QDateTime& to) {
    if (!isOpen()) {
        fail(Access::Read, text(texts::kNotOpen));
        return std::nullopt;
    }
    ReadingSet set;
    std::optional<Header> header = headerOf(serial);
    if (!header) return std::nullopt;
    set.columns = std::move(header->columns);
    const auto take = [&](qint64 t, RecordValues&& values) {
        set.readings.push_back({serial, stampOf(t), std::move(values)});
        return true;
    };
    if (!walkReadings(serial, from, to, header->widest, take)) return std::nullopt;
    return set;
}

std::optional<Archive::Export> Archive::exportCsv(std::uint32_t serial, const QDateTime& from,
                                                  const QDateTime& to) {
    Export e;
    const std::optional<qint64> n = exportCsv(serial, from, to, [&](const QString& piece) {
        e.text += piece;
        return true;
    });
    if (!n) return std::nullopt;
    e.readings = *n;
    return e;
}

std::optional<qint64> Archive::exportCsv(std::uint32_t serial, const QDateTime& from,
                                         const QDateTime& to,
                                         const std::function<bool(const QString&)>& write) {
    if (!isOpen()) {
        fail(Access::Read, text(texts::kNotOpen));
        return std::nullopt;
    }
    const std::optional<Header> header = headerOf(serial);
    if (!header) return std::nullopt;
    // Pieces of about this many characters: the export's memory does not grow with it.
    constexpr qsizetype kPiece = 1 << 16;
    QString piece = readingsCsvHeader(header->columns);
    piece.reserve(kPiece + 1024);
    qint64 count = 0;
    bool written = true;
    const auto take = [&](qint64 t, RecordValues&& values) {
        appendExportLine(piece, t, values);
        ++count;
        if (piece.size() < kPiece) return true;
        written = write(piece);
        piece.resize(0);
        return written;
    };
    if (!walkReadings(serial, from, to, header->widest, take)) return std::nullopt;
    if (!piece.isEmpty() && !write(piece)) return std::nullopt;
    return count;
}

std::optional<std::vector<Conflict>> Archive::conflicts(std::uint32_t serial) {
    if (!isOpen()) {
        fail(Access::Read, text(texts::kNotOpen));
        return std::nullopt;
    }
    std::vector<Conflict> conflicts;
    const auto conflict = [&](const QSqlQuery& q) {
        const auto stored = storedValuesAt(q, 1);
        const auto arrived = storedValuesAt(q, 6);
        if (!stored || !arrived) return fail(Access::Read, text(texts::kCorrupt));
        conflicts.push_back({stampOf(q.value(0).toLongLong()), recordValuesOf(*stored),
                             recordValuesOf(*arrived), q.value(11).toLongLong()});
        return true;
    };
    if (!walk(QStringLiteral(R"(
SELECT c.t, r.n, r.v1, r.v2, r.v3, r.v4, c.n, c.v1, c.v2, c.v3, c.v4, c.download_id
FROM conflicts c JOIN readings r ON r.serial = c.serial AND r.t = c.t
WHERE c.serial = ? ORDER BY c.t, c.download_id, c.n, c.v1, c.v2, c.v3, c.v4)"),
              conflict, qlonglong(serial)))
        return std::nullopt;
    return conflicts;
}

QString serialText(std::uint32_t serial) {
    return QStringLiteral("%1").arg(serial, 8, 10, QLatin1Char('0'));
}

QString Station::serialText() const {
    return archive::serialText(serial);
}

QString Station::user() const {
    return withoutTrailingBlanks(texts.user);
}

QString Station::location() const {
    return withoutTrailingBlanks(texts.location);
}

std::optional<QString> fileSha256(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) return std::nullopt;
    return QString::fromLatin1(hash.result().toHex());
}

QString countsLine(const StoreResult& r) {
    QString line = text(texts::kCounts).arg(r.added).arg(r.duplicates).arg(r.conflicts);
    if (r.future > 0) line += text(texts::kFutureCount).arg(r.future);
    return line;
}

std::optional<QDateTime> parseRangeEnd(const QString& text, RangeEnd end) {
    // Date and time apart: read as one local time, a stamp in the hour a clock change skips
    // would move.
    const QDate day = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid()) return std::nullopt;
    if (text.size() == 10)
        return QDateTime(day, end == RangeEnd::From ? QTime(0, 0) : QTime(23, 59, 59), Qt::UTC);
    if (text.size() != 19 || text[10] != QLatin1Char('T')) return std::nullopt;
    const QTime time = QTime::fromString(text.mid(11), QStringLiteral("HH:mm:ss"));
    if (!time.isValid()) return std::nullopt;
    return QDateTime(day, time, Qt::UTC);
}

}  // namespace vernoll::archive
