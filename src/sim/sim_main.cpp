// vernoll-sim: a logger on a pseudo-terminal. Prints the device path on the first line of
// stdout and answers as a logger until SIGINT or SIGTERM, or until a hang-up fault fires.
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <cstdio>

#include "front/usage.h"
#include "sim/pty_line.h"

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &byte, 1);
}

int fail(int status, const QString& message) {
    std::fprintf(stderr, "vernoll-sim: %s\n", qPrintable(message));
    return status;
}

vernoll::front::ProgramUsage usage() {
    using vernoll::front::Complete;
    vernoll::front::ProgramUsage usage;
    usage.name = QStringLiteral("vernoll-sim");
    usage.summary = QStringLiteral("a Tolvar data logger on a pseudo-terminal");
    usage.synopsis = QStringLiteral("[OPTIONS]");
    usage.description = QStringLiteral(
        "vernoll-sim opens a pseudo-terminal, prints the path of its device on the first line "
        "of standard output, and answers on it as a logger until it is stopped (SIGINT or "
        "SIGTERM). Point vernoll or vernoll-cli at that device with --port: a stand-in logger "
        "for demonstrations, tests and users without hardware."
        "\n\n"
        "Its memory holds generated records for its device type, or the memory image of a base "
        "file. Faults can be injected to see how the programs behave when a logger misbehaves.");
    usage.options = {
        {"link", "PATH", "Also make a symbolic link at PATH to the device.", Complete::Files},
        {"serial", "N",
         "Serial number, up to 8 digits; it decides the device type and the memory size."},
        {"memory", "FILE", "The memory image, as a base file (default: generated records).",
         Complete::Files},
        {"records", "N", "How many generated records."},
        {"start", "TIME",
         "The first generated record's time stamp, \"dd/MM/yyyy HH:mm:ss\"; the others follow "
         "the sampling interval."},
        {"pace", nullptr, "Send no faster than 19200 baud allows (10 bits a byte)."},
        {"fault", "KIND",
         "silent, short-probe (answers the wake-up with 20 bytes), bad-handshake, surplus-byte "
         "(one byte too many after a block), stall-after=N (stops answering after N bytes of an "
         "exchange) or hangup-after=N (closes the line after N bytes); repeatable.",
         Complete::Words,
         "silent short-probe bad-handshake surplus-byte stall-after= hangup-after="},
        {"log", "FILE",
         "Log every byte received and sent, one a line: \"<us> <rx|tx> <hex>\", with a "
         "monotonic time stamp in microseconds.",
         Complete::Files},
    };
    usage.exitStatus = {
        {0, QStringLiteral("Stopped by a signal or a hang-up fault.")},
        {1, QStringLiteral("An unknown option, or the pseudo-terminal or the link could not be "
                           "made.")},
        {2, QStringLiteral("An option's value is not valid.")},
        {4, QStringLiteral("The memory file could not be read.")},
    };
    usage.seeAlso = {QStringLiteral("vernoll-cli(1)"), QStringLiteral("vernoll(1)")};
    return usage;
}

}  // namespace

int main(int argc, char* argv[]) {
    using vernoll::sim::EmulatorOptions;
    using vernoll::sim::LoggerEmulator;
    using vernoll::sim::PtyLine;

    if (const auto generated = vernoll::front::printGenerated(argc, argv, usage()))
        return *generated;

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vernoll-sim"));
    QCoreApplication::setApplicationVersion(vernoll::front::version());

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A data logger on a pseudo-terminal: prints the device's path on the "
                       "first line and answers as a logger until stopped."));
    parser.addHelpOption();
    parser.addVersionOption();
    vernoll::front::addOptions(parser, usage().options);
    const QString link = QStringLiteral("link"), serial = QStringLiteral("serial"),
                  memory = QStringLiteral("memory"), records = QStringLiteral("records"),
                  start = QStringLiteral("start"), pace = QStringLiteral("pace"),
                  fault = QStringLiteral("fault"), log = QStringLiteral("log");
    parser.process(app);

    EmulatorOptions options;
    if (parser.isSet(serial)) {
        const auto digits = LoggerEmulator::normalSerial(parser.value(serial));
        if (!digits) return fail(2, QStringLiteral("--serial takes 1 to 8 digits"));
        options.serial = *digits;
    }
    if (parser.isSet(memory)) {
        QFile file(parser.value(memory));
        if (!file.open(QIODevice::ReadOnly))
            return fail(4, QStringLiteral("%1: %2").arg(file.fileName(), file.errorString()));
        options.memory = file.readAll();
    }
    if (parser.isSet(records)) {
        bool ok = false;
        options.records = parser.value(records).toInt(&ok);
        if (!ok || options.records < 0)
            return fail(2, QStringLiteral("--records takes a number of records"));
    }
    if (parser.isSet(start)) {
        const QDateTime first =
            QDateTime::fromString(parser.value(start), QStringLiteral("dd/MM/yyyy HH:mm:ss"));
        if (!first.isValid())
            return fail(2, QStringLiteral("--start takes \"dd/MM/yyyy HH:mm:ss\""));
        options.start = first;
    }
    for (const QString& kind : parser.values(fault))
        if (!options.faults.parse(kind)) return fail(2, QStringLiteral("unknown fault ") + kind);

    LoggerEmulator logger(options);
    PtyLine line(logger, {parser.isSet(pace), parser.value(log)});
    QString error;
    if (!line.open(&error)) return fail(1, error);

    const QString linkPath = parser.value(link);
    if (!linkPath.isEmpty()) {
        const QFileInfo existing(linkPath);
        if (existing.isSymLink()) QFile::remove(linkPath);
        if (::symlink(QFile::encodeName(line.devicePath()).constData(),
                      QFile::encodeName(linkPath).constData()) != 0)
            return fail(1, QStringLiteral("cannot make the link ") + linkPath);
    }

    std::printf("%s\n", qPrintable(line.devicePath()));
    std::fflush(stdout);

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return fail(1, QStringLiteral("socketpair failed"));
    struct sigaction action {};
    action.sa_handler = onSignal;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    QSocketNotifier stop(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    QObject::connect(&line, &PtyLine::lineClosed, &app, &QCoreApplication::quit);

    const int status = app.exec();
    if (!linkPath.isEmpty()) QFile::remove(linkPath);
    return status;
}
