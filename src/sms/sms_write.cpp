#include "sms/sms_write.h"

#include "sms/sms_record.h"

namespace vernoll::sms {

namespace {

constexpr int kWriteChannel = 7;
constexpr std::uint8_t kSelectWrite = 0x2E;

}  // namespace

SmsWrite::SmsWrite(const ChannelSet& channels, ExchangeOpening& opening, Timing timing,
                   QObject* parent)
    : PacedWrite(channels, opening, timing,
                 {kWriteChannel, kSelectWrite, timing.answerWait, "error datos"}, parent) {}

void SmsWrite::start(const QString& cell, std::uint8_t code, const QString& hidden) {
    // A second click while the opening runs would only restart the same opening.
    if (state() == State::Opening) return;
    cell_ = cell;
    code_ = code;
    begin(writeFrame(cell, code, hidden));
}

}  // namespace vernoll::sms
