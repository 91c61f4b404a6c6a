#include "chart/chart_window.h"

#include <QChartView>
#include <QComboBox>
#include <QGraphicsLineItem>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRubberBand>
#include <QSaveFile>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>
#include <functional>

#include "chart/chart_texts.h"
#include "chart/readings_chart.h"
#include "chart/render.h"
#include "family/readings_csv.h"
#include "form/dialogs.h"
#include "link/codepage.h"

namespace vernoll {

// The chart's view with the time axis under the mouse and the keys: a rubber band across the
// plot zooms in on its period, the wheel zooms around the cursor, a drag with the right or
// middle button moves the period. Left clicks outside the plot reach the legend.
class TimeView : public QChartView {
public:
    TimeView(ReadingsChart* chart, QWidget* parent) : QChartView(chart, parent), chart_(chart) {
        setRenderHint(QPainter::Antialiasing);
        setRubberBand(QChartView::NoRubberBand);
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
        band_ = new QRubberBand(QRubberBand::Rectangle, viewport());
        cursorLine_ = new QGraphicsLineItem(chart);
        cursorLine_->setPen(QPen(QColor(110, 110, 110), 0, Qt::DashLine));
        cursorLine_->setZValue(1000);
        cursorLine_->hide();
        connect(chart_, &ReadingsChart::timeSpanChanged, this, [this] { hover(lastPos_); });
    }

    std::function<void(const QString&)> hovered;

protected:
    void mousePressEvent(QMouseEvent* e) override {
        const QPoint pos = e->position().toPoint();
        if (e->button() == Qt::LeftButton && inPlot(pos)) {
            bandFrom_ = pos.x();
            banding_ = true;
            band_->setGeometry(bandRect(pos.x()));
            band_->show();
            e->accept();
            return;
        }
        if (e->button() == Qt::RightButton || e->button() == Qt::MiddleButton) {
            panning_ = true;
            panFrom_ = pos.x();
            panSpan_ = chart_->timeSpan();
            viewport()->setCursor(Qt::ClosedHandCursor);
            e->accept();
            return;
        }
        QChartView::mousePressEvent(e);
    }

    void mouseMoveEvent(QMouseEvent* e) override {
        const QPoint pos = e->position().toPoint();
        lastPos_ = pos;
        if (banding_) band_->setGeometry(bandRect(pos.x()));
        if (panning_) {
            const double width = chart_->plotArea().width();
            if (width > 0) {
                const double perPixel = double(panSpan_.to - panSpan_.from) / width;
                const auto delta = qint64(std::llround(double(panFrom_ - pos.x()) * perPixel));
                chart_->setTimeSpan({panSpan_.from + delta, panSpan_.to + delta});
            }
        }
        hover(pos);
        QChartView::mouseMoveEvent(e);
    }

    void mouseReleaseEvent(QMouseEvent* e) override {
        const QPoint pos = e->position().toPoint();
        if (banding_ && e->button() == Qt::LeftButton) {
            banding_ = false;
            band_->hide();
            // A click without a drag is no period to zoom to.
            if (std::abs(pos.x() - bandFrom_) >= 4) {
                const qint64 a = timeAt(bandFrom_), b = timeAt(pos.x());
                chart_->setTimeSpan({std::min(a, b), std::max(a, b)});
            }
            e->accept();
            return;
        }
        if (panning_ && (e->button() == Qt::RightButton || e->button() == Qt::MiddleButton)) {
            panning_ = false;
            viewport()->unsetCursor();
            e->accept();
            return;
        }
        QChartView::mouseReleaseEvent(e);
    }

    void wheelEvent(QWheelEvent* e) override {
        const QPoint angle = e->angleDelta();
        const qint64 length = chart_->timeSpan().to - chart_->timeSpan().from;
        if (angle.x() != 0 || (e->modifiers() & Qt::ShiftModifier)) {
            const double steps = double(angle.x() != 0 ? angle.x() : angle.y()) / 120.0;
            chart_->panBy(-qint64(std::llround(steps * double(length) / 10.0)));
        } else {
            const double steps = double(angle.y()) / 120.0;
            chart_->zoomBy(std::pow(0.8, steps), timeAt(e->position().toPoint().x()));
        }
        e->accept();
    }

    void keyPressEvent(QKeyEvent* e) override {
        const TimeSpan span = chart_->timeSpan();
        const qint64 length = span.to - span.from;
        const qint64 middle = span.from + length / 2;
        switch (e->key()) {
            case Qt::Key_Left:
                chart_->panBy(-length / 10);
                break;
            case Qt::Key_Right:
                chart_->panBy(length / 10);
                break;
            case Qt::Key_Plus:
                chart_->zoomBy(0.8, middle);
                break;
            case Qt::Key_Minus:
                chart_->zoomBy(1.25, middle);
                break;
            case Qt::Key_Home:
                chart_->resetZoom();
                break;
            default:
                QChartView::keyPressEvent(e);
                return;
        }
        e->accept();
    }

    void leaveEvent(QEvent* e) override {
        lastPos_ = QPoint(-1, -1);
        hover(lastPos_);
        QChartView::leaveEvent(e);
    }

private:
    QPointF inChart(QPoint pos) const { return chart_->mapFromScene(mapToScene(pos)); }
    bool inPlot(QPoint pos) const { return chart_->plotArea().contains(inChart(pos)); }
    qint64 timeAt(int x) const { return chart_->timeAt(inChart(QPoint(x, 0)).x()); }

    QRect bandRect(int x) const {
        const QRectF area = chart_->plotArea();
        const QPoint top = mapFromScene(chart_->mapToScene(area.topLeft()));
        const QPoint bottom = mapFromScene(chart_->mapToScene(area.bottomRight()));
        const int left = std::clamp(std::min(x, bandFrom_), top.x(), bottom.x());
        const int right = std::clamp(std::max(x, bandFrom_), top.x(), bottom.x());
        return QRect(QPoint(left, top.y()), QPoint(right, bottom.y()));
    }

    void hover(QPoint pos) {
        if (pos.x() < 0 || !inPlot(pos)) {
            cursorLine_->hide();
            if (hovered) hovered(QString());
            return;
        }
        const QRectF area = chart_->plotArea();
        const double x = inChart(pos).x();
        cursorLine_->setLine(x, area.top(), x, area.bottom());
        cursorLine_->show();
        if (hovered) hovered(chart_->cursorTextAt(chart_->timeAt(x)));
    }

    ReadingsChart* chart_;
    QRubberBand* band_;
    QGraphicsLineItem* cursorLine_;
    QPoint lastPos_{-1, -1};
    bool banding_ = false;
    int bandFrom_ = 0;
    bool panning_ = false;
    int panFrom_ = 0;
    TimeSpan panSpan_;
};

namespace {

QPushButton* button(const QString& text, const char* name, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QString suggestedName(const char* what, std::uint32_t serial) {
    return QString::fromLatin1(what) + QStringLiteral("%1").arg(serial, 8, 10, QLatin1Char('0'));
}

}  // namespace

ChartWindow::ChartWindow(ChartInput input, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs) {
    sortByTime(input);
    input_ = std::make_shared<const ChartInput>(std::move(input));
    setWindowTitle(chart_texts::kWindowTitle + QStringLiteral(" - ") + chartTitle(*input_));
    resize(1100, 650);

    auto* layout = new QVBoxLayout(this);
    if (input_->readings.empty()) {
        auto* none = new QLabel(input_->noReadingsText, this);
        none->setObjectName(QStringLiteral("noReadings"));
        none->setAlignment(Qt::AlignCenter);
        layout->addWidget(none);
        return;
    }

    auto* tools = new QHBoxLayout;
    QPushButton* reset = button(chart_texts::kReset, "reset", this);
    tools->addWidget(reset);
    const bool counts = std::any_of(input_->columns.begin(), input_->columns.end(),
                                    [](const Column& c) { return c.kind == Column::Kind::Count; });
    if (counts) {
        tools->addWidget(new QLabel(chart_texts::kBars, this));
        barPeriod_ = new QComboBox(this);
        barPeriod_->setObjectName(QStringLiteral("barPeriod"));
        barPeriod_->addItem(chart_texts::kBarsHourly);
        barPeriod_->addItem(chart_texts::kBarsDaily);
        tools->addWidget(barPeriod_);
    }
    tools->addStretch(1);
    QPushButton* png = button(chart_texts::kExportPng, "exportPng", this);
    QPushButton* csv = button(chart_texts::kExportCsv, "exportCsv", this);
    tools->addWidget(png);
    tools->addWidget(csv);
    layout->addLayout(tools);

    chart_ = new ReadingsChart(input_);
    view_ = new TimeView(chart_, this);
    view_->setObjectName(QStringLiteral("chartView"));
    layout->addWidget(view_, 1);

    cursor_ = new QLabel(this);
    cursor_->setObjectName(QStringLiteral("cursor"));
    cursor_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(cursor_);
    auto* hint = new QLabel(chart_texts::kHint, this);
    hint->setStyleSheet(QStringLiteral("color: gray"));
    layout->addWidget(hint);
    showCursorText(QString());

    view_->hovered = [this](const QString& text) { showCursorText(text); };
    connect(reset, &QPushButton::clicked, this, [this] { chart_->resetZoom(); });
    connect(png, &QPushButton::clicked, this, &ChartWindow::exportPng);
    connect(csv, &QPushButton::clicked, this, &ChartWindow::exportCsv);
    if (barPeriod_)
        connect(barPeriod_, &QComboBox::currentIndexChanged, this, [this](int index) {
            chart_->setBarPeriod(index == 1 ? BarPeriod::Day : BarPeriod::Hour);
        });
}

ChartWindow::~ChartWindow() = default;

void ChartWindow::showCursorText(const QString& text) {
    // A blank keeps the line's height, so the chart does not jump when the cursor leaves it.
    cursor_->setText(text.isEmpty() ? QStringLiteral(" ") : text);
}

QString ChartWindow::writeVisiblePng(const QString& path) const {
    if (!chart_) return chart_texts::kNoReadings;
    ChartOptions options;
    options.span = chart_->timeSpan();
    options.barPeriod = chart_->barPeriod();
    options.shown = chart_->shownColumns();
    return writeChartPng(input_, path, kDefaultChartSize, options).message;
}

// The readings shown, in the archive export's format (the same writer): "fecha_hora" and the
// column header, ISO time stamps, the download CSV's numbers, CR LF, code page 1252.
QString ChartWindow::writeVisibleCsv(const QString& path) const {
    if (!chart_ || chart_->readingsInSpan().empty()) return chart_texts::kNoReadings;
    const QByteArray bytes = cp1252::encode(readingsCsv(input_->columns, chart_->readingsInSpan()));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return chart_texts::kCannotSave.arg(path, file.errorString());
    return QString();
}

void ChartWindow::exportPng() {
    const std::optional<QString> path =
        dialogs_.saveFileName({chart_texts::kPngFilter, chart_texts::kPngPattern},
                              suggestedName("grafico_", input_->serial));
    if (!path) return;
    const QString failure = writeVisiblePng(*path);
    if (!failure.isEmpty())
        dialogs_.message(failure, Dialogs::Icon::Critical);
    else
        dialogs_.message(chart_texts::kSavedPng.arg(*path), Dialogs::Icon::Information);
}

void ChartWindow::exportCsv() {
    const std::optional<QString> path =
        dialogs_.saveFileName({chart_texts::kCsvFilter, chart_texts::kCsvPattern},
                              suggestedName("lecturas_", input_->serial));
    if (!path) return;
    const QString failure = writeVisibleCsv(*path);
    if (!failure.isEmpty())
        dialogs_.message(failure, Dialogs::Icon::Critical);
    else
        dialogs_.message(chart_texts::kExported.arg(chart_->readingsInSpan().size()).arg(*path),
                         Dialogs::Icon::Information);
}

}  // namespace vernoll
