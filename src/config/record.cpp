#include "config/record.h"

#include "link/bcd.h"

namespace vernoll::config {

std::optional<int> intervalIndex(std::uint8_t code) {
    for (std::size_t i = 0; i < kIntervals.size(); ++i)
        if (kIntervals[i].code == code) return int(i);
    return std::nullopt;
}

QString serialDigits(const std::array<std::uint8_t, 4>& packed) {
    QString digits;
    for (std::uint8_t b : packed) digits += bcd::digits(b);
    return digits;
}

std::optional<float> serialNumber(const QString& digits) {
    if (digits.isEmpty()) return std::nullopt;
    long value = 0;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return float(value);
}

std::array<std::uint8_t, 4> packSerial(const QString& digits) {
    std::array<int, 8> d{};
    for (int k = 0; k < 8 && k < digits.size(); ++k) d[std::size_t(k)] = digits[k].unicode() & 0x0F;
    std::array<std::uint8_t, 4> packed{};
    for (std::size_t i = 0; i < 4; ++i) packed[i] = std::uint8_t(d[2 * i] * 16 + d[2 * i + 1]);
    return packed;
}

QString padded(const QString& text, int width) {
    return text.size() >= width ? text : text + QString(width - text.size(), QLatin1Char(' '));
}

QString unpadded(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == QLatin1Char(' ')) --end;
    return text.left(end);
}

std::optional<int> Configuration::intervalMinutes() const {
    const auto index = intervalIndex(intervalCode);
    if (!index) return std::nullopt;
    return QString::fromLatin1(kIntervals[std::size_t(*index)].minutes).toInt();
}

std::optional<QDateTime> Configuration::loggerClock() const {
    if (!date || !time) return std::nullopt;
    return QDateTime(*date, *time, Qt::UTC);
}

std::optional<qint64> Configuration::clockOffset() const {
    const auto logger = loggerClock();
    if (!logger || !pcClock.isValid()) return std::nullopt;
    const QTime t = pcClock.time();
    const QDateTime pc(pcClock.date(), QTime(t.hour(), t.minute(), t.second()), Qt::UTC);
    return pc.secsTo(*logger);
}

QByteArray Record::toBytes() const {
    QByteArray out;
    out.reserve(record::kSize);
    for (std::uint8_t b : serial) out.append(char(b));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        QByteArray field = texts[i].left(kTextWidths[i]);
        field.append(QByteArray(kTextWidths[i] - field.size(), ' '));
        out.append(field);
    }
    out.append(char(interval));
    for (std::uint8_t b : clock) out.append(char(b));
    return out;
}

Record Record::fromBytes(const QByteArray& bytes) {
    Record r;
    if (bytes.size() < record::kSize) return r;
    const auto at = [&](int i) { return std::uint8_t(bytes[i]); };
    for (int i = 0; i < 4; ++i) r.serial[std::size_t(i)] = at(record::kSerial + i);
    int offset = record::kUser;
    for (std::size_t i = 0; i < r.texts.size(); ++i) {
        r.texts[i] = bytes.mid(offset, kTextWidths[i]);
        offset += kTextWidths[i];
    }
    r.interval = at(record::kInterval);
    for (int i = 0; i < 6; ++i) r.clock[std::size_t(i)] = at(record::kClock + i);
    return r;
}

}  // namespace vernoll::config
