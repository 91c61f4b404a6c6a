#pragma once

#include <ostream>
#include <vector>

#include "archive/archive.h"
#include "family/reading.h"

namespace vernoll {

inline void PrintTo(const Reading& r, std::ostream* os) {
    *os << r.serial << ' ' << stampText(r.stamp).toStdString();
    for (const auto& v : r.values) {
        *os << ',';
        if (v) *os << *v;
    }
}

}  // namespace vernoll

namespace vernoll::archive::test {

using Values = std::vector<std::optional<float>>;

inline constexpr std::uint32_t kSerial = 20500;
inline constexpr qint64 kInterval = 300;  // five minutes between readings
inline const char16_t kHeader[] = u"Fecha,Hora,Temperatura[\u00baC],Precipitacion[mm]";

inline QDateTime base() {
    return QDateTime(QDate(2026, 1, 31), QTime(0, 0), Qt::UTC);
}

// The reading `step` intervals after the base time.
inline Reading at(int step, Values values, std::uint32_t serial = kSerial) {
    return {serial, base().addSecs(step * kInterval), std::move(values)};
}

// Readings at steps `from` to `to`, each with values of its own; `shift` changes them all.
inline std::vector<Reading> steps(int from, int to, float shift = 0,
                                  std::uint32_t serial = kSerial) {
    std::vector<Reading> r;
    for (int s = from; s <= to; ++s)
        r.push_back(at(s, {float(s) * 0.5F + shift, float(s)}, serial));
    return r;
}

// A download of these readings, ended one day after the base time.
inline Batch download(const std::vector<Reading>& readings, bool fromLogger = true,
                      std::uint32_t serial = kSerial) {
    Batch b;
    b.serial = serial;
    b.device = QStringLiteral("Pluviometro");
    b.columnHeader = QString::fromUtf16(kHeader);
    b.when = base().addDays(1);
    if (fromLogger) {
        b.port = QStringLiteral("/dev/ttyUSB0");
        b.blocks = 1024;
        b.loggerClock = b.when.addSecs(12);
        b.pcClock = b.when;
        b.clockOffsetS = 12;
    }
    b.readings = readings;
    return b;
}

}  // namespace vernoll::archive::test
