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

}  // namespace

int main(int argc, char* argv[]) {
    using vernoll::sim::EmulatorOptions;
    using vernoll::sim::LoggerEmulator;
    using vernoll::sim::PtyLine;

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vernoll-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A data logger on a pseudo-terminal: prints the device's path on the "
                       "first line and answers as a logger until stopped."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Also make a symbolic link at PATH."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption serial(QStringLiteral("serial"),
                                    QStringLiteral("Serial number, up to 8 digits."),
                                    QStringLiteral("N"));
    const QCommandLineOption memory(QStringLiteral("memory"),
                                    QStringLiteral("Memory image, as a base file."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption records(QStringLiteral("records"),
                                     QStringLiteral("How many generated records."),
                                     QStringLiteral("N"));
    const QCommandLineOption start(QStringLiteral("start"),
                                   QStringLiteral("First generated record's time stamp, "
                                                  "\"dd/MM/yyyy HH:mm:ss\"."),
                                   QStringLiteral("TIME"));
    const QCommandLineOption pace(QStringLiteral("pace"),
                                  QStringLiteral("Send no faster than 19200 baud allows."));
    const QCommandLineOption fault(
        QStringLiteral("fault"),
        QStringLiteral("silent, short-probe, bad-handshake, surplus-byte, stall-after=N or "
                       "hangup-after=N; repeatable."),
        QStringLiteral("KIND"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Log every byte: \"<us> <rx|tx> <hex>\"."),
                                 QStringLiteral("FILE"));
    parser.addOptions({link, serial, memory, records, start, pace, fault, log});
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
