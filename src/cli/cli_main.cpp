// vernoll-cli: the logger operations without a window, for scripts and scheduled jobs.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <cstdio>

#include "cli/commands.h"
#include "cli/session.h"

using vernoll::cli::GlobalOptions;
using vernoll::cli::Session;
namespace status = vernoll::cli;

namespace {

int usage(const QString& why) {
    const QByteArray text = ("vernoll-cli: " + why + "\n").toUtf8();
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stderr);
    return status::Usage;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vernoll-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.10"));

    QCommandLineParser parser;
    QString description =
        QStringLiteral("Talks to a Tolvar data logger on a serial port.\n\nCommands:");
    for (const auto& c : vernoll::cli::commands())
        description += QStringLiteral("\n  %1%2")
                           .arg(QString::fromLatin1(c.name), -12)
                           .arg(QString::fromLatin1(c.summary));
    parser.setApplicationDescription(description);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("A candidate port; repeat for several (at most 12)."),
        QStringLiteral("DEVICE"));
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Use the built-in logger emulator with this serial number."),
        QStringLiteral("SERIAL"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print the result as one JSON object."));
    QCommandLineOption fast(QStringLiteral("fast-waits"),
                            QStringLiteral("Shortened protocol waits, for tests."));
    fast.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({port, simulate, json, fast});
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("the command and its options"));

    if (!parser.parse(QCoreApplication::arguments())) return usage(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return status::Done;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("vernoll-cli 2.10\n");
        return status::Done;
    }

    GlobalOptions options;
    options.ports = parser.values(port);
    if (options.ports.size() > 12) return usage(QStringLiteral("at most 12 ports"));
    if (parser.isSet(simulate)) {
        const QString serial = parser.value(simulate);
        static const QRegularExpression digits(QStringLiteral("^[0-9]{1,8}$"));
        if (!digits.match(serial).hasMatch())
            return usage(QStringLiteral("--simulate takes a serial number of 1 to 8 digits"));
        options.simulate = serial;
    }
    options.json = parser.isSet(json);
    if (parser.isSet(fast)) {
        options.timing = vernoll::Timing::fast();
        // Over a real line the logger's 21-byte answer to the wake-up byte must have arrived
        // (and be dropped with MSComm1) before the pause ends, also on a busy machine.
        options.timing.wakePause = vernoll::Millis{250};
    }

    const QStringList args = parser.positionalArguments();
    if (args.isEmpty()) return usage(QStringLiteral("no command given (try --help)"));
    const QString command = args.first();
    for (const auto& c : vernoll::cli::commands()) {
        if (command != QLatin1String(c.name)) continue;
        Session session(options);
        return c.run(session, args.mid(1));
    }
    return usage(QStringLiteral("unknown command: ") + command);
}
