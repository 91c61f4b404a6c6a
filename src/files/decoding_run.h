#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <vector>

#include "family/reading.h"
#include "form/dialogs.h"
#include "form/form_state.h"
#include "memory/decoder.h"
#include "memory/memory_image.h"

namespace vernoll::files {

// `generargt`: after a completed download, walks the whole memory image through the decoder
// and saves the CSV export (report header, configuration summary, column header, one line
// per record) where the user says, then offers to open it.
//
// Every run starts from the plain configuration summary and column header the import left:
// a second run never repeats the first one's header or lines. A cancelled save writes
// nothing and says so; a failed save says why and offers the dialog again.
class DecodingRun : public QObject {
    Q_OBJECT
public:
    enum class Outcome { Saved, NotSaved };

    DecodingRun(FormState& form, Dialogs& dialogs, const memory::MemoryImage& image,
                memory::Decoder& decoder, QObject* parent = nullptr);

    Outcome run();

    // The CSV text of the last run, its data lines, and where it was saved ("" if not).
    const QString& text() const { return text_; }
    int records() const { return records_; }
    // While set, each run also keeps the readings of its data lines, in their order, and the
    // columns of their values, from the same walk (it costs the run about a quarter more).
    void setKeepReadings(bool keep) { keepReadings_ = keep; }
    const std::vector<Reading>& readings() const { return readings_; }
    const std::vector<Column>& columns() const { return columns_; }
    const QString& savedPath() const { return savedPath_; }

    // Where a download's copy was kept, named in the message of a cancelled save.
    void setBackupPath(const QString& path) { backupPath_ = path; }
    // The PC's clock (tests fix it).
    void setClock(std::function<QDateTime()> now) { now_ = std::move(now); }

private:
    FormState& form_;
    Dialogs& dialogs_;
    const memory::MemoryImage& image_;
    memory::Decoder& decoder_;
    QString text_;
    int records_ = 0;
    bool keepReadings_ = false;
    std::vector<Reading> readings_;
    std::vector<Column> columns_;
    QString savedPath_;
    QString backupPath_;
    std::function<QDateTime()> now_ = [] { return QDateTime::currentDateTime(); };
};

}  // namespace vernoll::files
