// Not a test: shows a chart window with a year of synthetic readings, or writes its PNG
// (chart_look --png FILE [WxH]; add --three for a third unit), so that a developer can look at both
// as a user would.
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "chart/chart_window.h"
#include "chart/readings_chart.h"
#include "chart/render.h"
#include "chart/year_of_readings.h"
#include "form/dialogs.h"

namespace {

class NoDialogs : public vernoll::Dialogs {
public:
    void message(const QString& text, Icon) override {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    bool confirm(const QString&, Icon) override { return false; }
    bool askYesNo(const QString&, Icon) override { return false; }
    Answer askYesNoCancel(const QString&, Icon) override { return Answer::Cancel; }
    std::optional<QString> saveFileName(const Filter&, const QString&) override { return {}; }
    std::optional<QString> openFileName(const Filter&) override { return {}; }
    bool openWithApplication(const QString&) override { return true; }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments();
    vernoll::ChartInput input = vernoll::test::yearOfReadings();
    // "--three": a third column of a third unit, which the chart leaves out until picked.
    if (args.removeAll(QStringLiteral("--three")) > 0) {
        input.columns.push_back({QStringLiteral("Nivel Reserva[cm]"),
                                 QStringLiteral("Nivel Reserva"), QStringLiteral("cm"),
                                 vernoll::Column::Kind::Sample});
        for (vernoll::Reading& r : input.readings) r.values.push_back(float(r.stamp.date().day()));
    }
    if (args.size() >= 3 && args[1] == QLatin1String("--png")) {
        QSize size = vernoll::kDefaultChartSize;
        if (args.size() >= 4) {
            const QStringList wh = args[3].split(u'x');
            size = QSize(wh.value(0).toInt(), wh.value(1).toInt());
        }
        const auto result = vernoll::writeChartPng(std::move(input), args[2], size);
        if (!result.written) std::fprintf(stderr, "%s\n", qPrintable(result.message));
        return result.written ? 0 : 4;
    }
    NoDialogs dialogs;
    vernoll::ChartWindow window(std::move(input), dialogs);
    window.show();
    // "--zoom DAYS [dd/MM/yyyy]": start zoomed in on that many days from that day (10/03/2025).
    if (args.size() >= 3 && args[1] == QLatin1String("--zoom")) {
        QDate day = QDate::fromString(args.value(3), QStringLiteral("dd/MM/yyyy"));
        if (!day.isValid()) day = QDate(2025, 3, 10);
        const qint64 from = vernoll::chartTime(QDateTime(day, QTime(0, 0), Qt::UTC));
        window.chart()->setTimeSpan({from, from + args[2].toLongLong() * 86400000});
    }
    return QApplication::exec();
}
