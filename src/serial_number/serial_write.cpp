#include "serial_number/serial_write.h"

#include "config/record.h"

namespace vernoll::serial_number {

namespace {

constexpr int kChannel = 3;
constexpr std::uint8_t kSelectWrite = 0x64;

}  // namespace

SerialWrite::SerialWrite(const ChannelSet& channels, ExchangeOpening& opening, Timing timing,
                         QObject* parent)
    : PacedWrite(channels, opening, timing,
                 {kChannel, kSelectWrite, timing.answerWait, "otro valor serie"}, parent) {
    // Only a complete write sets the counter back; after a surplus byte the next opening does.
    connect(this, &PacedWrite::finished, this, [this] { channels_.exchange().counter = 0; });
}

bool SerialWrite::writable(const QString& text) {
    // A digit has a packed value, anything else has none: such text (the box's design text
    // "Text10", say) is not sent.
    if (text.size() > kMaxDigits) return false;
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

bool SerialWrite::start(const QString& digits) {
    if (state() == State::Opening || !writable(digits)) return false;
    packed_ = config::packSerial(digits);
    QByteArray frame;
    for (std::uint8_t b : packed_) frame += char(b);
    begin(frame + frame.right(1));
    return true;
}

}  // namespace vernoll::serial_number
