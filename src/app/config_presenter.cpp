#include "app/config_presenter.h"

#include "app/reconnection.h"
#include "config/clock.h"
#include "config/config_import.h"
#include "config/config_send.h"
#include "config/device.h"
#include "config/record.h"
#include "link/bcd.h"
#include "session/logger_session.h"

namespace vernoll {

namespace {

// The serial number's caption. The two blanks before the colon are the logger program's.
const QString kSerialPrefix = QStringLiteral("Nro  : ");

// The order in which "Cambiar configuracion" shows the interval buttons: 1, 10, 15, 5, 30 and
// 60 minutes. Deliberate, as the logger program does it.
constexpr int kShowOrder[6] = {0, 2, 3, 1, 4, 5};

// What the window shows of a configuration before the import ended, and so puts back when the
// logger stops: the station boxes, the serial number, the interval buttons, the date, and the
// edit and send buttons.
std::vector<const char*> shownByImport() {
    std::vector<const char*> shown(std::begin(ctl::kStationTexts), std::end(ctl::kStationTexts));
    shown.insert(shown.end(), std::begin(ctl::kIntervalOptions), std::end(ctl::kIntervalOptions));
    for (const char* name : {ctl::kSerialText, ctl::kDate, ctl::kEditConfig, ctl::kSendConfig})
        shown.push_back(name);
    return shown;
}

QTime wholeSeconds(const QTime& t) {
    return QTime(t.hour(), t.minute(), t.second());
}

}  // namespace

ConfigPresenter::ConfigPresenter(FormState& form, Dialogs& dialogs, LoggerSession& session,
                                 QObject* parent)
    : QObject(parent), form_(form), dialogs_(dialogs), session_(session), pcClock_([] {
          return QDateTime::currentDateTime();
      }) {
    config::ConfigImport& import = session_.import();
    connect(&import, &config::ConfigImport::began, this, [this] {
        // A read the logger left half-done keeps what the window showed before that read.
        if (!beforeImport_) beforeImport_ = form_.snapshot(shownByImport());
        for (const char* box : ctl::kStationTexts) form_.setText(box, QString());
    });
    connect(&import, &config::ConfigImport::answered, this, [this] {
        // The rest of the record is still arriving.
        form_.setEnabled(ctl::kSendConfig, false);
        form_.setEnabled(ctl::kEditConfig, true);
    });
    connect(&import, &config::ConfigImport::finished, this, &ConfigPresenter::imported);
    connect(&import, &config::ConfigImport::failed, this, &ConfigPresenter::importFailed);

    config::ConfigSend& send = session_.configSend();
    // The exchange runs on in the receive handler; the window is back to viewing.
    connect(&send, &config::ConfigSend::answered, this, &ConfigPresenter::lockFields);
    connect(&send, &config::ConfigSend::progress, this, [this] {
        endButtons();
        form_.setTimer1Enabled(true);
    });
    connect(&send, &config::ConfigSend::finished, this,
            [this] { dialogs_.message(QString::fromUtf8(config::ConfigSend::kDone)); });
    connect(&send, &config::ConfigSend::failed, this, [this](const OperationError& e) {
        if (e.fault == Fault::NoAnswer) {
            offerReconnection(form_, dialogs_, e);
            lockFields();
        } else {
            form_.setTimer1Enabled(true);
            endButtons();
        }
        emit sendFailed(e);
    });
}

void ConfigPresenter::importConfiguration() {
    if (session_.import().state() == EchoRead::State::Opening) return;
    form_.setSplashShown(false);
    session_.import().start();
}

void ConfigPresenter::importFailed(const OperationError& error) {
    switch (error.fault) {
        case Fault::NoLogger:
            offerReconnection(form_, dialogs_, error);
            return;
        case Fault::NoAnswer:
            offerReconnection(form_, dialogs_, error);
            form_.setEnabled(ctl::kImportConfig, true);
            form_.setEnabled(ctl::kSendConfig, false);
            form_.setEnabled(ctl::kEditConfig, true);
            break;
        case Fault::Stall:
            // Put back before the message, so that the window behind it shows no half-read
            // record. Nothing half-read can be sent: both ways to the send wait for a complete
            // import, which stays offered (an edit begun during the import had taken it away).
            if (beforeImport_) form_.restore(*beforeImport_);
            form_.setEnabled(ctl::kEditConfig, false);
            form_.setEnabled(ctl::kSendConfig, false);
            form_.setEnabled(ctl::kImportConfig, true);
            beforeImport_.reset();
            dialogs_.message(error.message());
            return;
        default:
            break;
    }
    beforeImport_.reset();
}

void ConfigPresenter::imported() {
    beforeImport_.reset();
    const config::Configuration& c = *session_.configuration();

    // The serial number: the digits as they came, and a number where they are all decimal
    // (otherwise the previous number stays).
    const auto& packed = c.serialNumber.packed();
    for (std::size_t i = 0; i < packed.size(); ++i) {
        form_.ser[2 * i] = std::uint8_t(bcd::highDigit(packed[i]));
        form_.ser[2 * i + 1] = std::uint8_t(bcd::lowDigit(packed[i]));
    }
    form_.setText(ctl::kSerialText, kSerialPrefix + c.serial);
    if (const auto number = c.serialNumber.number()) form_.Nserie = *number;

    form_.CONF_MUE = c.intervalCode;
    if (const auto index = config::intervalIndex(c.intervalCode)) {
        form_.intervalMinutes =
            QString::fromLatin1(config::kIntervals[std::size_t(*index)].minutes);
        for (int i = 0; i < 6; ++i) {
            form_.setChecked(ctl::kIntervalOptions[i], i == *index);
            form_.setVisible(ctl::kIntervalOptions[i], i == *index);
        }
    }

    form_.clockFields = config::clockFields(c.clockBytes);
    if (c.time) {
        form_.setText(ctl::kTime, config::timeText(*c.time));
        form_.loggerClock = *c.time;
    }
    if (c.date) form_.setText(ctl::kDate, config::dateText(*c.date));

    form_.setTimer1Enabled(true);
    form_.setEnabled(ctl::kImportConfig, true);

    // The summary keeps the texts as received: the exports write them padded.
    form_.summary = config::summary(c, form_.intervalMinutes);
    // The boxes drop the padding, so that a click at the end of a text lands after its last
    // character; the send pads them again to the same bytes.
    for (std::size_t i = 0; i < c.texts.size(); ++i)
        form_.setText(ctl::kStationTexts[i], c.station(i));

    if (config::hasSms(form_.Nserie)) {
        form_.setEnabled(ctl::kReadSms, true);
    } else {
        form_.setEnabled(ctl::kReadSms, false);
        for (const char* option : ctl::kSendIntervalOptions) form_.setEnabled(option, false);
        form_.setEnabled(ctl::kCellNumber, false);
    }

    if (const auto type = config::classify(form_.Nserie)) {
        form_.setText(ctl::kTitle, QString::fromUtf8(type->name));
        form_.data1 = QString::fromUtf8(type->header) + QStringLiteral("\r\n");
        if (type->largeMemory) {
            form_.memo = config::kLargeMemoryFrames;
            form_.progressMax = config::kLargeMemoryFrames;
        }
    }

    form_.clockOffset = c.clockOffset();
    form_.setText(ctl::kClockOffset, config::clockOffsetText(form_.clockOffset));
}

void ConfigPresenter::edit() {
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

void ConfigPresenter::chooseInterval(int index) {
    if (index < 0 || index >= int(config::kIntervals.size())) return;
    form_.CONF_MUE = config::kIntervals[std::size_t(index)].code;
    for (int i = 0; i < int(config::kIntervals.size()); ++i)
        form_.setChecked(ctl::kIntervalOptions[i], i == index);
}

void ConfigPresenter::takePcClock() {
    const QDateTime now = pcClock_();
    form_.setTimer1Enabled(true);
    form_.loggerClock = wholeSeconds(now.time());
    form_.setText(ctl::kDate, config::dateText(now.date()));
    form_.setText(ctl::kTime, config::timeText(form_.loggerClock));
}

void ConfigPresenter::timeEdited() {
    const auto read = [this] {
        return QTime::fromString(form_.control(ctl::kTime).text, QStringLiteral("HH:mm:ss"));
    };
    if (!read().isValid()) {
        dialogs_.message(QStringLiteral("Hora incorrecta (ej. 14:58:45)"));
        form_.setTimer1Enabled(false);
        form_.setText(ctl::kTime, config::timeText(wholeSeconds(pcClock_().time())));
    }
    form_.loggerClock = read();
}

// Clearing a checked Check1 is a click of it: the clock is taken from the PC.
void ConfigPresenter::clearCheck1() {
    if (!form_.control(ctl::kPcClock).checked) return;
    form_.setChecked(ctl::kPcClock, false);
    takePcClock();
}

void ConfigPresenter::endButtons() {
    form_.setEnabled(ctl::kOpenBaseFile, true);
    form_.setEnabled(ctl::kDownload, true);
    form_.setEnabled(ctl::kImportConfig, true);
    form_.setEnabled(ctl::kSendConfig, false);
    form_.setEnabled(ctl::kEditConfig, true);
}

// What every send ends with, sent or not.
void ConfigPresenter::lockFields() {
    clearCheck1();
    form_.setVisible(ctl::kPcClock, false);
    form_.setVisible(ctl::kPcClockCaption, false);
    form_.setTimer1Enabled(true);
    for (const char* box : ctl::kStationTexts) form_.setLocked(box, true);
    endButtons();
    // An interval code no button stands for leaves the six as they are.
    if (const auto index = config::intervalIndex(form_.CONF_MUE)) {
        for (int i = 0; i < 6; ++i) form_.setVisible(ctl::kIntervalOptions[i], i == *index);
    }
}

// Cancel leaves on the window nothing the logger does not hold: the view of the edit's
// beginning comes back, its clock moved on by the time the edit took if it was running.
void ConfigPresenter::putBackTheView() {
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
    form_.setText(ctl::kTime, view_.time.isEmpty() ? QString() : config::timeText(clock));
}

void ConfigPresenter::endEdit() {
    if (!editing()) return;
    putBackTheView();
    lockFields();
}

bool ConfigPresenter::dateReady() {
    if (config::readDate(form_.control(ctl::kDate).text)) return true;
    const QString text = QString::fromLatin1(config::ConfigSend::kBadDate);
    dialogs_.message(text);
    emit sendFailed({Fault::Refused, session_.exchange().port, {}, text});
    return false;
}

void ConfigPresenter::send() {
    // A second click while the opening runs would only restart the same opening.
    if (session_.configSend().state() == PacedWrite::State::Opening) return;
    if (!dialogs_.confirm(QString::fromLatin1(config::ConfigSend::kQuestion),
                          Dialogs::Icon::Warning)) {
        putBackTheView();
        lockFields();
        emit sendCancelled();
        return;
    }
    clearCheck1();

    std::array<QString, 5> texts;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const char* box = ctl::kStationTexts[i];
        form_.setText(box, config::padded(form_.control(box).text, config::kTextWidths[i]));
        texts[i] = form_.control(box).text;
    }
    // A date box that holds no date would put a meaningless date into the logger, whose
    // memory the send erases: nothing goes on the line.
    const std::optional<QDate> date = config::readDate(form_.control(ctl::kDate).text);
    if (!date) {
        const QString text = QString::fromLatin1(config::ConfigSend::kBadDate);
        dialogs_.message(text);
        lockFields();
        emit sendFailed({Fault::Refused, session_.exchange().port, {}, text});
        return;
    }
    session_.configSend().start(texts, form_.CONF_MUE, form_.loggerClock, *date);
}

}  // namespace vernoll
