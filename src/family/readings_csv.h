#pragma once

#include <QString>
#include <span>

#include "family/reading.h"

namespace vernoll {

// Readings as the archive's export writes them: the line "fecha_hora," and the column titles,
// then one line per reading, its time stamp as "yyyy-MM-ddTHH:mm:ss" and its values printed
// as the download's CSV prints them; a value the record did not give is an empty field.
// Every line, the last included, ends with CR LF. The caller encodes the text (code page 1252).
QString readingsCsvHeader(std::span<const Column> columns);
void appendReadingsCsv(QString& text, std::span<const Reading> readings);
QString readingsCsv(std::span<const Column> columns, std::span<const Reading> readings);

}  // namespace vernoll
