#include "station/erase_guard.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "archive/archive.h"

using namespace vernoll;

namespace {

// The import: logger 00020500, sampling every 10 minutes, its clock at 12:05:00 when the PC's
// was 12:04:00. Its last sample, at 12:00:00 on its clock, was at 11:59 on the PC's.
config::Configuration imported() {
    config::Configuration c;
    c.serial = QStringLiteral("00020500");
    c.intervalCode = 0x10;
    c.date = QDate(2026, 12, 1);
    c.time = QTime(12, 5, 0);
    c.pcClock = QDateTime(QDate(2026, 12, 1), QTime(12, 4, 0));
    return c;
}

QDateTime pcTime(int h, int m) {
    return QDateTime(QDate(2026, 12, 1), QTime(h, m));
}

enum class Visit { None, Download, BaseFile, Send };

// An archive that knows one visit of `serial` at PC time `at`.
void keep(const QString& path, Visit visit, std::uint32_t serial, const QDateTime& at) {
    archive::Archive a;
    ASSERT_TRUE(a.open(path, archive::Archive::Access::Update)) << a.error().toStdString();
    if (visit == Visit::Send) {
        archive::LogEntry send;
        send.kind = QStringLiteral("config_send");
        send.at = at;
        ASSERT_TRUE(a.log(serial, send)) << a.error().toStdString();
        return;
    }
    if (visit == Visit::None) return;
    const std::vector<Reading> readings = {{serial, at.addSecs(-3600), {1.0F}}};
    archive::Batch batch;
    batch.serial = serial;
    if (visit == Visit::Download) batch.port = QStringLiteral("/dev/ttyUSB0");
    batch.when = at;
    batch.readings = readings;
    ASSERT_TRUE(a.store(batch)) << a.error().toStdString();
}

struct Case {
    const char* what;
    bool archive;  // false: no archive file at all
    Visit visit;
    std::uint32_t serial;
    QDateTime at;
    int minutesAfterImport;  // the PC clock at the send
    bool atRisk;
};

}  // namespace

class EraseGuard : public ::testing::TestWithParam<Case> {};

TEST_P(EraseGuard, WarnsUnlessAVisitCameAfterTheLastSample) {
    const Case& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("archivo.sqlite"));
    if (c.archive) keep(path, c.visit, c.serial, c.at);
    const QDateTime pcNow = imported().pcClock.addSecs(qint64(c.minutesAfterImport) * 60);
    const station::EraseRisk risk = station::eraseRisk(path, imported(), pcNow);
    EXPECT_EQ(risk.readingsAtRisk, c.atRisk) << c.what;
    EXPECT_EQ(!risk.archiveError.isEmpty(), !c.archive) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EraseGuard,
    ::testing::Values(
        Case{"downloaded since the last sample", true, Visit::Download, 20500, pcTime(12, 1), 0,
             false},
        Case{"downloaded before the last sample", true, Visit::Download, 20500, pcTime(11, 58), 0,
             true},
        // The logger's clock runs on after the import: by the send, a sample was taken since.
        Case{"a sample taken since the download", true, Visit::Download, 20500, pcTime(12, 1), 10,
             true},
        Case{"a send just now (it erased the memory)", true, Visit::Send, 20500, pcTime(12, 3), 0,
             false},
        Case{"a send before the last sample", true, Visit::Send, 20500, pcTime(11, 50), 0, true},
        Case{"a base file imported is no visit", true, Visit::BaseFile, 20500, pcTime(12, 1), 0,
             true},
        Case{"another logger downloaded", true, Visit::Download, 20501, pcTime(12, 1), 0, true},
        Case{"never downloaded", true, Visit::None, 20500, {}, 0, true},
        Case{"no archive at all", false, Visit::None, 20500, {}, 0, true}));

TEST(EraseGuard, AnImportWithoutAClockPutsReadingsAtRisk) {
    config::Configuration c = imported();
    c.time.reset();
    EXPECT_TRUE(
        station::eraseRisk(QStringLiteral("/nonexistent/a.sqlite"), c, c.pcClock).readingsAtRisk);
}
