#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "chart/chart_input.h"
#include "chart/series.h"

namespace vernoll {

// The size of a chart drawn to a file when the caller gives none.
inline constexpr QSize kDefaultChartSize{1200, 600};

// What to draw besides the readings; by default what a fresh window shows.
struct ChartOptions {
    std::optional<TimeSpan> span;  // default: every reading
    BarPeriod barPeriod = BarPeriod::Hour;
    std::optional<std::vector<bool>> shown;  // default: initiallyShown
};

// Drawing needs a QApplication, since Qt Charts draws with widget styles. A program with no
// display (the command line) makes it on the "offscreen" platform: call this first, before
// the QApplication is constructed; it keeps a platform the environment already names.
void useOffscreenPlatformUnlessNamed();

// The chart drawn as the window draws it, on white, `size` pixels. A null image when there is
// no QApplication, no reading or a size out of 200x150 ... 10000x10000: `failure` says why.
QImage renderChart(std::shared_ptr<const ChartInput> input, QSize size,
                   const ChartOptions& options = {}, QString* failure = nullptr);

struct ChartFileResult {
    bool written = false;
    QString message;  // why nothing was written, as the user reads it; empty when written
};

// The chart as a PNG file at `path`, written whole or not at all (no file is left behind
// when there are no readings: the message is "No hay lecturas en el período elegido").
ChartFileResult writeChartPng(std::shared_ptr<const ChartInput> input, const QString& path,
                              QSize size = kDefaultChartSize, const ChartOptions& options = {});
// The same for an input the caller gives away.
ChartFileResult writeChartPng(ChartInput input, const QString& path, QSize size = kDefaultChartSize,
                              const ChartOptions& options = {});

}  // namespace vernoll
