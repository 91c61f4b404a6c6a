#include "station/erase_guard.h"

#include "archive/archive.h"
#include "station/download_archiving.h"

namespace vernoll::station {

EraseRisk eraseRisk(const QString& location, const config::Configuration& imported,
                    const QDateTime& pcNow) {
    EraseRisk risk;
    const auto loggerClock = imported.loggerClock();
    const auto minutes = imported.intervalMinutes();
    if (!loggerClock || !minutes || !imported.pcClock.isValid()) return risk;
    const QDateTime loggerNow = loggerClock->addSecs(imported.pcClock.secsTo(pcNow));

    archive::Archive store;
    if (!store.open(location, archive::Archive::Access::Read)) {
        risk.archiveError = store.error();
        return risk;
    }
    const auto held =
        store.holdsReadingsUpTo(serialOf(imported, 0.0F), loggerNow, qint64(*minutes) * 60);
    if (!held) {
        risk.archiveError = store.error();
        return risk;
    }
    risk.readingsAtRisk = !*held;
    return risk;
}

}  // namespace vernoll::station
