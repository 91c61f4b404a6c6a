#include "config/device.h"

#include <array>

namespace vernoll::config {

namespace {

constexpr char kRainHeader[] = "Fecha,Hora,Temperatura[\u00baC],Precipitacion[mm]";

// One family: serial numbers lo <= n < hi.
struct Family {
    float lo, hi;
    DeviceType type;
};

// Tested in this order, and all of them: a later match overrides an earlier one.
const std::array<Family, 14> kFamilies = {{
    {123, 124, {"Radiometro", "Fecha,Hora,Radiacion[Kw/m2]", false}},
    {20000, 21000, {"Termo-Pluviometro", kRainHeader, false}},
    {21000, 22000, {"Termometro", "Fecha,Hora,Temperatura[\u00baC]", false}},
    {22000,
     23000,
     {"Registrador Tension-Corriente ", "Fecha,Hora,Corriente [Acc],Tension[Vcc]", false}},
    {30000, 31000, {"Termo-Pluviometro", kRainHeader, false}},
    {40000, 42000, {"Termo-Pluviometro Digital ", kRainHeader, false}},
    {50000, 52000, {"Termo-Pluviometro Digital II", kRainHeader, true}},
    {70000, 72000, {"Nivel de Agua", "Fecha,Hora,Nivel [m]", true}},
    {90000, 92000, {"Nivel de Agua por Ultrasonido", "Fecha,Hora,Nivel [mm]", true}},
    {2040000, 2042000, {"Termo-Pluviometro Digital Con Telemetria", kRainHeader, false}},
    {2050000,
     2052000,
     {" Evaporimetro con Telemetria", "Fecha,Hora,Temperatura[\u00baC],EVA [mm],Nivel Reserva[cm]",
      false}},
    {2052000, 2052001, {" Evaporimetro ", "Fecha,Hora,EVA [mm]", false}},
    {2060000,
     2061000,
     {"Nivel De Embalse Con Telemetria", "Fecha,Hora,Nivel a Vertedero [m],Cota (m)[m]", false}},
    {124, 126, {"Caudalimetro ", "Fecha,Hora,Caudal [l]", false}},
}};

}  // namespace

std::optional<DeviceType> classify(float nserie) {
    std::optional<DeviceType> found;
    for (const Family& f : kFamilies)
        if (nserie >= f.lo && nserie < f.hi) found = f.type;
    return found;
}

bool hasSms(float nserie) {
    return nserie >= 2000000.0F && nserie <= 3000000.0F;
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

}  // namespace vernoll::config
