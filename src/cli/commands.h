#pragma once

#include <QCommandLineParser>
#include <QList>
#include <QStringList>
#include <functional>

#include "cli/session.h"
#include "front/usage.h"

namespace vernoll::cli {

// One command of the command line: runs it in the session with its own arguments, parsed
// against its options, and returns the exit status.
using Command = int (*)(Session& session, const QCommandLineParser& args);

// A command: its name, synopsis, options and help (from which its parser, its --help, the
// manual page and the bash completion are made), and what runs it. Adding a command is one
// entry in commands() and its run function.
struct CommandEntry {
    front::CommandUsage usage;
    Command run;
    // Draws with Qt Charts, which needs a QApplication (the others run in a QCoreApplication).
    bool draws = false;
};

// Makes the application object a command runs in, once its arguments are known to run it.
using MakeApplication = std::function<void(bool draws)>;

// The commands, in the order --help lists them.
const QList<CommandEntry>& commands();

// The global options, before the command.
const QList<front::Option>& globalOptions();

// The whole command line, for the manual page and the completion.
front::ProgramUsage programUsage();

// A message of the command line's own about how it was called, on stderr; returns Usage.
int usageError(const QString& why);

// Finds the command that `args` starts with (its one or two words), parses the rest against
// its options and runs it; `--help` after a command prints that command's help.
int runCommand(const GlobalOptions& options, const QStringList& args,
               const MakeApplication& makeApplication);

// The help of the command `args` names, on stdout; false when it names none.
bool printCommandHelp(const QStringList& args);

int probe(Session& session, const QCommandLineParser& args);
int config(Session& session, const QCommandLineParser& args);
int setConfig(Session& session, const QCommandLineParser& args);
int sms(Session& session, const QCommandLineParser& args);
int setSerial(Session& session, const QCommandLineParser& args);
int live(Session& session, const QCommandLineParser& args);
int download(Session& session, const QCommandLineParser& args);
// Clicks the download and runs it to its end (progress drawn on a terminal): Done, NoLogger or
// ExchangeFailed; a download cut short is cancelled, so its blocks are kept as a partial copy.
int runDownload(Session& session);
int decode(Session& session, const QCommandLineParser& args);
int collect(Session& session, const QCommandLineParser& args);
int archiveImport(Session& session, const QCommandLineParser& args);
int archiveList(Session& session, const QCommandLineParser& args);
int archiveHistory(Session& session, const QCommandLineParser& args);
int archiveCheck(Session& session, const QCommandLineParser& args);
int archiveExport(Session& session, const QCommandLineParser& args);
int plot(Session& session, const QCommandLineParser& args);

}  // namespace vernoll::cli
