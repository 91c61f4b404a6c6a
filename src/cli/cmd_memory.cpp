// download and decode: the logger's memory to CSV, and a base file to CSV or the spreadsheet
// database file.

#include "cli/commands.h"
#include "cli/terminal.h"
#include "memory/download.h"
#include "memory/file_io.h"
#include "memory/report.h"

namespace vernoll::cli {

namespace {

// The download's blocks, drawn on stderr when it is a terminal.
class ProgressLine {
public:
    ProgressLine(const memory::Download& download, ConsoleDialogs& dialogs, std::FILE* err)
        : dialogs_(dialogs) {
        if (!isTerminal(err)) return;
        connection_ =
            QObject::connect(&download, &memory::Download::progress, [this](int blocks, int of) {
                if (blocks == 0) return;
                dialogs_.drawStatus(QStringLiteral("%1 / %2 bloques").arg(blocks).arg(of));
            });
    }
    ~ProgressLine() {
        QObject::disconnect(connection_);
        dialogs_.endStatus();
    }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

private:
    ConsoleDialogs& dialogs_;
    QMetaObject::Connection connection_;
};

// The CSV a decoding run writes (report header, the configuration summary and column header
// the import left, one line per record), as the window's save after a download writes it; the
// window's messages when it cannot be written. The records written, or nothing.
std::optional<int> saveCsv(Session& session, const QString& path, const QString& summary,
                           const QString& columnHeader, const QString& copy) {
    QStringList diagnostics;
    int records = 0;
    const QString text =
        memory::csvText(session.logger().image(), session.frames(), session.decoder(),
                        session.nserie(), summary, columnHeader, QDateTime::currentDateTime(),
                        &diagnostics, memory::reportLocale(), nullptr, &records);
    for (const QString& line : diagnostics) session.logger().channels().line().diagnose(line);
    if (memory::writeFile(path, memory::fileBytes(text))) return records;
    // The window offers its dialog again; the command line names one file.
    session.dialogs().message(memory::saveErrorText(), Dialogs::Icon::Critical);
    QString said = QStringLiteral("No se grab\u00f3 el archivo CSV.");
    if (!copy.isEmpty()) said += QStringLiteral("\r\nLa descarga qued\u00f3 guardada en ") + copy;
    session.dialogs().message(said, Dialogs::Icon::Information);
    return std::nullopt;
}

// Loads a base file into the memory image as the window's open does, and says so.
bool loadBase(Session& session, const QString& path) {
    const std::optional<QByteArray> bytes = memory::readBaseFile(path, session.frames());
    if (!bytes) {
        session.complain(QStringLiteral("cannot read ") + path);
        return false;
    }
    memory::loadBaseFile(session.logger().image(), *bytes);
    session.dialogs().message(QStringLiteral("El archivo se proceso con exito"));
    return true;
}

}  // namespace

int runDownload(Session& session) {
    station::DownloadJob& job = session.job();
    const memory::Download& dl = session.logger().download();
    ProgressLine progress(dl, session.dialogs(), session.err());
    const auto said = [&session](const station::DownloadResult& r) {
        const QString message = station::endingMessage(r);
        if (!message.isEmpty()) session.dialogs().message(message);
    };
    QObject guard;
    const int status = session.run(
        [&](const Session::Finish& finish) {
            QObject::connect(&job, &station::DownloadJob::finished, &guard,
                             [said, finish](const station::DownloadResult& r) {
                                 said(r);
                                 using Outcome = station::DownloadResult::Outcome;
                                 finish(r.outcome == Outcome::Completed  ? Done
                                        : r.outcome == Outcome::NoAnswer ? NoLogger
                                                                         : ExchangeFailed);
                             });
            if (!job.start(session.frames(), session.nserie())) finish(ExchangeFailed);
        },
        [&] { return dl.state() == memory::Download::State::Blocks; });
    if (status != Done && dl.state() != memory::Download::State::Idle) {
        // Cut short: the blocks received are kept as a partial copy, and said.
        QObject after;
        QObject::connect(&job, &station::DownloadJob::finished, &after, said);
        job.cancel();
    }
    return status;
}

int download(Session& session, const QCommandLineParser& parser) {
    const QString csv = QStringLiteral("csv"), rgt = QStringLiteral("rgt");
    if (!parser.isSet(csv) || !parser.positionalArguments().isEmpty()) {
        session.complain(QStringLiteral("download needs --csv FILE and nothing else"));
        return Usage;
    }
    const QString csvPath = parser.value(csv);

    int status = session.connect(true);
    if (status != Done) return status;
    status = runDownload(session);
    if (status != Done) return status;

    const station::DownloadResult& result = *session.job().last();
    const std::optional<int> records =
        saveCsv(session, csvPath, session.summary(), session.columnHeader(), result.copyPath);
    QString rgtPath;
    if (parser.isSet(rgt)) {
        rgtPath = parser.value(rgt);
        if (!memory::writeBaseFile(rgtPath, session.logger().image(), result.blocks)) {
            session.complain(QStringLiteral("cannot write ") + rgtPath);
            return FileError;
        }
    }
    if (!records) return FileError;

    if (session.options().json) {
        session.printJson({{QStringLiteral("blocks"), result.blocks},
                           {QStringLiteral("records"), *records},
                           {QStringLiteral("csv"), csvPath},
                           {QStringLiteral("rgt"), rgtPath}});
    } else {
        session.print(QStringLiteral("La descarga de datos se realiz\u00f3 con exito\n"));
    }
    // The files are written; the archive's failure, or the copy's, was said with the success
    // message.
    return (result.archived && result.archived->failed()) || result.copyFailed ? FileError : Done;
}

int decode(Session& session, const QCommandLineParser& parser) {
    const QString serial = QStringLiteral("serial"), csv = QStringLiteral("csv"),
                  xls = QStringLiteral("xls"), events = QStringLiteral("events");
    const QStringList rest = parser.positionalArguments();
    const bool oneOutput = parser.isSet(csv) != parser.isSet(xls);
    if (rest.size() != 1 || !oneOutput || (parser.isSet(events) && !parser.isSet(xls))) {
        session.complain(QStringLiteral(
            "decode takes BASE and either --csv FILE or --xls FILE [--events FILE]"));
        return Usage;
    }
    std::uint32_t number = 0;
    if (parser.isSet(serial)) {
        bool ok = false;
        const uint n = parser.value(serial).toUInt(&ok);
        if (!ok || n > 99999999U) {
            session.complain(QStringLiteral("--serial takes a number of up to 8 digits"));
            return Usage;
        }
        number = n;
    }

    // A program that read no configuration: only the serial number and its memory size.
    session.assumeSerial(number);
    if (!loadBase(session, rest.first())) return FileError;

    Session::JsonFields result;
    if (parser.isSet(csv)) {
        const QString path = parser.value(csv);
        // No import ran: no summary and no column header, as in a window that read none.
        const std::optional<int> records = saveCsv(session, path, {}, {}, {});
        if (!records) return FileError;
        result = {{QStringLiteral("records"), *records}, {QStringLiteral("csv"), path}};
    } else {
        // The events and spreadsheet export, as the window's: the events header is dated first.
        const QDateTime now = QDateTime::currentDateTime();
        const QString header = memory::eventsHeader(now);
        QStringList diagnostics;
        int records = 0;
        const QString spreadsheet =
            memory::spreadsheetText(session.logger().image(), session.frames(), session.decoder(),
                                    session.nserie(), {}, &diagnostics, &records);
        for (const QString& line : diagnostics) session.logger().channels().line().diagnose(line);
        const QString eventsText = memory::eventsText(header, session.decoder().eventsText());
        const QString path = parser.value(xls);
        if (!memory::writeFile(path, memory::fileBytes(spreadsheet))) {
            session.dialogs().message(memory::saveErrorText(), Dialogs::Icon::Critical);
            return FileError;
        }
        session.dialogs().message(QStringLiteral("Archivo grabado en ") + path,
                                  Dialogs::Icon::Information);
        result = {{QStringLiteral("records"), records}, {QStringLiteral("xls"), path}};
        if (parser.isSet(events)) {
            const QString eventsPath = parser.value(events);
            if (!memory::writeFile(eventsPath, memory::fileBytes(eventsText))) {
                session.complain(QStringLiteral("cannot write ") + eventsPath);
                return FileError;
            }
            result.append({QStringLiteral("events"), eventsPath});
        }
    }
    if (session.options().json) session.printJson(result);
    return Done;
}

}  // namespace vernoll::cli
