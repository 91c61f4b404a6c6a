#include "link/line_events.h"

namespace vernoll {

LineEvents::LineEvents(const ChannelSet& channels, QObject* parent)
    : QObject(parent), channels_(channels) {
    connect(&channels_[1], &Channel::commEvent, this, &LineEvents::onComm);
}

QString LineEvents::text(int code) {
    switch (code) {
        case comm::Send:
            return {};
        case comm::Cts:
            return QStringLiteral("cambio en CTS");
        case comm::Dsr:
            return QStringLiteral("Detectado cambio en DSR");
        case comm::Cd:
            return QStringLiteral("Detectado cambio en CD");
        case comm::Ring:
            return QStringLiteral("El tel\u00e9fono est\u00e1 sonando");
        case comm::Eof:
            return QStringLiteral("Detectado el final del archivo");
        case comm::Break:
            return QStringLiteral("Parada recibida");
        case comm::CtsTimeout:
            return QStringLiteral("Soprepasado el tiempo de espera de CTS");
        case comm::DsrTimeout:
            return QStringLiteral("Sobrepasado el tiempo de espera de DSR");
        case comm::Frame:
            return QStringLiteral("Error de marco");
        case comm::Overrun:
            return QStringLiteral("Error de sobrecarga");
        case comm::CdTimeout:
            return QStringLiteral("Sobrepasado el tiempo de espera de detecci\u00f3n de portadora");
        case comm::RxOver:
            return QStringLiteral("Desbordamiento en el b\u00fafer de recepci\u00f3n");
        case comm::RxParity:
            return QStringLiteral("Error de paridad");
        case comm::TxFull:
            return QStringLiteral("B\u00fafer de transmisi\u00f3n lleno");
        case comm::Dcb:
            return QStringLiteral("Error recibiendo DCB");
        default:
            return QStringLiteral("Error o evento desconocido");
    }
}

void LineEvents::onComm(int code) {
    if (code == comm::Send) return;
    Channel& mscomm1 = channels_[1];
    LineOwner& line = channels_.line();
    if (code == comm::Receive) {
        const int waiting = mscomm1.bytesWaiting();
        if (waiting > 20) {
            channels_.exchange().answered = true;
            line.diagnose(QString::number(waiting));
            mscomm1.close();  // the waiting bytes are dropped, never read
        } else {
            line.diagnose(QString::number(waiting) + QStringLiteral("TOKO"));
            mscomm1.clearInput();
            line.diagnose(QStringLiteral("otro valor eventos"));
        }
        return;
    }
    line.diagnose(text(code));
}

}  // namespace vernoll
