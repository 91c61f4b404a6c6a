// collect, list and export against a PostgreSQL archive that several technicians share: the
// same results as with the file of one's own.

#include <gtest/gtest.h>

#include <QFile>

#include "archive/scratch.h"
#include "support/cli_run.h"

using vernoll::test::cli;
using vernoll::test::CliRun;

TEST(CliPostgres, CollectTwiceListAndExportOnASharedServer) {
    const vernoll::archive::test::Scratch scratch(vernoll::archive::test::Backend::PostgreSQL);
    if (scratch.location().isEmpty()) GTEST_SKIP() << scratch.whyNone().toStdString();
    const auto run = [&](const QStringList& rest) {
        return cli(QStringList{QStringLiteral("--fast-waits"), QStringLiteral("--simulate"),
                               QStringLiteral("20500"), QStringLiteral("--archive"),
                               scratch.location(), QStringLiteral("--json")} +
                   rest);
    };
    const CliRun first = run({QStringLiteral("collect")});
    ASSERT_EQ(first.status, 0) << first.err.toStdString();
    const int readings = first.json()[QStringLiteral("readings")].toInt();
    EXPECT_GT(readings, 0);
    EXPECT_EQ(first.json()[QStringLiteral("new")].toInt(), readings);
    // The password never shows; the server's URL does.
    EXPECT_TRUE(first.json()[QStringLiteral("archive")].toString().startsWith(
        QStringLiteral("postgresql://")));

    const QJsonObject second = run({QStringLiteral("collect")}).json();
    EXPECT_LE(second[QStringLiteral("new")].toInt(), 1);
    EXPECT_EQ(second[QStringLiteral("new")].toInt() + second[QStringLiteral("duplicates")].toInt(),
              second[QStringLiteral("readings")].toInt());
    const int stored = readings + second[QStringLiteral("new")].toInt();

    const CliRun list = run({QStringLiteral("archive"), QStringLiteral("list")});
    ASSERT_EQ(list.status, 0) << list.err.toStdString();
    EXPECT_EQ(list.json()[QStringLiteral("stations")][0][QStringLiteral("readings")].toInt(),
              stored);

    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("e.csv"));
    const CliRun exported =
        run({QStringLiteral("archive"), QStringLiteral("export"), QStringLiteral("--serial"),
             QStringLiteral("20500"), QStringLiteral("--csv"), csv});
    ASSERT_EQ(exported.status, 0) << exported.err.toStdString();
    EXPECT_EQ(exported.json()[QStringLiteral("readings")].toInt(), stored);
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().count("\r\n"), stored + 1);
}
