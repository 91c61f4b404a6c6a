#include "config/clock.h"

#include "config/record.h"
#include "link/bcd.h"

namespace vernoll::config {

ClockFields clockFields(const std::array<std::uint8_t, 6>& bytes) {
    ClockFields f;
    for (std::size_t i = 0; i < f.size(); ++i)
        f[i] = bytes[i] <= kClockMax[i] ? QVariant(bcd::digits(bytes[i])) : QVariant(int(bytes[i]));
    return f;
}

std::optional<int> clockNumber(const QVariant& field) {
    if (field.typeId() == QMetaType::QString) {
        bool ok = false;
        const int v = field.toString().toInt(&ok);
        if (!ok) return std::nullopt;
        return v;
    }
    bool ok = false;
    const int v = field.toInt(&ok);
    if (!ok) return std::nullopt;
    return v;
}

std::optional<QTime> composeTime(const ClockFields& f) {
    const auto h = clockNumber(f[0]), m = clockNumber(f[1]), s = clockNumber(f[2]);
    if (!h || !m || !s) return std::nullopt;
    const int seconds = (*h * 3600 + *m * 60 + *s) % 86400;
    return QTime(0, 0).addSecs(seconds);
}

std::optional<QDate> composeDate(const ClockFields& f) {
    const auto d = clockNumber(f[3]), m = clockNumber(f[4]), y = clockNumber(f[5]);
    if (!d || !m || !y) return std::nullopt;
    return QDate(2000 + *y, 1, 1).addMonths(*m - 1).addDays(*d - 1);
}

std::optional<QDate> readDate(const QString& text) {
    const QString t = text.trimmed();
    QDate d = QDate::fromString(t, QStringLiteral("d/M/yyyy"));
    if (!d.isValid()) {
        d = QDate::fromString(t, QStringLiteral("d/M/yy"));
        if (d.isValid()) d = d.addYears(2000 - 1900);
    }
    if (!d.isValid()) return std::nullopt;
    return d;
}

QString clockOffsetText(std::optional<qint64> seconds) {
    if (!seconds) return {};
    return QStringLiteral("Diferencia con PC: %1%2 s")
        .arg(*seconds < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(*seconds < 0 ? -*seconds : *seconds);
}

}  // namespace vernoll::config
