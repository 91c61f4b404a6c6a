#pragma once

#include <QString>

// The chart's texts as the user reads them, in one place.
namespace vernoll::chart_texts {

inline const QString kNoReadings = QStringLiteral(u"No hay lecturas en el per\u00edodo elegido");
inline const QString kNoReadingsInFile = QStringLiteral(u"El archivo base no tiene lecturas");

// The window.
inline const QString kWindowTitle = QStringLiteral(u"Gr\u00e1fico");
inline const QString kReset = QStringLiteral(u"Restablecer");
inline const QString kBars = QStringLiteral(u"Barras:");
inline const QString kBarsHourly = QStringLiteral(u"Suma por hora");
inline const QString kBarsDaily = QStringLiteral(u"Suma por d\u00eda");
inline const QString kExportPng = QStringLiteral(u"Exportar PNG...");
inline const QString kExportCsv = QStringLiteral(u"Exportar CSV...");
inline const QString kHint = QStringLiteral(
    u"Arrastre para ampliar un per\u00edodo \u00b7 rueda: acercar o alejar \u00b7 "
    u"bot\u00f3n derecho o central: desplazar \u00b7 clic en la leyenda: mostrar u ocultar");
inline const QString kPngFilter = QStringLiteral(u"imagen PNG (*.png)");
inline const QString kPngPattern = QStringLiteral(u"*.png");
inline const QString kCsvFilter = QStringLiteral(u"datos excel (*.CSV)");
inline const QString kCsvPattern = QStringLiteral(u"*.CSV");

// The chart.
inline const QString kTimeAxis = QStringLiteral(u"Hora del registrador");
inline const QString kSerial = QStringLiteral(u"Registrador");
inline const QString kSumOfHour = QStringLiteral(u"(suma por hora)");
inline const QString kSumOfDay = QStringLiteral(u"(suma por d\u00eda)");
inline const QString kNoValue = QStringLiteral(u"sin valor");
inline const QString kNothingHere = QStringLiteral(u"sin lecturas");

// Files.
inline const QString kSavedPng = QStringLiteral(u"Se guard\u00f3 el gr\u00e1fico en %1");
inline const QString kExported = QStringLiteral(u"Se exportaron %1 lecturas a %2");
inline const QString kCannotSave = QStringLiteral(u"No se pudo guardar %1: %2");
inline const QString kBadSize = QStringLiteral(u"Tama\u00f1o de imagen no v\u00e1lido: %1x%2");

}  // namespace vernoll::chart_texts
