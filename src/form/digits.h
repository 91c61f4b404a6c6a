#pragma once

#include <QString>

namespace vernoll {

// How many characters of a text are not decimal digits. A box that takes only digits refuses
// an edit that brings in more of them than the text it had, and lets the program's own texts
// ("Nro  : 00020500") stand.
inline qsizetype nonDigits(const QString& text) {
    qsizetype n = 0;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) ++n;
    return n;
}

}  // namespace vernoll
