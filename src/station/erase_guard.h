#pragma once

#include <QDateTime>
#include <QString>

#include "config/record.h"

namespace vernoll::station {

// Sending a configuration erases the logger's memory. Before it, the window asks this question
// (Yes: download first; No: go on to the send's own question; Cancel: send nothing), and the
// command line prints it as a warning, when the archive may not hold the logger's readings.
inline constexpr char kUndownloadedQuestion[] =
    "El registrador tiene datos que no fueron descargados y se borrar\u00e1n al enviar la "
    "configuraci\u00f3n. \u00bfDesea descargarlos primero?";

// What the guard found.
struct EraseRisk {
    // The archive holds no download of this logger, nor a configuration send to it, made after
    // the logger's most recent sampling boundary (or it could not be read, or the import gave
    // no clock or interval to find that boundary with): erasing may lose readings.
    bool readingsAtRisk = true;
    QString archiveError;  // why the archive could not be read; empty when it was
};

// The logger's clock now is the import's logger clock advanced by the PC time since the import;
// its most recent sampling boundary is that clock taken down to a whole multiple of the
// interval since midnight.
EraseRisk eraseRisk(const QString& location, const config::Configuration& imported,
                    const QDateTime& pcNow);

}  // namespace vernoll::station
