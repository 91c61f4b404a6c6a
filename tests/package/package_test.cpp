// What `cmake --install` puts in place: each file where the desktop, man, bash, udev and
// systemd look for it, the ones the programs make agreeing with the programs, and the
// installed programs working from there.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSet>
#include <QSize>
#include <QTemporaryDir>

#include "support/qt_app.h"

namespace {

QString installed(const QString& path) {
    return QStringLiteral(VERNOLL_INSTALL_TREE "/") + path;
}

struct Outcome {
    int status = -1;
    QString out, err;
};

Outcome run(const QString& program, const QStringList& args, const QString& folder = {},
            const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    if (!folder.isEmpty()) p.setWorkingDirectory(folder);
    p.setProcessEnvironment(environment);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(program, args);
    Outcome r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// A key's value in the [Desktop Entry] group of a desktop entry.
QString desktopValue(const QString& entry, const QString& key) {
    bool inGroup = false;
    for (const QString& line : entry.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('[')))
            inGroup = line == QLatin1String("[Desktop Entry]");
        else if (inGroup && line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1);
    }
    return {};
}

// A PNG's size, from its IHDR chunk.
QSize pngSize(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray head = file.read(24);
    if (head.size() < 24 || !head.startsWith("\x89PNG\r\n\x1a\n")) return {};
    const auto number = [&head](int at) {
        int n = 0;
        for (int i = at; i < at + 4; ++i) n = (n << 8) | std::uint8_t(head[i]);
        return n;
    };
    return {number(16), number(20)};
}

QString cli() {
    return installed(QStringLiteral("bin/vernoll-cli"));
}

// The commands an installed vernoll-cli lists in its --help.
QStringList listedCommands() {
    const QString help = run(cli(), {QStringLiteral("--help")}).out;
    QStringList names;
    const QString list =
        help.section(QStringLiteral("Commands:\n"), 1).section(QStringLiteral("\n\n"), 0, 0);
    // A name of two words ("archive import") ends where the summary's column begins.
    for (const QString& line : list.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        names << line.trimmed().section(QStringLiteral("  "), 0, 0);
    return names;
}

// A command's words, then `more`: what runs it.
QStringList words(const QString& command, const QStringList& more) {
    return command.split(QLatin1Char(' ')) + more;
}

// The long options a help text lists ("--csv"), as Qt's or a command's help spells them;
// without Qt's own --help-all, which is about Qt rather than the program.
QStringList helpOptions(const QString& help) {
    QStringList names;
    static const QRegularExpression option(QStringLiteral("^  (?:-\\S, )?(--[a-z-]+)"));
    for (const QString& line : help.section(QStringLiteral("Options:\n"), 1).split('\n'))
        if (const auto m = option.match(line); m.hasMatch() && m.captured(1) != "--help-all")
            names << m.captured(1);
    return names;
}

// What the installed completion offers for the words typed so far (the last is the one
// being completed), in `folder`.
QStringList completion(const QString& program, const QStringList& words,
                       const QString& folder = {}) {
    QString typed;
    for (const QString& word : words) typed += QLatin1Char('\'') + word + QStringLiteral("' ");
    const QString script =
        QStringLiteral(
            "source '%1' || exit 9\n"
            "read -r _ _ function _ <<<\"$(complete -p %2)\"\n"
            "COMP_WORDS=(%3); COMP_CWORD=%4\n"
            "\"$function\"\n"
            "printf '%s\\n' \"${COMPREPLY[@]}\"\n")
            .arg(installed(QStringLiteral("share/bash-completion/completions/") + program), program,
                 typed)
            .arg(words.size() - 1);
    const Outcome r = run(QStringLiteral("bash"), {QStringLiteral("-c"), script}, folder);
    if (r.status != 0) return {QStringLiteral("(bash ended with %1: %2)").arg(r.status).arg(r.err)};
    return r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite() { vernoll::test::ensureApp(); }
};

TEST_F(Installed, EveryFileWhereItsUsersLookForIt) {
    const struct {
        const char* path;
        bool program;
    } files[] = {
        {"bin/vernoll", true},
        {"bin/vernoll-cli", true},
        {"bin/vernoll-sim", true},
        {"share/applications/vernoll.desktop", false},
        {"share/icons/hicolor/scalable/apps/vernoll.svg", false},
        {"share/icons/hicolor/48x48/apps/vernoll.png", false},
        {"share/icons/hicolor/256x256/apps/vernoll.png", false},
        {"share/metainfo/vernoll.metainfo.xml", false},
        {"share/man/man1/vernoll.1.gz", false},
        {"share/man/man1/vernoll-cli.1.gz", false},
        {"share/man/man1/vernoll-sim.1.gz", false},
        {"share/bash-completion/completions/vernoll", false},
        {"share/bash-completion/completions/vernoll-cli", false},
        {"share/bash-completion/completions/vernoll-sim", false},
        {"lib/udev/rules.d/70-vernoll-serial.rules", false},
        {"lib/systemd/user/vernoll-collect@.service", false},
        {"lib/systemd/user/vernoll-collect@.timer", false},
        {"share/doc/vernoll/copyright", false},
        {"share/doc/vernoll/changelog.gz", false},
    };
    for (const auto& f : files) {
        const QFileInfo info(installed(QString::fromLatin1(f.path)));
        EXPECT_TRUE(info.isFile() && info.size() > 0) << f.path;
        EXPECT_EQ(info.isExecutable(), f.program) << f.path;
    }
    for (const int size : {48, 256})
        EXPECT_EQ(pngSize(installed(
                      QStringLiteral("share/icons/hicolor/%1x%1/apps/vernoll.png").arg(size))),
                  QSize(size, size));
}

TEST_F(Installed, TheDesktopEntryStartsTheInstalledWindow) {
    const QString entry = contents(installed(QStringLiteral("share/applications/vernoll.desktop")));
    const QString exec = desktopValue(entry, QStringLiteral("Exec"));
    const QString program = exec.section(QLatin1Char(' '), 0, 0);
    // The menu finds it on the PATH, wherever the prefix is.
    EXPECT_EQ(program, QStringLiteral("vernoll"));
    const QString binary = installed(QStringLiteral("bin/") + program);
    ASSERT_TRUE(QFileInfo(binary).isExecutable()) << exec.toStdString();
    // It is the window's program, the one that takes --simulate and is called vernoll.
    const Outcome version = run(binary, {QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith(QStringLiteral("vernoll "))) << version.out.toStdString();
    EXPECT_TRUE(run(binary, {QStringLiteral("--help")}).out.contains(QStringLiteral("--simulate")));

    const QString icon = desktopValue(entry, QStringLiteral("Icon"));
    EXPECT_TRUE(QFileInfo::exists(
        installed(QStringLiteral("share/icons/hicolor/scalable/apps/") + icon + ".svg")))
        << icon.toStdString();
}

TEST_F(Installed, TheManualPagesDescribeEveryCommandAndOption) {
    const auto page = [](const QString& name) {
        return run(QStringLiteral("gzip"),
                   {QStringLiteral("-dc"), installed(QStringLiteral("share/man/man1/") + name)})
            .out;
    };
    const auto roff = [](QString text) { return text.replace('-', QStringLiteral("\\-")); };
    const auto option = [&roff](const QString& name) {
        return QStringLiteral("\\fB") + roff(name) + QStringLiteral("\\fR");
    };

    const QString cliPage = page(QStringLiteral("vernoll-cli.1.gz"));
    const QStringList commands = listedCommands();
    ASSERT_FALSE(commands.isEmpty());
    for (const QString& command : commands) {
        EXPECT_TRUE(cliPage.contains(QStringLiteral(".SS ") + roff(command) + '\n'))
            << command.toStdString();
        const QString help = run(cli(), words(command, {QStringLiteral("--help")})).out;
        for (const QString& name : helpOptions(help)) {
            if (name == QLatin1String("--help")) continue;
            EXPECT_TRUE(cliPage.contains(option(name)))
                << command.toStdString() << " " << name.toStdString();
        }
    }
    for (const QString& name : helpOptions(run(cli(), {QStringLiteral("--help")}).out))
        EXPECT_TRUE(cliPage.contains(option(name))) << name.toStdString();

    const QString simPage = page(QStringLiteral("vernoll-sim.1.gz"));
    const QStringList simOptions = helpOptions(
        run(installed(QStringLiteral("bin/vernoll-sim")), {QStringLiteral("--help")}).out);
    EXPECT_TRUE(simOptions.contains(QStringLiteral("--fault")));
    for (const QString& name : simOptions)
        EXPECT_TRUE(simPage.contains(option(name))) << name.toStdString();
}

TEST_F(Installed, BashCompletionOffersWhatTheProgramTakes) {
    const QString program = QStringLiteral("vernoll-cli");
    QTemporaryDir folder;
    QFile(folder.filePath(QStringLiteral("datos.csv"))).open(QIODevice::WriteOnly);
    QDir(folder.path()).mkdir(QStringLiteral("descargas"));

    const struct {
        QStringList words;
        QStringList offered;
    } cases[] = {
        {{program, QStringLiteral("dow")}, {QStringLiteral("download")}},
        {{program, QStringLiteral("--")},
         {QStringLiteral("--port"), QStringLiteral("--simulate"), QStringLiteral("--trace"),
          QStringLiteral("--archive"), QStringLiteral("--json"), QStringLiteral("--help"),
          QStringLiteral("--version")}},
        {{program, QStringLiteral("--port"), QStringLiteral("/dev/ttyUSB0"), QStringLiteral("sms"),
          QStringLiteral("--send-interval"), QString()},
         {QStringLiteral("none"), QStringLiteral("sync"), QStringLiteral("2h"),
          QStringLiteral("6h"), QStringLiteral("12h")}},
        {{program, QStringLiteral("set-config"), QStringLiteral("--interval"), QStringLiteral("1")},
         {QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("15")}},
        {{program, QStringLiteral("--simulate"), QStringLiteral("20500"),
          QStringLiteral("download"), QStringLiteral("--csv"), QStringLiteral("da")},
         {QStringLiteral("datos.csv")}},
        {{program, QStringLiteral("decode"), QStringLiteral("des")}, {QStringLiteral("descargas")}},
        {{program, QStringLiteral("archive"), QString()},
         {QStringLiteral("import"), QStringLiteral("list"), QStringLiteral("history"),
          QStringLiteral("check"), QStringLiteral("export")}},
        // A value is not taken for a command: "probe" after --simulate is the serial number.
        {{program, QStringLiteral("--simulate"), QStringLiteral("probe"), QStringLiteral("--")},
         {QStringLiteral("--port"), QStringLiteral("--simulate"), QStringLiteral("--trace"),
          QStringLiteral("--archive"), QStringLiteral("--json"), QStringLiteral("--help"),
          QStringLiteral("--version")}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(completion(program, c.words, folder.path()), c.offered)
            << c.words.join(' ').toStdString();

    // Every command the program lists, and each command's options as its help lists them.
    const QStringList commands = listedCommands();
    ASSERT_FALSE(commands.isEmpty());
    QStringList firstWords;
    for (const QString& command : commands)
        if (const QString first = command.section(QLatin1Char(' '), 0, 0);
            !firstWords.contains(first))
            firstWords << first;
    EXPECT_EQ(completion(program, {program, QString()}), firstWords);
    for (const QString& command : commands)
        EXPECT_EQ(
            completion(program, QStringList{program} + words(command, {QStringLiteral("--")})),
            helpOptions(run(cli(), words(command, {QStringLiteral("--help")})).out))
            << command.toStdString();
}

TEST_F(Installed, TheUdevRuleGivesTheSeatOnlyUsbSerialAdapters) {
    const QDir rules(installed(QStringLiteral("lib/udev/rules.d")));
    const QStringList files = rules.entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    // uaccess becomes an access list in 73-seat-late.rules: a rule after it would be too late.
    EXPECT_LT(files.first().section(QLatin1Char('-'), 0, 0).toInt(), 73)
        << files.first().toStdString();

    const QString text = contents(rules.filePath(files.first()));
    EXPECT_TRUE(text.contains(QStringLiteral("SUBSYSTEM!=\"tty\", GOTO=")));
    static const QRegularExpression vendor(
        QStringLiteral("ATTRS\\{idVendor\\}==\"([0-9a-f]{4})\""));
    static const QRegularExpression product(
        QStringLiteral("ATTRS\\{idProduct\\}==\"[0-9a-f]{4}(\\|[0-9a-f]{4})*\""));
    QSet<QString> vendors;
    int granting = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('#')) || !line.contains(QStringLiteral("uaccess")))
            continue;
        ++granting;
        const auto v = vendor.match(line);
        EXPECT_TRUE(v.hasMatch() && product.match(line).hasMatch()) << line.toStdString();
        EXPECT_TRUE(line.contains(QStringLiteral("ENV{ID_MM_DEVICE_IGNORE}=\"1\"")))
            << line.toStdString();
        vendors << v.captured(1);
    }
    EXPECT_GT(granting, 0);
    // FTDI, Prolific, Silicon Labs, WCH.
    EXPECT_EQ(vendors, (QSet<QString>{QStringLiteral("0403"), QStringLiteral("067b"),
                                      QStringLiteral("10c4"), QStringLiteral("1a86")}));
}

TEST_F(Installed, TheCollectionUnitsRunWithTheEmulatorInPlaceOfThePort) {
    const QDir units(installed(QStringLiteral("lib/systemd/user")));
    int commands = 0;
    for (const QString& name : units.entryList(QDir::Files)) {
        // A timer starts the service of its own name.
        if (name.endsWith(QStringLiteral(".timer"))) {
            EXPECT_TRUE(units.exists(name.chopped(6) + QStringLiteral(".service")))
                << name.toStdString();
        }
        for (const QString& line : contents(units.filePath(name)).split(QLatin1Char('\n'))) {
            if (!line.startsWith(QStringLiteral("ExecStart="))) continue;
            ++commands;
            QString command = line.mid(10);
            const QString port = QStringLiteral("--port /dev/%I");
            ASSERT_TRUE(command.contains(port)) << line.toStdString();
            command.replace(port, QStringLiteral("--fast-waits --simulate 20500"));
            ASSERT_FALSE(command.contains(QLatin1Char('%')))
                << "a specifier left: " << line.toStdString();
            // What the job keeps goes to a home of its own.
            QTemporaryDir home;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("HOME"), home.path());
            environment.insert(QStringLiteral("XDG_DATA_HOME"),
                               home.filePath(QStringLiteral("data")));
            environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                               home.filePath(QStringLiteral("config")));
            environment.remove(QStringLiteral("VERNOLL_ARCHIVE"));
            const QStringList words = command.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            const Outcome r = run(words.first(), words.mid(1), home.path(), environment);
            EXPECT_EQ(r.status, 0) << command.toStdString() << "\n" << r.err.toStdString();
        }
    }
    EXPECT_EQ(commands, 1);
}

}  // namespace
