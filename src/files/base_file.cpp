#include "files/base_file.h"

#include "form/controls.h"
#include "memory/file_io.h"

namespace vernoll::files {

BaseFile::BaseFile(FormState& form, Dialogs& dialogs, memory::MemoryImage& image, QObject* parent)
    : QObject(parent), form_(form), dialogs_(dialogs), image_(image) {}

void BaseFile::giveBack() {
    form_.setEnabled(ctl::groups::kGivenBackByFileWork, true);
}

BaseFile::Outcome BaseFile::open() {
    form_.setEnabled(ctl::groups::kHeldByFileWork, false);
    const auto path =
        dialogs_.openFileName({QStringLiteral("datos base (*.rgt)"), QStringLiteral("*.rgt")});
    if (!path) {
        // Nothing chosen: nothing loaded, the buttons as they were before.
        giveBack();
        return Outcome::Cancelled;
    }
    return load(*path);
}

BaseFile::Outcome BaseFile::load(const QString& path) {
    loaded_ = 0;
    const std::optional<QByteArray> bytes = memory::readBaseFile(path, form_.memo);
    if (!bytes) {
        giveBack();
        return Outcome::Failed;
    }

    form_.conti = 0;
    form_.contj = 0;
    form_.setEnabled(ctl::kReconnect, false);
    form_.progressMax = form_.memo;
    form_.setVisible(ctl::progress::kBar, true);
    form_.setEnabled(ctl::progress::kBar, true);
    form_.setVisible(ctl::progress::kCancel, false);
    form_.setText(ctl::progress::kWindow, QStringLiteral("Procesando Archivo"));
    form_.setVisible(ctl::progress::kWindow, true);

    memory::loadBaseFile(image_, *bytes);
    loaded_ = bytes->size();
    form_.conti = form_.memo + 1;
    form_.setText(ctl::progress::kBar, QString::number(form_.memo));

    form_.setEnabled(ctl::kReconnect, true);
    form_.setVisible(ctl::progress::kWindow, false);
    form_.setVisible(ctl::progress::kCancel, true);
    dialogs_.message(QStringLiteral("El archivo se proceso con exito"));
    form_.setEnabled(ctl::kExportEvents, true);
    giveBack();
    emit loaded();
    return Outcome::Loaded;
}

}  // namespace vernoll::files
