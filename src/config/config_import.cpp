#include "config/config_import.h"

#include "config/clock.h"
#include "link/bcd.h"
#include "link/codepage.h"

namespace vernoll::config {

namespace {

constexpr int kImportChannel = 2;
constexpr std::uint8_t kSelectRead = 0x60;

}  // namespace

ConfigImport::ConfigImport(const ChannelSet& channels, ExchangeOpening& opening, Timing timing,
                           QObject* parent)
    : EchoRead(channels, opening, timing, {kImportChannel, kSelectRead, record::kSize}, parent),
      pcClock_([] { return QDateTime::currentDateTime(); }) {}

void ConfigImport::prepare() {
    pcClockAtClock_ = QDateTime();
}

void ConfigImport::take(int offset, std::uint8_t b) {
    if (offset < record::kClock) return;
    const int field = offset - record::kClock;
    if (field == Hour) pcClockAtClock_ = pcClock_();
    // The logger program's own diagnostics, printed on the window as the byte arrives.
    if (b > kClockMax[std::size_t(field)])
        channels_.line().diagnose(field <= Second ? QStringLiteral("hora mal")
                                                  : QStringLiteral("fecha mal"));
}

void ConfigImport::end() {
    channels_.exchange().counter = 0;
    const Record r = Record::fromBytes(record());
    Configuration c;
    c.serialNumber = SerialNumber(r.serial);
    c.serial = c.serialNumber.digits();
    for (std::size_t i = 0; i < c.texts.size(); ++i) c.texts[i] = cp1252::decode(r.texts[i]);
    c.intervalCode = r.interval;
    c.clockBytes = r.clock;
    // The time is composed once the second passed its range check, the date once the year did;
    // the fields before them take part whatever their check said.
    const ClockFields fields = clockFields(r.clock);
    const auto inRange = [&](int field) {
        return r.clock[std::size_t(field)] <= kClockMax[std::size_t(field)];
    };
    if (inRange(Second)) c.time = composeTime(fields);
    if (inRange(Year)) {
        if (const auto d = composeDate(fields); d && d->isValid()) c.date = *d;
    }
    c.pcClock = pcClockAtClock_;
    configuration_ = std::move(c);
}

}  // namespace vernoll::config
