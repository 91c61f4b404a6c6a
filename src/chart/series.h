#pragma once

// Readings turned into what a chart draws, with no widgets: one series per column, the value
// axes, the bars of the counting columns and the points left after reduction to pixel columns.
// QtCore only, so it can be tested and measured on its own.

#include <QDateTime>
#include <QPointF>
#include <QString>
#include <optional>
#include <span>
#include <vector>

#include "family/reading.h"

namespace vernoll {

// Time on a chart: milliseconds since 1970-01-01 00:00 of the logger's own clock, read as UTC.
// The logger's clock has no zone and no daylight saving, and neither has this scale, so a
// reading keeps its place and its label whatever zone the PC is in, also at 02:30 on a night
// the PC's clock skips or repeats.
qint64 chartTime(const QDateTime& stamp);
// "dd/MM/yyyy HH:mm" of a chart time: the logger's clock as it ran.
QString chartTimeText(qint64 time);

struct TimeSpan {
    qint64 from = 0;
    qint64 to = 0;
    friend bool operator==(const TimeSpan&, const TimeSpan&) = default;
};

// What a counting column's bars sum up: each hour or each day of the logger's clock.
enum class BarPeriod { Hour, Day };

// One bar: what a counting column counted in [start, end), in chart time. A reading closes
// the count of the interval that ends at its stamp, so the reading of 10:00 belongs to the
// hour from 09:00 to 10:00 and the reading of midnight to the day that ends there.
struct Bar {
    qint64 start = 0;
    qint64 end = 0;
    double sum = 0;
    friend bool operator==(const Bar&, const Bar&) = default;
};

// One column as the chart draws it.
struct ColumnSeries {
    int column = 0;  // its place in the columns
    int axis = -1;   // 0 the left value axis, 1 the right one; -1 not drawn
    // Sample columns: the runs of the line, each in time order. A run ends where the column has
    // no value or where two readings are more than one and a half sampling intervals apart:
    // the line is broken there rather than drawn across time the logger did not measure.
    std::vector<std::vector<QPointF>> runs;
    // Counting columns: one bar per period that holds at least one value, in time order.
    std::vector<Bar> bars;
};

// A value axis and the columns drawn against it, all of one unit.
struct ValueAxis {
    QString unit;
    std::vector<int> columns;
};

struct ChartPlan {
    std::vector<ColumnSeries> series;  // one per column, in column order
    std::vector<ValueAxis> axes;       // at most two: the left one, then the right one
    qint64 interval = 0;               // the sampling interval in ms; 0 when it cannot be known
    TimeSpan span;                     // every reading and every bar, the chart zoomed out
    std::size_t readings = 0;
};

// The value axis of each column: the units of the shown columns in the order they first
// appear; the first unit gets the left axis, the second the right one. A column of a third
// unit gets none (-1): two axes are all a chart can show side by side without a reader
// taking a value against the wrong scale. Hidden columns get none either.
std::vector<int> axesOfColumns(std::span<const Column> columns, const std::vector<bool>& shown);

// The columns a chart shows at first: every column of the first two units.
std::vector<bool> initiallyShown(std::span<const Column> columns);

// The shown columns after the user picked column `k`: a shown one is hidden; a hidden one is
// shown, and when its unit would be a third one it takes the right axis, the columns there
// being hidden to make room.
std::vector<bool> toggledColumn(std::span<const Column> columns, const std::vector<bool>& shown,
                                int k);

// The sampling interval in ms: the one given in minutes, else the most frequent step between
// consecutive distinct times (the smallest of equally frequent ones); 0 with fewer than two
// distinct times.
qint64 samplingInterval(std::span<const qint64> sortedTimes, std::optional<int> givenMinutes);

// The series of every column for readings in any order. Sample columns become line runs,
// counting columns bars of `period`; a value the reading does not have is never drawn, nor
// counted as zero. Only the shown columns are prepared.
ChartPlan planChart(std::span<const Column> columns, std::span<const Reading> readings,
                    std::optional<int> intervalMinutes, BarPeriod period,
                    const std::vector<bool>& shown);

// A run reduced for drawing the span at `pixels` pixel columns: in every pixel column only its
// lowest and highest point are kept, in the order they occur, so the line reaches every
// extreme it would reach with all its points. The nearest point on either side of the span is
// kept so that the line runs to the edges. Empty when the run lies wholly beside the span.
std::vector<QPointF> reducePoints(std::span<const QPointF> run, TimeSpan span, int pixels);

// Every run of a column reduced, those beside the span left out. Runs whose break is narrower
// than one pixel column are joined: such a break cannot be seen at this scale, and it shows
// again once the user zooms in on it. This keeps the number of lines bounded by the width.
std::vector<std::vector<QPointF>> reduceRuns(const std::vector<std::vector<QPointF>>& runs,
                                             TimeSpan span, int pixels);

// The bars to draw for the span at `pixels` pixel columns. Bars no more than the pixel columns
// are drawn each at four fifths of its period, so that neighbours stand apart; more than that,
// each pixel column draws its tallest bar across its width.
std::vector<Bar> reduceBars(std::span<const Bar> bars, TimeSpan span, int pixels);

// The outline of bars as one line rising and falling at each bar's edges, from and to zero.
std::vector<QPointF> barOutline(std::span<const Bar> bars);

// A value axis' scale: round ends and at most `maxTicks` ticks (ends included) a step of 1, 2,
// 2.5 or 5 times a power of ten apart, covering [low, high].
struct ValueScale {
    double min = 0;
    double max = 1;
    int ticks = 2;
    friend bool operator==(const ValueScale&, const ValueScale&) = default;
};
ValueScale niceScale(double low, double high, int maxTicks);

// A tick of the time axis: where, and its label in "dd/MM/yyyy HH:mm".
struct TimeTick {
    qint64 at = 0;
    QString text;
};

// At most `maxTicks` ticks at round times of the logger's clock within the span: whole
// minutes, hours, days, weeks from a Monday, months or years, whichever fits.
std::vector<TimeTick> timeTicks(TimeSpan span, int maxTicks);

// A value as the chart's texts print it: the shortest text that reads back as the same
// single-precision number, plain notation.
QString valueText(float value);

// What the cursor at `at` points to: the time and each drawn column's value there ("sin
// valor" where the reading has none), the bar's sum for counting columns; the time alone
// with "sin lecturas" where no reading lies within half a sampling interval.
QString cursorText(std::span<const Column> columns, std::span<const Reading> sortedReadings,
                   const ChartPlan& plan, BarPeriod period, qint64 at);

}  // namespace vernoll
