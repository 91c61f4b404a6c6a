#include "files/events_export.h"

#include "form/controls.h"
#include "memory/file_io.h"
#include "memory/report.h"

namespace vernoll::files {

EventsExport::EventsExport(FormState& form, Dialogs& dialogs, const memory::MemoryImage& image,
                           memory::Decoder& decoder, QObject* parent)
    : QObject(parent), form_(form), dialogs_(dialogs), image_(image), decoder_(decoder) {}

EventsExport::Outcome EventsExport::start() {
    form_.setTimer1Enabled(false);
    form_.setEnabled(ctl::groups::kHeldByFileWork, false);
    const QDateTime now = now_();
    const QString header = memory::eventsHeader(now);
    form_.setEnabled(ctl::kReconnect, false);
    form_.progressMax = form_.memo;
    form_.setVisible(ctl::progress::kBar, true);
    form_.setEnabled(ctl::progress::kBar, true);
    form_.setVisible(ctl::progress::kCancel, false);
    form_.setText(ctl::progress::kWindow, QStringLiteral("Generacion de Archivo"));
    form_.setVisible(ctl::progress::kWindow, true);

    QStringList diagnostics;
    spreadsheet_ = memory::spreadsheetText(image_, form_.memo, decoder_, form_.Nserie, form_.data1,
                                           &diagnostics, &records_);
    for (const QString& line : diagnostics) form_.print(line);
    form_.setText(ctl::progress::kBar, QString::number(form_.memo));

    form_.setVisible(ctl::progress::kBar, false);
    form_.setEnabled(ctl::progress::kBar, false);
    form_.setVisible(ctl::progress::kCancel, true);
    form_.setText(ctl::progress::kWindow, QStringLiteral("Generacion"));
    form_.setEnabled(ctl::kReconnect, true);
    form_.setVisible(ctl::progress::kWindow, false);

    events_ = memory::eventsText(header, decoder_.eventsText());
    form_.setText(ctl::kEventsText, events_);

    savedPath_.clear();
    Outcome outcome = Outcome::NotSaved;
    const auto path = dialogs_.saveFileName(
        {QStringLiteral("datos excel (*.xls)"), QStringLiteral("*.xls")}, QStringLiteral("datos"));
    if (!path) {
        dialogs_.message(QStringLiteral("No se grab\u00f3 el archivo."),
                         Dialogs::Icon::Information);
    } else if (!memory::writeFile(*path, memory::fileBytes(spreadsheet_))) {
        dialogs_.message(memory::saveErrorText(), Dialogs::Icon::Critical);
        form_.setEnabled(ctl::groups::kGivenBackByFileWork, true);
        form_.setTimer1Enabled(true);
        return Outcome::SaveFailed;
    } else {
        savedPath_ = *path;
        outcome = Outcome::Saved;
        dialogs_.message(QStringLiteral("Archivo grabado en ") + savedPath_,
                         Dialogs::Icon::Information);
    }
    form_.loggerClock = now_().time();
    form_.setTimer1Enabled(true);
    form_.setEnabled(ctl::groups::kGivenBackByFileWork, true);
    return outcome;
}

}  // namespace vernoll::files
