#include "station/erase_guard.h"

#include "archive/archive.h"
#include "station/download_archiving.h"

namespace vernoll::station {

EraseRisk eraseRisk(const QString& location, const config::Configuration& imported,
                    const QDateTime& pcNow) {
    EraseRisk risk;
    const auto loggerClock = imported.loggerClock();
    const auto minutes = imported.intervalMinutes();
    if (!loggerClock || !minutes || *minutes <= 0 || !imported.pcClock.isValid()) return risk;
    // The logger samples at whole multiples of its interval since midnight on its own clock:
    // how long ago, on the PC's clock, it took its last sample.
    const QDateTime loggerNow = loggerClock->addSecs(imported.pcClock.secsTo(pcNow));
    const qint64 sinceBoundary =
        qint64(loggerNow.time().msecsSinceStartOfDay() / 1000) % (qint64(*minutes) * 60);
    // The archive's PC times are wall-clock seconds without a zone.
    const QDateTime boundary =
        QDateTime(pcNow.date(), pcNow.time(), Qt::UTC).addSecs(-sinceBoundary);

    archive::Archive store;
    if (!store.open(location, archive::Archive::Access::Read)) {
        risk.archiveError = store.error();
        return risk;
    }
    const auto visit = store.lastVisit(serialOf(imported, 0.0F));
    if (!visit) {
        risk.archiveError = store.error();
        return risk;
    }
    // A download or a send made since that sample left nothing in the memory the archive lacks.
    risk.readingsAtRisk = !(*visit && **visit > boundary);
    return risk;
}

}  // namespace vernoll::station
