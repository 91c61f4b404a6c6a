// Foresight from made-up downloads and sends: when the memory fills, how the clock drifts.

#include "archive/foresight.h"

#include <gtest/gtest.h>

using namespace vernoll::archive;

namespace {

QDateTime forecastDay(int d, int h = 12) {
    return QDateTime(QDate(2026, 3, 1).addDays(d), QTime(h, 0), Qt::UTC);
}

// A download at day `d`, its clock `offset` ahead of the PC's, 10-minute samples, 4096 records
// of memory of which `used` were held, the oldest record at day `oldest`.
DownloadFact downloaded(int d, qint64 offset, qint64 used = 1000, int oldest = 0) {
    return {forecastDay(d), offset, 10, 4096, used, forecastDay(oldest)};
}

struct ForecastCase {
    const char* what;
    std::vector<DownloadFact> downloads;
    std::vector<SendFact> sends;
    std::optional<QDateTime> fullAt;
    std::optional<double> drift;
    std::optional<qint64> days;
};

}  // namespace

// The table is made in the test, not before main: its times are Qt objects of their own.
TEST(Forecast, FromWhatTheDownloadsAndSendsSay) {
    const ForecastCase cases[] = {
        ForecastCase{"never downloaded: no forecast", {}, {}, {}, {}, {}},
        ForecastCase{"one download: its memory fills, no drift yet",
                     {downloaded(8, 5)},
                     {},
                     forecastDay(0).addSecs(4096 * 600),
                     {},
                     2},
        ForecastCase{"memory already full: the date is past",
                     {downloaded(40, 5, 4096, 0)},
                     {},
                     forecastDay(0).addSecs(4096 * 600),
                     {},
                     0},
        ForecastCase{"two downloads a day and more apart: their drift",
                     {downloaded(2, 10), downloaded(6, 30)},
                     {},
                     forecastDay(0).addSecs(4096 * 600),
                     5.0,
                     4},
        ForecastCase{
            "two downloads hours apart: no drift",
            {DownloadFact{forecastDay(6, 2), 10, 10, 4096, 900, forecastDay(0)}, downloaded(6, 30)},
            {},
            forecastDay(0).addSecs(4096 * 600),
            {},
            4},
        ForecastCase{"a send after the last download: counted from its clock at its interval",
                     {downloaded(2, 10), downloaded(6, 30)},
                     {SendFact{forecastDay(7), 60, forecastDay(7, 0)}},
                     forecastDay(7, 0).addSecs(4096 * 3600),
                     5.0,
                     4},
        ForecastCase{"a send between two downloads set the clock: no drift across it",
                     {downloaded(2, 10), downloaded(6, 30)},
                     {SendFact{forecastDay(4), 10, forecastDay(4)}},
                     forecastDay(0).addSecs(4096 * 600),
                     {},
                     4}};
    for (const ForecastCase& c : cases) {
        const Foresight f = foresee(c.downloads, c.sends, forecastDay(10, 13));
        EXPECT_EQ(f.memoryFullAt, c.fullAt) << c.what;
        EXPECT_EQ(f.driftSPerDay, c.drift) << c.what;
        EXPECT_EQ(f.daysSinceDownload, c.days) << c.what;
    }
}
