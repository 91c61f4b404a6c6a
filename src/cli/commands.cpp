#include "cli/commands.h"

namespace vernoll::cli {

const QList<CommandEntry>& commands() {
    static const QList<CommandEntry> table = {
        {"probe", "find the port a logger answers on", &probe},
        {"config", "read and print the logger's configuration", &config},
        {"set-config", "change the station data, sampling interval and clock", &setConfig},
        {"sms", "read the SMS settings, and change them", &sms},
        {"set-serial", "write a new serial number into the logger", &setSerial},
        {"live", "show the logger's live readings", &live},
        {"download", "download the logger's memory and write it as CSV", &download},
        {"decode", "decode a base file into CSV or the spreadsheet file", &decode},
    };
    return table;
}

bool parseCommand(QCommandLineParser& parser, const QString& command, const QStringList& args,
                  const Session& session) {
    if (!parser.parse(QStringList{command} + args)) {
        session.complain(parser.errorText());
        return false;
    }
    return true;
}

}  // namespace vernoll::cli
