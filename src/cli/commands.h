#pragma once

#include <QCommandLineParser>
#include <QList>
#include <QStringList>

#include "cli/session.h"

namespace vernoll::cli {

// One command of the command line: runs it in the session with the arguments that follow
// its name, and returns the exit status.
using Command = int (*)(Session& session, const QStringList& args);

struct CommandEntry {
    const char* name;
    const char* summary;
    Command run;
};

// The commands, in the order --help lists them.
const QList<CommandEntry>& commands();

// Parses a command's own arguments (`args` without the command's name). False, after saying
// why on stderr, on a usage error.
bool parseCommand(QCommandLineParser& parser, const QString& command, const QStringList& args,
                  const Session& session);

int probe(Session& session, const QStringList& args);
int config(Session& session, const QStringList& args);
int setConfig(Session& session, const QStringList& args);
int sms(Session& session, const QStringList& args);
int setSerial(Session& session, const QStringList& args);
int live(Session& session, const QStringList& args);
int download(Session& session, const QStringList& args);
int decode(Session& session, const QStringList& args);

}  // namespace vernoll::cli
