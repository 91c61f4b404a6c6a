#pragma once

#include <QObject>
#include <QString>

#include "form/form_state.h"
#include "link/channel.h"
#include "link/exchange_context.h"

namespace vernoll {

// The probe channel's event handler. During discovery it recognises the logger's answer to
// the wake-up byte (21 bytes or more waiting); every other event is written as a line on the
// window's surface, where it stays until the next discovery clears it.
class LineEvents : public QObject {
    Q_OBJECT
public:
    LineEvents(FormState& form, Channel& mscomm1, ExchangeContext& exchange,
               QObject* parent = nullptr);

    // The text an event code writes on the surface; empty for the send event.
    static QString text(int code);

private:
    void onComm(int code);

    FormState& form_;
    Channel& mscomm1_;
    ExchangeContext& exchange_;
};

}  // namespace vernoll
