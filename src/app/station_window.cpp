#include "app/station_window.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/chart_offer.h"
#include "app/station_texts.h"
#include "app/widgets.h"
#include "chart/chart_texts.h"
#include "config/clock.h"
#include "family/family.h"
#include "form/controls.h"
#include "form/dialogs.h"
#include "link/codepage.h"

namespace vernoll {

namespace {

QString dateText(const std::optional<QDateTime>& stamp) {
    return stamp ? stamp->toString(station_texts::kDateFormat) : QString();
}

enum Column { Readings = 4, DaysSince = 8, FullOn = 9, Drift = 10, Offset = 11, Conflicts = 12 };

// The row of one logger, in the columns' order.
QStringList rowOf(const archive::Station& s) {
    const archive::Foresight& f = s.foresight;
    return {s.serialText(),
            s.device,
            s.user(),
            s.location(),
            QString::number(s.readings),
            dateText(s.first),
            dateText(s.last),
            dateText(s.lastDownload),
            f.daysSinceDownload ? QString::number(*f.daysSinceDownload) : QString(),
            f.memoryFullAt ? f.memoryFullAt->toString(QStringLiteral("dd/MM/yyyy")) : QString(),
            f.driftSPerDay ? QString::number(*f.driftSPerDay, 'f', 1) : QString(),
            s.clockOffsetS ? config::offsetText(*s.clockOffsetS) : QString(),
            QString::number(s.conflicts)};
}

// The counts and the clock's figures read best aligned on their last digit.
bool numeric(int column) {
    return column == Readings || column == DaysSince || column == Drift || column == Offset ||
           column == Conflicts;
}

// The logger's clock now: the PC's, with the offset measured at the last download.
QDateTime loggerNow(const archive::Station& s) {
    const QDateTime pc = QDateTime::currentDateTime();
    return QDateTime(pc.date(), pc.time(), Qt::UTC).addSecs(s.clockOffsetS.value_or(0));
}

// The memory is full within a week, or already.
bool fillsSoon(const archive::Station& s) {
    const auto& full = s.foresight.memoryFullAt;
    return full && loggerNow(s).secsTo(*full) <= qint64(station_texts::kFullWithinDays) * 86400;
}

bool drifts(const archive::Station& s) {
    const auto& drift = s.foresight.driftSPerDay;
    return drift && std::abs(*drift) > station_texts::kDriftLimit;
}

// The most urgent first: the memory that fills first, then the longest without a download,
// then by serial number. A logger without a forecast comes after those with one.
bool moreUrgent(const archive::Station& a, const archive::Station& b) {
    const auto& fa = a.foresight.memoryFullAt;
    const auto& fb = b.foresight.memoryFullAt;
    if (fa.has_value() != fb.has_value()) return fa.has_value();
    if (fa && fb && *fa != *fb) return *fa < *fb;
    const qint64 da = a.foresight.daysSinceDownload.value_or(-1);
    const qint64 db = b.foresight.daysSinceDownload.value_or(-1);
    if (da != db) return da > db;
    return a.serial < b.serial;
}

QString kindText(const QString& kind) {
    if (kind == QLatin1String("download")) return station_texts::kDownloadKind;
    if (kind == QLatin1String("config_send")) return station_texts::kConfigSendKind;
    if (kind == QLatin1String("serial_write")) return station_texts::kSerialWriteKind;
    if (kind == QLatin1String("sms_write")) return station_texts::kSmsWriteKind;
    return kind;
}

// What an entry of the log did, in a few words.
QString detailOf(const archive::LogEntry& e) {
    const QJsonObject& d = e.details;
    if (e.kind == QLatin1String("download"))
        return QStringLiteral(u"%1 bloques, %2 lecturas, %3 nuevas")
            .arg(d.value(QStringLiteral("blocks")).toInt())
            .arg(d.value(QStringLiteral("readings")).toInt())
            .arg(d.value(QStringLiteral("new")).toInt());
    if (e.kind == QLatin1String("serial_write"))
        return d.value(QStringLiteral("old_serial")).toString() + QStringLiteral(u" \u2192 ") +
               d.value(QStringLiteral("new_serial")).toString();
    const QJsonObject before = d.value(QStringLiteral("before")).toObject();
    const QJsonObject after = d.value(QStringLiteral("after")).toObject();
    if (e.kind == QLatin1String("sms_write"))
        return QStringLiteral("Celular ") + before.value(QStringLiteral("cell")).toString() +
               QStringLiteral(u" \u2192 ") + after.value(QStringLiteral("cell")).toString();
    if (e.kind == QLatin1String("config_send")) {
        QStringList changed;
        for (auto it = after.constBegin(); it != after.constEnd(); ++it)
            if (before.value(it.key()) != it.value())
                changed << station_texts::kConfigFields.value(it.key(), it.key());
        return QStringLiteral("Cambios: ") + changed.join(QStringLiteral(", ")) +
               QStringLiteral("; memoria borrada");
    }
    return {};
}

std::optional<QDateTime> dayEnd(const QDate& day, archive::RangeEnd end) {
    return archive::parseRangeEnd(day.toString(QStringLiteral("yyyy-MM-dd")), end);
}

}  // namespace

StationWindow::StationWindow(QString location, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), location_(std::move(location)), dialogs_(dialogs) {
    setObjectName(QLatin1String(ctl::stations::kWindow));
    setWindowTitle(station_texts::kWindowTitle);

    status_ = new QLabel(this);
    status_->setObjectName(QLatin1String(ctl::stations::kStatus));
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    table_ = new QTableWidget(0, int(station_texts::kColumns.size()), this);
    table_->setObjectName(QLatin1String(ctl::stations::kList));
    table_->setHorizontalHeaderLabels(station_texts::kColumns);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    // Every cell on one line, whole: the serial numbers and dates are read, not guessed.
    table_->setWordWrap(false);
    table_->horizontalHeader()->setStretchLastSection(true);

    const auto dateEdit = [this](const char* name) {
        auto* edit = new QDateEdit(this);
        edit->setObjectName(QLatin1String(name));
        edit->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        edit->setCalendarPopup(true);
        edit->setDate(QDate::currentDate());
        return edit;
    };
    from_ = dateEdit(ctl::stations::kFrom);
    to_ = dateEdit(ctl::stations::kTo);
    const auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    export_ = button(ctl::stations::kExportCsv, station_texts::kExportCsv);
    chart_ = button(ctl::stations::kShowChart, station_texts::kShowChart);
    auto* again = button(ctl::stations::kRefresh, station_texts::kRefresh);

    auto* period = new QHBoxLayout;
    period->addWidget(new QLabel(station_texts::kFrom, this));
    period->addWidget(from_);
    period->addWidget(new QLabel(station_texts::kTo, this));
    period->addWidget(to_);
    period->addStretch();
    period->addWidget(export_);
    period->addWidget(chart_);
    period->addWidget(again);
    history_ = new QTableWidget(0, int(station_texts::kHistoryColumns.size()), this);
    history_->setObjectName(QLatin1String(ctl::stations::kHistory));
    history_->setHorizontalHeaderLabels(station_texts::kHistoryColumns);
    history_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    history_->setSelectionMode(QAbstractItemView::NoSelection);
    history_->verticalHeader()->hide();
    history_->setWordWrap(false);
    history_->horizontalHeader()->setStretchLastSection(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(table_, 2);
    layout->addWidget(history_, 1);
    layout->addLayout(period);

    connect(table_, &QTableWidget::itemSelectionChanged, this, &StationWindow::choose);
    connect(export_, &QPushButton::clicked, this, &StationWindow::exportCsv);
    connect(chart_, &QPushButton::clicked, this, &StationWindow::showChart);
    connect(again, &QPushButton::clicked, this, &StationWindow::refresh);
    resize(720, 560);
    refresh();
}

void StationWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Measured once the window has the type it is shown in.
    fitColumns();
    // Placed once, as wide as its columns: over the main window, wholly on the screen. A
    // window shown again stays where the user put it.
    if (!placed_) placeOver(*this, parentWidget() ? parentWidget()->window() : nullptr);
    placed_ = true;
}

void StationWindow::fitColumns() {
    table_->resizeColumnsToContents();
    const QMargins margins = layout()->contentsMargins();
    const int wanted = table_->horizontalHeader()->length() + 2 * table_->frameWidth() +
                       table_->verticalScrollBar()->sizeHint().width() + margins.left() +
                       margins.right();
    if (wanted > width()) resize(wanted, height());
}

void StationWindow::refresh() {
    // The logger chosen stays chosen; -1: none was.
    const std::optional<archive::Station> was = chosen();
    const qint64 before = was ? qint64(was->serial) : -1;
    table_->clearSelection();
    table_->setRowCount(0);
    stations_.clear();
    archive::Archive store;
    std::optional<std::vector<archive::Station>> found;
    if (store.open(location_, archive::Archive::Access::Read)) found = store.stations();
    QPalette palette = status_->palette();
    palette.setColor(QPalette::WindowText, found ? palette.color(QPalette::Text) : Qt::darkRed);
    status_->setPalette(palette);
    if (!found) {
        status_->setText(store.error());
    } else if (found->empty()) {
        status_->setText(station_texts::kEmpty.arg(store.location()));
    } else {
        status_->setText(station_texts::kArchive.arg(store.location()));
        stations_ = std::move(*found);
        std::stable_sort(stations_.begin(), stations_.end(), moreUrgent);
    }
    table_->setRowCount(int(stations_.size()));
    for (int row = 0; row < int(stations_.size()); ++row) {
        const archive::Station& station = stations_[std::size_t(row)];
        const QStringList cells = rowOf(station);
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (numeric(column)) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if ((column == FullOn && fillsSoon(station)) || (column == Drift && drifts(station)))
                item->setForeground(Qt::darkRed);
            table_->setItem(row, column, item);
        }
        if (qint64(stations_[std::size_t(row)].serial) == before) table_->selectRow(row);
    }
    // The first logger is offered until the user chooses another.
    if (!stations_.empty() && table_->selectedRanges().isEmpty()) table_->selectRow(0);
    fitColumns();
    choose();
}

std::optional<archive::Station> StationWindow::chosen() const {
    const QList<QTableWidgetSelectionRange> ranges = table_->selectedRanges();
    if (ranges.isEmpty()) return std::nullopt;
    const int row = ranges.constFirst().topRow();
    if (row < 0 || row >= int(stations_.size())) return std::nullopt;
    return stations_[std::size_t(row)];
}

void StationWindow::choose() {
    const std::optional<archive::Station> station = chosen();
    for (QWidget* w : {static_cast<QWidget*>(from_), static_cast<QWidget*>(to_),
                       static_cast<QWidget*>(export_), static_cast<QWidget*>(chart_)})
        w->setEnabled(station.has_value());
    if (!station) {
        history_->setRowCount(0);
        return;
    }
    showHistory(station->serial);
    // The whole of what the archive holds of this logger, to narrow from.
    const QDate today = QDate::currentDate();
    from_->setDate(station->first ? station->first->date() : today);
    to_->setDate(station->last ? station->last->date() : today);
}

void StationWindow::showHistory(std::uint32_t serial) {
    history_->setRowCount(0);
    archive::Archive store;
    std::optional<std::vector<archive::LogEntry>> entries;
    if (store.open(location_, archive::Archive::Access::Read)) entries = store.history(serial);
    if (!entries) {
        status_->setText(store.error());
        return;
    }
    history_->setRowCount(int(entries->size()));
    for (int row = 0; row < int(entries->size()); ++row) {
        const archive::LogEntry& e = (*entries)[std::size_t(row)];
        const QStringList cells = {e.at.toString(station_texts::kDateFormat), kindText(e.kind),
                                   e.port, e.user, detailOf(e)};
        for (int column = 0; column < cells.size(); ++column)
            history_->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    history_->resizeColumnsToContents();
}

QDateTime StationWindow::from() const {
    return dayEnd(from_->date(), archive::RangeEnd::From).value_or(QDateTime());
}

QDateTime StationWindow::to() const {
    return dayEnd(to_->date(), archive::RangeEnd::To).value_or(QDateTime());
}

void StationWindow::exportCsv() {
    const std::optional<archive::Station> station = chosen();
    if (!station) return;
    archive::Archive store;
    std::optional<archive::Archive::Export> text;
    if (store.open(location_, archive::Archive::Access::Read))
        text = store.exportCsv(station->serial, from(), to());
    if (!text) {
        dialogs_.message(store.error(), Dialogs::Icon::Critical);
        return;
    }
    if (text->readings == 0) {
        dialogs_.message(chart_texts::kNoReadings, Dialogs::Icon::Information);
        return;
    }
    const std::optional<QString> path =
        dialogs_.saveFileName({chart_texts::kCsvFilter, chart_texts::kCsvPattern},
                              QStringLiteral("lecturas_") + station->serialText());
    if (!path) return;
    const QByteArray bytes = cp1252::encode(text->text);
    QSaveFile file(*path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        dialogs_.message(chart_texts::kCannotSave.arg(*path, file.errorString()),
                         Dialogs::Icon::Critical);
        return;
    }
    dialogs_.message(station_texts::kExported.arg(text->readings).arg(*path),
                     Dialogs::Icon::Information);
}

void StationWindow::showChart() {
    const std::optional<archive::Station> station = chosen();
    if (!station) return;
    archive::Archive store;
    std::optional<archive::ReadingSet> set;
    if (store.open(location_, archive::Archive::Access::Read))
        set = store.readings(station->serial, from(), to());
    if (!set) {
        dialogs_.message(store.error(), Dialogs::Icon::Critical);
        return;
    }
    if (set->readings.empty()) {
        dialogs_.message(chart_texts::kNoReadings, Dialogs::Icon::Information);
        return;
    }
    ChartInput input;
    input.serial = station->serial;
    input.device = station->device;
    const archive::StationTexts& t = station->texts;
    input.station = {t.user, t.location, t.latitude, t.longitude, t.altitude};
    input.columns = std::move(set->columns);
    // Rain and flow are summed in bars, as after a download.
    family::takeKindsOfFamily(double(station->serial), input.columns);
    input.readings = std::move(set->readings);
    openChart(std::move(input), dialogs_, this);
}

}  // namespace vernoll
