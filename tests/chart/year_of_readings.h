#pragma once

#include <cmath>
#include <cstdint>

#include "chart/chart_input.h"

namespace vernoll::test {

// A Termo-Pluviometro's year of 10-minute readings (52,560): a temperature with a daily and a
// yearly swing, rain in a few showers, a two-day hole where the logger was away and a few
// records with no temperature of their own.
inline ChartInput yearOfReadings(std::uint32_t serial = 20500) {
    ChartInput input;
    input.serial = serial;
    input.device = QStringLiteral("Termo-Pluviometro");
    input.station = {QStringLiteral("VIALIDAD NACIONAL  "), QStringLiteral("PUESTO LAS HERAS   ")};
    input.columns = columnsOfHeader(u"Fecha,Hora,Temperatura[\u00baC],Precipitacion[mm]");
    input.columns[1].kind = Column::Kind::Count;
    input.intervalMinutes = 10;
    const QDateTime start(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC);
    std::uint32_t noise = 12345;
    input.readings.reserve(52560);
    for (int i = 0; i < 52560; ++i) {
        if (i >= 20000 && i < 20288) continue;  // the hole
        noise = noise * 1103515245U + 12345U;
        const double day = double(i) / 144.0;
        const double temperature = 12.0 + 9.0 * std::cos(2 * M_PI * day / 365.0) +
                                   6.0 * std::sin(2 * M_PI * (day - 0.35)) +
                                   double((noise >> 16) % 100) / 100.0;
        const bool shower = (i / 144) % 17 == 3 && (i % 144) > 80 && (i % 144) < 110;
        const float rain = shower ? float((noise >> 8) % 5) * 0.2F : 0.0F;
        std::optional<float> t = float(std::round(temperature * 10.0) / 10.0);
        if (i % 9973 == 5000) t.reset();
        input.readings.push_back({serial, start.addSecs(qint64(i) * 600), {t, rain}});
    }
    return input;
}

}  // namespace vernoll::test
