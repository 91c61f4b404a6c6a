#include "chart/render.h"

#include <QApplication>
#include <QBuffer>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QPainter>
#include <QSaveFile>

#include "chart/chart_texts.h"
#include "chart/readings_chart.h"

namespace vernoll {

void useOffscreenPlatformUnlessNamed() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

QImage renderChart(std::shared_ptr<const ChartInput> input, QSize size, const ChartOptions& options,
                   QString* failure) {
    const auto fail = [&](const QString& why) {
        if (failure) *failure = why;
        return QImage();
    };
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return fail(QStringLiteral("Qt Charts draws only under a QApplication"));
    if (size.width() < 200 || size.height() < 150 || size.width() > 10000 || size.height() > 10000)
        return fail(chart_texts::kBadSize.arg(size.width()).arg(size.height()));
    if (!input || input->readings.empty()) {
        // A period without readings is an answer too: the chart says so, as an empty export
        // writes its header.
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::TextAntialiasing);
        QFont font = painter.font();
        font.setPointSizeF(font.pointSizeF() * 1.5);
        painter.setFont(font);
        painter.drawText(image.rect(), Qt::AlignCenter | Qt::TextWordWrap,
                         input ? input->noReadingsText : chart_texts::kNoReadings);
        return image;
    }

    QGraphicsScene scene;
    auto* chart = new ReadingsChart(std::move(input));
    scene.addItem(chart);
    chart->setBarPeriod(options.barPeriod);
    if (options.shown) chart->setShownColumns(*options.shown);
    chart->setGeometry(QRectF(QPointF(0, 0), QSizeF(size)));
    // Lay out, reduce for the plot area that layout gave, and lay out again: the value axes'
    // labels, which the reduction sets, decide the plot area's final width.
    for (int pass = 0; pass < 2; ++pass) {
        chart->layout()->activate();
        chart->setTimeSpan(options.span ? *options.span : chart->fullSpan());
    }
    chart->layout()->activate();

    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    scene.render(&painter, QRectF(image.rect()), QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image.convertToFormat(QImage::Format_RGB32);
}

ChartFileResult writeChartPng(std::shared_ptr<const ChartInput> input, const QString& path,
                              QSize size, const ChartOptions& options) {
    QString failure;
    const QImage image = renderChart(std::move(input), size, options, &failure);
    if (image.isNull()) return {false, failure};
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size() || !file.commit())
        return {false, chart_texts::kCannotSave.arg(path, file.errorString())};
    return {true, QString()};
}

ChartFileResult writeChartPng(ChartInput input, const QString& path, QSize size,
                              const ChartOptions& options) {
    sortByTime(input);
    return writeChartPng(std::make_shared<const ChartInput>(std::move(input)), path, size, options);
}

}  // namespace vernoll
