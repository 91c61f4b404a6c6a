#include "memory/report.h"

#include <algorithm>

#include "family/family.h"
#include "link/codepage.h"

namespace vernoll::memory {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The time is formatted as a date-time so that a time-zone field of the long time format
// names the zone of `now`, not whatever zone the machine runs in. The two blanks before
// "a las" are the report's own: deliberate.
QString stampLine(const QDateTime& now, const QLocale& locale) {
    return QStringLiteral("proceso realizado el ") +
           locale.toString(now.date(), QLocale::LongFormat) + QStringLiteral("  a las ") +
           locale.toString(now, locale.timeFormat(QLocale::LongFormat)) + kCrLf;
}

// A run walks rows 0..memo; the image ends at row 18,000.
int lastRow(int memo) {
    return std::min(memo, MemoryImage::kRows - 1);
}

// Roughly what a row of records prints: four lines of date, time and up to three values.
constexpr qsizetype kRowTextEstimate = 4 * 48;

}  // namespace

QLocale reportLocale() {
    return QLocale(QLocale::Spanish, QLocale::Spain);
}

// The blanks around " Equipo Registrador TOLVAR " are the report's own: deliberate.
QString reportHeader(const QDateTime& now, const QLocale& locale) {
    return QStringLiteral(" Equipo Registrador TOLVAR ") + kCrLf + stampLine(now, locale) + kCrLf +
           QStringLiteral("Datos de configuracion") + kCrLf;
}

QString decodeRows(const MemoryImage& image, int first, int last, Decoder& decoder, float nserie,
                   QStringList* diagnostics, std::vector<Reading>* readings) {
    first = std::max(first, 0);
    last = std::min(last, MemoryImage::kRows - 1);
    decoder.clearRowText();
    QString text;
    if (last < first) return text;
    text.reserve(qsizetype(last - first + 1) * kRowTextEstimate);
    if (readings) readings->reserve(readings->size() + std::size_t(last - first + 1) * 4);
    decoder.collectReadings(readings);
    for (int k = first; k <= last; ++k) {
        const auto row = image.row(k);
        for (int j = 0; j < MemoryImage::kRowBytes; ++j)
            if (!decoder.proceso(row[std::size_t(j)], j, nserie) && diagnostics)
                diagnostics->append(QString::fromLatin1(kMatrixError));
        text += decoder.rowText();
        decoder.clearRowText();
    }
    decoder.collectReadings(nullptr);
    return text;
}

QString csvText(const MemoryImage& image, int memo, Decoder& decoder, float nserie,
                const QString& summary, const QString& data1, const QDateTime& now,
                QStringList* diagnostics, const QLocale& locale, std::vector<Reading>* readings,
                int* records) {
    decoder.clearEvents();
    const std::int64_t before = decoder.lines();
    const QString lines =
        decodeRows(image, 0, lastRow(memo), decoder, nserie, diagnostics, readings);
    if (records) *records = int(decoder.lines() - before);
    const QString header = reportHeader(now, locale);
    QString text;
    text.reserve(header.size() + summary.size() + data1.size() + lines.size() + 2);
    text += header;
    text += summary;
    text += data1;
    text += lines;
    text += kCrLf;
    return text;
}

ImageReadings readingsOfImage(const MemoryImage& image, int memo, float nserie,
                              std::optional<std::uint32_t> serial) {
    ImageReadings out;
    out.columns = family::columnsOfLines(nserie);
    Decoder decoder;
    decodeRows(image, 0, lastRow(memo), decoder, nserie, nullptr, &out.readings);
    if (serial)
        for (Reading& r : out.readings) r.serial = *serial;
    return out;
}

QString spreadsheetText(const MemoryImage& image, int memo, Decoder& decoder, float nserie,
                        const QString& data1, QStringList* diagnostics, int* records) {
    decoder.clearEvents();
    // Rows 0..5 are decoded (they set the decoder's state) and their lines dropped.
    decodeRows(image, 0, std::min(5, lastRow(memo)), decoder, nserie, diagnostics);
    const std::int64_t before = decoder.lines();
    const QString lines = decodeRows(image, 6, lastRow(memo), decoder, nserie, diagnostics);
    if (records) *records = int(decoder.lines() - before);
    QString text;
    text.reserve(data1.size() + lines.size() + 2);
    text += data1;
    text += lines;
    text += kCrLf;
    return text;
}

// The two blanks that end the first line are the export's own: deliberate.
QString eventsHeader(const QDateTime& now, const QLocale& locale) {
    return QStringLiteral("Registro de eventos y configuracion de equipo registrador  ") + kCrLf +
           stampLine(now, locale) + kCrLf + QStringLiteral("DATOS DE CONFIGURACION") + kCrLf;
}

QString eventsText(const QString& header, const QString& decoderEvents) {
    return header + kCrLf + QStringLiteral("Eventos producidos:") + kCrLf + kCrLf + decoderEvents;
}

QString suggestedCsvName(const QString& location, const QDate& today) {
    // The station texts come from the logger padded with blanks to their widths.
    QString name = location;
    while (name.endsWith(u' ')) name.chop(1);
    for (QChar& c : name) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || QStringView(u"\\/:*?\"<>|").contains(c)) c = u'_';
    }
    return name + QLatin1Char(' ') + QString::number(today.day()) + QLatin1Char('_') +
           QString::number(today.month()) + QLatin1Char('_') + QString::number(today.year());
}

QByteArray fileBytes(const QString& text) {
    return cp1252::encode(text);
}

}  // namespace vernoll::memory
