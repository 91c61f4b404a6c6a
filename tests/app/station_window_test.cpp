// The station list over a real SQLite archive, and the chart the window offers after a
// download and after a base file.

#include "app/station_window.h"

#include <gtest/gtest.h>

#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <tuple>

#include "app/chart_offer.h"
#include "app/download_presenter.h"
#include "app/inicio.h"
#include "app/main_window.h"
#include "app/station_texts.h"
#include "archive/archive.h"
#include "chart/chart_texts.h"
#include "chart/chart_window.h"
#include "chart/readings_chart.h"
#include "config/config_import.h"
#include "files/base_file.h"
#include "files/decoding_run.h"
#include "form/controls.h"
#include "memory/download.h"
#include "sim/emulator_port.h"
#include "sim/logger_emulator.h"
#include "support/fake_dialogs.h"
#include "support/wait.h"

namespace vernoll {
namespace {

QDateTime at(int day, int hour, int minute) {
    return QDateTime(QDate(2026, 11, day), QTime(hour, minute), Qt::UTC);
}

// Two loggers: 00020500 downloaded twice (the second time with another value for 10:10,
// a conflict), and 02040500 from a base file only.
void fill(const QString& path) {
    archive::Archive a;
    ASSERT_TRUE(a.open(path, archive::Archive::Access::Update)) << a.error().toStdString();
    const QString header = QStringLiteral("Fecha,Hora,Temperatura[\u00baC],Precipitacion[mm]");
    const std::vector<Reading> first = {{20500, at(3, 10, 0), {21.5F, 0.0F}},
                                        {20500, at(3, 10, 10), {-0.25F, std::nullopt}},
                                        {20500, at(4, 23, 50), {19.0F, 12.2F}}};
    const std::vector<Reading> second = {{20500, at(3, 10, 10), {22.0F, 0.2F}},
                                         {20500, at(5, 8, 0), {18.0F, 0.0F}}};
    const std::vector<Reading> base = {{2040500, at(1, 0, 0), {3.0F}}};
    archive::Batch b;
    b.serial = 20500;
    b.device = QStringLiteral("Termo-Pluviometro");
    b.columnHeader = header;
    b.texts = archive::StationTexts{QStringLiteral("INTA        "), QStringLiteral("Campo Norte  "),
                                    QStringLiteral("-34.6"), QStringLiteral("-58.4"),
                                    QStringLiteral("25")};
    b.port = QStringLiteral("/dev/ttyUSB0");
    b.clockOffsetS = -42;
    b.when = QDateTime(QDate(2026, 11, 5), QTime(9, 30));
    b.readings = first;
    ASSERT_TRUE(a.store(b)) << a.error().toStdString();
    b.when = QDateTime(QDate(2026, 11, 6), QTime(7, 15));
    b.clockOffsetS = 3;
    b.intervalMinutes = 10;  // 4096 records from its oldest, 3 November 10:10: full 1 December
    b.memoryRecords = 4096;
    b.readings = second;
    ASSERT_TRUE(a.store(b)) << a.error().toStdString();
    archive::Batch other;
    other.serial = 2040500;
    other.device = QStringLiteral("Limnigrafo");
    other.columnHeader = QStringLiteral("Fecha,Hora,Nivel[m]");
    other.readings = base;
    ASSERT_TRUE(a.store(other)) << a.error().toStdString();
}

QStringList row(QTableWidget* table, int r) {
    QStringList cells;
    for (int c = 0; c < table->columnCount(); ++c)
        cells << (table->item(r, c) ? table->item(r, c)->text() : QString());
    return cells;
}

template <class W>
W* child(QWidget& parent, const char* name) {
    W* w = parent.findChild<W*>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

TEST(StationWindow, ListsTheArchivedLoggersAndExportsThePeriodChosen) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("archivo.sqlite"));
    fill(path);
    test::FakeDialogs dialogs;
    StationWindow window(path, dialogs);
    auto* table = child<QTableWidget>(window, ctl::stations::kList);
    ASSERT_NE(table, nullptr);
    for (int c = 0; c < table->columnCount(); ++c)
        EXPECT_EQ(table->horizontalHeaderItem(c)->text(), station_texts::kColumns[c]);
    ASSERT_EQ(table->rowCount(), 2);
    const qint64 days =
        QDateTime(QDate(2026, 11, 6), QTime(7, 15)).secsTo(QDateTime::currentDateTime()) / 86400;
    EXPECT_EQ(row(table, 0),
              (QStringList{"00020500", "Termo-Pluviometro", "INTA", "Campo Norte", "4",
                           "03/11/2026 10:00", "05/11/2026 08:00", "06/11/2026 07:15",
                           QString::number(days), "01/12/2026", "", "+3 s", "1"}));
    // Full already: red. Its two downloads are less than a day apart: no drift yet.
    EXPECT_EQ(table->item(0, 9)->foreground().color(), QColor(Qt::darkRed));
    // A base file is no download of the logger's own: no last download, no clock offset, no
    // forecast; the logger with a forecast comes first.
    EXPECT_EQ(row(table, 1), (QStringList{"02040500", "Limnigrafo", "", "", "1", "01/11/2026 00:00",
                                          "01/11/2026 00:00", "", "", "", "", "", "0"}));
    // The chosen logger's log below the list: its two downloads, oldest first.
    auto* history = child<QTableWidget>(window, ctl::stations::kHistory);
    ASSERT_EQ(history->rowCount(), 2);
    EXPECT_EQ(history->item(0, 0)->text(), QStringLiteral("05/11/2026 09:30"));
    EXPECT_EQ(history->item(1, 1)->text(), station_texts::kDownloadKind);
    EXPECT_EQ(history->item(1, 4)->text(), QStringLiteral("0 bloques, 2 lecturas, 1 nuevas"));

    // The chosen logger's whole span is offered, the first logger's until another is chosen;
    // each end of the period is a whole day.
    auto* from = child<QDateEdit>(window, ctl::stations::kFrom);
    auto* to = child<QDateEdit>(window, ctl::stations::kTo);
    for (const auto& [r, first, last] : {std::tuple{-1, QDate(2026, 11, 3), QDate(2026, 11, 5)},
                                         std::tuple{1, QDate(2026, 11, 1), QDate(2026, 11, 1)},
                                         std::tuple{0, QDate(2026, 11, 3), QDate(2026, 11, 5)}}) {
        if (r >= 0) table->selectRow(r);
        EXPECT_EQ(from->date(), first) << r;
        EXPECT_EQ(to->date(), last) << r;
    }
    from->setDate(QDate(2026, 11, 3));
    to->setDate(QDate(2026, 11, 4));
    const QString csv = dir.filePath(QStringLiteral("lecturas.CSV"));
    dialogs.savePaths = {csv};
    window.exportCsv();
    ASSERT_EQ(dialogs.saveRequests.size(), 1U);
    EXPECT_EQ(dialogs.saveRequests[0].suggested, QStringLiteral("lecturas_00020500"));
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    // The stored value stays where a download brought another; a missing value is empty.
    EXPECT_EQ(file.readAll(), QByteArray("fecha_hora,Temperatura[\xba"
                                         "C],Precipitacion[mm]\r\n"
                                         "2026-11-03T10:00:00,21.5,0\r\n"
                                         "2026-11-03T10:10:00,-0.25,\r\n"
                                         "2026-11-04T23:50:00,19,12.2\r\n"));
    EXPECT_EQ(dialogs.texts().last(), station_texts::kExported.arg(3).arg(csv));

    // A period with no reading writes nothing and says so; so does its chart.
    from->setDate(QDate(2026, 11, 6));
    to->setDate(QDate(2026, 11, 30));
    window.exportCsv();
    EXPECT_EQ(dialogs.saveRequests.size(), 1U);
    EXPECT_EQ(dialogs.texts().last(), chart_texts::kNoReadings);
    window.showChart();
    EXPECT_EQ(dialogs.texts().last(), chart_texts::kNoReadings);
    EXPECT_TRUE(window.findChildren<ChartWindow*>().isEmpty());

    from->setDate(QDate(2026, 11, 4));
    window.showChart();
    const QList<ChartWindow*> charts = window.findChildren<ChartWindow*>();
    ASSERT_EQ(charts.size(), 1);
    ASSERT_NE(charts[0]->chart(), nullptr);
    EXPECT_EQ(charts[0]->chart()->input().readings.size(), 2U);
    EXPECT_EQ(charts[0]->chart()->input().serial, 20500U);
    // Rain is counted: summed in bars, as in the chart after a download.
    const std::vector<Column>& columns = charts[0]->chart()->input().columns;
    ASSERT_EQ(columns.size(), 2U);
    EXPECT_EQ(columns[0].kind, Column::Kind::Sample);
    EXPECT_EQ(columns[1].kind, Column::Kind::Count);
}

TEST(StationWindow, AnArchiveThatCannotBeReadIsSaidNeverAnEmptyList) {
    QTemporaryDir dir;
    struct Case {
        const char* what;
        QString location;
        QString status;  // how the status line starts
    } cases[] = {
        {"missing folder", dir.filePath(QStringLiteral("no/archivo.sqlite")),
         QStringLiteral("No se pudo leer el archivo de lecturas")},
        {"not a database", dir.filePath(QStringLiteral("texto.sqlite")),
         QStringLiteral("No se pudo leer el archivo de lecturas")},
        {"no logger yet", dir.filePath(QStringLiteral("vacio.sqlite")),
         QStringLiteral("El archivo de lecturas")},
    };
    {
        QFile text(dir.filePath(QStringLiteral("texto.sqlite")));
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write(QByteArray(4096, 'x'));
    }
    {
        archive::Archive empty;
        ASSERT_TRUE(empty.open(dir.filePath(QStringLiteral("vacio.sqlite")),
                               archive::Archive::Access::Update));
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::FakeDialogs dialogs;
        StationWindow window(c.location, dialogs);
        EXPECT_EQ(child<QTableWidget>(window, ctl::stations::kList)->rowCount(), 0);
        const QString status = child<QLabel>(window, ctl::stations::kStatus)->text();
        EXPECT_TRUE(status.startsWith(c.status)) << status.toStdString();
    }
}

// The window against the emulator: after a download's own messages, and after a base file's,
// "¿Desea ver el gráfico?"; Yes opens the chart of what was decoded.
TEST(ChartOffer, AskedAfterTheOperationsOwnMessages) {
    for (const bool yes : {true, false}) {
        SCOPED_TRACE(yes);
        QTemporaryDir dir;
        sim::EmulatorOptions o;
        o.records = 120;
        sim::LoggerEmulator emulator(o);
        sim::EmulatorPort port(emulator);
        ChannelSet channels(port.channelFactory());
        PortList ports(QStringList{sim::EmulatorPort::location()});
        FormState form;
        test::FakeDialogs dialogs;
        auto inicio = std::make_unique<Inicio>(form, dialogs, channels, ports, Timing::fast());
        inicio->downloadJob().setBackupFolder(dir.path());
        MainWindow window(form, *inicio);
        QSignalSpy imported(&inicio->import(), &config::ConfigImport::finished);
        inicio->startUp();
        ASSERT_TRUE(test::waitUntil([&] { return imported.count() == 1; }));

        dialogs.shown.clear();
        dialogs.savePaths = {dir.filePath(QStringLiteral("datos.CSV"))};
        dialogs.answers = {false, yes};  // "Desea Abrir Archivo", then the chart
        QSignalSpy opened(&window.chartOffer(), &ChartOffer::opened);
        QSignalSpy done(&inicio->downloadPresenter(), &DownloadPresenter::shown);
        inicio->click(QLatin1String(ctl::kDownload));
        ASSERT_TRUE(test::waitUntil([&] { return done.count() == 1; }, 10000));
        QStringList texts = dialogs.texts();
        ASSERT_EQ(texts.size(), 3);
        EXPECT_TRUE(texts[0].startsWith(QStringLiteral("La descarga de datos")));
        EXPECT_EQ(texts[1], QStringLiteral("Desea Abrir Archivo"));
        EXPECT_EQ(texts[2], station_texts::kChartQuestion);
        ASSERT_EQ(opened.count(), yes ? 1 : 0);
        const int records = inicio->decodingRun().records();
        ASSERT_GT(records, 0);
        if (yes) {
            const ChartWindow* chart = opened.at(0).at(0).value<ChartWindow*>();
            ASSERT_NE(chart->chart(), nullptr);
            EXPECT_EQ(chart->chart()->input().readings.size(), std::size_t(records));
            EXPECT_EQ(chart->chart()->input().serial, 20500U);
            EXPECT_EQ(chart->chart()->input().intervalMinutes, std::optional(10));
        }

        // The download's copy, opened as a base file.
        dialogs.shown.clear();
        dialogs.openPaths = {inicio->downloadJob().backupPath()};
        dialogs.answers = {yes};
        inicio->click(QLatin1String(ctl::kOpenBaseFile));
        texts = dialogs.texts();
        ASSERT_EQ(texts.size(), 2);
        EXPECT_EQ(texts[0], QStringLiteral("El archivo se proceso con exito"));
        EXPECT_EQ(texts[1], station_texts::kChartQuestion);
        ASSERT_EQ(opened.count(), yes ? 2 : 0);
        if (yes) {
            EXPECT_EQ(opened.at(1).at(0).value<ChartWindow*>()->chart()->input().readings.size(),
                      std::size_t(records));
        }
    }
}

// A base file without readings (here an empty one, in a program that downloaded nothing) is
// opened and said, and no chart is offered: there is nothing to draw.
TEST(ChartOffer, NotAskedWhenThereIsNothingToDraw) {
    QTemporaryDir dir;
    sim::LoggerEmulator emulator;
    sim::EmulatorPort port(emulator);
    ChannelSet channels(port.channelFactory());
    PortList ports(QStringList{sim::EmulatorPort::location()});
    FormState form;
    test::FakeDialogs dialogs;
    auto inicio = std::make_unique<Inicio>(form, dialogs, channels, ports, Timing::fast());
    MainWindow window(form, *inicio);
    const QString empty = dir.filePath(QStringLiteral("vacio.rgt"));
    QFile(empty).open(QIODevice::WriteOnly);
    dialogs.openPaths = {empty};
    inicio->click(QLatin1String(ctl::kOpenBaseFile));
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("El archivo se proceso con exito")});
}

}  // namespace
}  // namespace vernoll
