#include "config/config_send.h"

#include "config/clock.h"
#include "config/record.h"
#include "form/controls.h"
#include "link/bcd.h"
#include "link/codepage.h"
#include "link/exchange_step.h"

namespace vernoll::config {

namespace {

constexpr int kSendChannel = 5;
constexpr std::uint8_t kSelectWrite = 0x96;
constexpr int kFrameSize = record::kSize - 4;  // 107

// The order in which "Cambiar configuracion" shows the interval buttons: 1, 10, 15, 5, 30 and
// 60 minutes. Deliberate, as the logger program does it.
constexpr int kShowOrder[6] = {0, 2, 3, 1, 4, 5};

QString padded(const QString& text, int width) {
    return text.size() >= width ? text : text + QString(width - text.size(), QLatin1Char(' '));
}

QTime wholeSeconds(const QTime& t) {
    return QTime(t.hour(), t.minute(), t.second());
}

}  // namespace

QByteArray sendFrame(const std::array<QString, 5>& texts, std::uint8_t interval, const QTime& time,
                     const QDate& date) {
    QByteArray frame;
    frame.reserve(kFrameSize);
    for (std::size_t i = 0; i < texts.size(); ++i)
        frame += cp1252::encode(padded(texts[i], kTextWidths[i]).left(kTextWidths[i]));
    frame += char(interval);
    for (int v :
         {time.hour(), time.minute(), time.second(), date.day(), date.month(), date.year() % 100})
        frame += char(bcd::pack(v));
    return frame;
}

ConfigSend::ConfigSend(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
                       ExchangeOpening& opening, Timing timing, QObject* parent)
    : PacedWrite(form, dialogs, channels, opening, timing,
                 {kSendChannel, kSelectWrite, timing.sendAnswerWait, "error datos"}, parent),
      pcClock_([] { return QDateTime::currentDateTime(); }) {}

void ConfigSend::edit() {
    view_.taken = true;
    for (std::size_t i = 0; i < view_.texts.size(); ++i)
        view_.texts[i] = form_.control(ctl::kStationTexts[i]).text;
    view_.interval = form_.CONF_MUE;
    for (std::size_t i = 0; i < view_.checked.size(); ++i)
        view_.checked[i] = form_.control(ctl::kIntervalOptions[i]).checked;
    view_.date = form_.control(ctl::kDate).text;
    view_.time = form_.control(ctl::kTime).text;
    view_.clock = form_.loggerClock;
    view_.running = form_.timer1Enabled();
    view_.since.start();

    form_.setTimer1Enabled(false);
    form_.setVisible(ctl::kPcClock, true);
    form_.setVisible(ctl::kPcClockCaption, true);
    // After an import only the logger's own interval is shown.
    for (int i : kShowOrder) form_.setVisible(ctl::kIntervalOptions[i], true);
    for (const char* box : ctl::kStationTexts) form_.setLocked(box, false);
    form_.setEnabled(ctl::kImportConfig, false);
    form_.setEnabled(ctl::kSendConfig, true);
    form_.setEnabled(ctl::kEditConfig, false);
}

void ConfigSend::chooseInterval(int index) {
    if (index < 0 || index >= int(kIntervals.size())) return;
    form_.CONF_MUE = kIntervals[std::size_t(index)].code;
    for (int i = 0; i < int(kIntervals.size()); ++i)
        form_.setChecked(ctl::kIntervalOptions[i], i == index);
}

void ConfigSend::takePcClock() {
    const QDateTime now = pcClock_();
    form_.setTimer1Enabled(true);
    loggerDate_ = now.date();
    form_.loggerClock = wholeSeconds(now.time());
    form_.setText(ctl::kDate, dateText(loggerDate_));
    form_.setText(ctl::kTime, timeText(form_.loggerClock));
}

void ConfigSend::timeEdited() {
    const auto read = [this] {
        return QTime::fromString(form_.control(ctl::kTime).text, QStringLiteral("HH:mm:ss"));
    };
    if (!read().isValid()) {
        dialogs_.message(QStringLiteral("Hora incorrecta (ej. 14:58:45)"));
        form_.setTimer1Enabled(false);
        form_.setText(ctl::kTime, timeText(wholeSeconds(pcClock_().time())));
    }
    form_.loggerClock = read();
}

// Clearing a checked Check1 is a click of it: the clock is taken from the PC.
void ConfigSend::clearCheck1() {
    if (!form_.control(ctl::kPcClock).checked) return;
    form_.setChecked(ctl::kPcClock, false);
    takePcClock();
}

void ConfigSend::endButtons() {
    form_.setEnabled(ctl::kOpenBaseFile, true);
    form_.setEnabled(ctl::kDownload, true);
    form_.setEnabled(ctl::kImportConfig, true);
    form_.setEnabled(ctl::kSendConfig, false);
    form_.setEnabled(ctl::kEditConfig, true);
}

// What every send ends with, sent or not.
void ConfigSend::lockFields() {
    clearCheck1();
    form_.setVisible(ctl::kPcClock, false);
    form_.setVisible(ctl::kPcClockCaption, false);
    form_.setTimer1Enabled(true);
    for (const char* box : ctl::kStationTexts) form_.setLocked(box, true);
    endButtons();
    // An interval code no button stands for leaves the six as they are.
    if (const auto index = intervalIndex(form_.CONF_MUE)) {
        for (int i = 0; i < 6; ++i) form_.setVisible(ctl::kIntervalOptions[i], i == *index);
    }
}

// Cancel leaves on the window nothing the logger does not hold: the view of the edit's
// beginning comes back, its clock moved on by the time the edit took if it was running.
void ConfigSend::putBackTheView() {
    if (!view_.taken) return;
    for (std::size_t i = 0; i < view_.texts.size(); ++i)
        form_.setText(ctl::kStationTexts[i], view_.texts[i]);
    form_.CONF_MUE = view_.interval;
    for (std::size_t i = 0; i < view_.checked.size(); ++i)
        form_.setChecked(ctl::kIntervalOptions[i], view_.checked[i]);
    // Cleared without its click: the PC's clock would replace the one put back.
    form_.setChecked(ctl::kPcClock, false);
    form_.setText(ctl::kDate, view_.date);
    QTime clock = view_.clock;
    if (view_.running) clock = clock.addSecs(int(view_.since.elapsed() / 1000 % 86400));
    form_.loggerClock = clock;
    form_.setText(ctl::kTime, view_.time.isEmpty() ? QString() : timeText(clock));
}

void ConfigSend::send() {
    // A second click while the opening runs would only restart the same opening.
    if (state() == State::Opening) return;
    // Lower case, the blanks and the three line ends are the logger program's own.
    if (!dialogs_.confirm(QStringLiteral("esta seguro de cambiarla? \r\n\r\n\r\n"
                                         "SE BORRARAN TODOS LOS DATOS DE MEMORIA!  "),
                          Dialogs::Icon::Warning)) {
        putBackTheView();
        lockFields();
        emit cancelled();
        return;
    }
    clearCheck1();

    std::array<QString, 5> texts;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const char* box = ctl::kStationTexts[i];
        form_.setText(box, padded(form_.control(box).text, kTextWidths[i]));
        texts[i] = form_.control(box).text;
    }
    // A date box that holds no date would put a meaningless date into the logger, whose
    // memory the send erases: nothing goes on the line.
    const std::optional<QDate> date = readDate(form_.control(ctl::kDate).text);
    if (!date) {
        dialogs_.message(QStringLiteral("Fecha incorrecta (ej. 31/12/2026)"));
        lockFields();
        emit failed(Failure::Refused);
        return;
    }
    loggerDate_ = *date;
    begin(sendFrame(texts, form_.CONF_MUE, form_.loggerClock, loggerDate_));
}

// The exchange runs on in the receive handler; the window is back to viewing.
void ConfigSend::opened(bool) {
    lockFields();
}

void ConfigSend::paced(int) {
    endButtons();
    form_.setTimer1Enabled(true);
}

void ConfigSend::end() {
    // The blanks around the text are the logger program's own.
    dialogs_.message(QStringLiteral(" Se Modific\u00f3 configuraci\u00f3n "));
}

void ConfigSend::beyond() {
    form_.setTimer1Enabled(true);
    endButtons();
}

}  // namespace vernoll::config
