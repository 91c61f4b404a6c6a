#include "app/main_window.h"

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
#include <tuple>
#include <type_traits>

#include "app/binding.h"
#include "app/inicio.h"
#include "app/widgets.h"
#include "form/controls.h"
#include "form/twips.h"
#include "link/maker.h"

namespace vernoll {

namespace {

// Fonts are given in points at 96 dots per inch, as the window's layout is in twips.
QFont windowFont(const char* family, double points, bool bold = false, bool italic = false) {
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(qRound(points * 96.0 / 72.0));
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

void registerFontSubstitutes() {
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Tahoma"),
                                QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                                QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica")});
    QFont::insertSubstitutions(QStringLiteral("Courier New"),
                               {QStringLiteral("Liberation Mono"), QStringLiteral("Nimbus Mono PS"),
                                QStringLiteral("Courier"), QStringLiteral("DejaVu Sans Mono")});
}

const QColor kBlue(0x00, 0x00, 0xff);

void paintText(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

QString latin(const char* text) {
    return QString::fromLatin1(text);
}

}  // namespace

MainWindow::MainWindow(FormState& form, Inicio& inicio, QWidget* parent)
    : QWidget(parent), form_(form), inicio_(inicio) {
    registerFontSubstitutes();
    setObjectName(QStringLiteral("inicio"));
    setWindowTitle(QStringLiteral("Vernoll de Tolvar   v2.10"));
    setFont(windowFont("MS Sans Serif", 8.25));
    setFixedSize(twips(10200), twips(7890));
    build();

    // Controls whose state the form does not hold yet start from their design captions, so
    // that an operation touching one later keeps what it does not change.
    for (auto it = widgets_.cbegin(); it != widgets_.cend(); ++it) {
        if (form_.controlNames().contains(it.key())) continue;
        QString caption;
        if (auto* label = qobject_cast<QLabel*>(it.value())) caption = label->text();
        if (auto* frame = qobject_cast<QGroupBox*>(it.value())) caption = frame->title();
        form_.setText(it.key(), caption);
    }
    for (auto it = widgets_.cbegin(); it != widgets_.cend(); ++it) {
        showState(it.value(), form_.control(it.key()));
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
}

template <class W>
W* MainWindow::add(const char* name, QWidget* parent, int left, int top, int width, int height) {
    auto* widget = new W(parent);
    widget->setObjectName(latin(name));
    widget->setGeometry(twipsRect(left, top, width, height));
    widgets_.insert(widget->objectName(), widget);
    return widget;
}

void MainWindow::build() {
    // Command buttons.
    struct Button {
        const char* name;
        const char* caption;
        int left, top, width, height;
        bool italic;
    };
    const Button buttons[] = {
        {ctl::kImportConfig, "Importar Configuracion", 360, 1680, 1215, 735, false},
        {ctl::kEditConfig, "Cambiar configuracion", 1560, 1680, 1215, 735, false},
        {ctl::kSendConfig, "Enviar configuracion", 2760, 1680, 1215, 735, false},
        {ctl::kCoefficients, "Coeficientes", 360, 1200, 1095, 495, false},
        {ctl::kReadSms, "Leer Config. SMS", 360, 5160, 1575, 375, true},
        {ctl::kWriteSms, "Enviar Config.SMS", 2400, 5160, 1575, 375, true},
        {ctl::kLive, "DATOS EN LINEA", 7920, 3840, 855, 735, false},
        {ctl::kDownload, "Importar datos desde equipo y exportar a excell (csv)", 7560, 5880, 1575,
         975, false},
        {ctl::kExportEvents, "Exportar Eventos (.txt) y Base de Datos (.xls)", 9240, 5040, 855, 495,
         false},
        {ctl::kOpenBaseFile, "Abrir Archivo Base (.rgt)", 9120, 5520, 1095, 375, false},
        {ctl::kReconnect, "Reconectar con Registrador ?", 4920, 5400, 1200, 735, false},
        {ctl::kExit, "Salir", 4920, 6480, 1200, 735, false},
    };
    for (const Button& b : buttons) {
        auto* button = add<WrapButton>(b.name, this, b.left, b.top, b.width, b.height);
        button->setText(latin(b.caption));
        if (b.italic) button->setFont(windowFont("MS Sans Serif", 8.25, false, true));
    }
    control(latin(ctl::kExit))->setToolTip(QStringLiteral("Cerrar Programa"));
    // The base-file and export buttons were laid out small (they were never shown): their
    // captions fit in a smaller type, and the whole caption shows as a tool tip.
    for (const char* name : {ctl::kExportEvents, ctl::kOpenBaseFile}) {
        QWidget* button = control(latin(name));
        button->setFont(windowFont("MS Sans Serif", 6.0));
        button->setToolTip(static_cast<QAbstractButton*>(button)->text());
    }

    // Plain labels.
    struct Label {
        const char* name;
        const char* caption;
        int left, top, width, height;
        double points;
        bool bold, italic, blue;
    };
    const Label labels[] = {
        {"Label14", "Registrador TOLVAR", 120, 240, 6135, 375, 13.5, true, true, true},
        {"Label15", maker::kWeb, 240, 720, 5655, 255, 9.75, true, false, false},
        {"Label11", " Configuracion", 1680, 1200, 2295, 375, 12, true, true, true},
        {"Label1", "Nro Serie", 240, 2640, 855, 255, 8.25, false, false, false},
        {"Label4", "", 1080, 2640, 1335, 255, 8.25, false, false, false},
        {"Label2", "Usuario", 240, 3000, 855, 255, 8.25, false, false, false},
        {"Label6", "Ubicacion", 240, 3360, 855, 255, 8.25, false, false, false},
        {"Label7", "Latitud", 240, 3720, 855, 255, 8.25, false, false, false},
        {"Label13", "Longitud", 240, 4080, 855, 255, 8.25, false, false, false},
        {"Label8", "Altitud [m]", 240, 4440, 855, 255, 8.25, false, false, false},
        {"Label3", "Ajustar a fecha y hora de PC", 4320, 4440, 2055, 255, 8.25, false, false,
         false},
        {"Label16", "Nro Celular", 2760, 6120, 1095, 255, 8.25, true, false, false},
        {"Label10", "Medicion de Datos en linea", 6960, 360, 3495, 255, 9.75, true, true, true},
        {"Label9", "Registro De Datos", 7080, 5040, 2535, 375, 12, true, true, true},
    };
    for (const Label& l : labels) {
        auto* label = add<QLabel>(l.name, this, l.left, l.top, l.width, l.height);
        label->setText(QString::fromUtf8(l.caption));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        label->setFont(windowFont("MS Sans Serif", l.points, l.bold, l.italic));
        if (l.blue) paintText(label, kBlue);
    }
    // The caption beside Check1 is one line that the substitute for "MS Sans Serif" makes a
    // little wider than its box; the room to its right is free.
    if (auto* clock = qobject_cast<QLabel*>(widgets_.value(QStringLiteral("Label3")))) {
        clock->setWordWrap(false);
        clock->resize(std::max(clock->width(), clock->sizeHint().width()), clock->height());
    }
    // The serial number shows on the system's colour for title-bar text.
    auto* serial = widgets_.value(QStringLiteral("Label4"));
    QPalette serialPalette = serial->palette();
    serialPalette.setColor(QPalette::Window, Qt::white);
    serial->setPalette(serialPalette);
    serial->setAutoFillBackground(true);

    // Station data.
    struct Box {
        const char* name;
        int left, top, width;
        int maxLength;
    };
    const Box boxes[] = {
        {ctl::kUser, 1080, 3000, 2775, 30},     {ctl::kLocation, 1080, 3360, 2775, 35},
        {ctl::kLatitude, 1080, 3720, 1455, 15}, {ctl::kLongitude, 1080, 4080, 1455, 15},
        {ctl::kAltitude, 1080, 4440, 735, 5},
    };
    for (const Box& b : boxes)
        add<QLineEdit>(b.name, this, b.left, b.top, b.width, 285)->setMaxLength(b.maxLength);
    control(latin(ctl::kAltitude))->setToolTip(QStringLiteral("Iniciales operador"));

    auto* date = add<DateBox>(ctl::kDate, this, 4200, 4080, 855, 255);
    auto* time = add<QLineEdit>(ctl::kTime, this, 5040, 4080, 855, 255);
    time->setInputMask(QStringLiteral("99:99:99"));
    // Eight characters in 57 pixels: no room for margins.
    for (QLineEdit* box : {static_cast<QLineEdit*>(date), time}) box->setTextMargins(0, 0, 0, 0);
    add<QCheckBox>(ctl::kPcClock, this, 3960, 4440, 255, 255)->setText(QStringLiteral("Check1"));

    // Sampling interval.
    auto* interval = add<QGroupBox>("Frame1", this, 4320, 1680, 2175, 2295);
    interval->setTitle(QStringLiteral("Intervalo de muestreo"));
    const char* const intervalCaptions[6] = {"1 Minuto",   "5 Minutos",  "10 Minutos",
                                             "15 Minutos", "30 Minutos", "60 Minutos"};
    for (int i = 0; i < 6; ++i)
        add<QRadioButton>(ctl::kIntervalOptions[i], interval, 120, 360 + 285 * i, 1215, 255)
            ->setText(latin(intervalCaptions[i]));

    // SMS settings.
    auto* sending = add<QGroupBox>("Frame2", this, 120, 5760, 2055, 1935);
    sending->setTitle(QStringLiteral("Intervalo de envio"));
    const int optionTops[5] = {360, 615, 930, 1245, 1560};
    struct Caption {
        const char* name;
        const char* text;
        int top;
    };
    const Caption sendCaptions[5] = {{"Label5", "No enviar", 360},
                                     {"Label17", "Sinc. con muestreo", 660},
                                     {"Label19", "Cada 2 horas", 960},
                                     {"Label20", "Cada 6 horas", 1260},
                                     {"Label21", "Cada 12 horas", 1560}};
    for (int i = 0; i < 5; ++i) {
        add<QRadioButton>(ctl::kSendIntervalOptions[i], sending, 120, optionTops[i], 255, 255);
        auto* label =
            add<QLabel>(sendCaptions[i].name, sending, 420, sendCaptions[i].top, 1515, 255);
        label->setText(latin(sendCaptions[i].text));
        label->setFont(windowFont("MS Sans Serif", 8.25, false, true));
    }
    auto* cell = add<DigitsEdit>(ctl::kCellNumber, this, 2400, 6480, 1815, 285);
    cell->setMaxLength(15);
    cell->setFont(windowFont("MS Sans Serif", 8.25, true));
    add<QLineEdit>(ctl::kSmsHidden, this, 3000, 5640, 495, 285)->setText(QStringLiteral("Tex"));

    // Live data and download.
    auto* live = add<QPlainTextEdit>(ctl::kLiveText, this, 7080, 720, 2895, 2895);
    live->setReadOnly(true);
    live->setFont(windowFont("Courier New", 8.25, true, true));
    auto* serialBox = add<QLineEdit>(ctl::kSerialEntry, this, 8640, 7320, 1095, 285);
    serialBox->setText(QStringLiteral("Text10"));
    // The first key sets the limit in the original box; a limit from the start refuses the
    // ninth digit the same way and keeps the cursor where it is.
    serialBox->setMaxLength(8);
    for (const auto& [name, left, top, width, height] :
         {std::tuple{"RichTextBox1", 6360, 7320, 975, 495},
          std::tuple{"RichTextBox2", 6360, 6840, 855, 495}}) {
        auto* buffer = add<QTextEdit>(name, this, left, top, width, height);
        buffer->setAcceptRichText(false);
        buffer->setProperty(kKeepHidden, true);
        buffer->hide();
    }

    // The lines dividing the areas: title, left and right halves, configuration and SMS,
    // live data and download, SMS and the connection buttons.
    struct Line {
        const char* name;
        int left, top, width, height;
        QFrame::Shape shape;
    };
    const Line lines[] = {
        {"Line1", 120, 1080, 6480, 30, QFrame::HLine},
        {"Line2", 6720, 120, 30, 7680, QFrame::VLine},
        {"Line3", 120, 4920, 6480, 30, QFrame::HLine},
        {"Line4", 6840, 4800, 3240, 30, QFrame::HLine},
        {"Line5", 4560, 5040, 30, 2760, QFrame::VLine},
    };
    for (const Line& l : lines) {
        auto* line = add<QFrame>(l.name, this, l.left, l.top, l.width, l.height);
        line->setFrameShape(l.shape);
        line->setFrameShadow(QFrame::Sunken);
    }
}

void MainWindow::follow(const QString& name) {
    if (name == objectName()) {
        setEnabled(form_.control(name).enabled);
        return;
    }
    if (QWidget* widget = widgets_.value(name)) showState(widget, form_.control(name));
}

void MainWindow::onClicked(const QString& name) {
    if (name == QLatin1String(ctl::kExit)) {
        emit exitRequested();
        return;
    }
    inicio_.click(name);
    emit buttonClicked(name);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        const auto* press = static_cast<QKeyEvent*>(event);
        if (!inicio_.key(watched->objectName(), press->key())) return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit exitRequested();
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
