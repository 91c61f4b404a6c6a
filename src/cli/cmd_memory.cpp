// download and decode: the logger's memory to CSV, and a base file to CSV or the spreadsheet
// database file.

#include "app/download_presenter.h"
#include "cli/commands.h"
#include "cli/terminal.h"
#include "config/device.h"
#include "files/base_file.h"
#include "files/events_export.h"
#include "form/controls.h"
#include "files/decoding_run.h"
#include "memory/download.h"
#include "memory/file_io.h"
#include "memory/report.h"

namespace vernoll::cli {

namespace {

// The download's blocks, drawn on stderr when it is a terminal; the decoding run after it
// moves the same bar, and is not drawn.
class ProgressLine {
public:
    ProgressLine(FormState& form, const memory::Download& download, ConsoleDialogs& dialogs,
                 std::FILE* err)
        : form_(form), download_(download), dialogs_(dialogs) {
        if (!isTerminal(err)) return;
        connection_ =
            QObject::connect(&form, &FormState::controlChanged, [this](const QString& name) {
                if (name != QLatin1String(ctl::progress::kBar)) return;
                if (download_.state() != memory::Download::State::Blocks) return;
                dialogs_.drawStatus(QStringLiteral("%1 / %2 bloques")
                                        .arg(form_.control(name).text)
                                        .arg(form_.memo - 2));
            });
    }
    ~ProgressLine() {
        QObject::disconnect(connection_);
        dialogs_.endStatus();
    }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

private:
    FormState& form_;
    const memory::Download& download_;
    ConsoleDialogs& dialogs_;
    QMetaObject::Connection connection_;
};

}  // namespace

int runDownload(Session& session) {
    Inicio& inicio = session.inicio();
    memory::Download& dl = inicio.download();
    ProgressLine progress(session.form(), dl, session.dialogs(), session.err());
    QObject guard;
    const int status = session.run(
        [&](const Session::Finish& finish) {
            QObject::connect(&inicio.downloadPresenter(), &DownloadPresenter::shown, &guard,
                             [finish](const station::DownloadResult& r) {
                                 using Outcome = station::DownloadResult::Outcome;
                                 finish(r.outcome == Outcome::Completed  ? Done
                                        : r.outcome == Outcome::NoAnswer ? NoLogger
                                                                         : ExchangeFailed);
                             });
            inicio.click(QLatin1String(ctl::kDownload));
        },
        [&] { return dl.state() == memory::Download::State::Blocks; });
    if (status != Done && dl.state() != memory::Download::State::Idle)
        inicio.downloadJob().cancel();
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

    Inicio& inicio = session.inicio();
    memory::Download& dl = inicio.download();
    session.dialogs().setSavePath(csvPath);
    status = runDownload(session);
    if (status != Done) return status;

    files::DecodingRun& run = inicio.decodingRun();
    QString rgtPath;
    if (parser.isSet(rgt)) {
        rgtPath = parser.value(rgt);
        if (!memory::writeBaseFile(rgtPath, inicio.image(), dl.blocks())) {
            session.complain(QStringLiteral("cannot write ") + rgtPath);
            return FileError;
        }
    }
    if (run.savedPath().isEmpty()) return FileError;

    if (session.options().json) {
        session.printJson({{QStringLiteral("blocks"), dl.blocks()},
                           {QStringLiteral("records"), run.records()},
                           {QStringLiteral("csv"), run.savedPath()},
                           {QStringLiteral("rgt"), rgtPath}});
    } else {
        session.print(QStringLiteral("La descarga de datos se realiz\u00f3 con exito\n"));
    }
    // The files are written; the archive's failure was said with the success message.
    const auto archived = inicio.lastArchived();
    return archived && archived->failed() ? FileError : Done;
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
    float nserie = 0.0F;
    if (parser.isSet(serial)) {
        bool ok = false;
        const uint n = parser.value(serial).toUInt(&ok);
        if (!ok || n > 99999999U) {
            session.complain(QStringLiteral("--serial takes a number of up to 8 digits"));
            return Usage;
        }
        nserie = float(n);
    }

    // A program that read no configuration: only the serial number and its memory size.
    FormState& form = session.form();
    form.Nserie = nserie;
    if (const auto type = config::classify(nserie); type && type->largeMemory)
        form.memo = config::kLargeMemoryFrames;
    form.progressMax = form.memo;

    Inicio& inicio = session.inicio();
    if (inicio.baseFile().load(rest.first()) != files::BaseFile::Outcome::Loaded) {
        session.complain(QStringLiteral("cannot read ") + rest.first());
        return FileError;
    }

    Session::JsonFields result;
    if (parser.isSet(csv)) {
        session.dialogs().setSavePath(parser.value(csv));
        files::DecodingRun& run = inicio.decodingRun();
        if (run.run() != files::DecodingRun::Outcome::Saved) return FileError;
        result = {{QStringLiteral("records"), run.records()},
                  {QStringLiteral("csv"), run.savedPath()}};
    } else {
        session.dialogs().setSavePath(parser.value(xls));
        files::EventsExport& exporter = inicio.eventsExport();
        if (exporter.start() != files::EventsExport::Outcome::Saved) return FileError;
        result = {{QStringLiteral("records"), exporter.records()},
                  {QStringLiteral("xls"), exporter.savedPath()}};
        if (parser.isSet(events)) {
            const QString path = parser.value(events);
            if (!memory::writeFile(path, memory::fileBytes(exporter.events()))) {
                session.complain(QStringLiteral("cannot write ") + path);
                return FileError;
            }
            result.append({QStringLiteral("events"), path});
        }
    }
    if (session.options().json) session.printJson(result);
    return Done;
}

}  // namespace vernoll::cli
