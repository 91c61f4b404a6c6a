#include "link/channel.h"

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

}  // namespace vernoll
