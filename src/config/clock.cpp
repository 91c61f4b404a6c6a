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

QString offsetText(qint64 seconds) {
    const QChar sign = seconds < 0 ? QLatin1Char('-') : QLatin1Char('+');
    // A difference of a minute or more reads in hours and minutes: 35992 s is not read at a
    // glance, 9 h 59 min 52 s is. The magnitude as unsigned: the most negative one has none.
    const quint64 n = seconds < 0 ? 0 - quint64(seconds) : quint64(seconds);
    if (n < 60) return QStringLiteral("%1%2 s").arg(sign).arg(n);
    if (n < 3600) return QStringLiteral("%1%2 min %3 s").arg(sign).arg(n / 60).arg(n % 60);
    return QStringLiteral("%1%2 h %3 min %4 s")
        .arg(sign)
        .arg(n / 3600)
        .arg(n / 60 % 60)
        .arg(n % 60);
}

QString clockOffsetText(std::optional<qint64> seconds) {
    if (!seconds) return {};
    return QStringLiteral("Diferencia con PC: ") + offsetText(*seconds);
}

}  // namespace vernoll::config
