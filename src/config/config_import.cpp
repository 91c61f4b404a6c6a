#include "config/config_import.h"

#include "config/clock.h"
#include "config/device.h"
#include "form/controls.h"
#include "link/bcd.h"
#include "link/codepage.h"

namespace vernoll::config {

namespace {

constexpr int kImportChannel = 2;
constexpr std::uint8_t kSelectRead = 0x60;
// The serial number's caption. The two blanks before the colon are the logger program's.
const QString kSerialPrefix = QStringLiteral("Nro  : ");

// Which text box a record offset of the station texts (4 .. 103) belongs to.
const char* textBoxFor(int offset) {
    int first = record::kUser;
    for (std::size_t i = 0; i < kTextWidths.size(); ++i) {
        if (offset < first + kTextWidths[i]) return ctl::kStationTexts[i];
        first += kTextWidths[i];
    }
    return nullptr;
}

// What the import changes on the window before its end, and so puts back when the logger
// stops: the station boxes, the serial number, the interval buttons, the date, and the edit
// and send buttons. The time box, which Timer1 moves on meanwhile, is put back by itself.
std::vector<const char*> shownControls() {
    std::vector<const char*> shown(std::begin(ctl::kStationTexts), std::end(ctl::kStationTexts));
    shown.insert(shown.end(), std::begin(ctl::kIntervalOptions), std::end(ctl::kIntervalOptions));
    for (const char* name : {ctl::kSerialText, ctl::kDate, ctl::kEditConfig, ctl::kSendConfig})
        shown.push_back(name);
    return shown;
}

}  // namespace

ConfigImport::ConfigImport(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
                           ExchangeOpening& opening, Timing timing, QObject* parent)
    : EchoRead(form, dialogs, channels, opening, timing,
               {kImportChannel, kSelectRead, record::kSize, shownControls()}, parent),
      pcClock_([] { return QDateTime::currentDateTime(); }) {}

void ConfigImport::start() {
    if (state() == State::Opening) return;
    form_.setSplashShown(false);
    begin();
}

void ConfigImport::prepare() {
    for (const char* box : ctl::kStationTexts) form_.setText(box, QString());
    time_.reset();
    date_.reset();
    pcClockAtClock_ = QDateTime();
}

void ConfigImport::opened(bool answered) {
    if (!answered) form_.setEnabled(ctl::kImportConfig, true);
    // When the logger answered, the rest of the record is still arriving.
    form_.setEnabled(ctl::kSendConfig, false);
    form_.setEnabled(ctl::kEditConfig, true);
}

void ConfigImport::take(int offset, std::uint8_t b) {
    if (offset < record::kUser) {
        takeSerial(offset, b);
    } else if (offset < record::kInterval) {
        form_.appendText(textBoxFor(offset), QString(cp1252::decode(char(b))));
    } else if (offset == record::kInterval) {
        takeInterval(b);
    } else {
        takeClock(offset - record::kClock, b);
    }
}

void ConfigImport::takeSerial(int offset, std::uint8_t b) {
    const auto i = std::size_t(2 * offset);
    form_.ser[i] = std::uint8_t(bcd::highDigit(b));
    form_.ser[i + 1] = std::uint8_t(bcd::lowDigit(b));
    if (offset < 3) return;
    QString digits;
    for (std::uint8_t c : form_.ser) digits += QChar(char16_t(c));
    form_.setText(ctl::kSerialText, kSerialPrefix + digits);
    // Digits that are not all decimal leave the previous number in place.
    if (const auto number = serialNumber(digits)) form_.Nserie = *number;
}

void ConfigImport::takeInterval(std::uint8_t b) {
    form_.CONF_MUE = b;
    const auto index = intervalIndex(b);
    if (!index) return;
    form_.intervalMinutes = QString::fromLatin1(kIntervals[std::size_t(*index)].minutes);
    for (int i = 0; i < 6; ++i) {
        form_.setChecked(ctl::kIntervalOptions[i], i == *index);
        form_.setVisible(ctl::kIntervalOptions[i], i == *index);
    }
}

void ConfigImport::takeClock(int field, std::uint8_t b) {
    if (field == Hour) pcClockAtClock_ = pcClock_();
    auto& f = form_.clockFields;
    f[std::size_t(field)] = int(b);
    const bool inRange = b <= kClockMax[std::size_t(field)];
    if (inRange) {
        f[std::size_t(field)] = bcd::digits(b);
    } else {
        // Printed on the window, not shown in a box: the logger program's own diagnostics.
        form_.print(field <= Second ? QStringLiteral("hora mal") : QStringLiteral("fecha mal"));
    }
    if (field == Second && inRange) {
        if (const auto t = composeTime(form_.clockFields)) {
            form_.setText(ctl::kTime, timeText(*t));
            form_.loggerClock = *t;
            time_ = *t;
        }
    }
    if (field == Year && inRange) {
        if (const auto d = composeDate(form_.clockFields); d && d->isValid()) {
            form_.setText(ctl::kDate, dateText(*d));
            date_ = *d;
        }
    }
}

void ConfigImport::end() {
    channels_.exchange().counter = 0;
    form_.setTimer1Enabled(true);
    form_.setEnabled(ctl::kImportConfig, true);

    const Record r = Record::fromBytes(record());
    Configuration c;
    c.serial = serialDigits(r.serial);
    for (std::size_t i = 0; i < c.texts.size(); ++i) c.texts[i] = cp1252::decode(r.texts[i]);
    c.intervalCode = r.interval;
    c.date = date_;
    c.time = time_;
    c.pcClock = pcClockAtClock_;

    // The summary keeps the texts as received: the exports write them padded.
    SummaryFields fields;
    fields.intervalMinutes = form_.intervalMinutes;
    fields.serialCaption = kSerialPrefix + c.serial;
    fields.user = c.texts[0];
    fields.location = c.texts[1];
    fields.latitude = c.texts[2];
    fields.longitude = c.texts[3];
    fields.altitude = c.texts[4];
    form_.summary = summary(fields);
    // The boxes drop the padding, so that a click at the end of a text lands after its last
    // character; the send pads them again to the same bytes.
    for (std::size_t i = 0; i < c.texts.size(); ++i)
        form_.setText(ctl::kStationTexts[i], c.station(i));

    if (hasSms(form_.Nserie)) {
        form_.setEnabled(ctl::kReadSms, true);
    } else {
        form_.setEnabled(ctl::kReadSms, false);
        for (const char* option : ctl::kSendIntervalOptions) form_.setEnabled(option, false);
        form_.setEnabled(ctl::kCellNumber, false);
    }

    if (const auto type = classify(form_.Nserie)) {
        form_.setText(ctl::kTitle, QString::fromUtf8(type->name));
        form_.data1 = QString::fromUtf8(type->header) + QStringLiteral("\r\n");
        if (type->largeMemory) {
            form_.memo = kLargeMemoryFrames;
            form_.progressMax = kLargeMemoryFrames;
        }
    }

    form_.clockOffset = c.clockOffset();
    form_.setText(ctl::kClockOffset, clockOffsetText(form_.clockOffset));
    configuration_ = std::move(c);
}

void ConfigImport::save() {
    saved_.CONF_MUE = form_.CONF_MUE;
    saved_.ser = form_.ser;
    saved_.Nserie = form_.Nserie;
    saved_.intervalMinutes = form_.intervalMinutes;
    saved_.clockFields = form_.clockFields;
    saved_.loggerClock = form_.loggerClock;
    saved_.time = form_.control(ctl::kTime).text;
    saved_.elapsed.start();
}

void ConfigImport::restore() {
    form_.CONF_MUE = saved_.CONF_MUE;
    form_.ser = saved_.ser;
    form_.Nserie = saved_.Nserie;
    form_.intervalMinutes = saved_.intervalMinutes;
    form_.clockFields = saved_.clockFields;
    if (time_) {
        // The import wrote the clock: the earlier one, moved on by the time Timer1 ran.
        QTime clock = saved_.loggerClock;
        if (form_.timer1Enabled())
            clock = clock.addSecs(int(saved_.elapsed.elapsed() / 1000 % 86400));
        form_.loggerClock = clock;
        form_.setText(ctl::kTime, saved_.time.isEmpty() ? QString() : timeText(clock));
    }
    // Nothing half-read can be sent: both ways to the send wait for a complete import, which
    // stays offered (an edit begun during the import had taken it away).
    form_.setEnabled(ctl::kEditConfig, false);
    form_.setEnabled(ctl::kSendConfig, false);
    form_.setEnabled(ctl::kImportConfig, true);
}

}  // namespace vernoll::config
