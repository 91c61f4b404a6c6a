#include "chart/chart_input.h"

#include <algorithm>

#include "chart/chart_texts.h"
#include "chart/series.h"

namespace vernoll {

void sortByTime(ChartInput& input) {
    const auto earlier = [](const Reading& a, const Reading& b) {
        return chartTime(a.stamp) < chartTime(b.stamp);
    };
    if (!std::is_sorted(input.readings.begin(), input.readings.end(), earlier))
        std::stable_sort(input.readings.begin(), input.readings.end(), earlier);
}

QString chartTitle(const ChartInput& input) {
    QStringList parts{chart_texts::kSerial + u' ' +
                      QStringLiteral("%1").arg(input.serial, 8, 10, QLatin1Char('0'))};
    for (const QString& text : QStringList{input.device} + input.station)
        if (!text.trimmed().isEmpty()) parts << text.trimmed();
    return parts.join(QStringLiteral(" - "));
}

}  // namespace vernoll
