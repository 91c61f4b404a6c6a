#pragma once

#include <QObject>
#include <QString>

#include "link/channel_set.h"

namespace vernoll {

// The probe channel's event handler. During discovery it recognises the logger's answer to
// the wake-up byte (21 bytes or more waiting); every event says its text on the line (the
// window prints it on its surface, where it stays until the next discovery clears it).
class LineEvents : public QObject {
    Q_OBJECT
public:
    explicit LineEvents(const ChannelSet& channels, QObject* parent = nullptr);

    // The text an event code writes on the surface; empty for the send event.
    static QString text(int code);

private:
    void onComm(int code);

    const ChannelSet& channels_;
};

}  // namespace vernoll
