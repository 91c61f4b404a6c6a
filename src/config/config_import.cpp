#include "config/config_import.h"

#include "config/clock.h"
#include "config/device.h"
#include "config/record.h"
#include "form/controls.h"
#include "link/bcd.h"
#include "link/codepage.h"
#include "link/exchange_step.h"
#include "link/texts.h"

namespace vernoll::config {

namespace {

constexpr std::uint8_t kSelectRead = 0x60;
constexpr std::uint8_t kGoOn = 0x55;
constexpr int kLastByte = 2 + record::kSize;  // 113

// Which text box byte n of the exchange belongs to, for n = 7 .. 106.
const char* textBoxFor(int n) {
    int first = 3 + record::kUser;  // byte n carries record offset n - 3
    for (std::size_t i = 0; i < kTextWidths.size(); ++i) {
        if (n < first + kTextWidths[i]) return ctl::kStationTexts[i];
        first += kTextWidths[i];
    }
    return nullptr;
}

}  // namespace

ConfigImport::ConfigImport(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
                           ExchangeOpening& opening, Timing timing, QObject* parent)
    : LoggerExchange(form, dialogs, channels, opening, timing, 2, parent) {}

void ConfigImport::click() {
    // A second click while the opening runs would only restart the same opening (and the
    // answer flag, 0 during the opening, would call the logger missing).
    if (state_ == State::Opening) return;
    form_.setSplashShown(false);
    if (form_.answerFlag == 0) {
        offerReconnection(form_, dialogs_);
        emit failed(Failure::NoLogger);
        return;
    }
    form_.answerFlag = 0;
    for (const char* box : ctl::kStationTexts) form_.setText(box, QString());

    state_ = State::Opening;
    openExchange(timing_.answerWait, [this](bool answered) {
        if (!answered) {
            state_ = State::Idle;
            offerReconnection(form_, dialogs_);
            channel().close();
            form_.setEnabled(ctl::kImportConfig, true);
        }
        form_.setEnabled(ctl::kSendConfig, false);
        form_.setEnabled(ctl::kEditConfig, true);
        if (!answered) emit failed(Failure::NoAnswer);
    });
}

void ConfigImport::onComm(int code) {
    if (code != comm::Receive) return;
    Channel& ch = channel();
    const int n = receiveOne(form_, ch);
    state_ = State::Receiving;

    if (n < 1 || n > kLastByte) {
        dropExchange(form_, ch, QStringLiteral("error en contador"));
        state_ = State::Idle;
        emit failed(Failure::Counter);
        return;
    }
    const std::uint8_t b = form_.receivedByte;
    takeByte(n, b);
    const char answer = n == 1 ? char(kSelectRead) : n == 2 ? char(kGoOn) : char(b);
    ch.write(QByteArray(1, answer));
    if (n == kLastByte) end();
}

void ConfigImport::takeByte(int n, std::uint8_t b) {
    if (n >= 3 && n <= 6) {
        const auto i = std::size_t(2 * (n - 3));
        form_.ser[i] = std::uint8_t(bcd::highDigit(b));
        form_.ser[i + 1] = std::uint8_t(bcd::lowDigit(b));
        if (n == 6) {
            QString digits;
            for (std::uint8_t c : form_.ser) digits += QChar(char16_t(c));
            form_.setText(ctl::kSerialText, QStringLiteral("Nro  : ") + digits);
            // Digits that are not all decimal leave the previous number in place.
            if (const auto number = serialNumber(digits)) form_.Nserie = *number;
        }
    } else if (n >= 7 && n <= 106) {
        form_.appendText(textBoxFor(n), QString(cp1252::decode(char(b))));
    } else if (n == 107) {
        takeInterval(b);
    } else if (n >= 108) {
        takeClock(n - 108, b);
    }
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
    auto& f = form_.clockFields;
    f[std::size_t(field)] = int(b);
    if (b <= kClockMax[std::size_t(field)]) {
        f[std::size_t(field)] = bcd::digits(b);
    } else {
        form_.print(field <= Second ? QStringLiteral("hora mal") : QStringLiteral("fecha mal"));
    }
    if (field == Second && b <= kClockMax[Second]) composeTime();
    if (field == Year && b <= kClockMax[Year]) composeDate();
}

void ConfigImport::composeTime() {
    const auto t = config::composeTime(form_.clockFields);
    if (!t) return;
    form_.setText(ctl::kTime, timeText(*t));
    form_.loggerClock = *t;
}

void ConfigImport::composeDate() {
    const auto d = config::composeDate(form_.clockFields);
    if (!d || !d->isValid()) return;
    form_.setText(ctl::kDate, dateText(*d));
}

void ConfigImport::end() {
    form_.exchangeCounter = 0;
    form_.setTimer1Enabled(true);
    form_.setEnabled(ctl::kImportConfig, true);
    channel().close();
    state_ = State::Idle;

    SummaryFields fields;
    fields.intervalMinutes = form_.intervalMinutes;
    fields.serialCaption = form_.control(ctl::kSerialText).text;
    fields.user = form_.control(ctl::kUser).text;
    fields.location = form_.control(ctl::kLocation).text;
    fields.latitude = form_.control(ctl::kLatitude).text;
    fields.longitude = form_.control(ctl::kLongitude).text;
    fields.altitude = form_.control(ctl::kAltitude).text;
    form_.summary = summary(fields);

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
    emit finished();
}

}  // namespace vernoll::config
