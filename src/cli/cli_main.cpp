// vernoll-cli: the logger operations without a window, for scripts and scheduled jobs.

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <memory>

#include "archive/location.h"
#include "archive/texts.h"
#include "chart/render.h"
#include "cli/commands.h"
#include "cli/session.h"
#include "front/line.h"
#include "front/usage.h"

using vernoll::cli::GlobalOptions;
namespace cli = vernoll::cli;
namespace front = vernoll::front;
namespace archive = vernoll::archive;

int main(int argc, char** argv) {
    if (const auto generated = front::printGenerated(argc, argv, cli::programUsage()))
        return *generated;

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Talks to a Tolvar data logger on a serial port.\n\nCommands:") +
        front::commandList(cli::programUsage()) +
        QStringLiteral("\n\nRun 'vernoll-cli COMMAND --help' for a command's options."));
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    front::addOptions(parser, cli::globalOptions());
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("the command and its options"));

    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const bool parsed = parser.parse(arguments);
    // Qt Charts draws with widget styles: a command that draws runs in a QApplication, on the
    // offscreen platform unless one is named; the others need no platform plugin and load none.
    std::unique_ptr<QCoreApplication> app;
    const cli::MakeApplication makeApplication = [&](bool draws) {
        if (draws) {
            vernoll::useOffscreenPlatformUnlessNamed();
            app = std::make_unique<QApplication>(argc, argv);
        } else {
            app = std::make_unique<QCoreApplication>(argc, argv);
        }
        QCoreApplication::setApplicationName(QStringLiteral("vernoll-cli"));
        QCoreApplication::setApplicationVersion(front::version());
    };

    if (!parsed) return cli::usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        makeApplication(false);
        if (!cli::printCommandHelp(parser.positionalArguments()))
            std::fputs(qPrintable(parser.helpText()), stdout);
        return cli::Done;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("vernoll-cli %s\n", qPrintable(front::version()));
        return cli::Done;
    }

    GlobalOptions options;
    front::LineChoice line{parser.values(QStringLiteral("port")), std::nullopt, std::nullopt};
    if (parser.isSet(QStringLiteral("simulate")))
        line.simulate = parser.value(QStringLiteral("simulate"));
    if (parser.isSet(QStringLiteral("trace"))) line.trace = parser.value(QStringLiteral("trace"));
    if (const auto problem = front::lineProblem(line)) return cli::usageError(*problem);
    options.ports = line.ports;
    options.simulate = line.simulate;
    options.trace = line.trace;
    options.archive = parser.value(QStringLiteral("archive"));
    // An archive that is neither a file's path nor a server's URL is a mistake in the command,
    // said without the password it may hold.
    if (const QString chosen = archive::chosenLocation(options.archive);
        !archive::parseLocation(chosen))
        return cli::usageError(archive::withoutPassword(chosen) + QStringLiteral(": ") +
                               QString::fromUtf8(archive::texts::kBadUrl));
    options.json = parser.isSet(QStringLiteral("json"));
    if (parser.isSet(QStringLiteral("fast-waits"))) {
        options.timing = vernoll::Timing::fast();
        // Over a real line the logger's 21-byte answer to the wake-up byte must have arrived
        // (and be dropped with MSComm1) before the pause ends, also on a busy machine.
        options.timing.wakePause = vernoll::Millis{250};
    }
    return cli::runCommand(options, parser.positionalArguments(), makeApplication);
}
