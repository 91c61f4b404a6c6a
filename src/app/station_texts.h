#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include "chart/chart_texts.h"

// The station list's and the chart offer's texts, exactly as the user reads them.
namespace vernoll::station_texts {

inline const QString kWindowTitle = QStringLiteral("Estaciones");
// The columns: the command line's `archive list`, what to plan with after the last download.
inline const QStringList kColumns = {
    QStringLiteral("Serie"),
    QStringLiteral("Equipo"),
    QStringLiteral("Usuario"),
    QStringLiteral(u"Ubicaci\u00f3n"),
    QStringLiteral("Lecturas"),
    QStringLiteral("Primera"),
    QStringLiteral(u"\u00daltima"),
    QStringLiteral(u"\u00daltima descarga"),
    QStringLiteral(u"D\u00edas sin descargar"),
    QStringLiteral("Memoria llena el"),
    QStringLiteral(u"Deriva (s/d\u00eda)"),
    QStringLiteral("Diferencia reloj"),
    QStringLiteral("Conflictos"),
};
// The chosen logger's log, as `archive history` gives it.
inline const QStringList kHistoryColumns = {
    QStringLiteral("Fecha"), QStringLiteral(u"Operaci\u00f3n"), QStringLiteral("Puerto"),
    QStringLiteral("Usuario"), QStringLiteral("Detalle")};
inline const QString kDownloadKind = QStringLiteral("Descarga");
inline const QString kConfigSendKind = QStringLiteral(u"Env\u00edo de configuraci\u00f3n");
inline const QString kSerialWriteKind = QStringLiteral(u"N\u00famero de serie");
inline const QString kSmsWriteKind = QStringLiteral("Config. SMS");
// What a configuration send changed, by the log's names of the fields.
inline const QHash<QString, QString> kConfigFields = {
    {QStringLiteral("user"), QStringLiteral("usuario")},
    {QStringLiteral("location"), QStringLiteral(u"ubicaci\u00f3n")},
    {QStringLiteral("latitude"), QStringLiteral("latitud")},
    {QStringLiteral("longitude"), QStringLiteral("longitud")},
    {QStringLiteral("altitude"), QStringLiteral("altitud")},
    {QStringLiteral("interval_minutes"), QStringLiteral("intervalo")},
    {QStringLiteral("clock"), QStringLiteral("reloj")}};
// A memory that fills within this many days, or a clock that drifts more than this many seconds
// a day, is shown red.
inline constexpr int kFullWithinDays = 7;
inline constexpr double kDriftLimit = 2.0;
inline const QString kDateFormat = QStringLiteral("dd/MM/yyyy HH:mm");
inline const QString kFrom = QStringLiteral("Desde:");
inline const QString kTo = QStringLiteral("Hasta:");
inline const QString kExportCsv = QStringLiteral("Exportar CSV...");
inline const QString kShowChart = QStringLiteral(u"Ver gr\u00e1fico");
inline const QString kRefresh = QStringLiteral("Actualizar");
inline const QString kArchive = QStringLiteral("Archivo de lecturas: %1");
inline const QString kEmpty = QStringLiteral(u"El archivo de lecturas %1 no tiene registradores.");
// "%1" the number of readings, "%2" the file.
inline const QString kExported = chart_texts::kExported;

// Asked after a completed download and after a base file opened from the window.
inline const QString kChartQuestion = QStringLiteral(u"\u00bfDesea ver el gr\u00e1fico?");

}  // namespace vernoll::station_texts
