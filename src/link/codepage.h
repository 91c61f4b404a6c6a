#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace vernoll::cp1252 {

// Text on the wire and in files is one byte a character in code page 1252.

// Every byte decodes to one character; 0x81, 0x8D, 0x8F, 0x90 and 0x9D, which the code page
// leaves undefined, map to the control characters of the same value.
QString decode(QByteArrayView bytes);
QChar decode(char byte);

// Characters outside the code page become "?".
QByteArray encode(const QString& text);

}  // namespace vernoll::cp1252
