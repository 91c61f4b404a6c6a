#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "app/station_window.h"
#include "form/form_state.h"
#include "form/window_design.h"

class QLabel;

namespace vernoll {

class ChartOffer;
class Inicio;

// "inicio": the program's working window. Every control is a widget named after it; the
// widgets mirror the form state and pass the user's edits and clicks back. The lines printed
// on the window appear on its background, beneath the controls.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    MainWindow(FormState& form, Inicio& inicio, QWidget* parent = nullptr);

    // The widget of a control, by its name; nullptr for a name the window does not have.
    QWidget* control(const QString& name) const { return widgets_.value(name); }
    QStringList controlNames() const { return widgets_.keys(); }
    // The station list, while it is open.
    StationWindow* stationWindow() const { return stations_; }
    ChartOffer& chartOffer() { return *chartOffer_; }

signals:
    // "Salir" or the window closed: the program is to end at once.
    void exitRequested();
    // Any button, option button or check box was clicked, after its handler ran.
    void buttonClicked(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    static QWidget* make(const design::Control& control, QWidget* parent);
    // Sets the caption's place and type as its design's fit asks for its present text.
    static void fitCaption(QLabel* label, const design::Control& control);
    void follow(const QString& name);
    void onClicked(const QString& name);
    void openStations();

    FormState& form_;
    Inicio& inicio_;
    QHash<QString, QWidget*> widgets_;
    QHash<QString, const design::Control*> design_;
    ChartOffer* chartOffer_ = nullptr;
    QPointer<StationWindow> stations_;
};

}  // namespace vernoll
