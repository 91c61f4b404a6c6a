// Any file opened as a base file, for any logger type, loads and goes through the events
// export without a crash: the loader, the decoder over the whole walk and the texts.

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

#include "base_file_serials.h"
#include "files/base_file.h"
#include "files/events_export.h"
#include "support/fake_dialogs.h"

using namespace vernoll;

namespace {
QTemporaryDir* folder = nullptr;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    folder = new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString path = folder->filePath(QStringLiteral("in.rgt"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    FormState form;
    test::FakeDialogs dialogs;
    memory::MemoryImage image;
    memory::Decoder decoder;
    form.Nserie = fuzz::kBaseFileSerials[size % std::size(fuzz::kBaseFileSerials)];
    form.memo = (size & 1) ? 4098 : 1026;
    files::BaseFile base(form, dialogs, image);
    if (base.load(path) != files::BaseFile::Outcome::Loaded) return 0;
    files::EventsExport exporter(form, dialogs, image, decoder);
    exporter.start();  // no save path: the dialog is cancelled, nothing written
    return 0;
}
