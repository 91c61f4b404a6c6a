#pragma once

#include "link/paced_write.h"

namespace vernoll::sms {

// "Enviar Config.SMS": writes SMS settings on MSComm7. A paced write (link/paced_write.h):
//   n = 1      answered with 0x2E, which selects the SMS settings write
//   n = 2..21  answered with frame byte n - 1: 15 bytes of cell number, the send-interval
//              code, the four hidden bytes the read found
// The logger confirms nothing; the write is done once the 20th frame byte went out.
class SmsWrite : public PacedWrite {
    Q_OBJECT
public:
    // What the front ends say around a write (lower case and blanks are the logger program's).
    static constexpr char kQuestion[] = "esta seguro de cambiar Configuracion SMS? ";
    static constexpr char kDone[] = "Se Modific\u00f3 configuraci\u00f3n SMS";  // UTF-8

    SmsWrite(const ChannelSet& channels, ExchangeOpening& opening, Timing timing,
             QObject* parent = nullptr);

    // Writes the cell number, the send-interval code and the hidden field (writeFrame).
    void start(const QString& cell, std::uint8_t code, const QString& hidden);

    // What the last write was given: the cell number and the send-interval code.
    const QString& sentCell() const { return cell_; }
    std::uint8_t sentCode() const { return code_; }

private:
    QString cell_;
    std::uint8_t code_ = 0;
};

}  // namespace vernoll::sms
