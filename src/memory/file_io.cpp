#include "memory/file_io.h"

#include <QFile>
#include <QSaveFile>

namespace vernoll::memory {

bool writeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool writeBaseFile(const QString& path, const MemoryImage& image, int rows) {
    const auto* data = reinterpret_cast<const char*>(image.data());
    return writeFile(path, QByteArray(data, qsizetype(rows) * MemoryImage::kRowBytes));
}

std::optional<QByteArray> readBaseFile(const QString& path, int frames) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    // Only what fits the rows the decoding walks is read, however large the file.
    const QByteArray bytes = file.read(qint64(frames + 1) * MemoryImage::kRowBytes);
    if (bytes.isEmpty() && file.error() != QFileDevice::NoError) return std::nullopt;
    return bytes;
}

void loadBaseFile(MemoryImage& image, const QByteArray& bytes) {
    constexpr int kRow = MemoryImage::kRowBytes;
    image.set(0, 0, 0);
    const int rows = int((bytes.size() + kRow - 1) / kRow);
    for (int row = 0; row < rows; ++row)
        image.setRow(row, QByteArrayView(bytes).sliced(
                              row * kRow, std::min<qsizetype>(kRow, bytes.size() - row * kRow)));
}

QString saveErrorText() {
    return QStringLiteral(
        "ERROR al grabar archivo\r\nCierre las aplicaciones asociadas por Excel o Cambie de "
        "nombre al archivo \r\nRealice el procedimeinto nuevamente");
}

}  // namespace vernoll::memory
