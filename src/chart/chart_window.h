#pragma once

#include <QString>
#include <QWidget>
#include <memory>

#include "chart/chart_input.h"

QT_BEGIN_NAMESPACE
class QComboBox;
class QLabel;
QT_END_NAMESPACE

namespace vernoll {

class Dialogs;
class ReadingsChart;
class TimeView;

// The window that shows one logger's readings as a chart. Drag across the plot to zoom in on a
// period, turn the wheel to zoom around the cursor, drag with the right or middle button (or
// turn the wheel with Shift, or press the arrow keys) to move along the time axis; the reset
// button shows every reading again. The line under the chart names the time and the values at
// the cursor. The visible period exports as PNG or as the archive's CSV. Opened with no
// reading, it says so and offers nothing else.
class ChartWindow : public QWidget {
    Q_OBJECT

public:
    // `dialogs` asks where to save the exports and tells when one failed (the main window's
    // Qt dialogs); it must outlive the window.
    ChartWindow(ChartInput input, Dialogs& dialogs, QWidget* parent = nullptr);
    ~ChartWindow() override;

    // Null when there is no reading to draw.
    ReadingsChart* chart() const { return chart_; }

    // The visible period as a PNG the size of a command line's plot, or as CSV in code page
    // 1252; empty when written, else the message the user reads.
    QString writeVisiblePng(const QString& path) const;
    QString writeVisibleCsv(const QString& path) const;

    // The export buttons: ask for a file, write it, report a failure.
    void exportPng();
    void exportCsv();

private:
    void showCursorText(const QString& text);

    std::shared_ptr<const ChartInput> input_;
    Dialogs& dialogs_;
    ReadingsChart* chart_ = nullptr;
    TimeView* view_ = nullptr;
    QLabel* cursor_ = nullptr;
    QComboBox* barPeriod_ = nullptr;
};

}  // namespace vernoll
