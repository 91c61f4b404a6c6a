#pragma once

#include <QString>
#include <QStringList>

// The station list's and the chart offer's texts, exactly as the user reads them.
namespace vernoll::station_texts {

inline const QString kWindowTitle = QStringLiteral("Estaciones");
// The columns, in the order of the command line's `archive list`.
inline const QStringList kColumns = {
    QStringLiteral("Serie"),
    QStringLiteral("Equipo"),
    QStringLiteral("Usuario"),
    QStringLiteral(u"Ubicaci\u00f3n"),
    QStringLiteral("Lecturas"),
    QStringLiteral("Primera"),
    QStringLiteral(u"\u00daltima"),
    QStringLiteral(u"\u00daltima descarga"),
    QStringLiteral("Diferencia reloj (s)"),
    QStringLiteral("Conflictos"),
};
inline const QString kDateFormat = QStringLiteral("dd/MM/yyyy HH:mm");
inline const QString kFrom = QStringLiteral("Desde:");
inline const QString kTo = QStringLiteral("Hasta:");
inline const QString kExportCsv = QStringLiteral("Exportar CSV...");
inline const QString kShowChart = QStringLiteral(u"Ver gr\u00e1fico");
inline const QString kRefresh = QStringLiteral("Actualizar");
inline const QString kArchive = QStringLiteral("Archivo de lecturas: %1");
inline const QString kEmpty = QStringLiteral(u"El archivo de lecturas %1 no tiene registradores.");
// "%1" the number of readings, "%2" the file.
inline const QString kExported = QStringLiteral("Se exportaron %1 lecturas a %2");

// Asked after a completed download and after a base file opened from the window.
inline const QString kChartQuestion = QStringLiteral(u"\u00bfDesea ver el gr\u00e1fico?");

}  // namespace vernoll::station_texts
