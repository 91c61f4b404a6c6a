#pragma once

#include <QObject>
#include <QWidget>

#include "chart/chart_input.h"
#include "chart/chart_window.h"
#include "memory/report.h"

namespace vernoll {

class Dialogs;
class Inicio;

// A chart window of its own over `owner`, closed with it; it deletes itself when closed.
ChartWindow* openChart(ChartInput input, Dialogs& dialogs, QWidget* owner);

// The memory image's readings as a chart of the logger the last import read: its serial
// number, device, station texts and sampling interval. The readings are those given (a
// download job's), else the image decoded as a decoding run walks it, for the logger the
// program holds.
ChartInput chartOfImage(Inicio& inicio, const memory::ImageReadings* readings = nullptr);

// After every completed download, once its own messages have been answered, and after every
// base file the window opened, when there are readings to draw: "¿Desea ver el gráfico?"; Yes
// opens the chart of the image.
// The command line has no such offer.
class ChartOffer : public QObject {
    Q_OBJECT
public:
    ChartOffer(Inicio& inicio, QWidget* owner);

    void offer(const memory::ImageReadings* readings = nullptr);

signals:
    void opened(ChartWindow* window);

private:
    Inicio& inicio_;
    QWidget* owner_;
};

}  // namespace vernoll
