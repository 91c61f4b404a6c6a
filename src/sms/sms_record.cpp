#include "sms/sms_record.h"

#include "link/codepage.h"

namespace vernoll::sms {

std::optional<int> sendCodeIndex(std::uint8_t code) {
    for (std::size_t i = 0; i < kSendIntervals.size(); ++i)
        if (kSendIntervals[i].code == code) return int(i);
    return std::nullopt;
}

QString padded(const QString& text, int width) {
    return text.size() >= width ? text : text + QString(width - text.size(), QLatin1Char(' '));
}

QByteArray writeFrame(const QString& cell, std::uint8_t code, const QString& hidden) {
    QString text = padded(cell.left(kCellWidth), kCellWidth);
    text += cp1252::decode(char(code));
    text += padded(hidden, kHiddenWidth + 1);
    return cp1252::encode(text).left(kRecordSize);
}

}  // namespace vernoll::sms
