#include "archive/schema.h"

#include <QRegularExpression>
#include <iterator>

namespace vernoll::archive {

namespace {

// Time stamps are whole seconds of a clock without time zone (the logger's own, or the PC's
// wall clock), counted as if that clock ran in UTC. Up to version 4 a reading's values were
// one small blob of single-precision floats (values.h); since version 5 they are one double
// column each, the numbers the download's CSV prints, which any SQL tool reads.
//
// Markers replaced per dialect: {id} an automatic key, {blob} a byte string, {real} a double,
// {compact} how a table keyed by its own columns is stored (SQLite: without a hidden row
// number), {stamp X} the seconds X as a time without time zone (SQLite: the text
// "yyyy-MM-dd HH:mm:ss"), {flag X} the 0/1 X as a boolean (SQLite: 0/1), {blanks} the
// characters that trailing blanks are made of.
const char* const kSteps[] = {
    // 1: the first schema.
    R"(CREATE TABLE schema_version (version INTEGER NOT NULL);
INSERT INTO schema_version (version) VALUES (0);
CREATE TABLE stations (
    serial INTEGER PRIMARY KEY,
    device TEXT NOT NULL DEFAULT '',
    user_text TEXT, location TEXT, latitude TEXT, longitude TEXT, altitude TEXT,
    column_header TEXT NOT NULL DEFAULT '');
CREATE TABLE downloads (
    id {id},
    serial INTEGER NOT NULL,
    stored_at BIGINT NOT NULL,
    port TEXT,
    blocks INTEGER,
    logger_clock BIGINT,
    pc_clock BIGINT,
    clock_offset_s BIGINT,
    base_file TEXT,
    base_file_sha256 TEXT,
    readings INTEGER NOT NULL,
    new_readings INTEGER NOT NULL,
    duplicates INTEGER NOT NULL,
    conflicts INTEGER NOT NULL,
    first_t BIGINT,
    last_t BIGINT);
CREATE TABLE readings (
    serial INTEGER NOT NULL,
    t BIGINT NOT NULL,
    v {blob} NOT NULL,
    PRIMARY KEY (serial, t)) {compact};
CREATE TABLE conflicts (
    serial INTEGER NOT NULL,
    t BIGINT NOT NULL,
    v {blob} NOT NULL,
    download_id BIGINT NOT NULL,
    PRIMARY KEY (serial, t, v)) {compact})",

    // 2: readings stamped later than the PC clock plus one day are flagged when stored, so
    // that the newest reading of a logger and of a download can pass over them. Rows stored
    // before count as not future.
    R"(ALTER TABLE readings ADD COLUMN future SMALLINT NOT NULL DEFAULT 0;
ALTER TABLE downloads ADD COLUMN future INTEGER NOT NULL DEFAULT 0)",

    // 3: the station list reads each logger's figures from its own row instead of counting
    // a million readings, and finds its last download through an index.
    R"(ALTER TABLE stations ADD COLUMN readings BIGINT NOT NULL DEFAULT 0;
ALTER TABLE stations ADD COLUMN first_t BIGINT;
ALTER TABLE stations ADD COLUMN last_t BIGINT;
ALTER TABLE stations ADD COLUMN conflicts BIGINT NOT NULL DEFAULT 0;
UPDATE stations SET
    readings = (SELECT COUNT(*) FROM readings r WHERE r.serial = stations.serial),
    first_t = (SELECT MIN(t) FROM readings r WHERE r.serial = stations.serial),
    last_t = (SELECT MAX(t) FROM readings r WHERE r.serial = stations.serial AND r.future = 0),
    conflicts = (SELECT COUNT(*) FROM conflicts c WHERE c.serial = stations.serial);
CREATE INDEX downloads_by_serial ON downloads (serial, stored_at))",

    // 4: the station's log. A download's own row says who made it, the sampling interval and
    // the memory's capacity (for the forecast of when it fills); configuration sends, serial-
    // number writes and SMS settings writes are rows of their own, their particulars a JSON
    // object as archive history gives them.
    R"(ALTER TABLE downloads ADD COLUMN user_name TEXT;
ALTER TABLE downloads ADD COLUMN interval_minutes INTEGER;
ALTER TABLE downloads ADD COLUMN memory_records BIGINT;
CREATE TABLE station_log (
    id {id},
    serial INTEGER NOT NULL,
    at BIGINT NOT NULL,
    kind TEXT NOT NULL,
    port TEXT,
    user_name TEXT,
    details TEXT NOT NULL);
CREATE INDEX station_log_by_serial ON station_log (serial, at))",

    // 5: a reading's values as numbers that plain SQL reads. One row per reading, as before:
    // n is how many value columns the reading has, v1 to v4 its values in the order of the
    // logger's column header (NULL where the record gave none); the station's row says the
    // most any of its readings has, so that reading them asks for no more columns. The program
    // converts the
    // stored blobs between the tables' creation and the old tables' removal. The names of the
    // columns per logger, from its header, and the two views that SQL tools read (the
    // command line's documentation describes them; their columns do not change).
    R"(ALTER TABLE readings RENAME TO readings_v4;
ALTER TABLE conflicts RENAME TO conflicts_v4;
CREATE TABLE readings (
    serial INTEGER NOT NULL,
    t BIGINT NOT NULL,
    future SMALLINT NOT NULL DEFAULT 0,
    n SMALLINT NOT NULL,
    v1 {real}, v2 {real}, v3 {real}, v4 {real},
    CONSTRAINT reading_key PRIMARY KEY (serial, t)) {compact};
CREATE TABLE conflicts (
    serial INTEGER NOT NULL,
    t BIGINT NOT NULL,
    download_id BIGINT NOT NULL,
    n SMALLINT NOT NULL,
    v1 {real}, v2 {real}, v3 {real}, v4 {real});
CREATE INDEX conflicts_by_reading ON conflicts (serial, t);
CREATE TABLE station_columns (
    serial INTEGER NOT NULL,
    column_no INTEGER NOT NULL,
    name TEXT NOT NULL,
    unit TEXT NOT NULL,
    PRIMARY KEY (serial, column_no)) {compact};
{values to columns};
DROP TABLE readings_v4;
DROP TABLE conflicts_v4;
ALTER TABLE stations ADD COLUMN widest SMALLINT NOT NULL DEFAULT 0;
UPDATE stations SET
    widest = COALESCE((SELECT MAX(n) FROM readings r WHERE r.serial = stations.serial), 0);
CREATE VIEW reading_values AS
SELECT r.serial AS serial, {stamp r.t} AS t, k.column_no AS column_no,
       COALESCE(c.name, '') AS name, COALESCE(c.unit, '') AS unit,
       CASE k.column_no WHEN 1 THEN r.v1 WHEN 2 THEN r.v2 WHEN 3 THEN r.v3 ELSE r.v4 END AS value,
       {flag r.future} AS future
FROM readings r
JOIN (SELECT 1 AS column_no UNION ALL SELECT 2 UNION ALL SELECT 3 UNION ALL SELECT 4) k
    ON k.column_no <= r.n
LEFT JOIN station_columns c ON c.serial = r.serial AND c.column_no = k.column_no;
CREATE VIEW station_summary AS
SELECT s.serial AS serial, RTRIM(s.device, {blanks}) AS device,
       COALESCE(RTRIM(s.user_text, {blanks}), '') AS user_text,
       COALESCE(RTRIM(s.location, {blanks}), '') AS location,
       COALESCE(RTRIM(s.latitude, {blanks}), '') AS latitude,
       COALESCE(RTRIM(s.longitude, {blanks}), '') AS longitude,
       COALESCE(RTRIM(s.altitude, {blanks}), '') AS altitude,
       s.readings AS readings, {stamp s.first_t} AS first_t, {stamp s.last_t} AS last_t,
       {stamp (SELECT MAX(d.stored_at) FROM downloads d
                WHERE d.serial = s.serial AND d.port IS NOT NULL)} AS last_download
FROM stations s)",
};

}  // namespace

int currentSchemaVersion() {
    return int(std::size(kSteps));
}

QStringList migrationSteps(int version, Dialect dialect) {
    QStringList statements;
    if (version < 1 || version > currentSchemaVersion()) return statements;
    const bool lite = dialect == Dialect::SQLite;
    QString text = QString::fromLatin1(kSteps[version - 1]);
    text.replace(QLatin1String("{id}"),
                 lite ? QLatin1String("INTEGER PRIMARY KEY")
                      : QLatin1String("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"));
    text.replace(QLatin1String("{blob}"), lite ? QLatin1String("BLOB") : QLatin1String("BYTEA"));
    text.replace(QLatin1String("{real}"),
                 lite ? QLatin1String("REAL") : QLatin1String("DOUBLE PRECISION"));
    text.replace(QLatin1String("{compact}"),
                 lite ? QLatin1String("WITHOUT ROWID") : QLatin1String(""));
    text.replace(QLatin1String("{values to columns}"), QLatin1String(kValuesToColumns));
    text.replace(QLatin1String("{blanks}"),
                 lite ? QLatin1String("' ' || char(9, 10, 13)")
                      : QLatin1String("' ' || chr(9) || chr(10) || chr(13)"));
    static const QRegularExpression stamp(QStringLiteral(R"(\{stamp ([^{}]+)\})"));
    text.replace(stamp, lite ? QStringLiteral("datetime(\\1, 'unixepoch')")
                             : QStringLiteral("(TIMESTAMP '1970-01-01 00:00:00' + "
                                              "(\\1) * INTERVAL '1 second')"));
    static const QRegularExpression flag(QStringLiteral(R"(\{flag ([^{}]+)\})"));
    text.replace(flag, lite ? QStringLiteral("\\1") : QStringLiteral("(\\1 <> 0)"));
    // No statement of the steps holds a ';' inside a text.
    for (const QString& s : text.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!s.trimmed().isEmpty()) statements << s.trimmed();
    return statements;
}

}  // namespace vernoll::archive
