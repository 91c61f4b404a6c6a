// Not a test: shows a chart window with a year of synthetic readings, or writes its PNG
// (chart_look --png FILE [WxH]), so that a developer can look at both as a user would.
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
    std::optional<QString> saveFileName(const Filter&, const QString&) override { return {}; }
    std::optional<QString> openFileName(const Filter&) override { return {}; }
    void openWithApplication(const QString&) override {}
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    vernoll::ChartInput input = vernoll::test::yearOfReadings();
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
    // "--zoom DAYS": start zoomed in on that many days from the 10th of March.
    if (args.size() >= 3 && args[1] == QLatin1String("--zoom")) {
        const qint64 from = vernoll::chartTime(QDateTime(QDate(2025, 3, 10), QTime(0, 0), Qt::UTC));
        window.chart()->setTimeSpan({from, from + args[2].toLongLong() * 86400000});
    }
    return QApplication::exec();
}
