#pragma once

#include <QCommandLineParser>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

namespace vernoll::front {

// The program's version, as the build's project() gives it.
QString version();

// What the shell can offer for an option's value or a command's arguments.
enum class Complete { Nothing, Files, Ports, Words };

// One option of a program or of a command. The parser, --help, the manual page and the bash
// completion are all made from these, so they say the same thing.
struct Option {
    const char* name;   // without the dashes: "csv"
    const char* value;  // the value's name ("FILE"), or nullptr for a switch
    const char* help;   // one sentence
    Complete complete = Complete::Nothing;
    const char* words = nullptr;  // with Complete::Words: the values, blank-separated
    bool hidden = false;          // for tests only: left out of help, manual and completion
};

// A command of a program that has commands: one word ("download") or two ("archive import").
struct CommandUsage {
    const char* name;
    const char* synopsis;     // what follows the name: "--csv FILE [--rgt FILE]"
    const char* summary;      // one line, for the list of commands
    const char* description;  // what it does: its --help and its manual section
    QList<Option> options = {};
    Complete arguments = Complete::Nothing;  // what its positional arguments are
};

struct ProgramUsage {
    QString name;         // "vernoll-cli"
    QString summary;      // the manual's one-line NAME: "talk to ..."
    QString synopsis;     // what follows the name: "[GLOBAL OPTIONS] COMMAND [OPTIONS]"
    QString description;  // paragraphs, separated by an empty line
    QList<Option> options;
    QList<CommandUsage> commands;
    QList<QPair<int, QString>> exitStatus;
    QList<QPair<QString, QString>> sections;  // further manual sections: title, paragraphs
    QStringList seeAlso;                      // other manual pages: "vernoll-sim(1)"
};

// --archive URL: where the station archive lives, for the window and the command line.
const Option& archiveOption();

// The options as the parser takes them; hidden ones stay out of its help.
void addOptions(QCommandLineParser& parser, const QList<Option>& options);

// The commands, one a line, for the program's --help.
QString commandList(const ProgramUsage& program);

// A command's --help: its synopsis, what it does, its options.
QString commandHelp(const ProgramUsage& program, const CommandUsage& command);

// The manual page (man(7) markup) and the bash completion script.
QString manPage(const ProgramUsage& program);
QString bashCompletion(const ProgramUsage& program);

// The build makes the manual page and the completion by running each program with
// --manpage or --bash-completion as its only argument. Returns the exit status when that was
// asked for (the text is then on stdout), nothing otherwise. Needs no application object.
std::optional<int> printGenerated(int argc, char** argv, const ProgramUsage& program);

}  // namespace vernoll::front
