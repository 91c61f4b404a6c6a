#include "app/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextEdit>
#include <algorithm>

#include "app/binding.h"
#include "app/chart_offer.h"
#include "app/inicio.h"
#include "app/station_window.h"
#include "app/widgets.h"
#include "form/controls.h"
#include "form/twips.h"
#include "form/window_design.h"
#include "link/maker.h"

namespace vernoll {

namespace {

// Fonts are given in points at 96 dots per inch, as the window's layout is in twips.
QFont windowFont(const design::Type& type) {
    QFont f(type.mono ? QStringLiteral("Courier New") : QStringLiteral("MS Sans Serif"));
    f.setPixelSize(qRound(type.points * 96.0 / 72.0));
    f.setBold(type.bold);
    f.setItalic(type.italic);
    return f;
}

// The smallest type a caption that fits one line gives way to.
constexpr int kSmallestType = 8;

// The width a caption takes on one line, as a label draws it.
int oneLineWidth(const QFont& font, const QString& text) {
    return QFontMetrics(font)
        .boundingRect(QRect(0, 0, 1 << 16, 1 << 8), Qt::AlignLeft | Qt::AlignTop, text)
        .width();
}

// The window's captions are fitted to DejaVu Sans and DejaVu Sans Mono, which the package
// depends on: they are asked for by name first, so that another face that answers to "Arial" or
// "Courier" on some machine (Nimbus, Liberation) cannot make a caption taller than its room.
void registerFontSubstitutes() {
    QFont::insertSubstitutions(
        QStringLiteral("MS Sans Serif"),
        {QStringLiteral("DejaVu Sans"), QStringLiteral("Microsoft Sans Serif"),
         QStringLiteral("Tahoma"), QStringLiteral("Arial")});
    QFont::insertSubstitutions(QStringLiteral("Courier New"),
                               {QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Courier")});
}

const QColor kBlue(0x00, 0x00, 0xff);
const QColor kWrong(0xd0, 0x00, 0x00);

// An invalid colour gives the text back the window's own.
void paintText(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(
        QPalette::WindowText,
        color.isValid() ? color : QApplication::palette(widget).color(QPalette::WindowText));
    widget->setPalette(palette);
}

}  // namespace

MainWindow::MainWindow(FormState& form, Inicio& inicio, QWidget* parent)
    : QWidget(parent), form_(form), inicio_(inicio) {
    registerFontSubstitutes();
    setObjectName(QLatin1String(design::kMainWindow.name));
    setWindowTitle(QString::fromUtf8(design::kMainWindow.caption));
    setFont(windowFont(design::Type{}));
    setFixedSize(twips(design::kMainWindow.width), twips(design::kMainWindow.height));
    build();
    // The maker's address belongs to the link's texts, which the design cannot see.
    form_.setText(ctl::kMakerWeb, QString::fromLatin1(maker::kWeb));

    for (auto it = widgets_.cbegin(); it != widgets_.cend(); ++it) {
        follow(it.key());
        sendEdits(it.value(), form_);
        // The user's events reach the handlers after the form state took the change.
        const QString key = it.key();
        if (auto* button = qobject_cast<QAbstractButton*>(it.value()))
            connect(button, &QAbstractButton::clicked, this, [this, key] { onClicked(key); });
        if (auto* edit = qobject_cast<QLineEdit*>(it.value())) {
            connect(edit, &QLineEdit::textEdited, this, [this, key] { inicio_.edited(key); });
            edit->installEventFilter(this);
        }
    }
    connect(&form_, &FormState::controlChanged, this, &MainWindow::follow);
    connect(&form_, &FormState::surfaceChanged, this, qOverload<>(&QWidget::update));
    chartOffer_ = new ChartOffer(inicio_, this);
}

QWidget* MainWindow::make(const design::Control& c, QWidget* parent) {
    switch (c.kind) {
        case design::Kind::Button:
            return new WrapButton(parent);
        case design::Kind::Label: {
            auto* label = new QLabel(parent);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setWordWrap(c.fit != design::Fit::OneLine);
            return label;
        }
        case design::Kind::TextBox:
            return new QLineEdit(parent);
        case design::Kind::DigitsBox:
            return new DigitsEdit(parent);
        case design::Kind::DateBox: {
            auto* date = new DateBox(parent);
            // Eight characters in 57 pixels: no room for margins.
            date->setTextMargins(0, 0, 0, 0);
            return date;
        }
        case design::Kind::TimeBox: {
            auto* time = new QLineEdit(parent);
            time->setInputMask(QStringLiteral("99:99:99"));
            time->setTextMargins(0, 0, 0, 0);
            return time;
        }
        case design::Kind::CheckBox:
            return new QCheckBox(parent);
        case design::Kind::Frame:
            return new QGroupBox(parent);
        case design::Kind::Option:
            return new QRadioButton(parent);
        case design::Kind::LiveText:
            return new QPlainTextEdit(parent);
        case design::Kind::TextBuffer: {
            auto* buffer = new QTextEdit(parent);
            buffer->setAcceptRichText(false);
            buffer->setProperty(kKeepHidden, true);
            return buffer;
        }
        case design::Kind::HLine:
        case design::Kind::VLine: {
            auto* line = new QFrame(parent);
            line->setFrameShape(c.kind == design::Kind::HLine ? QFrame::HLine : QFrame::VLine);
            line->setFrameShadow(QFrame::Sunken);
            return line;
        }
        case design::Kind::ProgressBar:
            break;
    }
    return new QWidget(parent);
}

void MainWindow::build() {
    for (const design::Control& c : design::mainWindow()) {
        QWidget* parent = c.frame ? widgets_.value(QLatin1String(c.frame)) : this;
        QWidget* widget = make(c, parent);
        widget->setObjectName(QLatin1String(c.name));
        widget->setGeometry(twipsRect(c.place.left, c.place.top, c.place.width, c.place.height));
        widget->setFont(windowFont(c.type));
        if (c.toolTip) widget->setToolTip(QString::fromUtf8(c.toolTip));
        if (c.blue) paintText(widget, kBlue);
        if (c.whiteBackground) {
            QPalette palette = widget->palette();
            palette.setColor(QPalette::Window, Qt::white);
            widget->setPalette(palette);
            widget->setAutoFillBackground(true);
        }
        if (auto* edit = qobject_cast<QLineEdit*>(widget); edit && c.maxLength > 0)
            edit->setMaxLength(c.maxLength);
        widgets_.insert(widget->objectName(), widget);
        design_.insert(widget->objectName(), &c);
    }
}

void MainWindow::fitCaption(QLabel* label, const design::Control& c) {
    const QRect designed = twipsRect(c.place.left, c.place.top, c.place.width, c.place.height);
    QFont font = windowFont(c.type);
    label->setFont(font);
    if (c.fit == design::Fit::OneLine) {
        const QString text = label->text();
        const int room = std::max(designed.width(), twips(c.reach) - designed.left());
        const int width = std::clamp(oneLineWidth(font, text), designed.width(), room);
        // Past the room it may take, the type gives way.
        while (font.pixelSize() > kSmallestType && oneLineWidth(font, text) > width)
            font.setPixelSize(font.pixelSize() - 1);
        label->setFont(font);
        label->setGeometry(designed.left(), designed.top(), width, designed.height());
    } else if (c.fit == design::Fit::Wrap) {
        const int room = std::max(designed.height(), twips(c.reach) - designed.top());
        const int height =
            std::clamp(label->heightForWidth(designed.width()), designed.height(), room);
        label->setGeometry(designed.left(), designed.top(), designed.width(), height);
    }
}

void MainWindow::follow(const QString& name) {
    if (name == objectName()) {
        setEnabled(form_.control(name).enabled);
        return;
    }
    QWidget* widget = widgets_.value(name);
    if (!widget) return;
    showState(widget, form_.control(name));
    auto* label = qobject_cast<QLabel*>(widget);
    const design::Control* c = design_.value(name);
    if (label && c->fit != design::Fit::AsDesigned) fitCaption(label, *c);
    if (name == QLatin1String(ctl::kClockOffset))
        paintText(widget, design::clockOffsetWrong(form_.clockOffset) ? kWrong : QColor());
}

void MainWindow::onClicked(const QString& name) {
    if (name == QLatin1String(ctl::kExit)) {
        emit exitRequested();
        return;
    }
    if (name == QLatin1String(ctl::kStations)) openStations();
    inicio_.click(name);
    emit buttonClicked(name);
}

void MainWindow::openStations() {
    if (stations_) {
        stations_->refresh();
    } else {
        // Where no archive was named, the archive every program of this system shares.
        stations_ = new StationWindow(inicio_.archiveLocation().value_or(QString()),
                                      inicio_.dialogs(), this);
        stations_->setAttribute(Qt::WA_DeleteOnClose);
    }
    stations_->show();
    stations_->raise();
    stations_->activateWindow();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        const auto* press = static_cast<QKeyEvent*>(event);
        if (!inicio_.key(watched->objectName(), press->key())) return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The window stays until what runs has ended (or always, when the user says No).
    event->ignore();
    inicio_.closeWindow([this] { emit exitRequested(); });
}

void MainWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(font());
    const QFontMetrics metrics(font());
    int baseline = metrics.ascent();
    for (const QString& line : form_.surface()) {
        painter.drawText(0, baseline, line);
        baseline += metrics.lineSpacing();
    }
}

}  // namespace vernoll
