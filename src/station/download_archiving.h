#pragma once

#include <QDateTime>
#include <QString>
#include <memory>
#include <optional>

#include "archive/archive.h"
#include "config/record.h"
#include "memory/report.h"

namespace vernoll::station {

// What the archive keeps of a completed download: its readings, and the facts around them.
struct DownloadFacts {
    // The download's memory image decoded (memory::readingsOfImage), keyed on serialOf().
    std::shared_ptr<const memory::ImageReadings> readings;
    int memo = 0;         // frames of the download (its blocks and the two handshake bytes)
    float nserie = 0.0F;  // the logger's serial number as the decoder takes it
    // The configuration import before the download: the station texts and the two clocks.
    std::optional<config::Configuration> configuration;
    QString port;
    int blocks = 0;
    QString copyPath;  // the download's base-file copy; empty when it could not be written
    QDateTime when;    // the PC clock when the download ended
    QString user;      // the operating-system user who made it
};

// What storing a download in the archive did: the line the success message adds (the counts,
// or why the archive could not be updated).
struct Archived {
    std::optional<archive::StoreResult> result;  // nothing when the archive failed
    QString line;
    QString location;  // the archive as messages show it
    qint64 readings = 0;
    bool failed() const { return !result; }
};

// Stores the download's readings with its facts in the archive at `location` (a file path or a
// postgresql:// URL, as chosenLocation() gives it), in one transaction; `options` say how long
// the archive waits for a busy file or a server.
Archived archiveDownload(const QString& location, const DownloadFacts& facts,
                         const archive::Archive::Options& options = {});

// The logger's serial number: the import's digits where they are digits (a float cannot hold
// every 8-digit number), else the decoder's number.
std::uint32_t serialOf(const std::optional<config::Configuration>& configuration, float nserie);

}  // namespace vernoll::station
