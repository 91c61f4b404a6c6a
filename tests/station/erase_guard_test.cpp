#include "station/erase_guard.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "archive/archive.h"

using namespace vernoll;

namespace {

// The import: logger 00020500, sampling every 10 minutes, its clock at 12:00:00 when the PC's
// was 11:59:00.
config::Configuration imported() {
    config::Configuration c;
    c.serial = QStringLiteral("00020500");
    c.intervalCode = 0x10;
    c.date = QDate(2026, 12, 1);
    c.time = QTime(12, 0, 0);
    c.pcClock = QDateTime(QDate(2026, 12, 1), QTime(11, 59, 0));
    return c;
}

QDateTime loggerTime(int h, int m) {
    return QDateTime(QDate(2026, 12, 1), QTime(h, m), Qt::UTC);
}

// An archive holding one download of `serial` whose newest reading is at `last`.
void store(const QString& path, std::uint32_t serial, const QDateTime& last) {
    archive::Archive a;
    ASSERT_TRUE(a.open(path, archive::Archive::Access::Update)) << a.error().toStdString();
    std::vector<Reading> readings = {{serial, last.addSecs(-600), {1.0F}}, {serial, last, {2.0F}}};
    archive::Batch batch;
    batch.serial = serial;
    batch.port = QStringLiteral("/dev/ttyUSB0");
    batch.when = QDateTime(QDate(2026, 12, 1), QTime(11, 0));
    batch.readings = readings;
    ASSERT_TRUE(a.store(batch)) << a.error().toStdString();
}

struct Case {
    const char* what;
    std::optional<std::uint32_t> storedSerial;  // nothing: no archive file at all
    QDateTime storedLast;
    int minutesAfterImport;  // the PC clock at the send
    bool atRisk;
    bool archiveError;
};

}  // namespace

class EraseGuard : public ::testing::TestWithParam<Case> {};

TEST_P(EraseGuard, AsksUnlessTheArchiveHoldsTheNewestReadings) {
    const Case& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("archivo.sqlite"));
    if (c.storedSerial) store(path, *c.storedSerial, c.storedLast);
    const QDateTime pcNow = imported().pcClock.addSecs(qint64(c.minutesAfterImport) * 60);
    const station::EraseRisk risk = station::eraseRisk(path, imported(), pcNow);
    EXPECT_EQ(risk.readingsAtRisk, c.atRisk) << c.what;
    EXPECT_EQ(!risk.archiveError.isEmpty(), c.archiveError) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EraseGuard,
    ::testing::Values(
        Case{"downloaded at the last sample", 20500, loggerTime(12, 0), 0, false, false},
        Case{"downloaded one sample ago", 20500, loggerTime(11, 50), 0, false, false},
        Case{"a sample taken since the download", 20500, loggerTime(11, 40), 0, true, false},
        // The logger's clock runs on after the import: by the send, one more sample is due.
        Case{"the send long after the import", 20500, loggerTime(12, 0), 25, true, false},
        Case{"another logger downloaded", 20501, loggerTime(12, 0), 0, true, false},
        Case{"no archive at all", std::nullopt, {}, 0, true, true}));

TEST(EraseGuard, AnImportWithoutAClockPutsReadingsAtRisk) {
    config::Configuration c = imported();
    c.time.reset();
    EXPECT_TRUE(
        station::eraseRisk(QStringLiteral("/nonexistent/a.sqlite"), c, c.pcClock).readingsAtRisk);
}
