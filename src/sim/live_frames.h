#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace vernoll::sim {

// The live frame a logger answers a wake-up (or live request) byte with: 21 bytes, three
// unused, then nine words high byte first, holding the readings of the logger's family as
// its serial number decides it. The readings are plausible for the family (a temperature in
// the twenties, a few millimetres of rain, a battery near 12.6 V, ...) and drift slowly with
// `now`, so a live display visibly refreshes. A serial number no family claims gets a frame
// of zero readings.
QByteArray liveFrame(const QString& serialDigits, const QDateTime& now);

}  // namespace vernoll::sim
