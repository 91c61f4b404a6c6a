#include "link/channel.h"

#include "link/wire_trace.h"

namespace vernoll {

void Channel::raise(int code) {
    lastEvent_ = code;
    emit commEvent(code);
}

void Channel::bytesArrived() {
    // A handler that itself pumps the event loop must not see its own event again.
    if (raising_) return;
    raising_ = true;
    while (isOpen() && signalsBlocked() == false) {
        const int before = bytesWaiting();
        if (before < threshold_) break;
        raise(comm::Receive);
        if (bytesWaiting() >= before) break;  // the handler took nothing: wait for more bytes
    }
    raising_ = false;
}

void Channel::traceSent(const QByteArray& bytes) const {
    if (trace_) trace_->sent(bytes);
}

void Channel::traceReceived(const QByteArray& bytes) const {
    if (trace_) trace_->received(bytes);
}

void Channel::traceNote(const QString& text) const {
    if (trace_) trace_->note(text);
}

}  // namespace vernoll
