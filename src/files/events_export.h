#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>

#include "form/dialogs.h"
#include "form/form_state.h"
#include "memory/decoder.h"
#include "memory/memory_image.h"

namespace vernoll::files {

// "Exportar Eventos (.txt) y Base de Datos (.xls)": decodes a loaded base file again into
// the spreadsheet database file (comma-separated text despite its ".xls" name: the column
// header and the lines of rows 6..memo) and the events text, which is shown, not saved.
// Every export starts from the plain column header line.
class EventsExport : public QObject {
    Q_OBJECT
public:
    enum class Outcome { Saved, NotSaved, SaveFailed };

    EventsExport(FormState& form, Dialogs& dialogs, const memory::MemoryImage& image,
                 memory::Decoder& decoder, QObject* parent = nullptr);

    // Asks where to write the events text and the spreadsheet file and writes them.
    Outcome start();

    const QString& spreadsheet() const { return spreadsheet_; }
    const QString& events() const { return events_; }
    int records() const { return records_; }
    const QString& savedPath() const { return savedPath_; }
    void setClock(std::function<QDateTime()> now) { now_ = std::move(now); }

private:
    FormState& form_;
    Dialogs& dialogs_;
    const memory::MemoryImage& image_;
    memory::Decoder& decoder_;
    QString spreadsheet_;
    QString events_;
    int records_ = 0;
    QString savedPath_;
    std::function<QDateTime()> now_ = [] { return QDateTime::currentDateTime(); };
};

}  // namespace vernoll::files
