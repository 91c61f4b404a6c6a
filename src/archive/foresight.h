#pragma once

#include <QDateTime>
#include <optional>
#include <vector>

namespace vernoll::archive {

// What the archive knows of one download from the logger itself, as foresight needs it.
struct DownloadFact {
    QDateTime at;                         // PC time the download ended
    std::optional<qint64> clockOffsetS;   // logger minus PC at its import
    std::optional<int> intervalMinutes;   // the sampling interval then
    std::optional<qint64> memoryRecords;  // the logger's memory capacity in records
    qint64 memoryUsed = 0;                // records in its memory
    std::optional<QDateTime> oldest;      // its oldest record (logger clock)
};

// A configuration send: when, the interval it set and the clock it set (the logger's memory
// is erased by it).
struct SendFact {
    QDateTime at;  // PC time
    std::optional<int> intervalMinutes;
    std::optional<QDateTime> clock;
};

// What a technician plans with, per logger. Nothing where the archive cannot say (a logger
// never downloaded has no forecast at all).
struct Foresight {
    std::optional<int> intervalMinutes;
    std::optional<qint64> memoryRecords;
    std::optional<qint64> memoryUsed;
    // The logger-clock time at which the memory holds memoryRecords records at the interval,
    // counted from the oldest record at the last download, or from a configuration send made
    // after it (which erased the memory, and may have changed the interval).
    std::optional<QDateTime> memoryFullAt;
    // The change of the clock offset per day, between the last download and the latest
    // earlier one at least a day before it, with no configuration send (which sets the clock)
    // between them.
    std::optional<double> driftSPerDay;
    std::optional<qint64> daysSinceDownload;  // whole days from the last download to `now`
};

// Downloads and sends oldest first.
Foresight foresee(const std::vector<DownloadFact>& downloads, const std::vector<SendFact>& sends,
                  const QDateTime& now);

}  // namespace vernoll::archive
