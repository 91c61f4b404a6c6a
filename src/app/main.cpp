// vernoll: the desktop program for Tolvar data loggers.

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <memory>

#include "app/inicio.h"
#include "app/language.h"
#include "app/main_window.h"
#include "app/progress_window.h"
#include "app/qt_dialogs.h"
#include "app/regional.h"
#include "app/splash.h"
#include "archive/location.h"
#include "front/line.h"
#include "front/usage.h"
#include "link/texts.h"
#include "memory/download.h"

namespace {

constexpr int kUsage = 2;
constexpr int kFileError = 4;

// A message of the program's own on stderr; returns `status`.
int say(const QString& why, int status) {
    const QByteArray text = ("vernoll: " + why + "\n").toUtf8();
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stderr);
    return status;
}

int usage(const QString& why) {
    return say(why, kUsage);
}

vernoll::front::ProgramUsage programUsage() {
    vernoll::front::ProgramUsage usage;
    usage.name = QStringLiteral("vernoll");
    usage.summary = QStringLiteral("read, configure and download Tolvar data loggers");
    usage.synopsis =
        QStringLiteral("[--port DEVICE]... | [--simulate SERIAL] [--archive URL] [--trace FILE]");
    usage.description = QStringLiteral(
        "vernoll is the desktop program for the Tolvar family of field data loggers. It finds "
        "the logger on a serial port, reads and edits its configuration and clock, reads and "
        "writes its SMS settings, shows its live readings, downloads its whole memory and "
        "decodes it into dated records in engineering units, saved as CSV."
        "\n\n"
        "Without options it probes the system's serial ports in turn. --port names the "
        "candidates instead; --simulate runs it against a built-in logger emulator, with no "
        "logger attached.");
    usage.options = vernoll::front::lineOptions() + QList{vernoll::front::archiveOption()};
    usage.seeAlso = {QStringLiteral("vernoll-cli(1)"), QStringLiteral("vernoll-sim(1)")};
    return usage;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vernoll;
    if (const auto generated = front::printGenerated(argc, argv, programUsage())) return *generated;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vernoll"));
    // No display name: Qt would append it to every window's title, and the titles are the
    // window's own ("Vernoll de Tolvar   v2.10", "Estado de Comunicacion", "coeficientes").
    QApplication::setApplicationVersion(front::version());
    // The program ends by "Salir" or by closing its window, not when the splash or a message
    // box closes before the window is shown.
    QApplication::setQuitOnLastWindowClosed(false);
    speakSpanish(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reads, configures and downloads Tolvar data loggers on a serial port."));
    front::addOptions(parser, front::lineOptions() + QList{front::archiveOption()});
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);

    front::LineChoice choice{parser.values(QStringLiteral("port")), std::nullopt, std::nullopt};
    if (parser.isSet(QStringLiteral("simulate")))
        choice.simulate = parser.value(QStringLiteral("simulate"));
    if (parser.isSet(QStringLiteral("trace"))) choice.trace = parser.value(QStringLiteral("trace"));
    if (const auto problem = front::lineProblem(choice)) return usage(*problem);
    if (choice.simulate && !choice.ports.isEmpty())
        return usage(QStringLiteral("--port and --simulate exclude each other"));
    if (!parser.positionalArguments().isEmpty())
        return usage(QStringLiteral("unexpected argument: ") +
                     parser.positionalArguments().first());
    const front::Line line(choice);
    if (const auto& problem = line.traceProblem()) {
        return say(QString::fromUtf8(texts::kCannotWriteCli) + *problem, kFileError);
    }

    FormState form;
    QtDialogs dialogs;
    dialogs.setCopiesFolder(archive::downloadsFolder());

    // The handlers exist before anything is shown; start-up begins further down.
    auto inicio =
        std::make_unique<Inicio>(form, dialogs, line.channels(), line.ports(), Timing::real());
    inicio->setArchiveLocation(archive::chosenLocation(parser.value(QStringLiteral("archive"))));
    inicio->downloadJob().setBackupFolder(archive::downloadsFolder());

    // Start-up: the progress window exists (hidden, its bar hidden) before anything is asked.
    ProgressWindow progress(form, *inicio);

    // A user who refuses the regional settings ends the program before anything is shown.
    const std::unique_ptr<regional::SettingsStore> store = regional::platformStore();
    if (regional::check(*store, dialogs) == regional::Outcome::Refused) {
        inicio.reset();
        return 0;
    }
    SplashWindow splash(form);
    MainWindow window(form, *inicio);
    QObject::connect(&window, &MainWindow::exitRequested, &app, [] { QCoreApplication::exit(0); });
    QObject::connect(inicio.get(), &Inicio::startUpFinished, &window, [&window] {
        window.show();
        window.raise();
    });
    inicio->startUp();

    const int status = QApplication::exec();
    // The handlers go before the channels they listen to.
    inicio.reset();
    return status;
}
