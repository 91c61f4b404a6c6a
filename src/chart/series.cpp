#include "chart/series.h"

#include <QLatin1StringView>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>

#include "chart/chart_texts.h"

namespace vernoll {

namespace {

constexpr qint64 kMinute = 60 * 1000;
constexpr qint64 kHour = 60 * kMinute;
constexpr qint64 kDay = 24 * kHour;

// Division rounding toward minus infinity, for times before 1970 as well.
qint64 floorDiv(qint64 a, qint64 b) {
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

qint64 periodLength(BarPeriod period) {
    return period == BarPeriod::Hour ? kHour : kDay;
}

std::optional<float> valueOf(const Reading& r, int column) {
    return std::size_t(column) < r.values.size() ? r.values[std::size_t(column)] : std::nullopt;
}

QString columnLabel(const Column& c) {
    return c.label.isEmpty() ? c.title : c.label;
}

QString withUnit(const QString& value, const Column& c) {
    return c.unit.isEmpty() ? value : value + u' ' + c.unit;
}

}  // namespace

qint64 chartTime(const QDateTime& stamp) {
    if (stamp.timeSpec() == Qt::UTC) return stamp.toMSecsSinceEpoch();
    // A stamp held in local time still means the clock's face value, never a moment in a zone.
    return QDateTime(stamp.date(), stamp.time(), Qt::UTC).toMSecsSinceEpoch();
}

QString chartTimeText(qint64 time) {
    return QDateTime::fromMSecsSinceEpoch(time, Qt::UTC)
        .toString(QStringLiteral("dd/MM/yyyy HH:mm"));
}

std::vector<int> axesOfColumns(std::span<const Column> columns, const std::vector<bool>& shown) {
    std::vector<int> axis(columns.size(), -1);
    std::vector<QString> units;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (c >= shown.size() || !shown[c]) continue;
        const auto found = std::find(units.begin(), units.end(), columns[c].unit);
        if (found != units.end()) {
            axis[c] = int(found - units.begin());
        } else if (units.size() < 2) {
            units.push_back(columns[c].unit);
            axis[c] = int(units.size()) - 1;
        }
    }
    return axis;
}

std::vector<bool> initiallyShown(std::span<const Column> columns) {
    const std::vector<int> axis = axesOfColumns(columns, std::vector<bool>(columns.size(), true));
    std::vector<bool> shown(columns.size());
    for (std::size_t c = 0; c < columns.size(); ++c) shown[c] = axis[c] >= 0;
    return shown;
}

std::vector<bool> toggledColumn(std::span<const Column> columns, const std::vector<bool>& shown,
                                int k) {
    std::vector<bool> next = shown;
    next.resize(columns.size(), false);
    if (k < 0 || std::size_t(k) >= columns.size()) return next;
    const auto at = std::size_t(k);
    if (next[at]) {
        next[at] = false;
        return next;
    }
    next[at] = true;
    if (axesOfColumns(columns, next)[at] >= 0) return next;
    const std::vector<int> before = axesOfColumns(columns, shown);
    for (std::size_t c = 0; c < columns.size(); ++c)
        if (before[c] == 1) next[c] = false;
    return next;
}

qint64 samplingInterval(std::span<const qint64> sortedTimes, std::optional<int> givenMinutes) {
    if (givenMinutes && *givenMinutes > 0) return qint64(*givenMinutes) * kMinute;
    std::vector<qint64> steps;
    steps.reserve(sortedTimes.size());
    for (std::size_t i = 1; i < sortedTimes.size(); ++i)
        if (sortedTimes[i] > sortedTimes[i - 1])
            steps.push_back(sortedTimes[i] - sortedTimes[i - 1]);
    if (steps.empty()) return 0;
    std::sort(steps.begin(), steps.end());
    qint64 best = steps.front();
    std::size_t bestCount = 0;
    for (std::size_t i = 0; i < steps.size();) {
        std::size_t j = i;
        while (j < steps.size() && steps[j] == steps[i]) ++j;
        if (j - i > bestCount) {
            bestCount = j - i;
            best = steps[i];
        }
        i = j;
    }
    return best;
}

ChartPlan planChart(std::span<const Column> columns, std::span<const Reading> readings,
                    std::optional<int> intervalMinutes, BarPeriod period,
                    const std::vector<bool>& shown) {
    ChartPlan plan;
    plan.readings = readings.size();
    const std::size_t n = readings.size();
    std::vector<qint64> unordered(n);
    for (std::size_t i = 0; i < n; ++i) unordered[i] = chartTime(readings[i].stamp);
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t(0));
    if (!std::is_sorted(unordered.begin(), unordered.end()))
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return unordered[a] < unordered[b]; });
    std::vector<qint64> times(n);
    for (std::size_t i = 0; i < n; ++i) times[i] = unordered[order[i]];

    plan.interval = samplingInterval(times, intervalMinutes);
    if (n > 0) plan.span = {times.front(), times.back()};

    const std::vector<int> axis = axesOfColumns(columns, shown);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (axis[c] < 0) continue;
        if (std::size_t(axis[c]) == plan.axes.size()) plan.axes.push_back({columns[c].unit, {}});
        plan.axes[std::size_t(axis[c])].columns.push_back(int(c));
    }

    const qint64 length = periodLength(period);
    plan.series.reserve(columns.size());
    for (std::size_t c = 0; c < columns.size(); ++c) {
        ColumnSeries s;
        s.column = int(c);
        s.axis = axis[c];
        if (s.axis >= 0 && columns[c].kind == Column::Kind::Count) {
            for (std::size_t i = 0; i < n; ++i) {
                const std::optional<float> v = valueOf(readings[order[i]], int(c));
                if (!v) continue;
                const qint64 start = floorDiv(times[i] - 1, length) * length;
                if (s.bars.empty() || s.bars.back().start != start)
                    s.bars.push_back({start, start + length, 0.0});
                s.bars.back().sum += double(*v);
            }
            if (!s.bars.empty()) {
                plan.span.from = std::min(plan.span.from, s.bars.front().start);
                plan.span.to = std::max(plan.span.to, s.bars.back().end);
            }
        } else if (s.axis >= 0) {
            std::vector<QPointF> run;
            run.reserve(n);
            const auto close = [&] {
                if (!run.empty()) s.runs.push_back(std::move(run));
                run = {};
            };
            for (std::size_t i = 0; i < n; ++i) {
                const std::optional<float> v = valueOf(readings[order[i]], int(c));
                if (!v) {
                    close();
                    continue;
                }
                const auto t = double(times[i]);
                if (!run.empty() && plan.interval > 0 &&
                    2 * (times[i] - qint64(run.back().x())) > 3 * plan.interval)
                    close();
                run.emplace_back(t, double(*v));
            }
            close();
        }
        plan.series.push_back(std::move(s));
    }
    return plan;
}

std::vector<QPointF> reducePoints(std::span<const QPointF> run, TimeSpan span, int pixels) {
    const auto byX = [](const QPointF& p, double x) { return p.x() < x; };
    const std::size_t a =
        std::size_t(std::lower_bound(run.begin(), run.end(), double(span.from), byX) - run.begin());
    const std::size_t b =
        std::size_t(std::upper_bound(run.begin(), run.end(), double(span.to),
                                     [](double x, const QPointF& p) { return x < p.x(); }) -
                    run.begin());
    std::vector<QPointF> out;
    const bool entersFromLeft = a > 0;
    const bool leavesToRight = b < run.size();
    if (a == b && !(entersFromLeft && leavesToRight)) return out;
    if (entersFromLeft) out.push_back(run[a - 1]);
    pixels = std::max(pixels, 1);
    if (b - a <= 2 * std::size_t(pixels) || span.to <= span.from) {
        out.insert(out.end(), run.begin() + qsizetype(a), run.begin() + qsizetype(b));
    } else {
        const double scale = double(pixels) / double(span.to - span.from);
        const auto columnOf = [&](const QPointF& p) {
            return std::min(pixels - 1, int((p.x() - double(span.from)) * scale));
        };
        for (std::size_t i = a; i < b;) {
            const int column = columnOf(run[i]);
            std::size_t low = i, high = i;
            std::size_t j = i + 1;
            for (; j < b && columnOf(run[j]) == column; ++j) {
                if (run[j].y() < run[low].y()) low = j;
                if (run[j].y() > run[high].y()) high = j;
            }
            out.push_back(run[std::min(low, high)]);
            if (low != high) out.push_back(run[std::max(low, high)]);
            i = j;
        }
    }
    if (leavesToRight) out.push_back(run[b]);
    return out;
}

std::vector<std::vector<QPointF>> reduceRuns(const std::vector<std::vector<QPointF>>& runs,
                                             TimeSpan span, int pixels) {
    std::vector<std::vector<QPointF>> out;
    const double columnWidth = double(span.to - span.from) / double(std::max(pixels, 1));
    for (const std::vector<QPointF>& run : runs) {
        std::vector<QPointF> reduced = reducePoints(run, span, pixels);
        if (reduced.empty()) continue;
        if (!out.empty() && reduced.front().x() - out.back().back().x() < columnWidth)
            out.back().insert(out.back().end(), reduced.begin(), reduced.end());
        else
            out.push_back(std::move(reduced));
    }
    return out;
}

std::vector<Bar> reduceBars(std::span<const Bar> bars, TimeSpan span, int pixels) {
    const auto first = std::partition_point(bars.begin(), bars.end(),
                                            [&](const Bar& b) { return b.end <= span.from; });
    const auto last =
        std::partition_point(first, bars.end(), [&](const Bar& b) { return b.start < span.to; });
    std::vector<Bar> out;
    pixels = std::max(pixels, 1);
    if (last - first <= pixels || span.to <= span.from) {
        for (auto b = first; b != last; ++b) {
            const qint64 margin = (b->end - b->start) / 10;
            out.push_back({b->start + margin, b->end - margin, b->sum});
        }
        return out;
    }
    const double width = double(span.to - span.from) / double(pixels);
    const auto columnOf = [&](const Bar& b) {
        return std::clamp(int(double(b.start - span.from) / width), 0, pixels - 1);
    };
    for (auto b = first; b != last;) {
        const int column = columnOf(*b);
        auto tallest = b;
        auto next = b + 1;
        for (; next != last && columnOf(*next) == column; ++next)
            if (next->sum > tallest->sum) tallest = next;
        const auto left = span.from + qint64(double(column) * width);
        const auto right = span.from + qint64(double(column + 1) * width);
        out.push_back({left, right, tallest->sum});
        b = next;
    }
    return out;
}

std::vector<QPointF> barOutline(std::span<const Bar> bars) {
    std::vector<QPointF> points;
    points.reserve(bars.size() * 4);
    for (const Bar& b : bars) {
        points.emplace_back(double(b.start), 0.0);
        points.emplace_back(double(b.start), b.sum);
        points.emplace_back(double(b.end), b.sum);
        points.emplace_back(double(b.end), 0.0);
    }
    return points;
}

ValueScale niceScale(double low, double high, int maxTicks) {
    maxTicks = std::max(maxTicks, 2);
    if (!(high > low)) return {low, low + 1, 2};
    const double raw = (high - low) / double(maxTicks - 1);
    double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (;; magnitude *= 10) {
        for (const double m : {1.0, 2.0, 2.5, 5.0}) {
            const double step = m * magnitude;
            const double min = std::floor(low / step) * step;
            const double max = std::ceil(high / step) * step;
            const int ticks = int(std::lround((max - min) / step)) + 1;
            if (ticks <= maxTicks) return {min, max, ticks};
        }
    }
}

std::vector<TimeTick> timeTicks(TimeSpan span, int maxTicks) {
    std::vector<TimeTick> ticks;
    if (span.to <= span.from || maxTicks < 1) return ticks;
    const qint64 length = span.to - span.from;
    // Steps of the clock in minutes; weeks start on a Monday (1970-01-05 was one).
    static constexpr qint64 kSteps[] = {1,   2,   5,   10,   15,   30,    60,   120,
                                        180, 360, 720, 1440, 2880, 10080, 20160};
    for (const qint64 minutes : kSteps) {
        const qint64 step = minutes * kMinute;
        if (length / step + 1 > maxTicks) continue;
        const qint64 origin = minutes % 10080 == 0 ? 4 * kDay : 0;
        for (qint64 at = (floorDiv(span.from - origin - 1, step) + 1) * step + origin;
             at <= span.to; at += step)
            ticks.push_back({at, chartTimeText(at)});
        return ticks;
    }
    // Months and years: whole months from the first of January, counted in months.
    const QDate firstDay = QDateTime::fromMSecsSinceEpoch(span.from, Qt::UTC).date();
    const QDate lastDay = QDateTime::fromMSecsSinceEpoch(span.to, Qt::UTC).date();
    const qint64 months =
        qint64(lastDay.year() - firstDay.year()) * 12 + (lastDay.month() - firstDay.month()) + 1;
    static constexpr int kMonthSteps[] = {1, 2, 3, 6, 12, 24, 60, 120, 240, 600, 1200};
    int step = kMonthSteps[std::size(kMonthSteps) - 1];
    for (const int s : kMonthSteps) {
        if (months / s + 1 <= maxTicks) {
            step = s;
            break;
        }
    }
    const int firstMonth = firstDay.year() * 12 + firstDay.month() - 1;
    for (int m = int(floorDiv(firstMonth, step)) * step;; m += step) {
        const QDateTime at(QDate(int(floorDiv(m, 12)), int(m - floorDiv(m, 12) * 12) + 1, 1),
                           QTime(0, 0), Qt::UTC);
        const qint64 t = at.toMSecsSinceEpoch();
        if (t > span.to) break;
        if (t >= span.from) ticks.push_back({t, chartTimeText(t)});
    }
    return ticks;
}

QString valueText(float value) {
    if (value == 0.0F) return QStringLiteral("0");
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    return QLatin1StringView(buf, res.ptr - buf).toString();
}

QString cursorText(std::span<const Column> columns, std::span<const Reading> sortedReadings,
                   const ChartPlan& plan, BarPeriod period, qint64 at) {
    const auto next =
        std::partition_point(sortedReadings.begin(), sortedReadings.end(),
                             [&](const Reading& r) { return chartTime(r.stamp) < at; });
    const Reading* nearest = nullptr;
    if (next != sortedReadings.end()) nearest = &*next;
    if (next != sortedReadings.begin()) {
        const Reading& before = *(next - 1);
        if (!nearest || at - chartTime(before.stamp) <= chartTime(nearest->stamp) - at)
            nearest = &before;
    }
    if (nearest && plan.interval > 0 &&
        2 * std::abs(chartTime(nearest->stamp) - at) > plan.interval)
        nearest = nullptr;

    QStringList parts;
    for (const ColumnSeries& s : plan.series) {
        if (s.axis < 0) continue;
        const Column& c = columns[std::size_t(s.column)];
        if (c.kind == Column::Kind::Count) {
            const auto bar = std::partition_point(s.bars.begin(), s.bars.end(),
                                                  [&](const Bar& b) { return b.end <= at; });
            if (bar == s.bars.end() || bar->start > at) continue;
            parts << columnLabel(c) + QStringLiteral(": ") +
                         withUnit(valueText(float(bar->sum)), c) + u' ' +
                         (period == BarPeriod::Hour ? chart_texts::kSumOfHour
                                                    : chart_texts::kSumOfDay);
        } else if (nearest) {
            const std::optional<float> v = valueOf(*nearest, s.column);
            parts << columnLabel(c) + QStringLiteral(": ") +
                         (v ? withUnit(valueText(*v), c) : chart_texts::kNoValue);
        }
    }
    const QString time = chartTimeText(nearest ? chartTime(nearest->stamp) : at);
    if (parts.isEmpty()) return time + QStringLiteral("   ") + chart_texts::kNothingHere;
    return time + QStringLiteral("   ") + parts.join(QStringLiteral("   "));
}

}  // namespace vernoll
