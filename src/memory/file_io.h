#pragma once

#include <QByteArray>
#include <QString>

#include "memory/memory_image.h"

namespace vernoll::memory {

// Writes `bytes` to `path` whole or not at all (a file held open elsewhere keeps its old
// content). False on failure.
bool writeFile(const QString& path, const QByteArray& bytes);

// Writes rows 0..rows-1 of the image as a base file: the rows' bytes one after another.
bool writeBaseFile(const QString& path, const MemoryImage& image, int rows);

// The message of an export that could not be written.
QString saveErrorText();

}  // namespace vernoll::memory
