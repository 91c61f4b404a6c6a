#include "config/device.h"

#include "config/record.h"
#include "family/family.h"

namespace vernoll::config {

std::optional<DeviceType> classify(float nserie) {
    const family::Family* f = family::of(nserie);
    if (!f || !f->name) return std::nullopt;
    return DeviceType{f->name, f->header, f->memoryBlocks == family::kLargeMemoryBlocks};
}

bool hasSms(float nserie) {
    return family::hasSms(nserie);
}

QString summary(const SummaryFields& f) {
    const QString crlf = QStringLiteral("\r\n");
    QString text;
    bool ok = false;
    const double minutes = f.intervalMinutes.toDouble(&ok);
    if (ok) {
        // A number printed with its sign position: a blank before a positive value.
        const QString number =
            (minutes < 0 ? QString() : QStringLiteral(" ")) + QString::number(minutes, 'g', 15);
        text = QStringLiteral("Muestras cada ") + number + QStringLiteral(" Minutos") + crlf +
               f.serialCaption + crlf + QStringLiteral("Usuario: ") + f.user + crlf +
               QStringLiteral("Ubicacion: ") + f.location + crlf + QStringLiteral("Latitud: ") +
               f.latitude + crlf + QStringLiteral("Longitud: ") + f.longitude;
    }
    text += crlf + QStringLiteral("Altitud: ") + f.altitude + crlf + crlf + crlf;
    return text;
}

QString intervalMinutesText(std::uint8_t code) {
    const auto index = intervalIndex(code);
    return index ? QString::fromLatin1(kIntervals[std::size_t(*index)].minutes) : QString();
}

QString summary(const Configuration& c, const QString& intervalMinutes) {
    SummaryFields fields;
    fields.intervalMinutes = intervalMinutes;
    // The two blanks before the colon are the logger program's.
    fields.serialCaption = QStringLiteral("Nro  : ") + c.serial;
    fields.user = c.texts[0];
    fields.location = c.texts[1];
    fields.latitude = c.texts[2];
    fields.longitude = c.texts[3];
    fields.altitude = c.texts[4];
    return summary(fields);
}

}  // namespace vernoll::config
