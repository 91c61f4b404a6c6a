#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "chart/chart_texts.h"
#include "family/reading.h"

namespace vernoll {

// Everything a chart of one logger shows. The station list, the end of a download and an
// opened base file each fill one and hand it to a ChartWindow or to writeChartPng.
struct ChartInput {
    std::uint32_t serial = 0;
    QString device;       // the device name as the window shows it
    QStringList station;  // the station texts (user, location...) as received, padding kept
    std::vector<Column> columns;
    std::vector<Reading> readings;       // in any order; a missing value is never drawn
    std::optional<int> intervalMinutes;  // the sampling interval, when the logger said it
    // What the chart says when there is nothing to draw: a chosen period's words, unless the
    // readings come from elsewhere (a base file).
    QString noReadingsText = chart_texts::kNoReadings;
};

// The readings in time order; readings of one stamp keep their order.
void sortByTime(ChartInput& input);

// The chart's title: "Registrador 00020500 - Termo-Pluviometro - <station texts>", the texts
// without their padding, empty ones left out.
QString chartTitle(const ChartInput& input);

}  // namespace vernoll
