#include "archive/foresight.h"

#include <algorithm>

namespace vernoll::archive {

Foresight foresee(const std::vector<DownloadFact>& downloads, const std::vector<SendFact>& sends,
                  const QDateTime& now) {
    Foresight f;
    if (downloads.empty()) return f;
    const DownloadFact& last = downloads.back();
    f.intervalMinutes = last.intervalMinutes;
    f.memoryRecords = last.memoryRecords;
    f.memoryUsed = last.memoryUsed;
    if (now.isValid() && last.at.isValid())
        f.daysSinceDownload = std::max<qint64>(0, last.at.secsTo(now) / 86400);

    // The last send after the last download erased the memory and counts from its clock.
    const SendFact* since = nullptr;
    for (const SendFact& s : sends)
        if (s.at > last.at) since = &s;
    std::optional<QDateTime> from = last.oldest;
    std::optional<int> interval = last.intervalMinutes;
    if (since) {
        from = since->clock;
        if (since->intervalMinutes) interval = since->intervalMinutes;
    }
    if (from && from->isValid() && interval && *interval > 0 && last.memoryRecords)
        f.memoryFullAt = from->addSecs(*last.memoryRecords * qint64(*interval) * 60);
    if (since) f.intervalMinutes = interval;

    // Drift: the latest earlier download a day or more before the last one, with no send that
    // set the clock between them.
    if (last.clockOffsetS) {
        for (auto it = downloads.rbegin() + 1; it != downloads.rend(); ++it) {
            const bool clockSetBetween =
                std::any_of(sends.begin(), sends.end(),
                            [&](const SendFact& s) { return s.at > it->at && s.at <= last.at; });
            if (clockSetBetween) break;
            const qint64 seconds = it->at.secsTo(last.at);
            if (seconds < 86400 || !it->clockOffsetS) continue;
            f.driftSPerDay =
                double(*last.clockOffsetS - *it->clockOffsetS) * 86400.0 / double(seconds);
            break;
        }
    }
    return f;
}

}  // namespace vernoll::archive
