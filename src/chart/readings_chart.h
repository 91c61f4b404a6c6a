#pragma once

#include <QChart>
#include <QColor>
#include <QList>
#include <QPointF>
#include <QStringList>
#include <memory>
#include <span>
#include <vector>

#include "chart/chart_input.h"
#include "chart/series.h"

QT_BEGIN_NAMESPACE
class QAreaSeries;
class QCategoryAxis;
class QLineSeries;
class QScatterSeries;
class QValueAxis;
QT_END_NAMESPACE

namespace vernoll {

// A logger's readings as a Qt chart, the same in the window and in a PNG: lines for the
// sample columns, bars for the counting ones, up to two value axes, the time axis in the
// logger's own clock. Only what the plot area can show is handed to Qt Charts: every change
// of the time span or of the width reduces the series again from the prepared plan.
class ReadingsChart : public QChart {
    Q_OBJECT

public:
    // Readings out of time order are drawn from a sorted copy.
    explicit ReadingsChart(std::shared_ptr<const ChartInput> input,
                           QGraphicsItem* parent = nullptr);
    ~ReadingsChart() override;

    const ChartInput& input() const { return *input_; }
    const ChartPlan& plan() const { return plan_; }

    BarPeriod barPeriod() const { return period_; }
    void setBarPeriod(BarPeriod period);

    // Which columns are drawn; a click on a column's legend entry toggles it (toggledColumn).
    const std::vector<bool>& shownColumns() const { return shown_; }
    void setShownColumns(std::vector<bool> shown);
    void toggleColumn(int column);

    // Every reading, zoomed out; at least an hour around a lone reading.
    TimeSpan fullSpan() const;
    TimeSpan timeSpan() const { return span_; }
    // Kept within the full span and at least ten minutes long (or the full span when shorter).
    void setTimeSpan(TimeSpan span);
    void resetZoom() { setTimeSpan(fullSpan()); }
    // A factor below 1 zooms in; the time `around` stays where it is on the axis.
    void zoomBy(double factor, qint64 around);
    void panBy(qint64 delta);

    // The time at a horizontal position in the chart's coordinates, and back.
    qint64 timeAt(double x) const;
    double xOf(qint64 time) const;

    // The readings within the time span, both ends included.
    std::span<const Reading> readingsInSpan() const;
    QString cursorTextAt(qint64 at) const;

    static QColor columnColor(int column);

    // Reduces the series again for the plot area's current width.
    void refresh();

    // What Qt Charts was handed for a column: the points of its lines and lone values, or the
    // outline of its bars; and the time axis' labels.
    QList<QPointF> drawnPoints(int column) const;
    QStringList timeLabels() const;

signals:
    void timeSpanChanged();

private:
    struct Trace {
        std::vector<QLineSeries*> runs;  // the first one carries the legend entry
        QScatterSeries* dots = nullptr;  // values with no neighbour to join
        QAreaSeries* bars = nullptr;
        QLineSeries* barTop = nullptr;
        QLineSeries* barBase = nullptr;
    };

    void rebuild();
    QLineSeries* addRun(int column);
    void attach(QAbstractSeries* series, int column);
    void styleLegend();
    int plotPixels() const;
    void fitValueAxes(const std::vector<std::pair<double, double>>& ranges);
    void onPlotAreaChanged();

    std::shared_ptr<const ChartInput> input_;
    BarPeriod period_ = BarPeriod::Hour;
    std::vector<bool> shown_;
    ChartPlan plan_;
    TimeSpan span_;
    std::vector<Trace> traces_;
    QCategoryAxis* timeAxis_ = nullptr;
    std::vector<QValueAxis*> valueAxes_;
    int drawnPixels_ = 0;
    bool refreshing_ = false;
};

}  // namespace vernoll
