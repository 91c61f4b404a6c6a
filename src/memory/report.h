#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "family/reading.h"
#include "memory/decoder.h"
#include "memory/memory_image.h"

namespace vernoll::memory {

// The texts of the decoding runs, built from the memory image through the decoder. No I/O,
// no dialogs: the operations show and save them.

// The program speaks Spanish: the long date and time of its report headers are Spain's,
// whatever the machine's locale ("miércoles, 9 de diciembre de 2026").
QLocale reportLocale();

// The report header of the CSV export: " Equipo Registrador TOLVAR ", the date and time of
// the run in the locale's long formats, an empty line and "Datos de configuracion".
QString reportHeader(const QDateTime& now, const QLocale& locale = reportLocale());

// The lines of rows first..last (inclusive, clamped to the image), in row order. Empties the
// decoder's row text first; diagnostics of the decoder are appended to `diagnostics`, and the
// reading of each line to `readings`.
QString decodeRows(const MemoryImage& image, int first, int last, Decoder& decoder, float nserie,
                   QStringList* diagnostics = nullptr, std::vector<Reading>* readings = nullptr);

// The whole CSV text of a decoding run: report header, configuration summary, column header
// line `data1` (CR LF ended), the lines of rows 0..memo, a final CR LF. Each run starts from
// the plain summary and header it is given. The decoder's events text is emptied first. The
// reading of each line is appended to `readings`, in the same walk.
QString csvText(const MemoryImage& image, int memo, Decoder& decoder, float nserie,
                const QString& summary, const QString& data1, const QDateTime& now,
                QStringList* diagnostics = nullptr, const QLocale& locale = reportLocale(),
                std::vector<Reading>* readings = nullptr, int* records = nullptr);

// The readings of a memory image (a download's, or a base file's) of the logger `nserie`, as
// a decoding run walks rows 0..memo, and the columns their values belong to. A decoder of
// its own: what earlier runs left in the program's decoder plays no part.
struct ImageReadings {
    std::vector<Column> columns;
    std::vector<Reading> readings;
};
// Each reading is keyed on `serial` when given (the logger's own digits: a float cannot hold
// every 8-digit serial number), else on nserie.
ImageReadings readingsOfImage(const MemoryImage& image, int memo, float nserie,
                              std::optional<std::uint32_t> serial = std::nullopt);

// The spreadsheet database text of the events export: `data1`, the lines of rows 6..memo, a
// final CR LF. The lines of rows 0..5 are decoded and dropped. The decoder's events text is
// emptied first.
QString spreadsheetText(const MemoryImage& image, int memo, Decoder& decoder, float nserie,
                        const QString& data1, QStringList* diagnostics = nullptr,
                        int* records = nullptr);

// The events header: "Registro de eventos y configuracion de equipo registrador  ", the date
// and time of the export in the locale's long formats, an empty line and
// "DATOS DE CONFIGURACION", each line CR LF ended.
QString eventsHeader(const QDateTime& now, const QLocale& locale = reportLocale());

// The events text as shown: the header, an empty line, "Eventos producidos:", an empty line
// and the decoder's event lines.
QString eventsText(const QString& header, const QString& decoderEvents);

// The name the CSV save dialog proposes: location + " " + day + "_" + month + "_" + year
// (no leading zeros, four-digit year), "Campo 6_12_2026". Characters a file name cannot hold
// (\ / : * ? " < > | and control characters) become "_"; the location's padding blanks at
// its end go, other blanks are kept.
QString suggestedCsvName(const QString& location, const QDate& today);

// A text as the bytes of a file: code page 1252.
QByteArray fileBytes(const QString& text);

}  // namespace vernoll::memory
