#include "memory/file_io.h"

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

QString saveErrorText() {
    return QStringLiteral(
        "ERROR al grabar archivo\r\nCierre las aplicaciones asociadas por Excel o Cambie de "
        "nombre al archivo \r\nRealice el procedimeinto nuevamente");
}

}  // namespace vernoll::memory
