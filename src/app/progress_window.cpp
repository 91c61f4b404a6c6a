#include "app/progress_window.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "app/binding.h"
#include "app/inicio.h"
#include "form/controls.h"
#include "form/twips.h"

namespace vernoll {

ProgressWindow::ProgressWindow(FormState& form, Inicio& inicio, QWidget* parent)
    : QWidget(parent, Qt::Dialog), form_(form) {
    setObjectName(QLatin1String(progress::kWindow));
    setWindowTitle(QStringLiteral("Estado de Comunicacion"));
    setFixedSize(twips(4800), twips(1800));

    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("ProgressBar1"));
    bar_->setGeometry(twipsRect(240, 240, 4215, 375));
    bar_->setRange(0, form_.progressMax);
    bar_->setValue(0);
    bar_->hide();

    elapsed_ = new QLabel(QStringLiteral("00:00:00"), this);
    elapsed_->setObjectName(QStringLiteral("Label1"));
    elapsed_->setGeometry(twipsRect(240, 840, 1215, 255));

    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("Command45"));
    cancel_->setToolTip(QStringLiteral("Si cancela se interrunpira la comunicacion"));
    cancel_->setGeometry(twipsRect(3240, 840, 1215, 495));
    connect(cancel_, &QPushButton::clicked, this,
            [&inicio] { inicio.click(QLatin1String(progress::kCancel)); });

    connect(&form_, &FormState::controlChanged, this, &ProgressWindow::follow);
    // The state starts as the window is created: not shown, bar hidden, no time elapsed.
    form_.setVisible(QLatin1String(progress::kWindow), false);
    form_.setText(QLatin1String(progress::kWindow), windowTitle());
    form_.setVisible(QLatin1String(progress::kBar), false);
    form_.setText(QLatin1String(progress::kElapsed), QStringLiteral("00:00:00"));
    form_.setText(QLatin1String(progress::kCancel), cancel_->text());
}

void ProgressWindow::follow(const QString& name) {
    const ControlState& state = form_.control(name);
    if (name == QLatin1String(progress::kWindow)) {
        if (!state.text.isEmpty()) setWindowTitle(state.text);
        if (state.visible) {
            bar_->setMaximum(form_.progressMax);
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

}  // namespace vernoll
