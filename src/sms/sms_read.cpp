#include "sms/sms_read.h"

#include "link/codepage.h"

namespace vernoll::sms {

namespace {

constexpr int kReadChannel = 8;
constexpr std::uint8_t kSelectRead = 0x2D;

}  // namespace

SmsRead::SmsRead(const ChannelSet& channels, ExchangeOpening& opening, Timing timing,
                 QObject* parent)
    : EchoRead(channels, opening, timing, {kReadChannel, kSelectRead, kRecordSize}, parent) {}

void SmsRead::end() {
    // The counter keeps 22 until the next opening resets it.
    const QByteArray& r = record();
    settings_ = Settings{cp1252::decode(r.left(kCellWidth)), std::uint8_t(r[kCodeOffset]),
                         r.mid(kHiddenOffset, kHiddenWidth)};
}

}  // namespace vernoll::sms
