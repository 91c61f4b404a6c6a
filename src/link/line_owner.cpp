#include "link/line_owner.h"

namespace vernoll {

bool LineOwner::take(const QString& name) {
    if (held() || name.isEmpty()) return false;
    holder_ = name;
    emit changed(holder_);
    return true;
}

void LineOwner::release() {
    if (!held()) return;
    holder_.clear();
    emit changed(holder_);
}

}  // namespace vernoll
