#pragma once

#include <QCommandLineParser>
#include <QDateTime>
#include <cstdint>
#include <optional>

#include "cli/session.h"
#include "memory/report.h"

namespace vernoll::cli {

// What the station archive's commands and plot share. Each says what is wrong with an
// argument itself; a caller that gets nothing ends with Usage.

// --serial N: a logger's serial number, 1 to 99999999.
std::optional<std::uint32_t> serialArgument(Session& session, const QCommandLineParser& parser);

// --from T and --to T, as "yyyy-MM-dd" (the whole day) or "yyyy-MM-ddTHH:mm:ss"; an end not
// given is open (an invalid QDateTime). Nothing when one does not read or --from is later
// than --to.
struct Range {
    QDateTime from, to;
};
std::optional<Range> rangeArguments(Session& session, const QCommandLineParser& parser);

// The archive the session's options name, as chosenLocation() gives it.
QString archiveLocation(const Session& session);

// A base file's readings, decoded for the logger `serial` as a decoding run walks them; a
// program that read no configuration: only the serial number and its memory size. A record cut
// by the file's end is not decoded: `ignored` gets its bytes. Each file is decoded on its own
// (nothing of the file before shows through a shorter one). Nothing (said) when the file
// cannot be read.
std::optional<memory::ImageReadings> baseFileReadings(Session& session, const QString& path,
                                                      std::uint32_t serial,
                                                      qint64* ignored = nullptr);

}  // namespace vernoll::cli
