#include "family/reading.h"

namespace vernoll {

std::vector<Column> columnsOfHeader(QStringView header) {
    while (header.endsWith(u'\n') || header.endsWith(u'\r')) header.chop(1);
    std::vector<Column> columns;
    const auto fields = header.split(u',');
    for (qsizetype i = 2; i < fields.size(); ++i) {
        const QStringView title = fields[i];
        Column c;
        c.title = title.toString();
        const qsizetype open = title.lastIndexOf(u'[');
        if (open >= 0 && title.endsWith(u']')) {
            c.label = title.left(open).trimmed().toString();
            c.unit = title.mid(open + 1, title.size() - open - 2).toString();
        } else {
            c.label = title.trimmed().toString();
        }
        columns.push_back(std::move(c));
    }
    return columns;
}

QString stampText(const QDateTime& stamp) {
    return stamp.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

}  // namespace vernoll
