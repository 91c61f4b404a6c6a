#include "family/readings_csv.h"

#include <QLatin1StringView>

#include "family/decimal.h"

namespace vernoll {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

// As the download's CSV prints record values.
void appendValue(QString& text, float v) {
    char buf[64];
    text += QLatin1StringView(buf, decimal::writeShortest(buf, v) - buf);
}

}  // namespace

QString readingsCsvHeader(std::span<const Column> columns) {
    QString text = QStringLiteral("fecha_hora");
    for (const Column& c : columns) text += u',' + c.title;
    return text + kLineEnd;
}

void appendReadingsCsv(QString& text, std::span<const Reading> readings) {
    for (const Reading& r : readings) {
        text += stampText(r.stamp);
        for (const std::optional<float>& v : r.values) {
            text += u',';
            if (v) appendValue(text, *v);
        }
        text += kLineEnd;
    }
}

QString readingsCsv(std::span<const Column> columns, std::span<const Reading> readings) {
    QString text = readingsCsvHeader(columns);
    appendReadingsCsv(text, readings);
    return text;
}

}  // namespace vernoll
