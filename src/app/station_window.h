#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

#include "archive/archive.h"

class QDateEdit;
class QLabel;
class QPushButton;
class QTableWidget;

namespace vernoll {

class Dialogs;

// "Estaciones": every logger the station archive holds, one row each with the columns of the
// command line's `archive list` and what to plan with (days since the last download, the day
// its memory fills, red within a week or when full, its clock's drift per day, red beyond
// 2 s), the most urgent first; below, the chosen one's log (as `archive history`); for it, a
// period (from one day to another, both whole), its readings exported as the archive's CSV or
// drawn as a chart. Each action reads the archive afresh, so what the command line stored
// meanwhile shows. An archive that cannot be read is said with its error above the list.
class StationWindow : public QWidget {
    Q_OBJECT
public:
    // `dialogs` asks for the export's file and tells what happened; it must outlive the window.
    StationWindow(QString location, Dialogs& dialogs, QWidget* parent = nullptr);

    // Reads the archive's loggers again.
    void refresh();
    // The period's ends as the archive takes them: the from day's first second, the to day's
    // last.
    QDateTime from() const;
    QDateTime to() const;
    // The chosen logger; nothing when none is.
    std::optional<archive::Station> chosen() const;

    // The buttons: ask for a file and write the period's readings; open the period's chart.
    void exportCsv();
    void showChart();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void choose();
    void showHistory(std::uint32_t serial);
    // Every column as wide as its widest cell, and the window as wide as the columns.
    void fitColumns();
    bool placed_ = false;

    QString location_;
    Dialogs& dialogs_;
    std::vector<archive::Station> stations_;
    QLabel* status_ = nullptr;
    QTableWidget* table_ = nullptr;
    QTableWidget* history_ = nullptr;
    QDateEdit* from_ = nullptr;
    QDateEdit* to_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* chart_ = nullptr;
};

}  // namespace vernoll
