#pragma once

#include <QString>

#include "form/form_state.h"
#include "link/channel.h"

namespace vernoll {

// What every exchange's receive handler does first with a receive event: the logger has
// answered (answer flag -1), one byte is taken into the received byte (a failed read keeps the
// previous one) and counted. Returns n, the byte's number in the exchange.
inline int receiveOne(FormState& form, Channel& ch) {
    form.answerFlag = -1;
    const QByteArray got = ch.read(1);
    if (!got.isEmpty()) form.receivedByte = std::uint8_t(got[0]);
    return ++form.exchangeCounter;
}

// A byte the exchange has no place for: what is waiting is dropped, the diagnostic printed on
// the window (none when empty), and the channel closed.
inline void dropExchange(FormState& form, Channel& ch, const QString& diagnostic) {
    ch.clearInput();
    if (!diagnostic.isEmpty()) form.print(diagnostic);
    ch.close();
}

}  // namespace vernoll
