#include "app/progress_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "app/binding.h"
#include "app/inicio.h"
#include "app/widgets.h"
#include "form/controls.h"
#include "form/twips.h"
#include "form/window_design.h"

namespace vernoll {

namespace {

template <class W>
W* place(const char* name, QWidget* parent) {
    const design::Control& c = *design::find(name);
    auto* widget = new W(parent);
    widget->setObjectName(QLatin1String(design::objectName(c)));
    widget->setGeometry(twipsRect(c.place.left, c.place.top, c.place.width, c.place.height));
    if (c.toolTip) widget->setToolTip(QString::fromUtf8(c.toolTip));
    return widget;
}

// The program's main window, by its name: the progress window is created before it.
QWidget* mainWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(ctl::kMainWindow)) return w;
    return nullptr;
}

}  // namespace

ProgressWindow::ProgressWindow(FormState& form, Inicio& inicio, QWidget* parent)
    : QWidget(parent, Qt::Dialog), form_(form) {
    setObjectName(QLatin1String(design::kProgressWindow.name));
    setFixedSize(twips(design::kProgressWindow.width), twips(design::kProgressWindow.height));
    bar_ = place<QProgressBar>(progress::kBar, this);
    bar_->setRange(0, form_.progressMax);
    elapsed_ = place<QLabel>(progress::kElapsed, this);
    cancel_ = place<QPushButton>(progress::kCancel, this);
    connect(cancel_, &QPushButton::clicked, this,
            [&inicio] { inicio.click(QLatin1String(progress::kCancel)); });

    connect(&form_, &FormState::controlChanged, this, &ProgressWindow::follow);
    for (const char* name :
         {progress::kWindow, progress::kBar, progress::kElapsed, progress::kCancel})
        follow(QLatin1String(name));
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    // Hidden by Cancel's own ending (the form says so), with the partial copy kept and said.
    event->ignore();
    cancel_->click();
}

void ProgressWindow::follow(const QString& name) {
    const ControlState& state = form_.control(name);
    if (name == QLatin1String(progress::kWindow)) {
        if (!state.text.isEmpty()) setWindowTitle(state.text);
        if (state.visible) {
            bar_->setMaximum(form_.progressMax);
            if (isHidden()) centre();
            QWidget::show();
            raise();
        } else {
            hide();
        }
    } else if (name == QLatin1String(progress::kBar)) {
        bar_->setMaximum(form_.progressMax);
        showState(bar_, state);
    } else if (name == QLatin1String(progress::kElapsed)) {
        showState(elapsed_, state);
    } else if (name == QLatin1String(progress::kCancel)) {
        showState(cancel_, state);
    }
}

void ProgressWindow::centre() {
    // Over the main window, clear of its title; on the screen when there is none to show.
    placeOver(*this, parentWidget() ? parentWidget()->window() : mainWindow());
}

}  // namespace vernoll
