#include "config/config_send.h"

#include "config/clock.h"
#include "config/record.h"
#include "link/bcd.h"
#include "link/codepage.h"

namespace vernoll::config {

namespace {

constexpr int kSendChannel = 5;
constexpr std::uint8_t kSelectWrite = 0x96;
constexpr int kFrameSize = record::kSize - 4;  // 107

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

ConfigSend::ConfigSend(const ChannelSet& channels, ExchangeOpening& opening, Timing timing,
                       QObject* parent)
    : PacedWrite(channels, opening, timing,
                 {kSendChannel, kSelectWrite, timing.sendAnswerWait, "error datos"}, parent) {}

void ConfigSend::start(const std::array<QString, 5>& texts, std::uint8_t interval,
                       const QTime& time, const QDate& date) {
    // A second click while the opening runs would only restart the same opening.
    if (state() == State::Opening) return;
    sent_ = {texts, interval,
             QDateTime(date, QTime(time.hour(), time.minute(), time.second()), Qt::UTC)};
    begin(sendFrame(texts, interval, time, date));
}

}  // namespace vernoll::config
