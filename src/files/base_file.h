#pragma once

#include <QObject>
#include <QString>

#include "form/dialogs.h"
#include "form/form_state.h"
#include "memory/memory_image.h"

namespace vernoll::files {

// "Abrir Archivo Base (.rgt)": loads a base file into the memory image in place of a download.
// A base file is the logger's memory as a plain byte stream, row after row of 64 bytes, with
// no header; the loader takes at most 64 x (memo + 1) bytes and leaves rows past a short
// file's end as they were. Opening decodes nothing: it offers the events export.
class BaseFile : public QObject {
    Q_OBJECT
public:
    enum class Outcome { Loaded, Cancelled, Failed };

    BaseFile(FormState& form, Dialogs& dialogs, memory::MemoryImage& image,
             QObject* parent = nullptr);

    // Asks for a base file and opens it into the memory image.
    Outcome open();
    // Loads `path` as open() does after its dialog (the command line's decode).
    Outcome load(const QString& path);
    // Bytes taken from the last file loaded.
    qint64 bytesLoaded() const { return loaded_; }

signals:
    // A file was loaded, after its message was answered.
    void loaded();

private:
    void giveBack();

    FormState& form_;
    Dialogs& dialogs_;
    memory::MemoryImage& image_;
    qint64 loaded_ = 0;
};

}  // namespace vernoll::files
