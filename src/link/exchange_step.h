#pragma once

#include <QMetaObject>
#include <QObject>
#include <QString>
#include <functional>

#include "link/channel.h"
#include "link/exchange_context.h"
#include "link/line_owner.h"

namespace vernoll {

// What every exchange's receive handler does first with a receive event: the logger has
// answered, one byte is taken as the last byte (a failed read keeps the previous one) and
// counted. Returns n, the byte's number in the exchange.
inline int receiveOne(ExchangeContext& exchange, Channel& ch) {
    exchange.answered = true;
    const QByteArray got = ch.read(1);
    if (!got.isEmpty()) exchange.lastByte = std::uint8_t(got[0]);
    return ++exchange.counter;
}

// Runs `say` once the event loop is back. An exchange's ending happens in a receive handler;
// said from there, a presenter that asks the user something would run its dialog's loop inside
// the handler. Said this way it runs after the handler returned.
inline void sayWhenHandled(QObject* context, std::function<void()> say) {
    QMetaObject::invokeMethod(context, std::move(say), Qt::QueuedConnection);
}

// A byte the exchange has no place for: what is waiting is dropped, the diagnostic said on
// the line (none when empty), and the channel closed.
inline void dropExchange(LineOwner& line, Channel& ch, const QString& diagnostic) {
    ch.clearInput();
    if (!diagnostic.isEmpty()) line.diagnose(diagnostic);
    ch.close();
}

}  // namespace vernoll
