// docs/archive.md: every query in it runs, against an archive the command line filled from the
// emulator, and the rain per day it gives is the export's. Its blocks are tagged by what runs
// them: "sql sqlite" (the sqlite3 program on the file), "sql psql" (psql on the archive tests'
// throwaway server), "python" (python3 with the file as its argument).

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "archive/scratch.h"
#include "support/cli_run.h"

using vernoll::test::cli;
using vernoll::test::CliRun;

namespace {

struct Block {
    QString tag;
    QString text;
};

std::vector<Block> blocksOf(const QString& tag) {
    QFile doc(QStringLiteral(VERNOLL_ARCHIVE_DOC));
    if (!doc.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << VERNOLL_ARCHIVE_DOC;
        return {};
    }
    static const QRegularExpression fence(
        QStringLiteral("^```([a-z ]+)\\n(.*?)^```"),
        QRegularExpression::MultilineOption | QRegularExpression::DotMatchesEverythingOption);
    std::vector<Block> blocks;
    for (auto it = fence.globalMatch(QString::fromUtf8(doc.readAll())); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(1) == tag) blocks.push_back({m.captured(1), m.captured(2)});
    }
    return blocks;
}

// A program with `input` on its standard input.
CliRun feed(const QString& program, const QStringList& args, const QString& input) {
    QProcess p;
    p.start(program, args);
    p.write(input.toUtf8());
    p.closeWriteChannel();
    return vernoll::test::finish(p, 30000);
}

using RainPerDay = std::map<std::pair<qint64, QString>, double>;  // serial, day: mm

// Lines "serial,yyyy-MM-dd,mm" as the queries print them.
RainPerDay rainOf(const QByteArray& out) {
    RainPerDay rain;
    for (const QByteArray& line : out.trimmed().split('\n')) {
        const QList<QByteArray> f = line.trimmed().split(',');
        if (f.size() != 3) {
            ADD_FAILURE() << "not serial,day,rain: " << line.toStdString();
            continue;
        }
        rain[{f[0].toLongLong(), QString::fromLatin1(f[1])}] = f[2].toDouble();
    }
    return rain;
}

// The export's rain per day: the sum of its Precipitacion column over each day's readings.
RainPerDay exportedRain(const QString& archive, qint64 serial, const QString& folder) {
    const QString csv = folder + QStringLiteral("/export.csv");
    const CliRun r = cli({QStringLiteral("--archive"), archive, QStringLiteral("archive"),
                          QStringLiteral("export"), QStringLiteral("--serial"),
                          QString::number(serial), QStringLiteral("--csv"), csv});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    QFile file(csv);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QList<QByteArray> lines = file.readAll().split('\n');
    const QList<QByteArray> titles = lines.value(0).split(',');
    qsizetype column = -1;
    for (qsizetype i = 0; i < titles.size(); ++i)
        if (titles[i].startsWith("Precipitacion")) column = i;
    EXPECT_GT(column, 0) << lines.value(0).toStdString();
    RainPerDay rain;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> f = lines[i].trimmed().split(',');
        if (f.size() <= column) continue;
        rain[{serial, QString::fromLatin1(f[0].left(10))}] += f[column].toDouble();
    }
    return rain;
}

// The same days, each within the rounding to a tenth that the queries do.
void expectSameRain(const RainPerDay& got, const RainPerDay& exported) {
    ASSERT_EQ(got.size(), exported.size());
    for (const auto& [key, mm] : exported) {
        const auto it = got.find(key);
        ASSERT_NE(it, got.end()) << key.second.toStdString();
        EXPECT_NEAR(it->second, mm, 0.05 + 1e-9) << key.second.toStdString();
    }
    double total = 0;
    for (const auto& [key, mm] : exported) total += mm;
    EXPECT_GT(total, 0) << "the emulator's rain gauge recorded no rain to compare";
}

CliRun collectInto(const QString& archive) {
    return cli({QStringLiteral("--fast-waits"), QStringLiteral("--simulate"),
                QStringLiteral("20500"), QStringLiteral("--archive"), archive,
                QStringLiteral("collect")});
}

}  // namespace

TEST(ArchiveDocument, ItsSqliteAndPythonQueriesRunOnTheFile) {
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("archivo.sqlite"));
    const CliRun collected = collectInto(archive);
    ASSERT_EQ(collected.status, 0) << collected.err.toStdString();
    const RainPerDay exported = exportedRain(archive, 20500, dir.path());

    const std::vector<Block> sql = blocksOf(QStringLiteral("sql sqlite"));
    const std::vector<Block> python = blocksOf(QStringLiteral("python"));
    ASSERT_GE(sql.size(), 2U);
    ASSERT_EQ(python.size(), 1U);
    for (const Block& b : sql) {
        SCOPED_TRACE(b.text.toStdString());
        const CliRun r = feed(QStringLiteral("sqlite3"),
                              {QStringLiteral("-readonly"), QStringLiteral("-bail"),
                               QStringLiteral("-separator"), QStringLiteral(","), archive},
                              b.text);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
        if (b.text.contains(QLatin1String("Precipitacion")))
            expectSameRain(rainOf(r.out), exported);
        else
            EXPECT_TRUE(r.out.startsWith("20500,")) << r.out.toStdString();
    }
    const CliRun r =
        feed(QStringLiteral("python3"), {QStringLiteral("-"), archive}, python.front().text);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    expectSameRain(rainOf(r.out), exported);
}

TEST(ArchiveDocument, ItsPsqlQueriesRunOnTheServerAndTheRoleReadsOnlyTheViews) {
    const vernoll::archive::test::Scratch scratch(vernoll::archive::test::Backend::PostgreSQL);
    if (scratch.location().isEmpty()) GTEST_SKIP() << scratch.whyNone().toStdString();
    const CliRun collected = collectInto(scratch.location());
    ASSERT_EQ(collected.status, 0) << collected.err.toStdString();
    QTemporaryDir dir;
    const RainPerDay exported = exportedRain(scratch.location(), 20500, dir.path());

    const auto psql = [](const QString& url, const QString& sql) {
        return feed(QStringLiteral("psql"),
                    {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"),
                     QStringLiteral("-t"), QStringLiteral("-F"), QStringLiteral(","),
                     QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"), url},
                    sql);
    };
    // The role is the server's, not the database's: none left from an earlier run, and none
    // left by this one.
    psql(scratch.location(), QStringLiteral("DROP ROLE IF EXISTS tablero;"));
    struct DropRole {
        std::function<void()> drop;
        ~DropRole() { drop(); }
    } dropRole{[&] {
        psql(scratch.location(), QStringLiteral("DROP OWNED BY tablero; DROP ROLE tablero;"));
    }};

    const std::vector<Block> blocks = blocksOf(QStringLiteral("sql psql"));
    ASSERT_GE(blocks.size(), 2U);
    bool role = false;
    for (const Block& b : blocks) {
        SCOPED_TRACE(b.text.toStdString());
        const CliRun r = psql(scratch.location(), b.text);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        if (b.text.contains(QLatin1String("Precipitacion")))
            expectSameRain(rainOf(r.out), exported);
        role = role || b.text.contains(QLatin1String("CREATE ROLE tablero"));
    }
    ASSERT_TRUE(role) << "no block makes the dashboard's role";
    QUrl asDashboard(scratch.location());
    asDashboard.setUserName(QStringLiteral("tablero"));
    const CliRun views =
        psql(asDashboard.toString(), QStringLiteral("SELECT COUNT(*) FROM station_summary;"));
    EXPECT_EQ(views.status, 0) << views.err.toStdString();
    EXPECT_EQ(views.out.trimmed(), "1");
    for (const char* sql : {"SELECT COUNT(*) FROM readings;", "DELETE FROM station_summary;",
                            "INSERT INTO stations (serial) VALUES (1);"}) {
        const CliRun refused = psql(asDashboard.toString(), QString::fromLatin1(sql));
        EXPECT_NE(refused.status, 0) << sql;
        EXPECT_TRUE(refused.err.contains("permission denied")) << refused.err.toStdString();
    }
}
