#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFontInfo>
#include <QGroupBox>
#include <QHostAddress>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "app/chart_offer.h"
#include "app/download_presenter.h"
#include "app/inicio.h"
#include "app/progress_window.h"
#include "app/splash.h"
#include "app/station_window.h"
#include "app/widgets.h"
#include "archive/archive.h"
#include "archive/texts.h"
#include "chart/chart_window.h"
#include "config/clock.h"
#include "config/device.h"
#include "form/controls.h"
#include "form/twips.h"
#include "form/window_design.h"
#include "link/maker.h"
#include "link/port_list.h"
#include "memory/download.h"
#include "sim/emulator_port.h"
#include "sim/logger_emulator.h"
#include "support/fake_dialogs.h"
#include "support/fake_port.h"
#include "support/program.h"
#include "support/wait.h"

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

// ---- the design ----

// The widget each kind of control is shown by.
const char* widgetClass(design::Kind kind) {
    switch (kind) {
        case design::Kind::Button:
            return "vernoll::WrapButton";
        case design::Kind::Label:
            return "QLabel";
        case design::Kind::TextBox:
        case design::Kind::TimeBox:
            return "QLineEdit";
        case design::Kind::DigitsBox:
            return "vernoll::DigitsEdit";
        case design::Kind::DateBox:
            return "vernoll::DateBox";
        case design::Kind::CheckBox:
            return "QCheckBox";
        case design::Kind::Frame:
            return "QGroupBox";
        case design::Kind::Option:
            return "QRadioButton";
        case design::Kind::LiveText:
            return "QPlainTextEdit";
        case design::Kind::TextBuffer:
            return "QTextEdit";
        case design::Kind::HLine:
        case design::Kind::VLine:
            return "QFrame";
        case design::Kind::ProgressBar:
            return "QProgressBar";
    }
    return "";
}

QString captionOf(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* p = qobject_cast<QPlainTextEdit*>(w)) return p->toPlainText();
    if (auto* t = qobject_cast<QTextEdit*>(w)) return t->toPlainText();
    return {};
}

QRect placeOf(const design::Control& c) {
    return twipsRect(c.place.left, c.place.top, c.place.width, c.place.height);
}

TEST_F(WindowTest, EveryControlOfTheDesignIsAWidgetWhereTheDesignPutsIt) {
    EXPECT_EQ(window_.objectName(), QLatin1String(ctl::kMainWindow));
    EXPECT_EQ(window_.windowTitle(), QStringLiteral("Vernoll de Tolvar   v2.10"));
    EXPECT_EQ(window_.size(), QSize(680, 526));  // 10200 x 7890 twips
    EXPECT_EQ(window_.controlNames().size(), qsizetype(design::mainWindow().size()));
    for (const design::Control& c : design::mainWindow()) {
        SCOPED_TRACE(c.name);
        QWidget* w = window_.control(QLatin1String(c.name));
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->objectName(), QLatin1String(c.name));
        EXPECT_STREQ(w->metaObject()->className(), widgetClass(c.kind));
        EXPECT_EQ(w->parentWidget(), c.frame ? widget(c.frame) : &window_);
        // The form state starts from the design, and the widget shows the form state.
        const ControlState& state = form_.control(QLatin1String(c.name));
        const bool maker = c.name == std::string_view(ctl::kMakerWeb);
        EXPECT_EQ(state.text, maker ? QLatin1String(maker::kWeb) : QString::fromUtf8(c.text));
        EXPECT_EQ(state.enabled, c.enabled);
        EXPECT_EQ(state.visible, c.visible);
        EXPECT_EQ(state.locked, c.locked);
        // The time box shows its mask's separators when empty.
        EXPECT_EQ(captionOf(w), c.kind == design::Kind::TimeBox && state.text.isEmpty()
                                    ? QStringLiteral("::")
                                    : state.text);
        EXPECT_EQ(w->toolTip(), QString::fromUtf8(c.toolTip ? c.toolTip : ""));
        if (auto* edit = qobject_cast<QLineEdit*>(w); edit && c.maxLength > 0) {
            EXPECT_EQ(edit->maxLength(), c.maxLength);
        }

        // A caption that fits keeps the design's place; one that grows keeps its corner and
        // grows no further than the design lets it.
        const QRect designed = placeOf(c);
        EXPECT_EQ(w->pos(), designed.topLeft());
        switch (c.fit) {
            case design::Fit::AsDesigned:
                EXPECT_EQ(w->size(), designed.size());
                break;
            case design::Fit::OneLine:
                EXPECT_EQ(w->height(), designed.height());
                EXPECT_GE(w->width(), designed.width());
                EXPECT_LE(w->geometry().right(), twips(c.reach));
                break;
            case design::Fit::Wrap:
                EXPECT_EQ(w->width(), designed.width());
                EXPECT_GE(w->height(), designed.height());
                EXPECT_LE(w->geometry().bottom(), twips(c.reach));
                break;
        }
    }
    EXPECT_EQ(widget<QFrame>(ctl::kTitleRule)->frameShape(), QFrame::HLine);
    EXPECT_EQ(widget<QFrame>(ctl::kHalvesRule)->frameShape(), QFrame::VLine);
    EXPECT_EQ(widget<QLabel>(ctl::kMakerWeb)->text(), QLatin1String(maker::kWeb));
}

TEST_F(WindowTest, BoxesKeepTheirLimitsMasksFontsAndTips) {
    // The limits are the widths of the record's fields.
    const std::pair<const char*, int> limits[] = {
        {ctl::kUser, 30},    {ctl::kLocation, 35},   {ctl::kLatitude, 15},  {ctl::kLongitude, 15},
        {ctl::kAltitude, 5}, {ctl::kCellNumber, 15}, {ctl::kSerialEntry, 8}};
    for (const auto& [name, limit] : limits) EXPECT_EQ(widget<QLineEdit>(name)->maxLength(), limit);
    EXPECT_TRUE(widget<QLineEdit>(ctl::kTime)->inputMask().startsWith(QLatin1String("99:99:99")));
    EXPECT_TRUE(widget<QLineEdit>(ctl::kDate)->inputMask().isEmpty());
    EXPECT_EQ(widget(ctl::kExit)->toolTip(), QStringLiteral("Cerrar Programa"));
    EXPECT_EQ(widget(ctl::kAltitude)->toolTip(), QStringLiteral("Iniciales operador"));

    struct Font {
        const char* name;
        int pixels;
        bool bold, italic;
    };
    const Font fonts[] = {
        {ctl::kTitle, 18, true, true},           {ctl::kConfigHeading, 16, true, true},
        {ctl::kDownloadHeading, 16, true, true}, {ctl::kLiveHeading, 13, true, true},
        {ctl::kMakerWeb, 13, true, false},       {ctl::kCellCaption, 11, true, false},
        {ctl::kCellNumber, 11, true, false},     {ctl::kReadSms, 11, false, true},
        {ctl::kWriteSms, 11, false, true},       {ctl::kLiveText, 11, true, true},
        {ctl::kUser, 11, false, false},          {ctl::kSendWithSamplingCaption, 11, false, true},
        {ctl::kClockOffset, 11, false, false},
    };
    for (const Font& f : fonts) {
        SCOPED_TRACE(f.name);
        const QFont font = widget(f.name)->font();
        EXPECT_EQ(font.pixelSize(), f.pixels);
        EXPECT_EQ(font.bold(), f.bold);
        EXPECT_EQ(font.italic(), f.italic);
    }
    EXPECT_EQ(widget(ctl::kLiveText)->font().family(), QStringLiteral("Courier New"));
    EXPECT_TRUE(widget<QPlainTextEdit>(ctl::kLiveText)->isReadOnly());
}

// ---- every caption reads ----

// Where a widget's caption is drawn and the room it has there, in the widget's coordinates;
// nothing for a widget without a caption to read.
struct CaptionBox {
    QRect needed, room;
};

std::optional<CaptionBox> captionBox(QWidget* w) {
    const QFontMetrics metrics(w->font());
    if (auto* button = qobject_cast<WrapButton*>(w)) {
        const QRect area = button->captionArea();
        return CaptionBox{metrics.boundingRect(area, Qt::AlignCenter, button->shownLines()), area};
    }
    if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->text().isEmpty()) return std::nullopt;
        const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
        return CaptionBox{metrics.boundingRect(label->contentsRect(), flags, label->text()),
                          label->contentsRect()};
    }
    if (auto* option = qobject_cast<QAbstractButton*>(w)) {
        const design::Control* c = design::find(w->objectName().toStdString());
        if (option->text().isEmpty() || (c && !c->captionShown)) return std::nullopt;
        // Option buttons and check boxes: the caption beside the indicator, clipped by the
        // widget.
        QStyleOptionButton style;
        style.initFrom(option);
        style.text = option->text();
        const QRect contents = w->style()->subElementRect(qobject_cast<QRadioButton*>(w)
                                                              ? QStyle::SE_RadioButtonContents
                                                              : QStyle::SE_CheckBoxContents,
                                                          &style, w);
        return CaptionBox{
            metrics.boundingRect(contents, Qt::AlignLeft | Qt::AlignVCenter, option->text()),
            w->rect()};
    }
    if (auto* frame = qobject_cast<QGroupBox*>(w)) {
        QStyleOptionGroupBox style;
        style.initFrom(frame);
        style.text = frame->title();
        style.textAlignment = frame->alignment();
        style.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        const QRect label =
            w->style()->subControlRect(QStyle::CC_GroupBox, &style, QStyle::SC_GroupBoxLabel, w);
        return CaptionBox{QRect(label.topLeft(),
                                QSize(metrics.horizontalAdvance(frame->title()), label.height())),
                          w->rect()};
    }
    return std::nullopt;
}

// Every shown widget lies within its window or frame, and every caption has the room it needs
// and is covered by no other shown widget. Only the button named may shorten its caption.
void expectEveryCaptionReads(MainWindow& window, const char* shortened = nullptr) {
    QList<QWidget*> shown;
    for (QWidget* w : window.findChildren<QWidget*>())
        if (!window.controlNames().contains(w->objectName()))
            continue;
        else if (w->isVisibleTo(&window))
            shown.append(w);
    for (QWidget* w : shown) {
        SCOPED_TRACE(w->objectName().toStdString());
        EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry()))
            << "leaves its parent: " << w->geometry().x() << "," << w->geometry().y() << " "
            << w->width() << "x" << w->height();
        if (auto* button = qobject_cast<WrapButton*>(w);
            button && w->objectName() != QLatin1String(shortened)) {
            EXPECT_EQ(button->shownText(), button->text()) << "shortened";
        }
        const std::optional<CaptionBox> caption = captionBox(w);
        if (!caption) continue;
        EXPECT_LE(caption->needed.width(), caption->room.width()) << "cut on the right";
        EXPECT_LE(caption->needed.height(), caption->room.height()) << "cut at the bottom";
        const QRect drawn(w->mapTo(&window, caption->needed.intersected(caption->room).topLeft()),
                          caption->needed.intersected(caption->room).size());
        for (QWidget* other : shown) {
            if (other == w || other->isAncestorOf(w) || w->isAncestorOf(other)) continue;
            // A label without a background of its own covers only its caption.
            QRect cover = other->rect();
            if (qobject_cast<QLabel*>(other) && !other->autoFillBackground()) {
                const std::optional<CaptionBox> text = captionBox(other);
                cover = text ? text->needed : QRect();
            }
            const QRect place(other->mapTo(&window, cover.topLeft()), cover.size());
            EXPECT_FALSE(place.intersects(drawn))
                << "covered by " << other->objectName().toStdString();
        }
    }
}

QString connectionCaption(const QString& port) {
    return QStringLiteral(" Conexion en ") + port + QStringLiteral("  @ 19200 bps ");
}

TEST_F(WindowTest, EveryCaptionReadsWithTheTextsTheOperationsPutIn) {
    // The faces the captions are fitted to, whatever else the machine has.
    EXPECT_EQ(QFontInfo(window_.font()).family(), QStringLiteral("DejaVu Sans"));
    // The state with the most shown: a logger connected, its configuration being changed.
    for (const char* name : {ctl::kPcClock, ctl::kPcClockCaption}) form_.setVisible(name, true);
    for (const char* option : ctl::kIntervalOptions) form_.setVisible(option, true);
    form_.setText(ctl::kSerialText, QStringLiteral("Nro  : 02040500"));
    form_.clockOffset = -86400;
    form_.setText(ctl::kClockOffset, QStringLiteral("Diferencia con PC: -86400 s"));
    {
        SCOPED_TRACE("design");
        expectEveryCaptionReads(window_);
    }

    struct Case {
        const char* control;
        QString text;
    };
    std::vector<Case> cases = {
        {ctl::kReconnect, QStringLiteral(" Conectar con Registrador ? ")},
        {ctl::kReconnect, connectionCaption(QStringLiteral("COM 12"))},
        {ctl::kReconnect, connectionCaption(QStringLiteral("/tmp/logger"))},
        {ctl::kReconnect, connectionCaption(QStringLiteral("/dev/ttyUSB0"))},
        {ctl::kLive, QStringLiteral("PARAR")},
        {ctl::kClockOffset, QStringLiteral("Diferencia con PC: +3153600000 s")},
    };
    // Every family's name as the title.
    for (float serial : {123.0F, 124.0F, 20000.0F, 21000.0F, 22000.0F, 30000.0F, 40000.0F, 50000.0F,
                         70000.0F, 90000.0F, 2040000.0F, 2050000.0F, 2052000.0F, 2060000.0F})
        if (const auto type = config::classify(serial))
            cases.push_back({ctl::kTitle, QString::fromUtf8(type->name)});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        form_.setText(c.control, c.text);
        expectEveryCaptionReads(window_);
    }
}

// The connection's caption breaks only at its blanks. A port's name too wide for the button
// loses its middle and keeps its end (ttyUSB0 from ttyUSB1); the whole caption is the tip.
TEST_F(WindowTest, AConnectionBreaksAtBlanksAndShortensOnlyThePortsMiddle) {
    auto* button = widget<WrapButton>(ctl::kReconnect);
    struct Case {
        QString port;
        bool shortened;
    } cases[] = {
        {QStringLiteral("COM 12"), false},
        {QStringLiteral("SIMULADOR"), false},
        {QStringLiteral("/dev/pts/0"), false},
        {QStringLiteral("/dev/ttyUSB0"), false},
        {QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.port.toStdString());
        form_.setText(ctl::kReconnect, connectionCaption(c.port));
        expectEveryCaptionReads(window_, ctl::kReconnect);
        // Every line is whole words of the shown caption.
        EXPECT_EQ(button->shownLines().split(QLatin1Char('\n')).join(QLatin1Char(' ')).simplified(),
                  button->shownText().simplified())
            << button->shownLines().toStdString();
        const QString shownPort = button->shownText()
                                      .section(QStringLiteral("Conexion en "), 1)
                                      .section(QStringLiteral("  @ 19200 bps"), 0, 0);
        if (c.shortened) {
            EXPECT_TRUE(shownPort.startsWith(QStringLiteral("/dev/"))) << shownPort.toStdString();
            EXPECT_TRUE(shownPort.endsWith(QStringLiteral("-port0"))) << shownPort.toStdString();
            EXPECT_EQ(button->tip(), connectionCaption(c.port));
        } else {
            EXPECT_EQ(shownPort, c.port);
            EXPECT_EQ(button->tip(), QString());
        }
    }
    // A tip the design gives stays.
    EXPECT_EQ(widget<WrapButton>(ctl::kExit)->tip(), QStringLiteral("Cerrar Programa"));
}

TEST_F(WindowTest, ClockOffsetTurnsRedPastAMinuteEitherWay) {
    auto* offset = widget<QLabel>(ctl::kClockOffset);
    EXPECT_TRUE(offset->text().isEmpty());
    EXPECT_FALSE(offset->isHidden());
    const QColor plain = widget(ctl::kUserCaption)->palette().color(QPalette::WindowText);
    const auto red = [](const QColor& c) {
        return c.red() >= 128 && c.green() < 64 && c.blue() < 64;
    };
    ASSERT_FALSE(red(plain));
    struct Case {
        std::optional<qint64> seconds;
        bool wrong;
    };
    constexpr qint64 kFarBehind = std::numeric_limits<qint64>::min();
    const Case cases[] = {{12, false},   {60, false},       {61, true}, {-60, false},
                          {-61, true},   {86400, true},     {0, false}, {std::nullopt, false},
                          {-3600, true}, {kFarBehind, true}};
    for (const Case& c : cases) {
        const QString text =
            c.seconds ? QStringLiteral("Diferencia con PC: ") + config::offsetText(*c.seconds)
                      : QString();
        SCOPED_TRACE(text.toStdString());
        form_.clockOffset = c.seconds;
        form_.setText(ctl::kClockOffset, text);
        EXPECT_EQ(offset->text(), text);
        const QColor shown = offset->palette().color(QPalette::WindowText);
        EXPECT_EQ(red(shown), c.wrong);
        if (!c.wrong) {
            EXPECT_EQ(shown, plain);
        }
    }
}

// ---- after start-up with no logger ----

TEST_F(WindowTest, StartUpWithNoLoggerLeavesTheDocumentedStates) {
    startUp();
    struct State {
        const char* name;
        bool enabled, visible;
    };
    const State states[] = {
        {ctl::kImportConfig, true, true},  {ctl::kLive, true, true},
        {ctl::kDownload, true, true},      {ctl::kReconnect, true, true},
        {ctl::kExit, true, true},          {ctl::kEditConfig, false, true},
        {ctl::kSendConfig, false, true},   {ctl::kReadSms, false, true},
        {ctl::kWriteSms, false, true},     {ctl::kCoefficients, false, false},
        {ctl::kExportEvents, false, true}, {ctl::kOpenBaseFile, true, true},
        {ctl::kSmsHidden, true, false},    {ctl::kSerialEntry, true, false},
        {ctl::kPcClock, true, false},      {ctl::kPcClockCaption, true, false},
        {ctl::kExportText, true, false},   {ctl::kEventsText, true, false},
    };
    for (const State& s : states) {
        SCOPED_TRACE(s.name);
        QWidget* w = widget(s.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->isEnabled(), s.enabled);
        EXPECT_EQ(w->isVisibleTo(&window_), s.visible);
    }
    for (const char* box : ctl::kStationTexts) EXPECT_TRUE(widget<QLineEdit>(box)->isReadOnly());
    EXPECT_EQ(widget<QAbstractButton>(ctl::kReconnect)->text(),
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
             return qobject_cast<QLabel*>(find(w, ctl::kTitle))->text() == QLatin1String("Termo");
         }},
        {"disabled", [](FormState& f) { f.setEnabled(ctl::kLive, false); },
         [&](MainWindow& w) { return !find(w, ctl::kLive)->isEnabled(); }},
        {"shown", [](FormState& f) { f.setVisible(ctl::kSmsHidden, true); },
         [&](MainWindow& w) { return !find(w, ctl::kSmsHidden)->isHidden(); }},
        {"hidden", [](FormState& f) { f.setVisible(ctl::kInterval5, false); },
         [&](MainWindow& w) { return find(w, ctl::kInterval5)->isHidden(); }},
        {"unlocked", [](FormState& f) { f.setLocked(ctl::kLiveText, false); },
         [&](MainWindow& w) {
             return !qobject_cast<QPlainTextEdit*>(find(w, ctl::kLiveText))->isReadOnly();
         }},
        {"live text",
         [](FormState& f) {
             f.setText(ctl::kLiveText, QStringLiteral("Temp: 21.5 ºC\r\nLluvia: 0"));
         },
         [&](MainWindow& w) {
             return qobject_cast<QPlainTextEdit*>(find(w, ctl::kLiveText))->toPlainText() ==
                    QString::fromUtf8("Temp: 21.5 ºC\r\nLluvia: 0")
                        .replace(QLatin1String("\r\n"), QLatin1String("\n"));
         }},
        {"box text", [](FormState& f) { f.setText(ctl::kLocation, QStringLiteral("Estacion")); },
         [&](MainWindow& w) {
             return qobject_cast<QLineEdit*>(find(w, ctl::kLocation))->text() ==
                    QLatin1String("Estacion");
         }},
        {"option selected", [](FormState& f) { f.setChecked(ctl::kInterval30, true); },
         [&](MainWindow& w) {
             return qobject_cast<QRadioButton*>(find(w, ctl::kInterval30))->isChecked();
         }},
        {"text buffer stays hidden",
         [](FormState& f) {
             f.setVisible(ctl::kExportText, true);
             f.setText(ctl::kExportText, QStringLiteral("a,b"));
         },
         [&](MainWindow& w) {
             auto* t = qobject_cast<QTextEdit*>(find(w, ctl::kExportText));
             return t->isHidden() && t->toPlainText() == QLatin1String("a,b");
         }},
        {"window disabled", [](FormState& f) { f.setEnabled(ctl::kMainWindow, false); },
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
    auto* one = widget<QRadioButton>(ctl::kInterval1);
    auto* three = widget<QRadioButton>(ctl::kInterval10);
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
    QTest::mouseClick(widget(ctl::kSendEvery2h), Qt::LeftButton, {}, QPoint(4, 8));
    EXPECT_TRUE(form_.control(ctl::kSendEvery2h).checked);
    QTest::mouseClick(widget(ctl::kSendEvery12h), Qt::LeftButton, {}, QPoint(4, 8));
    EXPECT_TRUE(form_.control(ctl::kSendEvery12h).checked);
    EXPECT_FALSE(form_.control(ctl::kSendEvery2h).checked);
    // Options of the other frame are untouched.
    EXPECT_FALSE(three->isChecked());
}

TEST_F(WindowTest, TypingReachesTheFormStateOnlyWhenUnlocked) {
    window_.show();
    auto* user = widget<QLineEdit>(ctl::kUser);
    form_.setLocked(ctl::kUser, true);
    QTest::keyClicks(user, QStringLiteral("abc"));
    EXPECT_EQ(form_.control(ctl::kUser).text, QString());
    form_.setLocked(ctl::kUser, false);
    QTest::keyClicks(user, QStringLiteral("Juan"));
    EXPECT_EQ(form_.control(ctl::kUser).text, QStringLiteral("Juan"));
    // The time box is typed over: each key leaves a whole time in it, as the check wants.
    form_.setText(ctl::kTime, QStringLiteral("00:00:00"));
    auto* time = widget<QLineEdit>(ctl::kTime);
    time->setCursorPosition(0);
    QTest::keyClicks(time, QStringLiteral("123456"));
    EXPECT_EQ(form_.control(ctl::kTime).text, QStringLiteral("12:34:56"));
    widget<QCheckBox>(ctl::kPcClock)->click();
    EXPECT_TRUE(form_.control(ctl::kPcClock).checked);
}

TEST_F(WindowTest, DateBoxShowsTwoYearDigitsUntilItIsEdited) {
    window_.show();
    auto* date = widget<QLineEdit>(ctl::kDate);
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
    auto* cell = widget<QLineEdit>(ctl::kCellNumber);
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
    auto* live = widget<QPlainTextEdit>(ctl::kLiveText);
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
    widget<QAbstractButton>(ctl::kExit)->click();
    EXPECT_EQ(exit.count(), 1);

    // "Coeficientes" does nothing, even when shown and enabled.
    form_.setVisible(ctl::kCoefficients, true);
    form_.setEnabled(ctl::kCoefficients, true);
    QHash<QString, ControlState> before;
    for (const QString& name : form_.controlNames()) before.insert(name, form_.control(name));
    widget<QAbstractButton>(ctl::kCoefficients)->click();
    for (const QString& name : form_.controlNames()) {
        const ControlState& now = form_.control(name);
        const ControlState& was = before.value(name);
        EXPECT_TRUE(now.enabled == was.enabled && now.visible == was.visible &&
                    now.text == was.text && now.checked == was.checked && now.locked == was.locked)
            << name.toStdString();
    }
    EXPECT_EQ(form_.controlNames().size(), before.size());

    // "Reconectar" asks the connection question again; declined, it stays to be clicked.
    dialogs_.answers.push_back(false);
    widget<QAbstractButton>(ctl::kReconnect)->click();
    EXPECT_TRUE(widget(ctl::kReconnect)->isEnabled());
    ASSERT_FALSE(dialogs_.shown.empty());
    EXPECT_EQ(dialogs_.shown.back().text,
              QStringLiteral("Quiere conectarse con Registrador Tolvar"));
    EXPECT_EQ(clicked.count(), 2);
}

// ---- progress and splash windows ----

TEST_F(WindowTest, ProgressWindowStartsHiddenAndCancelGivesTheButtonsBack) {
    ProgressWindow progress(form_, *inicio_);
    EXPECT_EQ(progress.objectName(), QLatin1String(progress::kWindow));
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
        form_.setEnabled(ctl::kMainWindow, false);
        form_.setTimer4Enabled(true);
        if (downloadOpen) {
            ASSERT_TRUE(channels_[4].open());
        }

        // The title bar's close is Cancel too.
        if (downloadOpen)
            QTest::mouseClick(progress.cancelButton(), Qt::LeftButton);
        else
            progress.close();

        EXPECT_FALSE(form_.timer4Enabled());
        EXPECT_FALSE(channels_[4].isOpen());
        EXPECT_TRUE(progress.isHidden());
        EXPECT_TRUE(window_.isEnabled());
        for (const char* b : group) EXPECT_TRUE(widget(b)->isEnabled()) << b;
    }
}

TEST_F(WindowTest, ProgressWindowOpensCentredOverTheMainWindow) {
    ProgressWindow progress(form_, *inicio_);
    // Where the main window is, wherever that is on the screen.
    for (const QPoint corner : {QPoint(0, 0), QPoint(230, 140)}) {
        SCOPED_TRACE(corner.x());
        window_.move(corner);
        window_.show();
        form_.setVisible(progress::kWindow, true);
        ASSERT_FALSE(progress.isHidden());
        const QPoint off = progress.frameGeometry().center() - window_.frameGeometry().center();
        EXPECT_LE(off.manhattanLength(), 1) << off.x() << "," << off.y();
        form_.setVisible(progress::kWindow, false);
    }
}

// The station list and a chart open over the main window and wholly on the screen, also when
// the main window sits low on it: their bottom rows (the period's dates, the export buttons)
// stay within reach.
TEST_F(WindowTest, StationListAndChartOpenWhollyOnTheScreen) {
    const QRect room = window_.screen()->availableGeometry();
    window_.move(room.left(), room.bottom() - window_.height() + 1);
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    widget<QAbstractButton>(ctl::kStations)->click();
    ChartInput input;
    input.readings.resize(1);
    QWidget* opened[] = {window_.findChild<StationWindow*>(), openChart(input, dialogs_, &window_)};
    for (QWidget* w : opened) {
        ASSERT_NE(w, nullptr);
        SCOPED_TRACE(w->metaObject()->className());
        EXPECT_TRUE(room.contains(w->frameGeometry()))
            << w->frameGeometry().x() << "," << w->frameGeometry().y() << " "
            << w->frameGeometry().width() << "x" << w->frameGeometry().height() << " in "
            << room.width() << "x" << room.height();
        w->close();
    }
}

// ---- the station archive on a server that does not answer ----

// Calls `painted` on every paint of the widget it filters.
class OnPaint : public QObject {
public:
    explicit OnPaint(std::function<void()> painted) : painted_(std::move(painted)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted_();
        return false;
    }

private:
    std::function<void()> painted_;
};

// A completed download is kept in a PostgreSQL archive whose server accepts the connection and
// never answers. The window goes on painting while the archive waits (it waits on a thread of
// its own, not on the window's event loop); when the archive gives up, the download's success
// message says why, and its copy and CSV are written all the same.
TEST(WindowArchive, PaintsWhileTheServerDoesNotAnswerAndSaysWhenTheArchiveGivesUp) {
    QTcpServer silent;  // takes every connection and never writes a byte
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost)) << silent.errorString().toStdString();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    sim::EmulatorOptions logger;
    logger.serial = QStringLiteral("20500");
    logger.records = 300;
    sim::LoggerEmulator emulator(logger);
    sim::EmulatorPort port(emulator);
    test::Program program(sim::EmulatorPort::location(), port.channelFactory());
    Inicio& inicio = program.inicio;
    const QString location =
        QStringLiteral("postgresql://vernoll@127.0.0.1:%1/estaciones").arg(silent.serverPort());
    archive::Archive::Options options;
    options.connectTimeoutS = 1;  // libpq makes anything shorter into 2 s
    inicio.setArchiveLocation(location, options);
    inicio.downloadJob().setBackupFolder(folder.filePath(QStringLiteral("copias")));
    MainWindow window(program.form, inicio);
    ASSERT_TRUE(program.startUp());
    window.show();

    // A timer of the window's thread asks the window to repaint on every turn that comes while
    // the archive waits; the paints that follow while it still waits are counted. A loop held
    // by the archive would run no turn before the archive's end.
    int turnsWhileWaiting = 0;
    int paintsWhileWaiting = 0;
    QTimer turn;
    QObject::connect(&turn, &QTimer::timeout, &window, [&] {
        if (!inicio.downloadJob().archiving()) return;
        ++turnsWhileWaiting;
        window.update();
    });
    OnPaint paints([&] {
        if (turnsWhileWaiting > 0 && inicio.downloadJob().archiving()) ++paintsWhileWaiting;
    });
    window.installEventFilter(&paints);
    turn.start(10);
    bool reachedWhileArchiving = false;
    QObject::connect(&silent, &QTcpServer::newConnection, &window,
                     [&] { reachedWhileArchiving = inicio.downloadJob().archiving(); });

    program.dialogs.shown.clear();
    program.dialogs.savePaths = {folder.filePath(QStringLiteral("lecturas.csv"))};
    program.dialogs.answers = {false, false};  // "Desea Abrir Archivo", the chart: No
    QSignalSpy finished(&inicio.downloadPresenter(), &DownloadPresenter::shown);
    QTest::mouseClick(window.findChild<QAbstractButton*>(QLatin1String(ctl::kDownload)),
                      Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return finished.count() == 1; }, 20000));
    turn.stop();

    EXPECT_EQ(finished.at(0).at(0).value<station::DownloadResult>().outcome,
              station::DownloadResult::Outcome::Completed);
    EXPECT_TRUE(reachedWhileArchiving) << "the archive did not wait on the silent server";
    EXPECT_GT(paintsWhileWaiting, 0) << "the window did not paint while the archive waited";

    ASSERT_TRUE(inicio.lastArchived());
    const QString failure = inicio.lastArchived()->line;
    EXPECT_TRUE(failure.startsWith(
        QString::fromUtf8(archive::texts::kUpdateFailed)
            .arg(location, QString::fromUtf8(archive::texts::kServerUnreachable))))
        << failure.toStdString();
    EXPECT_TRUE(inicio.lastArchived()->failed());
    const QString copy = inicio.downloadJob().backupPath();
    ASSERT_FALSE(program.dialogs.shown.empty());
    EXPECT_EQ(program.dialogs.shown.front().text,
              QStringLiteral("La descarga de datos se realiz\u00f3 con exito\r\n\r\nCopia de la "
                             "memoria en ") +
                  copy + QStringLiteral("\r\n") + failure);
    EXPECT_TRUE(copy.startsWith(folder.filePath(QStringLiteral("copias/")))) << copy.toStdString();
    EXPECT_GT(QFileInfo(copy).size(), 0);
    EXPECT_GT(QFileInfo(folder.filePath(QStringLiteral("lecturas.csv"))).size(), 0);
}

TEST(SplashWindow, FollowsTheFormState) {
    FormState form;
    SplashWindow splash(form);
    EXPECT_EQ(splash.objectName(), QLatin1String(ctl::kSplashWindow));
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
