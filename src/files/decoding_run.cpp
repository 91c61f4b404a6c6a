#include "files/decoding_run.h"

#include "family/family.h"
#include "form/controls.h"
#include "memory/file_io.h"
#include "memory/report.h"

namespace vernoll::files {

DecodingRun::DecodingRun(FormState& form, Dialogs& dialogs, const memory::MemoryImage& image,
                         memory::Decoder& decoder, QObject* parent)
    : QObject(parent), form_(form), dialogs_(dialogs), image_(image), decoder_(decoder) {}

DecodingRun::Outcome DecodingRun::run() {
    form_.setTimer1Enabled(false);
    form_.setEnabled(ctl::groups::kHeldByFileWork, false);
    form_.setEnabled(ctl::kReconnect, false);
    form_.progressMax = form_.memo;
    form_.setVisible(ctl::progress::kBar, true);
    form_.setEnabled(ctl::progress::kBar, true);
    form_.setVisible(ctl::progress::kCancel, false);
    form_.setText(ctl::progress::kWindow, QStringLiteral("Generacion de Archivo"));
    form_.setVisible(ctl::progress::kWindow, true);

    // The walk does not yield: the decoder's state must not change under it.
    const QDateTime now = now_();
    QStringList diagnostics;
    readings_.clear();
    columns_.clear();
    if (keepReadings_) columns_ = family::columnsOfLines(form_.Nserie);
    text_ = memory::csvText(image_, form_.memo, decoder_, form_.Nserie, form_.summary, form_.data1,
                            now, &diagnostics, memory::reportLocale(),
                            keepReadings_ ? &readings_ : nullptr, &records_);
    for (const QString& line : diagnostics) form_.print(line);
    form_.setText(ctl::progress::kBar, QString::number(form_.memo));

    form_.setEnabled(ctl::kReconnect, true);
    form_.setVisible(ctl::progress::kWindow, false);
    form_.setVisible(ctl::progress::kCancel, true);

    savedPath_.clear();
    const QByteArray bytes = memory::fileBytes(text_);
    const Dialogs::Filter filter{QStringLiteral("datos excel (*.CSV)"), QStringLiteral("*.CSV")};
    const QString suggested =
        memory::suggestedCsvName(form_.control(ctl::kLocation).text, now.date());
    while (true) {
        const auto path = dialogs_.saveFileName(filter, suggested);
        if (!path) {
            QString text = QStringLiteral("No se grab\u00f3 el archivo CSV.");
            if (!backupPath_.isEmpty())
                text += QStringLiteral("\r\nLa descarga qued\u00f3 guardada en ") + backupPath_;
            dialogs_.message(text, Dialogs::Icon::Information);
            break;
        }
        if (memory::writeFile(*path, bytes)) {
            savedPath_ = *path;
            break;
        }
        dialogs_.message(memory::saveErrorText(), Dialogs::Icon::Critical);
    }
    if (!savedPath_.isEmpty() && dialogs_.askYesNo(QStringLiteral("Desea Abrir Archivo")))
        dialogs_.openWithApplication(savedPath_);

    form_.loggerClock = now_().time();
    form_.setTimer1Enabled(true);
    form_.setEnabled(ctl::groups::kGivenBackByFileWork, true);
    return savedPath_.isEmpty() ? Outcome::NotSaved : Outcome::Saved;
}

}  // namespace vernoll::files
