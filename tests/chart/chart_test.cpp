#include <gtest/gtest.h>

#include <QAreaSeries>
#include <QChartView>
#include <QComboBox>
#include <QFile>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QImage>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include "chart/chart_texts.h"
#include "chart/chart_window.h"
#include "chart/readings_chart.h"
#include "chart/render.h"
#include "chart/year_of_readings.h"
#include "chart/zone.h"
#include "support/fake_dialogs.h"
#include "support/wait.h"

namespace vernoll {
namespace {

constexpr qint64 kMinute = 60000;

// A year with a third column of a third unit, which the chart leaves out at first.
ChartInput threeUnits() {
    ChartInput input = test::yearOfReadings();
    input.columns.push_back({QStringLiteral("Nivel Reserva[cm]"), QStringLiteral("Nivel Reserva"),
                             QStringLiteral("cm"), Column::Kind::Sample});
    for (Reading& r : input.readings) r.values.push_back(float(r.stamp.date().day()));
    return input;
}

// Readings every ten minutes from 10/03/2025 `from` for `count` readings.
ChartInput shortRun(QTime from, int count) {
    ChartInput input = test::yearOfReadings();
    const QDateTime start(QDate(2025, 3, 10), from, Qt::UTC);
    input.readings.clear();
    for (int i = 0; i < count; ++i)
        input.readings.push_back(
            {20500, start.addSecs(i * 600), {float(i) * 0.5F - 1.0F, i == 1 ? 0.2F : 0.0F}});
    return input;
}

int pixelsOfColour(const QImage& image, QColor colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                    std::abs(c.blue() - colour.blue()) <=
                24)
                ++n;
        }
    return n;
}

// Only one column, of either kind.
ChartInput onlyColumn(std::size_t k) {
    ChartInput input = test::yearOfReadings();
    input.columns = {input.columns[k]};
    for (Reading& r : input.readings) r.values = {r.values[k]};
    return input;
}

TEST(Render, PngOfTheSizeAskedInTheColoursOfTheDrawnColumns) {
    QTemporaryDir dir;
    struct Case {
        const char* name;
        ChartInput input;
        QSize size;
        std::vector<int> least;  // the pixels of each column's colour, at least; 0: none at all
    };
    const Case cases[] = {
        // The third unit has no axis: only its dimmed legend entry is drawn.
        {"three units", threeUnits(), kDefaultChartSize, {500, 50, 0}},
        {"smaller", threeUnits(), QSize(800, 400), {500, 50, 0}},
        {"lines only", onlyColumn(0), kDefaultChartSize, {500}},
        {"bars only", onlyColumn(1), kDefaultChartSize, {500}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name) + QStringLiteral(".png"));
        const ChartFileResult result = writeChartPng(c.input, path, c.size);
        ASSERT_TRUE(result.written) << qPrintable(result.message);
        EXPECT_TRUE(result.message.isEmpty());
        const QImage image(path);
        EXPECT_EQ(image.size(), c.size);
        for (std::size_t k = 0; k < c.least.size(); ++k) {
            const int n = pixelsOfColour(image, ReadingsChart::columnColor(int(k)));
            if (c.least[k] == 0)
                EXPECT_EQ(n, 0) << k;
            else
                EXPECT_GE(n, c.least[k]) << k;
        }
    }
}

// A period without readings is drawn too: the chart says there are none.
TEST(Render, AChartWithoutReadingsSaysSo) {
    QTemporaryDir dir;
    ChartInput none = test::yearOfReadings();
    none.readings.clear();
    const QString path = dir.filePath(QStringLiteral("none.png"));
    const ChartFileResult result = writeChartPng(none, path, kDefaultChartSize);
    ASSERT_TRUE(result.written) << qPrintable(result.message);
    const QImage image(path);
    ASSERT_EQ(image.size(), kDefaultChartSize);
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) dark += image.pixelColor(x, y).lightness() < 128;
    EXPECT_GT(dark, 100);  // the text
}

TEST(Render, WritesNothingItCannotDrawAndSaysWhy) {
    QTemporaryDir dir;
    struct Case {
        const char* name;
        ChartInput input;
        QString path;
        QSize size;
        QString message;
        bool reasonFollows;  // the system's reason after the message
    };
    const Case cases[] = {
        {"no size", shortRun(QTime(10, 0), 3), dir.filePath(QStringLiteral("b.png")),
         QSize(100, 50), QString::fromUtf16(u"Tama\u00f1o de imagen no v\u00e1lido: 100x50"),
         false},
        {"no folder", shortRun(QTime(10, 0), 3), dir.filePath(QStringLiteral("none/c.png")),
         kDefaultChartSize,
         QStringLiteral("No se pudo guardar ") + dir.filePath(QStringLiteral("none/c.png")) +
             QStringLiteral(": "),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ChartFileResult result = writeChartPng(c.input, c.path, c.size);
        EXPECT_FALSE(result.written);
        if (c.reasonFollows) {
            EXPECT_TRUE(result.message.startsWith(c.message)) << qPrintable(result.message);
            EXPECT_GT(result.message.size(), c.message.size());
        } else {
            EXPECT_EQ(result.message, c.message);
        }
        EXPECT_FALSE(QFile::exists(c.path));
    }
}

TEST(Render, TimeAxisShowsTheLoggersClockThroughTheNightTheClocksChange) {
    const test::ScopedZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    ChartInput input = shortRun(QTime(0, 0), 1);
    input.readings.clear();
    const QDateTime start(QDate(2025, 3, 30), QTime(1, 0), Qt::UTC);
    for (int i = 0; i <= 18; ++i)
        input.readings.push_back({20500, start.addSecs(i * 600), {1.0F, 0.0F}});
    QGraphicsScene scene;
    auto* chart = new ReadingsChart(std::make_shared<const ChartInput>(input));
    scene.addItem(chart);
    chart->setGeometry(QRectF(0, 0, 1200, 600));
    chart->layout()->activate();
    chart->refresh();
    EXPECT_TRUE(chart->timeLabels().contains(QStringLiteral("30/03/2025 02:00")))
        << qPrintable(chart->timeLabels().join(u'|'));
    const QList<QPointF> drawn = chart->drawnPoints(0);
    ASSERT_EQ(drawn.size(), 19);
    for (qsizetype i = 1; i < drawn.size(); ++i)
        EXPECT_EQ(drawn[i].x() - drawn[i - 1].x(), double(10 * kMinute)) << i;
}

// A chart window shown offscreen, laid out and drawn for its size.
struct ShownWindow {
    explicit ShownWindow(ChartInput input) : window(std::move(input), dialogs) {
        window.resize(1100, 650);
        window.show();
        test::waitUntil([&] { return !window.chart() || window.chart()->plotArea().width() > 0; });
        test::settle();
    }
    ReadingsChart& chart() { return *window.chart(); }
    QWidget* viewport() {
        return window.findChild<QChartView*>(QStringLiteral("chartView"))->viewport();
    }
    // Where the time `t` is on the screen, halfway up the plot.
    QPoint at(qint64 t) {
        auto* view = window.findChild<QChartView*>(QStringLiteral("chartView"));
        const QPointF p(chart().xOf(t), chart().plotArea().center().y());
        return view->mapFromScene(chart().mapToScene(p));
    }
    test::FakeDialogs dialogs;
    ChartWindow window;
};

// In the words of where the readings were looked for: a period, or a base file.
TEST(Window, SaysSoWhenThereIsNoReading) {
    for (const QString& text :
         {QString(), QString::fromUtf16(u"El archivo base no tiene lecturas")}) {
        ChartInput input = test::yearOfReadings();
        input.readings.clear();
        if (!text.isEmpty()) input.noReadingsText = text;
        ShownWindow shown(std::move(input));
        EXPECT_EQ(shown.window.chart(), nullptr);
        auto* label = shown.window.findChild<QLabel*>(QStringLiteral("noReadings"));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(),
                  text.isEmpty() ? QString::fromUtf16(u"No hay lecturas en el per\u00edodo elegido")
                                 : text);
        EXPECT_TRUE(shown.window.findChildren<QPushButton*>().isEmpty());
    }
}

TEST(Window, ZoomingReducesAgainForThePeriodShown) {
    const ChartInput year = test::yearOfReadings();
    ShownWindow shown(year);
    ReadingsChart& chart = shown.chart();
    const int pixels = int(chart.plotArea().width());
    ASSERT_GT(pixels, 500);

    // The whole year: about two points a pixel column, and the year's extremes among them.
    float low = 1e9F, high = -1e9F;
    for (const Reading& r : year.readings)
        if (r.values[0]) low = std::min(low, *r.values[0]), high = std::max(high, *r.values[0]);
    QList<QPointF> drawn = chart.drawnPoints(0);
    EXPECT_LE(drawn.size(), 2 * pixels + 40);
    const auto drawnValue = [&](float v) {
        return std::any_of(drawn.begin(), drawn.end(),
                           [&](const QPointF& p) { return p.y() == double(v); });
    };
    EXPECT_TRUE(drawnValue(low));
    EXPECT_TRUE(drawnValue(high));

    // One day: every reading of it, and the neighbours the line runs to beyond the edges.
    const qint64 day = chartTime(QDateTime(QDate(2025, 6, 1), QTime(0, 0), Qt::UTC));
    chart.setTimeSpan({day, day + 1440 * kMinute});
    EXPECT_EQ(chart.readingsInSpan().size(), 145U);
    drawn = chart.drawnPoints(0);
    EXPECT_EQ(drawn.size(), 147);
    for (const Reading& r : chart.readingsInSpan()) EXPECT_TRUE(drawnValue(*r.values[0]));

    QTest::mouseClick(shown.window.findChild<QPushButton*>(QStringLiteral("reset")),
                      Qt::LeftButton);
    EXPECT_EQ(chart.timeSpan(), chart.fullSpan());
    EXPECT_LE(chart.drawnPoints(0).size(), 2 * pixels + 40);
}

TEST(Window, BarsSumTheHourOrTheDayPicked) {
    ShownWindow shown(test::yearOfReadings());
    ReadingsChart& chart = shown.chart();
    auto* period = shown.window.findChild<QComboBox*>(QStringLiteral("barPeriod"));
    ASSERT_NE(period, nullptr);
    const auto barName = [&] {
        for (QAbstractSeries* s : chart.series())
            if (auto* area = qobject_cast<QAreaSeries*>(s)) return area->name();
        return QString();
    };
    const struct {
        int index;
        qint64 length;
        const char16_t* name;
    } cases[] = {{1, 1440 * kMinute, u"Precipitacion [mm] (suma por d\u00eda)"},
                 {0, 60 * kMinute, u"Precipitacion [mm] (suma por hora)"}};
    for (const auto& c : cases) {
        period->setCurrentIndex(c.index);
        const std::vector<Bar>& bars = chart.plan().series[1].bars;
        ASSERT_FALSE(bars.empty());
        for (const Bar& b : bars) ASSERT_EQ(b.end - b.start, c.length);
        EXPECT_EQ(barName(), QString::fromUtf16(c.name));
        EXPECT_FALSE(chart.drawnPoints(1).isEmpty());
    }
}

TEST(Window, ExportsThePeriodShown) {
    QTemporaryDir dir;
    ShownWindow shown(shortRun(QTime(10, 0), 4));
    const qint64 start = chartTime(QDateTime(QDate(2025, 3, 10), QTime(10, 5), Qt::UTC));
    shown.chart().setTimeSpan({start, start + 20 * kMinute});

    const QString csv = dir.filePath(QStringLiteral("visible.CSV"));
    shown.dialogs.savePaths = {csv};
    shown.window.exportCsv();
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("fecha_hora,Temperatura[\xba"
                                         "C],Precipitacion[mm]\r\n"
                                         "2025-03-10T10:10:00,-0.5,0.2\r\n"
                                         "2025-03-10T10:20:00,0,0\r\n"));
    ASSERT_EQ(shown.dialogs.saveRequests.size(), 1U);
    EXPECT_EQ(shown.dialogs.saveRequests[0].pattern, QStringLiteral("*.CSV"));
    EXPECT_EQ(shown.dialogs.saveRequests[0].suggested, QStringLiteral("lecturas_00020500"));

    const QString png = dir.filePath(QStringLiteral("visible.png"));
    shown.dialogs.savePaths = {png, std::nullopt, dir.filePath(QStringLiteral("none/x.CSV"))};
    shown.window.exportPng();
    EXPECT_EQ(QImage(png).size(), kDefaultChartSize);
    // Each saved file is said with where it went; a cancel says nothing.
    shown.window.exportCsv();  // cancelled
    shown.window.exportCsv();
    ASSERT_EQ(shown.dialogs.shown.size(), 3U);
    EXPECT_EQ(shown.dialogs.texts().mid(0, 2),
              (QStringList{QStringLiteral("Se exportaron 2 lecturas a ") + csv,
                           QString::fromUtf16(u"Se guard\u00f3 el gr\u00e1fico en ") + png}));
    EXPECT_EQ(shown.dialogs.shown[1].icon, Dialogs::Icon::Information);
    EXPECT_TRUE(shown.dialogs.shown[2].text.startsWith(QStringLiteral("No se pudo guardar ")));
    EXPECT_EQ(shown.dialogs.shown[2].icon, Dialogs::Icon::Critical);
}

TEST(Window, MouseZoomsPansAndNamesTheValuesUnderIt) {
    ShownWindow shown(shortRun(QTime(0, 0), 145));
    ReadingsChart& chart = shown.chart();
    QWidget* viewport = shown.viewport();
    const qint64 midnight = chartTime(QDateTime(QDate(2025, 3, 10), QTime(0, 0), Qt::UTC));
    const auto time = [&](int minute) { return midnight + minute * kMinute; };
    // What a pixel is worth in time, the most a mouse position can be off.
    const auto slack = [&] {
        return qint64(double(chart.timeSpan().to - chart.timeSpan().from) /
                      chart.plotArea().width()) +
               1;
    };

    QTest::mouseMove(viewport, shown.at(time(12 * 60 + 2)));
    EXPECT_EQ(
        shown.window.findChild<QLabel*>(QStringLiteral("cursor"))->text(),
        QString::fromUtf16(u"10/03/2025 12:00   Temperatura: 35 \u00baC   Precipitacion: 0 mm "
                           u"(suma por hora)"));

    // A drag across the plot zooms in on the period it covered.
    const QPoint from = shown.at(time(6 * 60)), to = shown.at(time(18 * 60));
    qint64 slackBefore = slack();
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    QTest::mouseMove(viewport, to);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
    EXPECT_NEAR(double(chart.timeSpan().from), double(time(6 * 60)), double(slackBefore));
    EXPECT_NEAR(double(chart.timeSpan().to), double(time(18 * 60)), double(slackBefore));

    // A wheel turn up zooms in around the cursor, which keeps its time.
    const TimeSpan before = chart.timeSpan();
    const QPoint noon = shown.at(time(12 * 60));
    QWheelEvent wheel(noon, viewport->mapToGlobal(noon), {}, {0, 120}, Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(viewport, &wheel);
    EXPECT_NEAR(double(chart.timeSpan().to - chart.timeSpan().from),
                0.8 * double(before.to - before.from), 2.0);
    EXPECT_NEAR(double(chart.timeAt(chart.xOf(time(12 * 60)))), double(time(12 * 60)),
                double(slack()));
    EXPECT_LT(chart.timeSpan().from, time(12 * 60));
    EXPECT_GT(chart.timeSpan().to, time(12 * 60));

    // A drag with the right button moves the period the other way.
    const TimeSpan zoomed = chart.timeSpan();
    const QPoint a = shown.at(time(12 * 60)), b = a - QPoint(100, 0);
    const qint64 moved = chart.timeAt(chart.xOf(time(12 * 60)) + 100) - time(12 * 60);
    slackBefore = slack();
    QTest::mousePress(viewport, Qt::RightButton, {}, a);
    QTest::mouseMove(viewport, b);
    QTest::mouseRelease(viewport, Qt::RightButton, {}, b);
    EXPECT_NEAR(double(chart.timeSpan().from - zoomed.from), double(moved), double(slackBefore));
    EXPECT_EQ(chart.timeSpan().to - chart.timeSpan().from, zoomed.to - zoomed.from);

    QTest::keyClick(viewport->parentWidget(), Qt::Key_Home);
    EXPECT_EQ(chart.timeSpan(), chart.fullSpan());
}

TEST(Window, ALegendClickGivesAThirdUnitTheRightAxis) {
    ShownWindow shown(threeUnits());
    ReadingsChart& chart = shown.chart();
    EXPECT_EQ(chart.shownColumns(), (std::vector<bool>{true, true, false}));
    EXPECT_TRUE(chart.drawnPoints(2).isEmpty());
    QLegendMarker* third = nullptr;
    for (QLegendMarker* m : chart.legend()->markers())
        if (m->label().startsWith(QStringLiteral("Nivel Reserva"))) third = m;
    ASSERT_NE(third, nullptr);
    EXPECT_TRUE(third->isVisible());
    emit third->clicked();
    ASSERT_TRUE(test::waitUntil([&] { return chart.shownColumns()[2]; }));
    EXPECT_EQ(chart.shownColumns(), (std::vector<bool>{true, false, true}));
    EXPECT_EQ(chart.plan().series[2].axis, 1);
    EXPECT_FALSE(chart.drawnPoints(2).isEmpty());
    EXPECT_TRUE(chart.drawnPoints(1).isEmpty());
}

}  // namespace
}  // namespace vernoll
