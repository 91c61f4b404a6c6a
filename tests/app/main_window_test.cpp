#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFocusEvent>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <memory>

#include "app/inicio.h"
#include "app/progress_window.h"
#include "app/splash.h"
#include "app/widgets.h"
#include "form/controls.h"
#include "form/twips.h"
#include "link/port_list.h"
#include "support/fake_dialogs.h"
#include "support/fake_port.h"

namespace vernoll {
namespace {

// The window on a port where no logger answers.
class WindowTest : public ::testing::Test {
protected:
    WindowTest()
        : ports_(QStringList{QStringLiteral("FAKE1")}),
          channels_(port_.factory()),
          inicio_(std::make_unique<Inicio>(form_, dialogs_, channels_, ports_, Timing::fast())),
          window_(form_, *inicio_) {}
    ~WindowTest() override { inicio_.reset(); }

    void startUp() {
        QSignalSpy finished(inicio_.get(), &Inicio::startUpFinished);
        inicio_->startUp();
        ASSERT_TRUE(finished.count() > 0 || finished.wait(5000));
    }
    template <class W = QWidget>
    W* widget(const char* name) {
        W* w = window_.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    test::FakePort port_;
    PortList ports_;
    ChannelSet channels_;
    FormState form_;
    test::FakeDialogs dialogs_;
    std::unique_ptr<Inicio> inicio_;
    MainWindow window_;
};

// ---- the inventory ----

struct Control {
    const char* name;
    const char* kind;  // the widget's class
    const char* caption;
    int left, top, width, height;  // twips
};

const Control kInventory[] = {
    {"configuracion", "vernoll::WrapButton", "Importar Configuracion", 360, 1680, 1215, 735},
    {"Command2", "vernoll::WrapButton", "Cambiar configuracion", 1560, 1680, 1215, 735},
    {"Command3", "vernoll::WrapButton", "Enviar configuracion", 2760, 1680, 1215, 735},
    {"Command5", "vernoll::WrapButton", "Coeficientes", 360, 1200, 1095, 495},
    {"Command6", "vernoll::WrapButton", "Leer Config. SMS", 360, 5160, 1575, 375},
    {"Command7", "vernoll::WrapButton", "Enviar Config.SMS", 2400, 5160, 1575, 375},
    {"Command4", "vernoll::WrapButton", "DATOS EN LINEA", 7920, 3840, 855, 735},
    {"Command13", "vernoll::WrapButton", "Importar datos desde equipo y exportar a excell (csv)",
     7560, 5880, 1575, 975},
    {"Command33", "vernoll::WrapButton", "Exportar Eventos (.txt) y Base de Datos (.xls)", 9240,
     5040, 855, 495},
    {"Command43", "vernoll::WrapButton", "Abrir Archivo Base (.rgt)", 9120, 5520, 1095, 375},
    {"Command1", "vernoll::WrapButton", "Reconectar con Registrador ?", 4920, 5400, 1200, 735},
    {"salir", "vernoll::WrapButton", "Salir", 4920, 6480, 1200, 735},
    {"Label11", "QLabel", " Configuracion", 1680, 1200, 2295, 375},
    {"Label1", "QLabel", "Nro Serie", 240, 2640, 855, 255},
    {"Label4", "QLabel", "", 1080, 2640, 1335, 255},
    {"Label2", "QLabel", "Usuario", 240, 3000, 855, 255},
    {"Label6", "QLabel", "Ubicacion", 240, 3360, 855, 255},
    {"Label7", "QLabel", "Latitud", 240, 3720, 855, 255},
    {"Label13", "QLabel", "Longitud", 240, 4080, 855, 255},
    {"Label8", "QLabel", "Altitud [m]", 240, 4440, 855, 255},
    {"Text2", "QLineEdit", "", 1080, 3000, 2775, 285},
    {"Text3", "QLineEdit", "", 1080, 3360, 2775, 285},
    {"Text4", "QLineEdit", "", 1080, 3720, 1455, 285},
    {"Text5", "QLineEdit", "", 1080, 4080, 1455, 285},
    {"Text7", "QLineEdit", "", 1080, 4440, 735, 285},
    {"fecha1", "vernoll::DateBox", "", 4200, 4080, 855, 255},
    {"MaskEdBox2", "QLineEdit", "::", 5040, 4080, 855, 255},
    {"Check1", "QCheckBox", "Check1", 3960, 4440, 255, 255},
    {"Label3", "QLabel", "Ajustar a fecha y hora de PC", 4320, 4440, 2055, 255},
    {"Frame1", "QGroupBox", "Intervalo de muestreo", 4320, 1680, 2175, 2295},
    {"Option1", "QRadioButton", "1 Minuto", 120, 360, 1215, 255},
    {"Option2", "QRadioButton", "5 Minutos", 120, 645, 1215, 255},
    {"Option3", "QRadioButton", "10 Minutos", 120, 930, 1215, 255},
    {"Option4", "QRadioButton", "15 Minutos", 120, 1215, 1215, 255},
    {"Option5", "QRadioButton", "30 Minutos", 120, 1500, 1215, 255},
    {"Option6", "QRadioButton", "60 Minutos", 120, 1785, 1215, 255},
    {"Frame2", "QGroupBox", "Intervalo de envio", 120, 5760, 2055, 1935},
    {"Option10", "QRadioButton", "", 120, 360, 255, 255},
    {"Option11", "QRadioButton", "", 120, 615, 255, 255},
    {"Option12", "QRadioButton", "", 120, 930, 255, 255},
    {"Option13", "QRadioButton", "", 120, 1245, 255, 255},
    {"Option14", "QRadioButton", "", 120, 1560, 255, 255},
    {"Label16", "QLabel", "Nro Celular", 2760, 6120, 1095, 255},
    {"Text1", "vernoll::DigitsEdit", "", 2400, 6480, 1815, 285},
    {"Text6", "QLineEdit", "Tex", 3000, 5640, 495, 285},
    {"Label10", "QLabel", "Medicion de Datos en linea", 6960, 360, 3495, 255},
    {"Text60", "QPlainTextEdit", "", 7080, 720, 2895, 2895},
    {"Label9", "QLabel", "Registro De Datos", 7080, 5040, 2535, 375},
    {"Text10", "QLineEdit", "Text10", 8640, 7320, 1095, 285},
    {"RichTextBox1", "QTextEdit", "", 6360, 7320, 975, 495},
    {"RichTextBox2", "QTextEdit", "", 6360, 6840, 855, 495},
    {"Label14", "QLabel", "Registrador TOLVAR", 120, 240, 6135, 375},
    {"Label15", "QLabel", "www.tolvar.example", 240, 720, 5655, 255},
};

QString captionOf(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* p = qobject_cast<QPlainTextEdit*>(w)) return p->toPlainText();
    if (auto* t = qobject_cast<QTextEdit*>(w)) return t->toPlainText();
    return QStringLiteral("<no caption>");
}

TEST_F(WindowTest, EveryControlHasItsNameKindCaptionAndPlace) {
    EXPECT_EQ(window_.objectName(), QStringLiteral("inicio"));
    EXPECT_EQ(window_.windowTitle(), QStringLiteral("Vernoll de Tolvar   v2.10"));
    EXPECT_EQ(window_.size(), QSize(680, 526));
    for (const Control& c : kInventory) {
        SCOPED_TRACE(c.name);
        QWidget* w = widget(c.name);
        ASSERT_NE(w, nullptr);
        EXPECT_STREQ(w->metaObject()->className(), c.kind);
        EXPECT_EQ(captionOf(w), QString::fromLatin1(c.caption));
        const QRect listed = twipsRect(c.left, c.top, c.width, c.height);
        if (QLatin1String(c.name) == QLatin1String("Label3")) {
            // Widened to its one-line caption where the type needs it.
            EXPECT_EQ(w->geometry().topLeft(), listed.topLeft());
            EXPECT_EQ(w->height(), listed.height());
            EXPECT_GE(w->width(), std::max(listed.width(), w->sizeHint().width()));
        } else {
            EXPECT_EQ(w->geometry(), listed);
        }
        EXPECT_EQ(window_.control(QString::fromLatin1(c.name)), w);
    }
    // The option buttons sit in their frames; the SMS captions beside them.
    for (const char* option : ctl::kIntervalOptions)
        EXPECT_EQ(widget(option)->parent(), widget("Frame1"));
    for (const char* option : ctl::kSendIntervalOptions)
        EXPECT_EQ(widget(option)->parent(), widget("Frame2"));
    const std::pair<const char*, const char*> sendLabels[] = {{"Label5", "No enviar"},
                                                              {"Label17", "Sinc. con muestreo"},
                                                              {"Label19", "Cada 2 horas"},
                                                              {"Label20", "Cada 6 horas"},
                                                              {"Label21", "Cada 12 horas"}};
    for (const auto& [name, caption] : sendLabels) {
        auto* label = widget<QLabel>(name);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QString::fromLatin1(caption));
        EXPECT_EQ(label->parent(), widget("Frame2"));
        EXPECT_TRUE(label->font().italic()) << name;
    }
    for (const char* line : {"Line1", "Line2", "Line3", "Line4", "Line5"})
        EXPECT_NE(widget(line), nullptr);
}

TEST_F(WindowTest, BoxesKeepTheirLimitsMasksFontsAndTips) {
    const std::pair<const char*, int> limits[] = {{"Text2", 30}, {"Text3", 35}, {"Text4", 15},
                                                  {"Text5", 15}, {"Text7", 5},  {"Text1", 15},
                                                  {"Text10", 8}};
    for (const auto& [name, limit] : limits) EXPECT_EQ(widget<QLineEdit>(name)->maxLength(), limit);
    EXPECT_TRUE(widget<QLineEdit>("MaskEdBox2")->inputMask().startsWith(QLatin1String("99:99:99")));
    EXPECT_TRUE(widget<QLineEdit>("fecha1")->inputMask().isEmpty());
    EXPECT_EQ(widget("salir")->toolTip(), QStringLiteral("Cerrar Programa"));
    EXPECT_EQ(widget("Text7")->toolTip(), QStringLiteral("Iniciales operador"));

    struct Font {
        const char* name;
        int pixels;
        bool bold, italic;
    };
    const Font fonts[] = {
        {"Label14", 18, true, true}, {"Label11", 16, true, true},   {"Label9", 16, true, true},
        {"Label10", 13, true, true}, {"Label15", 13, true, false},  {"Label16", 11, true, false},
        {"Text1", 11, true, false},  {"Command6", 11, false, true}, {"Command7", 11, false, true},
        {"Text60", 11, true, true},  {"Text2", 11, false, false},
    };
    for (const Font& f : fonts) {
        SCOPED_TRACE(f.name);
        const QFont font = widget(f.name)->font();
        EXPECT_EQ(font.pixelSize(), f.pixels);
        EXPECT_EQ(font.bold(), f.bold);
        EXPECT_EQ(font.italic(), f.italic);
    }
    EXPECT_EQ(widget("Text60")->font().family(), QStringLiteral("Courier New"));
    EXPECT_TRUE(widget<QPlainTextEdit>("Text60")->isReadOnly());
}

// ---- after start-up with no logger ----

TEST_F(WindowTest, StartUpWithNoLoggerLeavesTheDocumentedStates) {
    startUp();
    struct State {
        const char* name;
        bool enabled, visible;
    };
    const State states[] = {
        {"configuracion", true, true}, {"Command4", true, true},      {"Command13", true, true},
        {"Command1", true, true},      {"salir", true, true},         {"Command2", false, true},
        {"Command3", false, true},     {"Command6", false, true},     {"Command7", false, true},
        {"Command5", false, false},    {"Command33", false, true},    {"Command43", true, true},
        {"Text6", true, false},        {"Text10", true, false},       {"Check1", true, false},
        {"Label3", true, false},       {"RichTextBox1", true, false}, {"RichTextBox2", true, false},
    };
    for (const State& s : states) {
        SCOPED_TRACE(s.name);
        QWidget* w = widget(s.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->isEnabled(), s.enabled);
        EXPECT_EQ(w->isVisibleTo(&window_), s.visible);
    }
    for (const char* box : ctl::kStationTexts) EXPECT_TRUE(widget<QLineEdit>(box)->isReadOnly());
    EXPECT_EQ(widget<QAbstractButton>("Command1")->text(),
              QStringLiteral(" Conectar con Registrador ? "));
    EXPECT_FALSE(form_.splashShown());
}

// ---- form state and widgets ----

TEST_F(WindowTest, FormStateChangesShowOnTheWidgets) {
    struct Change {
        const char* what;
        std::function<void(FormState&)> apply;
        std::function<bool(MainWindow&)> shown;
    };
    const auto find = [](MainWindow& w, const char* name) {
        return w.findChild<QWidget*>(QString::fromLatin1(name));
    };
    const Change changes[] = {
        {"caption", [](FormState& f) { f.setText(ctl::kTitle, QStringLiteral("Termo")); },
         [&](MainWindow& w) {
             return qobject_cast<QLabel*>(find(w, "Label14"))->text() == QLatin1String("Termo");
         }},
        {"disabled", [](FormState& f) { f.setEnabled(ctl::kLive, false); },
         [&](MainWindow& w) { return !find(w, "Command4")->isEnabled(); }},
        {"shown", [](FormState& f) { f.setVisible(ctl::kSmsHidden, true); },
         [&](MainWindow& w) { return !find(w, "Text6")->isHidden(); }},
        {"hidden", [](FormState& f) { f.setVisible(ctl::kInterval5, false); },
         [&](MainWindow& w) { return find(w, "Option2")->isHidden(); }},
        {"unlocked", [](FormState& f) { f.setLocked(ctl::kLiveText, false); },
         [&](MainWindow& w) {
             return !qobject_cast<QPlainTextEdit*>(find(w, "Text60"))->isReadOnly();
         }},
        {"live text",
         [](FormState& f) {
             f.setText(ctl::kLiveText, QStringLiteral("Temp: 21.5 ºC\r\nLluvia: 0"));
         },
         [&](MainWindow& w) {
             return qobject_cast<QPlainTextEdit*>(find(w, "Text60"))->toPlainText() ==
                    QString::fromUtf8("Temp: 21.5 ºC\r\nLluvia: 0")
                        .replace(QLatin1String("\r\n"), QLatin1String("\n"));
         }},
        {"box text", [](FormState& f) { f.setText(ctl::kLocation, QStringLiteral("Estacion")); },
         [&](MainWindow& w) {
             return qobject_cast<QLineEdit*>(find(w, "Text3"))->text() == QLatin1String("Estacion");
         }},
        {"option selected", [](FormState& f) { f.setChecked(ctl::kInterval30, true); },
         [&](MainWindow& w) {
             return qobject_cast<QRadioButton*>(find(w, "Option5"))->isChecked();
         }},
        {"text buffer stays hidden",
         [](FormState& f) {
             f.setVisible(QStringLiteral("RichTextBox1"), true);
             f.setText(QStringLiteral("RichTextBox1"), QStringLiteral("a,b"));
         },
         [&](MainWindow& w) {
             auto* t = qobject_cast<QTextEdit*>(find(w, "RichTextBox1"));
             return t->isHidden() && t->toPlainText() == QLatin1String("a,b");
         }},
        {"window disabled", [](FormState& f) { f.setEnabled(QStringLiteral("inicio"), false); },
         [](MainWindow& w) { return !w.isEnabled(); }},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(c.shown(window_));
        c.apply(form_);
        EXPECT_TRUE(c.shown(window_));
    }
}

TEST_F(WindowTest, OptionButtonsFollowTheStateBothWays) {
    auto* one = widget<QRadioButton>("Option1");
    auto* three = widget<QRadioButton>("Option3");
    form_.setChecked(ctl::kInterval1, true);
    EXPECT_TRUE(one->isChecked());
    // Selecting another button of the frame clears the first, in the state too.
    form_.setChecked(ctl::kInterval10, true);
    EXPECT_TRUE(three->isChecked());
    EXPECT_FALSE(one->isChecked());
    EXPECT_FALSE(form_.control(ctl::kInterval1).checked);
    // The state may clear every button of a frame.
    form_.setChecked(ctl::kInterval10, false);
    EXPECT_FALSE(three->isChecked());
    // A click by the user reaches the state.
    QTest::mouseClick(widget("Option12"), Qt::LeftButton, {}, QPoint(4, 8));
    EXPECT_TRUE(form_.control(ctl::kSendEvery2h).checked);
    QTest::mouseClick(widget("Option14"), Qt::LeftButton, {}, QPoint(4, 8));
    EXPECT_TRUE(form_.control(ctl::kSendEvery12h).checked);
    EXPECT_FALSE(form_.control(ctl::kSendEvery2h).checked);
    // Options of the other frame are untouched.
    EXPECT_FALSE(three->isChecked());
}

TEST_F(WindowTest, TypingReachesTheFormStateOnlyWhenUnlocked) {
    window_.show();
    auto* user = widget<QLineEdit>("Text2");
    form_.setLocked(ctl::kUser, true);
    QTest::keyClicks(user, QStringLiteral("abc"));
    EXPECT_EQ(form_.control(ctl::kUser).text, QString());
    form_.setLocked(ctl::kUser, false);
    QTest::keyClicks(user, QStringLiteral("Juan"));
    EXPECT_EQ(form_.control(ctl::kUser).text, QStringLiteral("Juan"));
    // The time box is typed over: each key leaves a whole time in it, as the check wants.
    form_.setText(ctl::kTime, QStringLiteral("00:00:00"));
    auto* time = widget<QLineEdit>("MaskEdBox2");
    time->setCursorPosition(0);
    QTest::keyClicks(time, QStringLiteral("123456"));
    EXPECT_EQ(form_.control(ctl::kTime).text, QStringLiteral("12:34:56"));
    widget<QCheckBox>("Check1")->click();
    EXPECT_TRUE(form_.control(ctl::kPcClock).checked);
}

TEST_F(WindowTest, DateBoxShowsTwoYearDigitsUntilItIsEdited) {
    window_.show();
    auto* date = widget<QLineEdit>("fecha1");
    form_.setText(ctl::kDate, QStringLiteral("08/12/2026"));
    EXPECT_EQ(date->text(), QStringLiteral("08/12/26"));

    QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(date, &in);
    EXPECT_EQ(date->text(), QStringLiteral("08/12/2026"));
    date->selectAll();
    QTest::keyClicks(date, QStringLiteral("1/7/2027"));
    EXPECT_EQ(form_.control(ctl::kDate).text, QStringLiteral("1/7/2027"));
    // The program's own changes show in full while the user is in the box.
    form_.setText(ctl::kDate, QStringLiteral("02/07/2027"));
    EXPECT_EQ(date->text(), QStringLiteral("02/07/2027"));

    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(date, &out);
    EXPECT_EQ(date->text(), QStringLiteral("02/07/27"));
    EXPECT_EQ(form_.control(ctl::kDate).text, QStringLiteral("02/07/2027"));
    // A text that is no date shows as it is.
    form_.setText(ctl::kDate, QStringLiteral("hoy"));
    EXPECT_EQ(date->text(), QStringLiteral("hoy"));
}

// ---- the cell number box ----

TEST_F(WindowTest, CellNumberTakesOnlyDigits) {
    window_.show();
    auto* cell = widget<QLineEdit>("Text1");
    struct Step {
        const char* what;
        std::function<void()> act;
        const char* expected;
    };
    const Step steps[] = {
        {"digits typed", [&] { QTest::keyClicks(cell, QStringLiteral("0991")); }, "0991"},
        {"letters and signs typed", [&] { QTest::keyClicks(cell, QStringLiteral("a+ -x.")); },
         "0991"},
        {"mixed typing keeps the digits", [&] { QTest::keyClicks(cell, QStringLiteral("2b3")); },
         "099123"},
        {"backspace", [&] { QTest::keyClick(cell, Qt::Key_Backspace); }, "09912"},
        {"paste with a letter refused",
         [&] {
             QGuiApplication::clipboard()->setText(QStringLiteral("55a"));
             cell->paste();
         },
         "09912"},
        {"paste by shortcut with a blank refused",
         [&] {
             QGuiApplication::clipboard()->setText(QStringLiteral("4 4"));
             QTest::keyClick(cell, Qt::Key_V, Qt::ControlModifier);
         },
         "09912"},
        {"paste of digits taken",
         [&] {
             QGuiApplication::clipboard()->setText(QStringLiteral("77"));
             QTest::keyClick(cell, Qt::Key_V, Qt::ControlModifier);
         },
         "0991277"},
        {"program text with padding",
         [&] { form_.setText(ctl::kCellNumber, QStringLiteral("123   ")); }, "123   "},
        {"a digit after the padding", [&] { QTest::keyClicks(cell, QStringLiteral("4")); },
         "123   4"},
        {"a letter after the padding", [&] { QTest::keyClicks(cell, QStringLiteral("z")); },
         "123   4"},
        {"backspace over the padding",
         [&] {
             for (int i = 0; i < 4; ++i) QTest::keyClick(cell, Qt::Key_Backspace);
         },
         "123"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        EXPECT_EQ(cell->text(), QString::fromLatin1(s.expected));
        EXPECT_EQ(form_.control(ctl::kCellNumber).text, QString::fromLatin1(s.expected));
    }
}

// ---- the surface ----

TEST_F(WindowTest, LiveTextKeepsWhereTheUserScrolledFromFrameToFrame) {
    window_.show();
    auto* live = widget<QPlainTextEdit>("Text60");
    const auto frame = [](int n) {
        QString text;
        for (int i = 0; i < 30; ++i) text += QStringLiteral("linea %1 %2\r\n").arg(i).arg(n);
        return text;
    };
    form_.setText(ctl::kLiveText, frame(1));
    QScrollBar* bar = live->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(bar->maximum());
    const int scrolled = bar->value();
    form_.setText(ctl::kLiveText, frame(2));
    EXPECT_EQ(live->toPlainText(), frame(2).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_EQ(bar->value(), scrolled);
}

TEST_F(WindowTest, PrintedLinesAppearOnTheBackground) {
    const QRect corner(0, 0, 60, 30);  // above every control
    const auto image = [&] { return window_.grab(corner).toImage(); };
    const QImage blank = image();
    form_.print(QStringLiteral("hora mal"));
    const QImage one = image();
    EXPECT_NE(one, blank);
    form_.print(QStringLiteral("error datos"));
    const QImage two = image();
    EXPECT_NE(two, one);
    form_.clearSurface();
    EXPECT_EQ(image(), blank);
}

// ---- clicks ----

TEST_F(WindowTest, ClicksReachTheirHandlers) {
    QSignalSpy exit(&window_, &MainWindow::exitRequested);
    QSignalSpy clicked(&window_, &MainWindow::buttonClicked);
    widget<QAbstractButton>("salir")->click();
    EXPECT_EQ(exit.count(), 1);

    // "Coeficientes" does nothing, even when shown and enabled.
    form_.setVisible(ctl::kCoefficients, true);
    form_.setEnabled(ctl::kCoefficients, true);
    QHash<QString, ControlState> before;
    for (const QString& name : form_.controlNames()) before.insert(name, form_.control(name));
    widget<QAbstractButton>("Command5")->click();
    for (const QString& name : form_.controlNames()) {
        const ControlState& now = form_.control(name);
        const ControlState& was = before.value(name);
        EXPECT_TRUE(now.enabled == was.enabled && now.visible == was.visible &&
                    now.text == was.text && now.checked == was.checked && now.locked == was.locked)
            << name.toStdString();
    }
    EXPECT_EQ(form_.controlNames().size(), before.size());

    // "Reconectar" disables itself and asks the connection question again.
    dialogs_.answers.push_back(false);
    widget<QAbstractButton>("Command1")->click();
    EXPECT_FALSE(widget("Command1")->isEnabled());
    ASSERT_FALSE(dialogs_.shown.empty());
    EXPECT_EQ(dialogs_.shown.back().text,
              QStringLiteral("Quiere conectarse con Registrador Tolvar"));
    EXPECT_EQ(clicked.count(), 2);
}

// ---- progress and splash windows ----

TEST_F(WindowTest, ProgressWindowStartsHiddenAndCancelGivesTheButtonsBack) {
    ProgressWindow progress(form_, *inicio_);
    EXPECT_EQ(progress.objectName(), QStringLiteral("progress"));
    EXPECT_EQ(progress.windowTitle(), QStringLiteral("Estado de Comunicacion"));
    EXPECT_TRUE(progress.isHidden());
    EXPECT_TRUE(progress.bar()->isHidden());
    EXPECT_EQ(progress.elapsed()->text(), QStringLiteral("00:00:00"));
    EXPECT_EQ(progress.cancelButton()->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(progress.cancelButton()->toolTip(),
              QStringLiteral("Si cancela se interrunpira la comunicacion"));

    const char* const group[] = {ctl::kOpenBaseFile, ctl::kDownload, ctl::kEditConfig,
                                 ctl::kImportConfig, ctl::kLive};
    for (bool downloadOpen : {true, false}) {
        SCOPED_TRACE(downloadOpen ? "download channel open" : "download channel closed");
        // A download under way: window shown, buttons and main window disabled, Timer4 on.
        form_.setVisible(progress::kWindow, true);
        form_.setVisible(progress::kBar, true);
        form_.setText(progress::kBar, QStringLiteral("300"));
        form_.setText(progress::kElapsed, QStringLiteral("00:00:07"));
        EXPECT_FALSE(progress.isHidden());
        EXPECT_EQ(progress.bar()->value(), 300);
        EXPECT_EQ(progress.elapsed()->text(), QStringLiteral("00:00:07"));
        for (const char* b : group) form_.setEnabled(b, false);
        form_.setEnabled(QStringLiteral("inicio"), false);
        form_.setTimer4Enabled(true);
        if (downloadOpen) {
            ASSERT_TRUE(channels_[4].open());
        }

        QTest::mouseClick(progress.cancelButton(), Qt::LeftButton);

        EXPECT_FALSE(form_.timer4Enabled());
        EXPECT_FALSE(channels_[4].isOpen());
        EXPECT_TRUE(progress.isHidden());
        EXPECT_TRUE(window_.isEnabled());
        for (const char* b : group) EXPECT_TRUE(widget(b)->isEnabled()) << b;
    }
}

TEST(SplashWindow, FollowsTheFormState) {
    FormState form;
    SplashWindow splash(form);
    EXPECT_EQ(splash.objectName(), QStringLiteral("presenta"));
    EXPECT_TRUE(splash.isHidden());
    form.setSplashShown(true);
    EXPECT_FALSE(splash.isHidden());
    form.setSplashShown(false);
    EXPECT_TRUE(splash.isHidden());
}

TEST(Twips, FifteenToAPixel) {
    const std::pair<int, int> cases[] = {{0, 0},      {15, 1},      {1215, 81},  {1690, 113},
                                         {2180, 145}, {10200, 680}, {7890, 526}, {-30, -2}};
    for (const auto& [t, px] : cases) EXPECT_EQ(twips(t), px) << t;
}

}  // namespace
}  // namespace vernoll
