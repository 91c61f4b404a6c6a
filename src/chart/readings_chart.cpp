#include "chart/readings_chart.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>

#include "chart/chart_texts.h"

namespace vernoll {

namespace {

constexpr qint64 kMinuteMs = 60 * 1000;
// Below ten minutes the clock's labels, which show minutes, would no longer tell ticks apart.
constexpr qint64 kShortestSpan = 10 * kMinuteMs;
// A label "dd/MM/yyyy HH:mm" and the room around it.
constexpr int kPixelsPerTick = 150;
// Value axes: a tick every 50 pixels or more.
constexpr int kPixelsPerValueTick = 50;

QList<QPointF> toList(const std::vector<QPointF>& points) {
    return QList<QPointF>(points.begin(), points.end());
}

QString axisTitle(const ValueAxis& axis, std::span<const Column> columns) {
    QStringList labels;
    for (const int c : axis.columns) {
        const Column& column = columns[std::size_t(c)];
        const QString label = column.label.isEmpty() ? column.title : column.label;
        if (!labels.contains(label)) labels << label;
    }
    const QString names = labels.join(QStringLiteral(", "));
    return axis.unit.isEmpty() ? names : names + QStringLiteral(" [") + axis.unit + u']';
}

QString legendName(const Column& column, BarPeriod period) {
    QString name = column.label.isEmpty() ? column.title : column.label;
    if (!column.unit.isEmpty()) name += QStringLiteral(" [") + column.unit + u']';
    if (column.kind == Column::Kind::Count)
        name +=
            u' ' + (period == BarPeriod::Hour ? chart_texts::kSumOfHour : chart_texts::kSumOfDay);
    return name;
}

}  // namespace

namespace {

// The readings in time order, copied only when they are not.
std::shared_ptr<const ChartInput> inTimeOrder(std::shared_ptr<const ChartInput> input) {
    if (!input) return std::make_shared<const ChartInput>();
    const auto earlier = [](const Reading& a, const Reading& b) {
        return chartTime(a.stamp) < chartTime(b.stamp);
    };
    if (std::is_sorted(input->readings.begin(), input->readings.end(), earlier)) return input;
    ChartInput sorted = *input;
    sortByTime(sorted);
    return std::make_shared<const ChartInput>(std::move(sorted));
}

}  // namespace

ReadingsChart::ReadingsChart(std::shared_ptr<const ChartInput> input, QGraphicsItem* parent)
    : QChart(parent),
      input_(inTimeOrder(std::move(input))),
      shown_(initiallyShown(input_->columns)) {
    setTitle(chartTitle(*input_));
    QFont font = titleFont();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.2);
    setTitleFont(font);
    legend()->setAlignment(Qt::AlignBottom);
    setAnimationOptions(QChart::NoAnimation);
    connect(this, &QChart::plotAreaChanged, this, &ReadingsChart::onPlotAreaChanged);
    rebuild();
    span_ = fullSpan();
    refresh();
}

ReadingsChart::~ReadingsChart() = default;

QColor ReadingsChart::columnColor(int column) {
    // Told apart also by readers who confuse red and green; opaque, so a bar keeps its colour.
    static const QColor palette[] = {QColor(0xD5, 0x5E, 0x00), QColor(0x00, 0x72, 0xB2),
                                     QColor(0x00, 0x9E, 0x73), QColor(0xCC, 0x79, 0xA7),
                                     QColor(0xE6, 0x9F, 0x00), QColor(0x56, 0xB4, 0xE9)};
    return palette[std::size_t(column) % std::size(palette)];
}

void ReadingsChart::setBarPeriod(BarPeriod period) {
    if (period == period_) return;
    period_ = period;
    rebuild();
    setTimeSpan(span_);
}

void ReadingsChart::setShownColumns(std::vector<bool> shown) {
    shown.resize(input_->columns.size(), false);
    shown_ = std::move(shown);
    rebuild();
    setTimeSpan(span_);
}

void ReadingsChart::toggleColumn(int column) {
    setShownColumns(toggledColumn(input_->columns, shown_, column));
}

TimeSpan ReadingsChart::fullSpan() const {
    TimeSpan span = plan_.span;
    if (span.to - span.from < kShortestSpan) {
        const qint64 middle = span.from + (span.to - span.from) / 2;
        span = {middle - 30 * kMinuteMs, middle + 30 * kMinuteMs};
    }
    return span;
}

void ReadingsChart::setTimeSpan(TimeSpan span) {
    const TimeSpan full = fullSpan();
    const qint64 longest = full.to - full.from;
    const qint64 length =
        std::clamp(span.to - span.from, std::min(kShortestSpan, longest), longest);
    span.from = std::clamp(span.from, full.from, full.to - length);
    span.to = span.from + length;
    const bool changed = span != span_;
    span_ = span;
    refresh();
    if (changed) emit timeSpanChanged();
}

void ReadingsChart::zoomBy(double factor, qint64 around) {
    const auto scaled = [&](qint64 t) {
        return around + qint64(std::llround(double(t - around) * factor));
    };
    setTimeSpan({scaled(span_.from), scaled(span_.to)});
}

void ReadingsChart::panBy(qint64 delta) {
    const qint64 length = span_.to - span_.from;
    const TimeSpan full = fullSpan();
    const qint64 from =
        std::clamp(span_.from + delta, full.from, std::max(full.from, full.to - length));
    setTimeSpan({from, from + length});
}

qint64 ReadingsChart::timeAt(double x) const {
    const QRectF area = plotArea();
    if (area.width() <= 0) return span_.from;
    const double share = (x - area.left()) / area.width();
    return span_.from + qint64(std::llround(share * double(span_.to - span_.from)));
}

double ReadingsChart::xOf(qint64 time) const {
    const QRectF area = plotArea();
    if (span_.to <= span_.from) return area.left();
    return area.left() + area.width() * double(time - span_.from) / double(span_.to - span_.from);
}

std::span<const Reading> ReadingsChart::readingsInSpan() const {
    const std::vector<Reading>& all = input_->readings;
    const auto first = std::partition_point(
        all.begin(), all.end(), [&](const Reading& r) { return chartTime(r.stamp) < span_.from; });
    const auto last = std::partition_point(
        first, all.end(), [&](const Reading& r) { return chartTime(r.stamp) <= span_.to; });
    return {first, last};
}

QString ReadingsChart::cursorTextAt(qint64 at) const {
    return cursorText(input_->columns, input_->readings, plan_, period_, at);
}

void ReadingsChart::rebuild() {
    removeAllSeries();
    for (QAbstractAxis* axis : axes()) {
        removeAxis(axis);
        delete axis;
    }
    valueAxes_.clear();
    traces_.assign(input_->columns.size(), Trace{});
    plan_ = planChart(input_->columns, input_->readings, input_->intervalMinutes, period_, shown_);

    timeAxis_ = new QCategoryAxis;
    timeAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    timeAxis_->setTitleText(chart_texts::kTimeAxis);
    addAxis(timeAxis_, Qt::AlignBottom);
    for (std::size_t a = 0; a < plan_.axes.size(); ++a) {
        auto* axis = new QValueAxis;
        axis->setTitleText(axisTitle(plan_.axes[a], input_->columns));
        axis->setLabelFormat(QStringLiteral("%g"));
        if (plan_.axes[a].columns.size() == 1)
            axis->setTitleBrush(columnColor(plan_.axes[a].columns.front()));
        // The right axis' grid would cross the left one's at other values.
        if (a == 1) axis->setGridLineVisible(false);
        addAxis(axis, a == 0 ? Qt::AlignLeft : Qt::AlignRight);
        valueAxes_.push_back(axis);
    }

    // Bars first, so that the lines are drawn over them.
    for (const ColumnSeries& s : plan_.series) {
        const Column& column = input_->columns[std::size_t(s.column)];
        if (column.kind != Column::Kind::Count) continue;
        Trace& trace = traces_[std::size_t(s.column)];
        trace.barTop = new QLineSeries;
        trace.barBase = new QLineSeries;
        trace.bars = new QAreaSeries(trace.barTop, trace.barBase);
        trace.barTop->setParent(trace.bars);
        trace.barBase->setParent(trace.bars);
        trace.bars->setName(legendName(column, period_));
        // No outline: it would draw a line along zero where the logger counted nothing.
        trace.bars->setPen(Qt::NoPen);
        trace.bars->setBrush(columnColor(s.column));
        addSeries(trace.bars);
        attach(trace.bars, s.column);
    }
    for (const ColumnSeries& s : plan_.series) {
        const Column& column = input_->columns[std::size_t(s.column)];
        if (column.kind == Column::Kind::Count) continue;
        Trace& trace = traces_[std::size_t(s.column)];
        QLineSeries* first = addRun(s.column);
        first->setName(legendName(column, period_));
        trace.dots = new QScatterSeries;
        trace.dots->setMarkerSize(6);
        trace.dots->setColor(columnColor(s.column));
        trace.dots->setBorderColor(columnColor(s.column));
        addSeries(trace.dots);
        attach(trace.dots, s.column);
    }
    styleLegend();
}

QLineSeries* ReadingsChart::addRun(int column) {
    auto* run = new QLineSeries;
    QPen pen(columnColor(column));
    pen.setWidthF(1.5);
    run->setPen(pen);
    Trace& trace = traces_[std::size_t(column)];
    trace.runs.push_back(run);
    addSeries(run);
    attach(run, column);
    if (trace.runs.size() > 1)
        for (QLegendMarker* marker : legend()->markers(run)) marker->setVisible(false);
    return run;
}

void ReadingsChart::attach(QAbstractSeries* series, int column) {
    series->attachAxis(timeAxis_);
    const int axis = plan_.series[std::size_t(column)].axis;
    if (axis >= 0) series->attachAxis(valueAxes_[std::size_t(axis)]);
    series->setVisible(axis >= 0);
}

void ReadingsChart::styleLegend() {
    for (std::size_t c = 0; c < traces_.size(); ++c) {
        const Trace& trace = traces_[c];
        if (trace.dots)
            for (QLegendMarker* marker : legend()->markers(trace.dots)) marker->setVisible(false);
        QAbstractSeries* entry = trace.bars;
        if (!entry && !trace.runs.empty()) entry = trace.runs.front();
        if (!entry) continue;
        for (QLegendMarker* marker : legend()->markers(entry)) {
            // A hidden column stays in the legend, dimmed, so that a click brings it back.
            marker->setVisible(true);
            if (!shown_[c]) {
                QColor dim = columnColor(int(c));
                dim.setAlpha(70);
                marker->setBrush(dim);
                marker->setPen(QPen(dim));
                marker->setLabelBrush(QColor(150, 150, 150));
            }
            // Rebuilding deletes the marker; let its click finish first.
            connect(marker, &QLegendMarker::clicked, this, [this, c] {
                QMetaObject::invokeMethod(
                    this, [this, c] { toggleColumn(int(c)); }, Qt::QueuedConnection);
            });
        }
    }
}

int ReadingsChart::plotPixels() const {
    const double width = plotArea().width();
    // Before the first layout the plot area is empty: the chart's own width is near enough.
    return std::max(1, int(width > 0 ? width : size().width() > 0 ? size().width() : 1000));
}

void ReadingsChart::refresh() {
    if (refreshing_ || !timeAxis_) return;
    refreshing_ = true;
    const int pixels = plotPixels();
    drawnPixels_ = pixels;

    for (const QString& label : timeAxis_->categoriesLabels()) timeAxis_->remove(label);
    timeAxis_->setStartValue(double(span_.from));
    // A label centred on the plot's edge would stick out over the value axes or the border.
    const qint64 margin = (span_.to - span_.from) * (kPixelsPerTick / 2) / pixels;
    for (const TimeTick& tick : timeTicks(span_, std::max(2, pixels / kPixelsPerTick)))
        if (tick.at - span_.from >= margin && span_.to - tick.at >= margin)
            timeAxis_->append(tick.text, double(tick.at));
    timeAxis_->setRange(double(span_.from), double(span_.to));

    constexpr double inf = std::numeric_limits<double>::infinity();
    std::vector<std::pair<double, double>> ranges(valueAxes_.size(), {inf, -inf});
    const auto widen = [&](int axis, double y) {
        auto& r = ranges[std::size_t(axis)];
        r.first = std::min(r.first, y);
        r.second = std::max(r.second, y);
    };
    for (const ColumnSeries& s : plan_.series) {
        if (s.axis < 0) continue;
        Trace& trace = traces_[std::size_t(s.column)];
        if (trace.bars) {
            const std::vector<QPointF> outline = barOutline(reduceBars(s.bars, span_, pixels));
            trace.barTop->replace(toList(outline));
            if (outline.empty()) {
                trace.barBase->clear();
            } else {
                trace.barBase->replace(
                    {QPointF(outline.front().x(), 0.0), QPointF(outline.back().x(), 0.0)});
                for (const QPointF& p : outline) widen(s.axis, p.y());
            }
            continue;
        }
        QList<QPointF> dots;
        std::size_t used = 0;
        for (const std::vector<QPointF>& run : reduceRuns(s.runs, span_, pixels)) {
            for (const QPointF& p : run) widen(s.axis, p.y());
            if (run.size() == 1) {
                dots.append(run.front());
                continue;
            }
            if (used == trace.runs.size()) addRun(s.column);
            trace.runs[used++]->replace(toList(run));
        }
        for (; used < trace.runs.size(); ++used) trace.runs[used]->clear();
        trace.dots->replace(dots);
    }
    fitValueAxes(ranges);
    refreshing_ = false;
}

void ReadingsChart::fitValueAxes(const std::vector<std::pair<double, double>>& ranges) {
    for (std::size_t a = 0; a < valueAxes_.size(); ++a) {
        auto [low, high] = ranges[a];
        // An axis with bars starts at zero, and shows no margin below it: a count below zero
        // is something the logger never counted.
        const bool bars = std::any_of(plan_.axes[a].columns.begin(), plan_.axes[a].columns.end(),
                                      [&](int c) { return traces_[std::size_t(c)].bars; });
        if (low > high) {
            low = 0;
            high = 1;
        } else if (bars) {
            low = std::min(low, 0.0);
            high = std::max(high, 0.0);
            if (high == low) high = 1;
            const double margin = (high - low) * 0.05;
            if (low < 0) low -= margin;
            high += margin;
        } else if (low == high) {
            const double margin = std::max(1.0, std::abs(low) * 0.05);
            low -= margin;
            high += margin;
        } else {
            const double margin = (high - low) * 0.05;
            low -= margin;
            high += margin;
        }
        const ValueScale scale =
            niceScale(low, high, std::max(3, int(plotArea().height()) / kPixelsPerValueTick));
        // Every change of an axis lays out every series again: only change what changed.
        QValueAxis* axis = valueAxes_[a];
        if (axis->min() != scale.min || axis->max() != scale.max)
            axis->setRange(scale.min, scale.max);
        if (axis->tickCount() != scale.ticks) axis->setTickCount(scale.ticks);
    }
}

void ReadingsChart::onPlotAreaChanged() {
    // A reduction for a few pixels more or less draws the same. Reducing again for every small
    // change would chase the value axes' labels, whose width the reduction itself changes.
    if (std::abs(plotPixels() - drawnPixels_) * 20 <= drawnPixels_) return;
    // The plot area changes while Qt lays the chart out; reduce again once that is done.
    QMetaObject::invokeMethod(this, &ReadingsChart::refresh, Qt::QueuedConnection);
}

QList<QPointF> ReadingsChart::drawnPoints(int column) const {
    QList<QPointF> points;
    if (column < 0 || std::size_t(column) >= traces_.size()) return points;
    const Trace& trace = traces_[std::size_t(column)];
    if (trace.barTop) return trace.barTop->points();
    for (const QLineSeries* run : trace.runs) points += run->points();
    if (trace.dots) points += trace.dots->points();
    return points;
}

QStringList ReadingsChart::timeLabels() const {
    return timeAxis_ ? timeAxis_->categoriesLabels() : QStringList();
}

}  // namespace vernoll
