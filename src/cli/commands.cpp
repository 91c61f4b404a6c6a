#include "cli/commands.h"

#include <cstdio>

#include "front/line.h"

namespace vernoll::cli {

namespace {

using front::Complete;

const char* const kYesHelp = "Confirm the change without asking.";

void printOut(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

QStringList nameWords(const CommandEntry& entry) {
    return QString::fromUtf8(entry.usage.name).split(QLatin1Char(' '));
}

// The command whose one or two words `args` starts with, and how many words its name took.
const CommandEntry* find(const QStringList& args, qsizetype* words) {
    for (const CommandEntry& entry : commands()) {
        const QStringList name = nameWords(entry);
        if (args.mid(0, name.size()) != name) continue;
        *words = name.size();
        return &entry;
    }
    return nullptr;
}

// The commands of two words that begin with `first` ("archive": its import, list, ...).
front::ProgramUsage group(const QString& first) {
    front::ProgramUsage usage = programUsage();
    usage.commands.clear();
    for (const CommandEntry& entry : commands()) {
        const QStringList name = nameWords(entry);
        if (name.size() == 2 && name.first() == first) {
            front::CommandUsage second = entry.usage;
            second.name = entry.usage.name + name.first().size() + 1;
            usage.commands << second;
        }
    }
    return usage;
}

bool isHelp(const QString& arg) {
    return arg == QLatin1String("--help") || arg == QLatin1String("-h");
}

}  // namespace

const QList<CommandEntry>& commands() {
    static const QList<CommandEntry> table = {
        {{"probe", "", "find the port a logger answers on",
          "Probes the candidate ports in order and prints the connection text of the first one "
          "a logger answers on; with --json, that port's device."},
         &probe},
        {{"config", "", "read and print the logger's configuration",
          "Finds the logger and reads its configuration, as the window does when it starts, "
          "and prints the configuration summary. With --json: the station data, serial number, "
          "device type, sampling interval, clock and column header as the logger holds them."},
         &config},
        {{"set-config",
          "[--user T] [--location T] [--latitude T] [--longitude T] [--altitude T] "
          "[--interval MIN] [--clock pc | --clock \"dd/MM/yyyy HH:mm:ss\"] [--yes]",
          "change the station data, sampling interval and clock",
          "Reads the logger's configuration, makes the given changes and sends it back; the "
          "fields not given are sent as they were read. Sending a configuration erases the "
          "logger's memory: on a terminal the program asks first, without one it needs --yes.",
          {{"user", "T", "The station's user."},
           {"location", "T", "The station's location."},
           {"latitude", "T", "The station's latitude."},
           {"longitude", "T", "The station's longitude."},
           {"altitude", "T", "The station's altitude."},
           {"interval", "MIN", "Sampling interval: 1, 5, 10, 15, 30 or 60.", Complete::Words,
            "1 5 10 15 30 60"},
           {"clock", "CLOCK",
            "pc (the PC's clock at the moment of sending), or \"dd/MM/yyyy HH:mm:ss\".",
            Complete::Words, "pc"},
           {"yes", nullptr, kYesHelp}}},
         &setConfig},
        {{"sms",
          "[--cell DIGITS] [--send-interval none|sync|2h|6h|12h] [--yes]",
          "read the SMS settings, and change them",
          "Reads the SMS settings of a logger with telemetry and prints them; with --cell or "
          "--send-interval it then writes the changed settings, asking first on a terminal "
          "(without one it needs --yes).",
          {{"cell", "DIGITS", "The cell number to report to (up to 15 digits)."},
           {"send-interval", "WHEN", "none, sync, 2h, 6h or 12h.", Complete::Words,
            "none sync 2h 6h 12h"},
           {"yes", nullptr, kYesHelp}}},
         &sms},
        {{"set-serial",
          "DIGITS [--yes]",
          "write a new serial number into the logger",
          "Writes a new serial number of 1 to 8 digits into the logger (missing digits are "
          "zeros at the end); the serial number decides the device type and how its memory is "
          "decoded. On a terminal the program asks first; without one it needs --yes.",
          {{"yes", nullptr, kYesHelp}}},
         &setSerial},
        {{"live",
          "[--frames N]",
          "show the logger's live readings",
          "Shows the logger's live readings: each frame's text and an empty line, until "
          "interrupted or after N frames; then stops the display as the window's second click "
          "does.",
          {{"frames", "N", "Stop after N frames (default: until interrupted)."}}},
         &live},
        {{"download",
          "--csv FILE [--rgt FILE]",
          "download the logger's memory and write it as CSV",
          "Downloads the logger's whole memory, decodes it into dated records in engineering "
          "units and writes them to the CSV file. Every completed download is also kept as a "
          "base file in the user's data folder.",
          {{"csv", "FILE", "The CSV file to write.", Complete::Files},
           {"rgt", "FILE", "Also write the downloaded rows as a base file.", Complete::Files}}},
         &download},
        {{"decode",
          "BASE [--serial N] (--csv FILE | --xls FILE [--events FILE])",
          "decode a base file into CSV or the spreadsheet file",
          "Decodes a base file (.rgt) without a logger, as the window's open does. The serial "
          "number says the device type and its memory size (the default, 0, decodes nothing). "
          "--csv writes the CSV a download would write; --xls writes the spreadsheet database "
          "file, and --events the events text beside it.",
          {{"serial", "N", "The logger's serial number (default 0)."},
           {"csv", "FILE", "Write the CSV export.", Complete::Files},
           {"xls", "FILE", "Write the spreadsheet database file.", Complete::Files},
           {"events", "FILE", "With --xls, also write the events text.", Complete::Files}},
          Complete::Files},
         &decode},
        {{"collect",
          "",
          "download the logger's memory into the station archive",
          "Downloads the logger's whole memory, decodes it and keeps its readings in the station "
          "archive; a reading already kept is not kept again, so the command can run as often "
          "as wanted (from cron or a systemd timer). Writes no CSV; the download's base-file "
          "copy is kept in the user's data folder. Another collect or download on the same "
          "port at the same time ends at once with status 5. With --every, every given port "
          "(or every port of the system) on which a logger answers is collected at the same "
          "time, one summary per logger in the order of the ports; --trace FILE then writes "
          "one file per port, FILE.<device>.",
          {{"every", nullptr,
            "Collect every port on which a logger answers, all at the same time."}}},
         &collect},
        {{"archive import",
          "BASE... --serial N",
          "keep base files' readings in the station archive",
          "Decodes each base file (.rgt) as decode --csv does, for the logger with that serial "
          "number, and keeps its readings in the station archive; importing a file again adds "
          "nothing.",
          {{"serial", "N", "The logger's serial number."}},
          Complete::Files},
         &archiveImport},
        {{"archive list", "", "list the loggers in the station archive",
          "Lists every logger in the station archive: its readings, the oldest and newest, the "
          "last download, the clock offset measured then and the readings in conflict. With "
          "--json also what to plan with: the interval and memory at the last download, when "
          "its memory will be full, its clock's drift per day and the days since it was "
          "downloaded."},
         &archiveList},
        {{"archive history",
          "--serial N",
          "show what was done to a logger",
          "Lists, oldest first, every download from the logger and every configuration send, "
          "serial-number write and SMS settings write made to it with this program (window or "
          "command line): when, on which port, by which user, and what changed.",
          {{"serial", "N", "The logger's serial number."}}},
         &archiveHistory},
        {{"archive check", "", "check the station archive",
          "Checks the archive's integrity (SQLite's own check of the file) and that every "
          "logger's figures (its readings, oldest and newest, conflicts) agree with the "
          "readings stored. Prints \"ok\" and exits 0 when they do; otherwise what is wrong, "
          "and exits 4."},
         &archiveCheck},
        {{"archive export",
          "--serial N [--from T] [--to T] --csv FILE",
          "write one logger's stored readings as CSV",
          "Writes the stored readings of one logger, oldest first, to a CSV file: a header "
          "line, then the time stamp and the values of each reading (code page 1252, CR LF). "
          "T is \"yyyy-MM-dd\" (the whole day) or \"yyyy-MM-ddTHH:mm:ss\"; both ends are "
          "included.",
          {{"serial", "N", "The logger's serial number."},
           {"from", "T", "The first time stamp (default: the oldest)."},
           {"to", "T", "The last time stamp (default: the newest)."},
           {"csv", "FILE", "The CSV file to write.", Complete::Files}}},
         &archiveExport},
        {{"plot",
          "(--serial N [--from T] [--to T] | --base FILE --serial N) --png FILE [--size WxH]",
          "draw a logger's readings as a chart in a PNG file",
          "Draws the readings of one logger, from the station archive or decoded from a base "
          "file, as the window's chart does, into a PNG file; no display is needed. T is "
          "\"yyyy-MM-dd\" (the whole day) or \"yyyy-MM-ddTHH:mm:ss\".",
          {{"serial", "N", "The logger's serial number."},
           {"from", "T", "The first time stamp (default: the oldest)."},
           {"to", "T", "The last time stamp (default: the newest)."},
           {"base", "FILE", "Draw this base file's readings instead of the archive's.",
            Complete::Files},
           {"png", "FILE", "The PNG file to write.", Complete::Files},
           {"size", "WxH", "The image's size in pixels (default 1200x600)."}}},
         &plot,
         true},
    };
    return table;
}

const QList<front::Option>& globalOptions() {
    static const QList<front::Option> options =
        front::lineOptions() + QList<front::Option>{
                                   front::archiveOption(),
                                   {"json", nullptr, "Print the result as one JSON object."},
                                   {"fast-waits", nullptr, "Shortened protocol waits, for tests.",
                                    Complete::Nothing, nullptr, true},
                               };
    return options;
}

front::ProgramUsage programUsage() {
    front::ProgramUsage usage;
    usage.name = QStringLiteral("vernoll-cli");
    usage.summary = QStringLiteral("read, configure and download Tolvar data loggers from scripts");
    usage.synopsis = QStringLiteral("[GLOBAL OPTIONS] COMMAND [OPTIONS]");
    usage.description = QStringLiteral(
        "vernoll-cli runs the operations of the vernoll window without a window, for scripts "
        "and scheduled jobs: the bytes on the wire, the texts and the files are the window's."
        "\n\n"
        "Every command that talks to a logger first finds it on the candidate ports and reads "
        "its configuration, as the window does when it starts. Messages meant for the user "
        "(the program's own texts, as the window shows them) go to standard error, one a line; "
        "results go to standard output. Commands that change the logger ask first on a "
        "terminal; without one they need --yes.");
    usage.options = globalOptions();
    for (const CommandEntry& entry : commands()) usage.commands << entry.usage;
    usage.exitStatus = {
        {Done, QStringLiteral("Done.")},
        {NoLogger, QStringLiteral("No logger answered (discovery or the opening of an exchange).")},
        {Usage, QStringLiteral("Bad usage, or a change that was not confirmed.")},
        {ExchangeFailed, QStringLiteral("The logger answered but the exchange failed (wrong "
                                        "handshake, surplus bytes, counter error, or it stopped "
                                        "answering).")},
        {FileError, QStringLiteral("A file could not be read or written, or the station archive "
                                   "could not be read or updated (the download's files are "
                                   "written first).")},
        {PortHeld, QStringLiteral("The port is held by another program or another vernoll-cli "
                                  "(named in the message).")},
    };
    usage.sections = {
        {QStringLiteral("Scheduled collection"),
         QStringLiteral("The package installs the systemd user units vernoll-collect@.service and "
                        "vernoll-collect@.timer; the instance is the port's device name. "
                        "\"systemctl --user enable --now vernoll-collect@ttyUSB0.timer\" collects "
                        "the logger on /dev/ttyUSB0 once a day, and on the next start after a day "
                        "the computer was off.")},
    };
    usage.seeAlso = {QStringLiteral("vernoll(1)"), QStringLiteral("vernoll-sim(1)")};
    return usage;
}

int usageError(const QString& why) {
    const QByteArray text = (QStringLiteral("vernoll-cli: ") + why + QLatin1Char('\n')).toUtf8();
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stderr);
    std::fflush(stderr);
    return Usage;
}

bool printCommandHelp(const QStringList& args) {
    qsizetype words = 0;
    if (const CommandEntry* entry = find(args, &words)) {
        printOut(front::commandHelp(programUsage(), entry->usage));
        return true;
    }
    if (args.isEmpty()) return false;
    const front::ProgramUsage commandsOf = group(args.first());
    if (commandsOf.commands.isEmpty()) return false;
    printOut(QStringLiteral("Usage: vernoll-cli [GLOBAL OPTIONS] %1 COMMAND [OPTIONS]\n\n"
                            "Commands:%2\n\nRun 'vernoll-cli %1 COMMAND --help' for a command's "
                            "options.\n")
                 .arg(args.first(), front::commandList(commandsOf)));
    return true;
}

int runCommand(const GlobalOptions& options, const QStringList& args,
               const MakeApplication& makeApplication) {
    if (args.isEmpty()) return usageError(QStringLiteral("no command given (try --help)"));
    qsizetype words = 0;
    const CommandEntry* entry = find(args, &words);
    if (!entry) {
        const front::ProgramUsage commandsOf = group(args.first());
        if (commandsOf.commands.isEmpty())
            return usageError(QStringLiteral("unknown command: ") + args.first());
        if (args.size() > 1 && isHelp(args[1]))
            return printCommandHelp(args.first(1)) ? Done : Usage;
        QStringList seconds;
        for (const auto& c : commandsOf.commands) seconds << QString::fromUtf8(c.name);
        return usageError(QStringLiteral("%1 takes a command: %2")
                              .arg(args.first(), seconds.join(QStringLiteral(", "))));
    }

    QCommandLineParser parser;
    front::addOptions(parser, entry->usage.options);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    const QString name = QString::fromUtf8(entry->usage.name);
    if (!parser.parse(QStringList{name} + args.mid(words))) return usageError(parser.errorText());
    if (parser.isSet(help)) {
        printOut(front::commandHelp(programUsage(), entry->usage));
        return Done;
    }
    makeApplication(entry->draws);
    Session session(options);
    if (const int status = session.traceStatus(); status != Done) return status;
    return entry->run(session, parser);
}

}  // namespace vernoll::cli
