#include "coef/coef_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>
#include <utility>

#include "form/controls.h"
#include "form/twips.h"

namespace vernoll {

namespace {

QFont courier() {
    QFont f(QStringLiteral("Courier New"));
    f.setStyleHint(QFont::Monospace);
    f.setPixelSize(11);
    return f;
}

// Refuses typing or pasting beyond a length, as a box's character limit does, without
// cutting a longer text that the window itself put in (QLineEdit::setMaxLength would).
class TypingLimit : public QValidator {
public:
    TypingLimit(QLineEdit* box, int limit) : QValidator(box), limit_(limit), held_(box->text()) {
        box->setValidator(this);
        connect(box, &QLineEdit::textChanged, this, [this](const QString& text) { held_ = text; });
    }
    State validate(QString& input, int& /*pos*/) const override {
        return input.size() <= limit_ || input.size() <= held_.size() ? Acceptable : Invalid;
    }

private:
    qsizetype limit_;
    QString held_;  // the text before the change being judged
};

QString numbered(const char* pattern, int number) {
    return QString::fromLatin1(pattern).arg(number);
}

template <class W>
W* place(QWidget* parent, const QString& name, QRect geometry) {
    auto* widget = new W(parent);
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    return widget;
}

QLabel* label(QWidget* parent, const QString& name, const char* caption, QRect geometry) {
    auto* l = place<QLabel>(parent, name, geometry);
    l->setText(QString::fromLatin1(caption));
    l->setFont(courier());
    return l;
}

}  // namespace

CoefWindow::CoefWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QLatin1String(ctl::coef::kWindow));
    setWindowTitle(QStringLiteral("coeficientes"));
    setFixedSize(twipsRect(0, 0, 8160, 7260).size());

    label(this, QLatin1String(ctl::coef::kSensorsHeading), "Sensores  Tolvar",
          twipsRect(480, 120, 2895, 255));
    label(this, QLatin1String(ctl::coef::kAuxHeading), "Entradas Auxiliares",
          twipsRect(4440, 360, 2895, 375));

    const int sensorLabelTops[8] = {1200, 1680, 2280, 2760, 3240, 3720, 4200, 4680};
    // Three rows are "humedad" and the heading has two blanks, as the sheet was drawn.
    const char* const sensorNames[8] = {"humedad", "Temperatura", "P. Atm",  "Rad.",
                                        "Ane.",    "Pluvio.",     "humedad", "humedad"};
    const int boxTops[8] = {1200, 1690, 2180, 2685, 3195, 3690, 4185, 4680};
    const int auxLabelTops[8] = {1200, 1695, 2190, 2685, 3195, 3690, 4185, 4680};
    const char* const auxNames[8] = {"aux00", "aux10", "aux01", "aux11",
                                     "aux02", "aux12", "aux03", "aux13"};

    for (int k = 0; k < 8; ++k) {
        label(this, numbered(ctl::coef::kSensorCaption, k), sensorNames[k],
              twipsRect(240, sensorLabelTops[k], 855, 255));
        label(this, numbered(ctl::coef::kAuxCaption, k), auxNames[k],
              twipsRect(4080, auxLabelTops[k], 615, 255));
        const struct {
            int number, left, width;
        } row[4] = {{2 * k + 1, 1200, 615},
                    {2 * k + 2, 2280, 615},
                    {2 * k + 17, 5040, 735},
                    {2 * k + 18, 6675, 735}};
        for (const auto& b : row) {
            const QString name = numbered(ctl::coef::kBox, b.number);
            QLineEdit* box =
                place<QLineEdit>(this, name, twipsRect(b.left, boxTops[k], b.width, 285));
            // The offsets of the auxiliary inputs take four characters from the keyboard; the
            // initial text, the box's name, may be longer.
            if (b.number > 16 && b.number % 2 == 0) new TypingLimit(box, 4);
            boxes_.at(std::size_t(b.number - 1)) = box;
        }
    }
    label(this, QLatin1String(ctl::coef::kGainCaption), "* Vo +", twipsRect(5880, 1200, 735, 255));
    label(this, QLatin1String(ctl::coef::kEquals), "=", twipsRect(7680, 1200, 135, 255));

    auto* line =
        place<QFrame>(this, QLatin1String(ctl::coef::kRule), twipsRect(3840, 120, 30, 5280));
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);

    // The two buttons without a role show their names as captions, as designed.
    for (const auto& [name, geometry] :
         {std::pair{ctl::coef::kSpare3, twipsRect(600, 5760, 1455, 495)},
          std::pair{ctl::coef::kSpare2, twipsRect(2640, 6120, 1455, 615)}})
        place<QPushButton>(this, QLatin1String(name), geometry)->setText(QLatin1String(name));
    auto* salir = place<QPushButton>(this, QLatin1String(ctl::coef::kClose),
                                     twipsRect(4560, 6120, 1335, 615));
    salir->setText(QStringLiteral("Salir "));  // the trailing blank is the design's
    connect(salir, &QPushButton::clicked, this, &QWidget::close);

    restoreInitialTexts();
}

void CoefWindow::restoreInitialTexts() {
    // Each box starts with its own name as its text, as designed.
    for (QLineEdit* box : boxes_) box->setText(box->objectName());
}

void CoefWindow::closeEvent(QCloseEvent* event) {
    // Unloading the window loses whatever was typed into it.
    restoreInitialTexts();
    event->accept();
}

}  // namespace vernoll
