#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "memory/memory_image.h"

namespace vernoll::memory {

// Writes `bytes` to `path` whole or not at all (a file held open elsewhere keeps its old
// content). False on failure.
bool writeFile(const QString& path, const QByteArray& bytes);

// Writes rows 0..rows-1 of the image as a base file: the rows' bytes one after another.
bool writeBaseFile(const QString& path, const MemoryImage& image, int rows);

// A base file is the logger's memory as a plain byte stream, row after row of 64 bytes, with
// no header. Reads at most the rows a decoding walks of a download of `frames` (frames + 1
// rows) from `path`; nothing when the file cannot be read.
std::optional<QByteArray> readBaseFile(const QString& path, int frames);
// Puts a base file's bytes into the image from row 0, as opening one does: the first byte is
// cleared first, and rows past a short file's end stay as they were.
void loadBaseFile(MemoryImage& image, const QByteArray& bytes);

// The message of an export that could not be written.
QString saveErrorText();

}  // namespace vernoll::memory
