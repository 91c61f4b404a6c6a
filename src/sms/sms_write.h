#pragma once

#include "link/paced_write.h"

namespace vernoll::sms {

// "Enviar Config.SMS": writes the SMS settings shown in the window back on MSComm7. A paced
// write (link/paced_write.h):
//   n = 1      answered with 0x2E, which selects the SMS settings write
//   n = 2..21  answered with frame byte n - 1: 15 bytes of cell number, the send-interval
//              code, the four hidden bytes the read found
// The logger confirms nothing; the write is done once the 20th frame byte went out.
class SmsWrite : public PacedWrite {
    Q_OBJECT
public:
    SmsWrite(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
             ExchangeOpening& opening, Timing timing, QObject* parent = nullptr);

    // A click of Option10 .. Option14 (index 0..4): that button's send-interval code.
    void chooseInterval(int index);
    // Writes the SMS settings ("Enviar Config.SMS").
    void start();

signals:
    // The user cancelled the confirmation; nothing was changed or sent.
    void cancelled();

private:
    void end() override;
};

}  // namespace vernoll::sms
