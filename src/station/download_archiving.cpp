#include "station/download_archiving.h"

#include <cmath>

#include "family/family.h"
#include "memory/report.h"

namespace vernoll::station {

std::uint32_t serialOf(const std::optional<config::Configuration>& configuration, float nserie) {
    if (configuration) {
        bool ok = false;
        const uint n = configuration->serial.toUInt(&ok);
        if (ok && configuration->serial.size() == 8) return n;
    }
    return nserie > 0.0F ? std::uint32_t(std::lround(double(nserie))) : 0U;
}

Archived archiveDownload(const QString& location, const DownloadFacts& facts,
                         const archive::Archive::Options& options) {
    Archived out;
    archive::Batch batch;
    batch.serial = serialOf(facts.configuration, facts.nserie);
    out.readings = facts.readings ? qint64(facts.readings->readings.size()) : 0;
    if (const family::Family* f = family::of(double(facts.nserie)); f && f->name) {
        batch.device = QString::fromUtf8(f->name);
        batch.columnHeader = QString::fromUtf8(f->header);
    }
    if (const auto& c = facts.configuration) {
        batch.texts =
            archive::StationTexts{c->texts[0], c->texts[1], c->texts[2], c->texts[3], c->texts[4]};
        batch.loggerClock = c->loggerClock();
        if (c->pcClock.isValid()) batch.pcClock = c->pcClock;
        batch.clockOffsetS = c->clockOffset();
    }
    batch.when = facts.when;
    batch.port = facts.port;
    batch.blocks = facts.blocks;
    batch.user = facts.user;
    if (facts.configuration) batch.intervalMinutes = facts.configuration->intervalMinutes();
    // Four 16-byte records to a 64-byte block.
    if (facts.memo > 2) batch.memoryRecords = qint64(facts.memo - 2) * 4;
    batch.baseFile = facts.copyPath;
    if (!facts.copyPath.isEmpty())
        batch.baseFileSha256 = archive::fileSha256(facts.copyPath).value_or(QString());
    if (facts.readings) batch.readings = facts.readings->readings;

    archive::Archive store;
    if (store.open(location, archive::Archive::Access::Update, options))
        out.result = store.store(batch);
    out.location = store.location();
    out.line = out.result ? archive::countsLine(*out.result) : store.error();
    return out;
}

}  // namespace vernoll::station
