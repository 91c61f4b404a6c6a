#include "memory/report.h"

#include <gtest/gtest.h>

#include <QTimeZone>
#include <cmath>

#include "family/decimal.h"
#include "memory/records.h"

using namespace vernoll;
using namespace vernoll::memory;

namespace {

const QString kData1 = QStringLiteral("Fecha,Hora,Temperatura[\u00baC],Precipitacion[mm]\r\n");
const QString kSummary = QStringLiteral(
    "Muestras cada  10 Minutos\r\nNro  : 00020500\r\nUsuario: INTA\r\n"
    "Ubicacion: Campo 1\r\nLatitud: -31.4\r\nLongitud: -64.2\r\nAltitud: 400\r\n\r\n\r\n");
const QDateTime kNow(QDate(2026, 12, 6), QTime(14, 5, 9), QTimeZone::utc());
const QString kStampLine =
    QStringLiteral("proceso realizado el Sunday, 6 December 2026  a las 14:05:09 UTC\r\n");
const QString kReportHeader = QStringLiteral(" Equipo Registrador TOLVAR \r\n") + kStampLine +
                              QStringLiteral("\r\nDatos de configuracion\r\n");

// A rain-gauge record at 06/12/2026 hh:mm:00.
test::Record at(std::uint8_t hh, std::uint8_t mm, int w1, int w3) {
    return test::record({hh, mm, 0x00, 0x06, 0x12, 0x26}, {.w1 = w1, .w3 = w3});
}

void put(MemoryImage& image, int k, std::initializer_list<test::Record> records) {
    const test::Row r = test::row(records);
    for (int j = 0; j < 64; ++j) image.set(k, j, r[std::size_t(j)]);
}

const test::Record kInvalid = test::record({0x10, 0x00, 0x00, 0x00, 0x12, 0x26}, {.w1 = 1});

TEST(CsvText, HeaderSummaryColumnsLinesByteForByte) {
    MemoryImage image;
    put(image, 0, {at(0x10, 0x00, 1000, 5)});
    put(image, 1, {at(0x10, 0x10, 1500, 0), kInvalid, at(0x10, 0x30, 0, 2)});
    // row 2 stays zero: no lines; row 3 is erased memory
    put(image, 3, {});
    put(image, 4, {at(0x10, 0x50, 1000, 10)});
    put(image, 5, {at(0x11, 0x00, 1000, 10)});  // past memo

    Decoder decoder;
    QStringList diagnostics;
    std::vector<Reading> readings;
    const QString text = csvText(image, 4, decoder, 20500, kSummary, kData1, kNow, &diagnostics,
                                 QLocale::c(), &readings);
    const QString expected = kReportHeader + kSummary + kData1 +
                             QStringLiteral(
                                 "06/12/2026,10:00:00,131.8,1\r\n"
                                 "06/12/2026,10:10:00,231.8,0\r\n"
                                 "06/12/2026,10:30:00,-68.2,0.4\r\n"
                                 "06/12/2026,10:50:00,131.8,2\r\n"
                                 "\r\n");
    EXPECT_EQ(text, expected);
    EXPECT_TRUE(diagnostics.isEmpty());
    // the erased records after the last one leave the decoder on an invalid stamp
    EXPECT_EQ(decoder.validityFlag(), 0);

    // One reading per line, in the same walk: its stamp and values are the line's fields.
    const QStringList lines = text.sliced(text.indexOf(QStringLiteral("06/12/2026")))
                                  .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(readings.size(), std::size_t(lines.size()));
    for (std::size_t i = 0; i < readings.size(); ++i) {
        const Reading& r = readings[i];
        QString fields = r.stamp.toString(QStringLiteral("dd/MM/yyyy,HH:mm:ss"));
        for (const auto& v : r.values) fields += u',' + decimal::shortestText(v.value_or(NAN));
        EXPECT_EQ(fields, lines[qsizetype(i)]);
        EXPECT_EQ(r.serial, 20500U);
    }
    // The image's readings alone, with their columns, are the run's.
    const ImageReadings alone = readingsOfImage(image, 4, 20500);
    EXPECT_EQ(alone.readings, readings);
    ASSERT_EQ(alone.columns.size(), 2U);
    EXPECT_EQ(alone.columns[0].title, QStringLiteral("Temperatura[\u00baC]"));
    EXPECT_EQ(alone.columns[1].kind, Column::Kind::Count);

    const QByteArray bytes = fileBytes(text);
    EXPECT_EQ(bytes.size(), text.size());
    EXPECT_TRUE(
        bytes.contains(QByteArray("Temperatura[\xba"
                                  "C]")));
}

TEST(CsvText, EverySecondRunStartsFromThePlainTexts) {
    MemoryImage image;
    put(image, 0, {at(0x10, 0x00, 1000, 5)});
    Decoder decoder;
    const QString first =
        csvText(image, 1, decoder, 20500, kSummary, kData1, kNow, nullptr, QLocale::c());
    const QString second =
        csvText(image, 1, decoder, 20500, kSummary, kData1, kNow, nullptr, QLocale::c());
    EXPECT_EQ(first, second);
    EXPECT_EQ(second.count(QStringLiteral("Equipo Registrador TOLVAR")), 1);
    EXPECT_EQ(second.count(QStringLiteral("10:00:00")), 1);
}

TEST(CsvText, RowsZeroToMemoInclusive) {
    struct Case {
        int memo;
        QStringList times;  // the lines' times, in order
    } cases[] = {
        {1026, {"01:00:00", "02:00:00", "03:00:00"}},
        {4098, {"01:00:00", "02:00:00", "03:00:00", "04:00:00", "05:00:00"}},
        {0, {"01:00:00"}},
        {-1, {}},
        // a size past the image's end is walked to row 18,000 and no further
        {20000, {"01:00:00", "02:00:00", "03:00:00", "04:00:00", "05:00:00", "06:00:00"}},
    };
    MemoryImage image;
    put(image, 0, {at(0x01, 0x00, 1000, 0)});
    put(image, 1023, {at(0x02, 0x00, 1000, 0)});
    put(image, 1026, {at(0x03, 0x00, 1000, 0)});
    put(image, 1027, {at(0x04, 0x00, 1000, 0)});
    put(image, 4098, {at(0x05, 0x00, 1000, 0)});
    put(image, 18000, {at(0x06, 0x00, 1000, 0)});
    for (const Case& c : cases) {
        Decoder decoder;
        const QString text =
            csvText(image, c.memo, decoder, 21000, kSummary, kData1, kNow, nullptr, QLocale::c());
        QString lines;
        for (const QString& t : c.times) lines += QStringLiteral("06/12/2026,") + t + ",131.8\r\n";
        EXPECT_EQ(text, kReportHeader + kSummary + kData1 + lines + QStringLiteral("\r\n"))
            << c.memo;
    }
}

TEST(CsvText, UnknownLoggerGivesHeadersOnly) {
    MemoryImage image;
    put(image, 0, {at(0x10, 0x00, 1000, 5)});
    Decoder decoder;
    EXPECT_EQ(csvText(image, 1026, decoder, 0, kSummary, kData1, kNow, nullptr, QLocale::c()),
              kReportHeader + kSummary + kData1 + QStringLiteral("\r\n"));
}

// Spanish whatever the machine's locale (the tests run under C.UTF-8).
TEST(CsvText, LongDateAndTimeAreSpanish) {
    EXPECT_EQ(reportHeader(kNow),
              QStringLiteral(" Equipo Registrador TOLVAR \r\nproceso realizado el domingo, 6 de "
                             "diciembre de 2026  a las 14:05:09 (UTC)\r\n\r\n"
                             "Datos de configuracion\r\n"));
}

TEST(SpreadsheetText, RowsSixToMemoAfterTheColumnHeader) {
    MemoryImage image;
    put(image, 0, {at(0x00, 0x00, 1000, 1)});
    put(image, 5, {at(0x05, 0x00, 1000, 1), at(0x05, 0x30, 1000, 1)});
    put(image, 6, {at(0x06, 0x00, 1000, 1), kInvalid, at(0x06, 0x30, 1500, 2)});
    put(image, 499, {at(0x07, 0x00, 1000, 3)});
    put(image, 500, {at(0x08, 0x00, 1000, 4)});
    put(image, 1026, {at(0x09, 0x00, 1000, 5)});
    put(image, 1027, {at(0x10, 0x00, 1000, 6)});
    Decoder decoder;
    const QString text = spreadsheetText(image, 1026, decoder, 20500, kData1);
    EXPECT_EQ(text, kData1 + QStringLiteral("06/12/2026,06:00:00,131.8,0.2\r\n"
                                            "06/12/2026,06:30:00,231.8,0.4\r\n"
                                            "06/12/2026,07:00:00,131.8,0.6\r\n"
                                            "06/12/2026,08:00:00,131.8,0.8\r\n"
                                            "06/12/2026,09:00:00,131.8,1\r\n"
                                            "\r\n"));
    // a second export starts from the plain column header again
    EXPECT_EQ(spreadsheetText(image, 1026, decoder, 20500, kData1), text);
}

TEST(SpreadsheetText, ShortWalksAndUnknownLoggers) {
    MemoryImage image;
    put(image, 3, {at(0x03, 0x00, 1000, 1)});
    put(image, 6, {at(0x06, 0x00, 1000, 1)});
    Decoder decoder;
    EXPECT_EQ(spreadsheetText(image, 5, decoder, 20500, kData1), kData1 + QStringLiteral("\r\n"));
    EXPECT_EQ(spreadsheetText(image, -1, decoder, 20500, kData1), kData1 + QStringLiteral("\r\n"));
    EXPECT_EQ(spreadsheetText(image, 1026, decoder, 0, kData1), kData1 + QStringLiteral("\r\n"));
}

TEST(EventsText, HeaderHeadingsAndNoEvents) {
    const QString header = eventsHeader(kNow, QLocale::c());
    EXPECT_EQ(header,
              QStringLiteral("Registro de eventos y configuracion de equipo registrador  \r\n") +
                  kStampLine + QStringLiteral("\r\nDATOS DE CONFIGURACION\r\n"));
    EXPECT_EQ(eventsText(header, QString()),
              header + QStringLiteral("\r\nEventos producidos:\r\n\r\n"));
    EXPECT_EQ(eventsText(QStringLiteral("H\r\n"), QStringLiteral("e1\r\ne2\r\n")),
              QStringLiteral("H\r\n\r\nEventos producidos:\r\n\r\ne1\r\ne2\r\n"));

    // the runs leave the decoder's events text empty, whatever the status bytes say
    MemoryImage image;
    put(image, 0, {test::record(test::kStamp, {.w1 = 1, .status = 11})});
    Decoder decoder;
    spreadsheetText(image, 10, decoder, 20500, kData1);
    EXPECT_TRUE(decoder.eventsText().isEmpty());
}

TEST(SuggestedName, LocationBlankDayMonthYear) {
    struct Case {
        const char* location;
        QDate today;
        const char* name;
    } cases[] = {
        {"Campo", {2026, 12, 6}, "Campo 6_12_2026"},
        {"Campo", {2027, 1, 9}, "Campo 9_1_2027"},
        {"Campo", {2026, 10, 31}, "Campo 31_10_2026"},
        {"Campo   ", {2026, 12, 6}, "Campo 6_12_2026"},  // the padding goes
        {" La Paz  Sur   ", {2026, 12, 6}, " La Paz  Sur 6_12_2026"},
        {"   ", {2026, 12, 6}, " 6_12_2026"},
        {"", {2026, 12, 6}, " 6_12_2026"},
        {"La Paz/Sur", {2026, 12, 6}, "La Paz_Sur 6_12_2026"},
        {"..\\a:b*c?\"d<e>f|g", {2026, 12, 6}, ".._a_b_c__d_e_f_g 6_12_2026"},
        {"tab\there", {2026, 12, 6}, "tab_here 6_12_2026"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(suggestedCsvName(QString::fromLatin1(c.location), c.today),
                  QString::fromLatin1(c.name))
            << c.location;
    EXPECT_EQ(suggestedCsvName(QStringLiteral("Ca\u00f1ada"), QDate(2026, 12, 6)),
              QStringLiteral("Ca\u00f1ada 6_12_2026"));
}

TEST(FileBytes, CodePage1252) {
    EXPECT_EQ(fileBytes(QStringLiteral("[\u00baC]\r\n\u20ac\u00f1")), QByteArray("[\xba"
                                                                                 "C]\r\n\x80\xf1"));
}

}  // namespace
