// collect and the station archive: a logger's readings downloaded and kept, base files
// imported, the stations listed, one logger's readings exported.

#include <QByteArrayList>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <tuple>

#include "archive/archive.h"
#include "archive/location.h"
#include "cli/archive_options.h"
#include "cli/commands.h"
#include "config/config_import.h"
#include "config/device.h"
#include "family/family.h"
#include "link/codepage.h"
#include "memory/download.h"
#include "memory/file_io.h"
#include "station/download_archiving.h"

namespace vernoll::cli {

namespace {

QJsonValue stampOrNull(const std::optional<QDateTime>& stamp) {
    return stamp ? QJsonValue(stampText(*stamp)) : QJsonValue();
}

QJsonValue numberOrNull(const std::optional<qint64>& n) {
    return n ? QJsonValue(*n) : QJsonValue();
}

// The archive's own message (its location and why), printed as the program's texts are.
int archiveFailed(Session& session, const archive::Archive& store) {
    session.dialogs().message(store.error());
    return FileError;
}

}  // namespace

std::optional<std::uint32_t> serialArgument(Session& session, const QCommandLineParser& parser) {
    const QString text = parser.value(QStringLiteral("serial"));
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,8}$"));
    const uint n = text.toUInt();
    if (!digits.match(text).hasMatch() || n == 0) {
        session.complain(QStringLiteral("--serial takes the logger's serial number, 1 to 8 "
                                        "digits (got \"%1\")")
                             .arg(text));
        return std::nullopt;
    }
    return n;
}

std::optional<Range> rangeArguments(Session& session, const QCommandLineParser& parser) {
    Range range;
    for (const auto& [name, end, into] :
         {std::tuple{QStringLiteral("from"), archive::RangeEnd::From, &range.from},
          std::tuple{QStringLiteral("to"), archive::RangeEnd::To, &range.to}}) {
        if (!parser.isSet(name)) continue;
        const auto stamp = archive::parseRangeEnd(parser.value(name), end);
        if (!stamp) {
            session.complain(QStringLiteral("--%1 takes \"yyyy-MM-dd\" or "
                                            "\"yyyy-MM-ddTHH:mm:ss\" (got \"%2\")")
                                 .arg(name, parser.value(name)));
            return std::nullopt;
        }
        *into = *stamp;
    }
    if (range.from.isValid() && range.to.isValid() && range.from > range.to) {
        session.complain(
            QStringLiteral("--from %1 is later than --to %2")
                .arg(parser.value(QStringLiteral("from")), parser.value(QStringLiteral("to"))));
        return std::nullopt;
    }
    return range;
}

QString archiveLocation(const Session& session) {
    return archive::chosenLocation(session.options().archive);
}

std::optional<memory::ImageReadings> baseFileReadings(Session& session, const QString& path,
                                                      std::uint32_t serial, qint64* ignored) {
    session.assumeSerial(serial);
    std::optional<QByteArray> bytes = memory::readBaseFile(path, session.frames());
    if (!bytes) {
        session.complain(QStringLiteral("cannot read ") + path);
        return std::nullopt;
    }
    // Four 16-byte records to a block: a record the file cuts short would decode into values
    // the logger never recorded, and be kept for good.
    constexpr qsizetype kRecordBytes = 16;
    const qsizetype cut = bytes->size() % kRecordBytes;
    bytes->chop(cut);
    if (ignored) *ignored = cut;
    session.logger().image() = memory::MemoryImage();
    memory::loadBaseFile(session.logger().image(), *bytes);
    session.dialogs().message(QStringLiteral("El archivo se proceso con exito"));
    return memory::readingsOfImage(session.logger().image(), session.frames(), session.nserie(),
                                   serial);
}

namespace {

int collectOne(Session& session);

// What one port's collection printed, kept until every port is done.
struct PortCollection {
    QString port;
    std::FILE* out = nullptr;  // temporary files: portable, and a thread may write its own
    std::FILE* err = nullptr;
    int status = NoLogger;
};

QByteArray contents(std::FILE* file) {
    QByteArray bytes;
    std::rewind(file);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, qsizetype(n));
    return bytes;
}

// Every port at the same time, each in a thread of its own with a session of its own (its
// port, its channels, its event loop and its archive connection); then, in the order of the
// ports, what each logger's collection printed. Ports where no logger answered say nothing.
int collectEvery(Session& session) {
    const GlobalOptions& options = session.options();
    const QStringList ports = options.simulate          ? session.ports().locations()
                              : options.ports.isEmpty() ? PortList::system().locations()
                                                        : options.ports;
    std::vector<PortCollection> runs(std::size_t(ports.size()));
    std::vector<std::unique_ptr<QThread>> threads;
    for (qsizetype i = 0; i < ports.size(); ++i) {
        PortCollection& run = runs[std::size_t(i)];
        run.port = ports[i];
        run.out = std::tmpfile();
        run.err = std::tmpfile();
        if (!run.out || !run.err) {
            session.complain(QStringLiteral("no se puede crear un archivo temporal"));
            return FileError;
        }
        GlobalOptions one = options;
        if (!options.simulate) one.ports = QStringList{run.port};
        if (options.trace)
            one.trace = *options.trace + QLatin1Char('.') + QFileInfo(run.port).fileName();
        threads.push_back(std::unique_ptr<QThread>(QThread::create([&run, one] {
            Session own(one, run.out, run.err);
            run.status = own.traceStatus();
            if (run.status == Done) run.status = collectOne(own);
        })));
    }
    for (const auto& t : threads) t->start();
    for (const auto& t : threads) t->wait();

    int status = NoLogger;
    QByteArrayList collected;
    for (const PortCollection& run : runs) {
        const QByteArray out = contents(run.out);
        const QByteArray err = contents(run.err);
        std::fclose(run.out);
        std::fclose(run.err);
        // A port the user named says why nothing answered there; the system's own ports do
        // not (most have no logger).
        if (run.status == NoLogger && options.ports.isEmpty()) continue;
        // Each message names its port: they come from several loggers.
        for (const QByteArray& line : err.split('\n'))
            if (!line.isEmpty())
                std::fprintf(session.err(), "%s: %s\n", qPrintable(run.port), line.constData());
        if (run.status == NoLogger) continue;
        status = status == NoLogger ? run.status : std::max(status, run.status);
        if (options.json)
            collected << out.trimmed();
        else
            session.print(QString::fromUtf8(out));
    }
    std::fflush(session.err());
    if (status == NoLogger)
        session.complain(QStringLiteral("ning\u00fan registrador respondi\u00f3 (%1)")
                             .arg(ports.join(QStringLiteral(", "))));
    if (options.json)
        session.print(QString::fromUtf8("{\"collected\":[" + collected.join(',') + "]}\n"));
    return status;
}

}  // namespace

int collect(Session& session, const QCommandLineParser& parser) {
    if (!session.noPositional(parser)) return Usage;
    if (parser.isSet(QStringLiteral("every"))) return collectEvery(session);
    return collectOne(session);
}

namespace {

int collectOne(Session& session) {
    int status = session.connect(true);
    if (status != Done) return status;

    // collect keeps the readings in the archive and writes no CSV.
    status = runDownload(session);
    if (status != Done) return status;

    const station::DownloadResult& result = *session.job().last();
    const std::optional<station::Archived>& archived = result.archived;
    const auto& configuration = session.logger().configuration();
    const QString serial = archive::serialText(station::serialOf(configuration, session.nserie()));
    const QString port = session.ports().location(session.channels().exchange().port);
    const std::optional<qint64> offset =
        configuration ? configuration->clockOffset() : std::nullopt;
    std::optional<archive::StoreResult> stored;
    if (archived) stored = archived->result;
    const auto count = [&](qint64 archive::StoreResult::*field) {
        return stored ? QJsonValue((*stored).*field) : QJsonValue();
    };
    const QString location =
        archived ? archived->location : archive::withoutPassword(archiveLocation(session));
    const qint64 readings = archived ? archived->readings : 0;

    if (session.options().json) {
        session.printJson({
            {QStringLiteral("serial"), serial},
            {QStringLiteral("port"), port},
            {QStringLiteral("blocks"), result.blocks},
            {QStringLiteral("readings"), readings},
            {QStringLiteral("new"), count(&archive::StoreResult::added)},
            {QStringLiteral("duplicates"), count(&archive::StoreResult::duplicates)},
            {QStringLiteral("conflicts"), count(&archive::StoreResult::conflicts)},
            {QStringLiteral("first"), stampOrNull(stored ? stored->first : std::nullopt)},
            {QStringLiteral("last"), stampOrNull(stored ? stored->last : std::nullopt)},
            {QStringLiteral("clock_offset_s"), numberOrNull(offset)},
            {QStringLiteral("base_file"), result.copyPath},
            {QStringLiteral("archive"), location},
            {QStringLiteral("future"), count(&archive::StoreResult::future)},
        });
    } else {
        QString line = QStringLiteral("%1 on %2: %3 blocks, %4 readings")
                           .arg(serial, port)
                           .arg(result.blocks)
                           .arg(readings);
        if (stored) {
            line += QStringLiteral(", %1 new, %2 already stored, %3 in conflict")
                        .arg(stored->added)
                        .arg(stored->duplicates)
                        .arg(stored->conflicts);
            if (stored->future > 0)
                line += QStringLiteral(", %1 dated in the future").arg(stored->future);
            if (stored->first && stored->last)
                line += QStringLiteral(", %1 to %2")
                            .arg(stampText(*stored->first), stampText(*stored->last));
            line += QStringLiteral(", kept in ") + location;
        } else {
            line += QStringLiteral(", not kept in ") + location;
        }
        session.print(line + QLatin1Char('\n'));
    }
    // A copy that could not be written ends the command as a file error, after the readings
    // were stored (the success message said it).
    return (archived && archived->failed()) || result.copyFailed ? FileError : Done;
}

}  // namespace

int archiveImport(Session& session, const QCommandLineParser& parser) {
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty() || !parser.isSet(QStringLiteral("serial"))) {
        session.complain(QStringLiteral("archive import takes BASE... and --serial N"));
        return Usage;
    }
    const auto serial = serialArgument(session, parser);
    if (!serial) return Usage;
    // A number no logger family has decodes nothing: it would only leave an empty station.
    const family::Family* family = family::of(double(*serial));
    if (!family || !family->name) {
        session.complain(QStringLiteral("no logger family has the serial number %1")
                             .arg(archive::serialText(*serial)));
        return Usage;
    }

    archive::Archive store;
    if (!store.open(archiveLocation(session), archive::Archive::Access::Update))
        return archiveFailed(session, store);

    archive::StoreResult total;
    qint64 read = 0;
    qint64 kept = 0;  // files whose readings were stored
    qint64 ignored = 0;
    int status = Done;
    for (const QString& path : files) {
        qint64 cut = 0;
        const auto decoded = baseFileReadings(session, path, *serial, &cut);
        ignored += cut;
        if (!decoded) {
            status = FileError;
            continue;
        }
        ++read;
        archive::Batch batch;
        batch.serial = *serial;
        if (family && family->name) {
            batch.device = QString::fromUtf8(family->name);
            batch.columnHeader = QString::fromUtf8(family->header);
        }
        batch.baseFile = QFileInfo(path).absoluteFilePath();
        batch.baseFileSha256 = archive::fileSha256(path).value_or(QString());
        batch.readings = decoded->readings;
        const auto result = store.store(batch);
        if (!result) {
            session.dialogs().message(store.error());
            status = FileError;
            continue;
        }
        ++kept;
        total.readings += result->readings;
        total.added += result->added;
        total.duplicates += result->duplicates;
        total.conflicts += result->conflicts;
        total.future += result->future;
    }

    if (session.options().json) {
        // Nothing stored is null, as collect says it, not a count of zero.
        const auto count = [kept](qint64 n) { return kept > 0 ? QJsonValue(n) : QJsonValue(); };
        session.printJson({{QStringLiteral("files"), read},
                           {QStringLiteral("readings"), count(total.readings)},
                           {QStringLiteral("new"), count(total.added)},
                           {QStringLiteral("duplicates"), count(total.duplicates)},
                           {QStringLiteral("conflicts"), count(total.conflicts)},
                           {QStringLiteral("future"), count(total.future)},
                           {QStringLiteral("ignored_bytes"), ignored}});
    } else {
        session.print(QStringLiteral("%1 %2, %3 readings. ")
                          .arg(read)
                          .arg(read == 1 ? QStringLiteral("file") : QStringLiteral("files"))
                          .arg(total.readings) +
                      archive::countsLine(total) +
                      (ignored > 0 ? QStringLiteral(" %1 bytes at the end of a record cut short "
                                                    "were ignored.")
                                         .arg(ignored)
                                   : QString()) +
                      QLatin1Char('\n'));
    }
    return status;
}

namespace {

// The station list as a table a reader scans: one logger a line, columns aligned.
QString stationTable(const std::vector<archive::Station>& stations) {
    QList<QStringList> rows = {{QStringLiteral("SERIAL"), QStringLiteral("DEVICE"),
                                QStringLiteral("READINGS"), QStringLiteral("FIRST"),
                                QStringLiteral("LAST"), QStringLiteral("LAST DOWNLOAD"),
                                QStringLiteral("OFFSET S"), QStringLiteral("CONFLICTS"),
                                QStringLiteral("USER"), QStringLiteral("LOCATION")}};
    const auto stamp = [](const std::optional<QDateTime>& s) {
        return s ? stampText(*s) : QStringLiteral("-");
    };
    for (const archive::Station& s : stations)
        rows << QStringList{s.serialText(),
                            s.device,
                            QString::number(s.readings),
                            stamp(s.first),
                            stamp(s.last),
                            stamp(s.lastDownload),
                            s.clockOffsetS ? QString::number(*s.clockOffsetS) : QStringLiteral("-"),
                            QString::number(s.conflicts),
                            s.user(),
                            s.location()};
    std::vector<qsizetype> widths(std::size_t(rows.first().size()), 0);
    for (const QStringList& row : rows)
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[std::size_t(i)] = std::max(widths[std::size_t(i)], row[i].size());
    QString text;
    for (const QStringList& row : rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i > 0) line += QStringLiteral("  ");
            line += i + 1 < row.size() ? row[i].leftJustified(widths[std::size_t(i)]) : row[i];
        }
        text += line.trimmed() + QLatin1Char('\n');
    }
    return text;
}

}  // namespace

int archiveList(Session& session, const QCommandLineParser& parser) {
    if (!session.noPositional(parser)) return Usage;
    archive::Archive store;
    if (!store.open(archiveLocation(session), archive::Archive::Access::Read))
        return archiveFailed(session, store);
    const auto stations = store.stations();
    if (!stations) return archiveFailed(session, store);

    if (!session.options().json) {
        session.print(stationTable(*stations));
        return Done;
    }
    QByteArrayList list;
    for (const archive::Station& s : *stations)
        list << Session::jsonText({
            {QStringLiteral("serial"), s.serialText()},
            {QStringLiteral("device"), s.device},
            {QStringLiteral("user"), s.user()},
            {QStringLiteral("location"), s.location()},
            {QStringLiteral("readings"), s.readings},
            {QStringLiteral("first"), stampOrNull(s.first)},
            {QStringLiteral("last"), stampOrNull(s.last)},
            {QStringLiteral("last_download"), stampOrNull(s.lastDownload)},
            {QStringLiteral("clock_offset_s"), numberOrNull(s.clockOffsetS)},
            {QStringLiteral("conflicts"), s.conflicts},
            {QStringLiteral("interval_minutes"), numberOrNull(s.foresight.intervalMinutes)},
            {QStringLiteral("memory_records"), numberOrNull(s.foresight.memoryRecords)},
            {QStringLiteral("memory_used"), numberOrNull(s.foresight.memoryUsed)},
            {QStringLiteral("memory_full_at"), stampOrNull(s.foresight.memoryFullAt)},
            {QStringLiteral("drift_s_per_day"),
             s.foresight.driftSPerDay ? QJsonValue(*s.foresight.driftSPerDay) : QJsonValue()},
            {QStringLiteral("days_since_download"), numberOrNull(s.foresight.daysSinceDownload)},
        });
    session.print(QString::fromUtf8("{\"stations\":[" + list.join(',') + "]}\n"));
    return Done;
}

int archiveCheck(Session& session, const QCommandLineParser& parser) {
    if (!session.noPositional(parser)) return Usage;
    archive::Archive store;
    if (!store.open(archiveLocation(session), archive::Archive::Access::Read))
        return archiveFailed(session, store);
    const auto problems = store.check();
    if (!problems) return archiveFailed(session, store);
    if (session.options().json)
        session.printJson({{QStringLiteral("ok"), problems->isEmpty()},
                           {QStringLiteral("problems"), QJsonArray::fromStringList(*problems)}});
    else
        session.print(problems->isEmpty() ? QStringLiteral("ok\n")
                                          : problems->join(QLatin1Char('\n')) + QLatin1Char('\n'));
    return problems->isEmpty() ? Done : FileError;
}

int archiveHistory(Session& session, const QCommandLineParser& parser) {
    if (!session.noPositional(parser)) return Usage;
    if (!parser.isSet(QStringLiteral("serial"))) {
        session.complain(QStringLiteral("archive history takes --serial N"));
        return Usage;
    }
    const auto serial = serialArgument(session, parser);
    if (!serial) return Usage;
    archive::Archive store;
    if (!store.open(archiveLocation(session), archive::Archive::Access::Read))
        return archiveFailed(session, store);
    const auto entries = store.history(*serial);
    if (!entries) return archiveFailed(session, store);

    if (session.options().json) {
        QByteArrayList list;
        for (const archive::LogEntry& e : *entries) {
            Session::JsonFields fields = {
                {QStringLiteral("at"), e.at.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))},
                {QStringLiteral("kind"), e.kind},
                {QStringLiteral("port"), e.port},
                {QStringLiteral("user"), e.user}};
            for (auto it = e.details.constBegin(); it != e.details.constEnd(); ++it)
                fields.append({it.key(), it.value()});
            list << Session::jsonText(fields);
        }
        session.print(QString::fromUtf8("{\"events\":[" + list.join(',') + "]}\n"));
        return Done;
    }
    QString text;
    for (const archive::LogEntry& e : *entries) {
        QString line = e.at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QLatin1Char(' ') +
                       e.kind + QStringLiteral(" on ") +
                       (e.port.isEmpty() ? QStringLiteral("-") : e.port) + QStringLiteral(" by ") +
                       (e.user.isEmpty() ? QStringLiteral("-") : e.user);
        const QJsonObject& d = e.details;
        if (e.kind == QLatin1String("download")) {
            line += QStringLiteral(": %1 blocks, %2 readings, %3 new")
                        .arg(d.value(QStringLiteral("blocks")).toInt())
                        .arg(d.value(QStringLiteral("readings")).toInt())
                        .arg(d.value(QStringLiteral("new")).toInt());
        } else if (e.kind == QLatin1String("serial_write")) {
            line += QStringLiteral(": %1 -> %2")
                        .arg(d.value(QStringLiteral("old_serial")).toString(),
                             d.value(QStringLiteral("new_serial")).toString());
        } else if (e.kind == QLatin1String("config_send")) {
            const QJsonObject after = d.value(QStringLiteral("after")).toObject();
            line += QStringLiteral(": clock set to %1, memory erased")
                        .arg(after.value(QStringLiteral("clock")).toString());
        } else if (e.kind == QLatin1String("sms_write")) {
            line += QStringLiteral(": cell %1")
                        .arg(d.value(QStringLiteral("after"))
                                 .toObject()
                                 .value(QStringLiteral("cell"))
                                 .toString());
        }
        text += line + QLatin1Char('\n');
    }
    session.print(text);
    return Done;
}

int archiveExport(Session& session, const QCommandLineParser& parser) {
    if (!session.noPositional(parser)) return Usage;
    if (!parser.isSet(QStringLiteral("serial")) || !parser.isSet(QStringLiteral("csv"))) {
        session.complain(
            QStringLiteral("archive export takes --serial N [--from T] [--to T] --csv FILE"));
        return Usage;
    }
    const auto serial = serialArgument(session, parser);
    if (!serial) return Usage;
    const auto range = rangeArguments(session, parser);
    if (!range) return Usage;
    const QString csv = parser.value(QStringLiteral("csv"));

    archive::Archive store;
    if (!store.open(archiveLocation(session), archive::Archive::Access::Read))
        return archiveFailed(session, store);
    const auto known = store.stations(*serial);
    if (!known) return archiveFailed(session, store);
    if (known->empty()) {
        session.complain(QStringLiteral("the archive %1 holds no logger %2")
                             .arg(store.location(), archive::serialText(*serial)));
        return Usage;
    }
    // Written as it is read, under a temporary name that becomes the file's only when every
    // reading was read and written.
    QSaveFile file(csv);
    bool written = file.open(QIODevice::WriteOnly);
    const auto exported = written
                              ? store.exportCsv(*serial, range->from, range->to,
                                                [&](const QString& piece) {
                                                    const QByteArray bytes = cp1252::encode(piece);
                                                    written = file.write(bytes) == bytes.size();
                                                    return written;
                                                })
                              : std::nullopt;
    if (!written || (exported && !file.commit())) {
        session.complain(QStringLiteral("cannot write %1: %2").arg(csv, file.errorString()));
        return FileError;
    }
    if (!exported) return archiveFailed(session, store);
    if (session.options().json)
        session.printJson({{QStringLiteral("readings"), *exported}, {QStringLiteral("csv"), csv}});
    else
        session.print(QStringLiteral("%1 readings written to %2\n").arg(*exported).arg(csv));
    return Done;
}

}  // namespace vernoll::cli
