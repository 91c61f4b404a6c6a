#include "family/reading.h"

#include <gtest/gtest.h>

#include "family/readings_csv.h"

namespace vernoll {
namespace {

struct HeaderCase {
    const char16_t* header;
    std::vector<std::array<const char16_t*, 3>> columns;  // title, label, unit
};

class ColumnsOfHeader : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(ColumnsOfHeader, SplitsEachColumnIntoLabelAndUnit) {
    const HeaderCase& c = GetParam();
    const std::vector<Column> got = columnsOfHeader(QString::fromUtf16(c.header));
    ASSERT_EQ(got.size(), c.columns.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].title, QString::fromUtf16(c.columns[i][0])) << i;
        EXPECT_EQ(got[i].label, QString::fromUtf16(c.columns[i][1])) << i;
        EXPECT_EQ(got[i].unit, QString::fromUtf16(c.columns[i][2])) << i;
        EXPECT_EQ(got[i].kind, Column::Kind::Sample);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Headers, ColumnsOfHeader,
    ::testing::Values(HeaderCase{u"Fecha,Hora,Temperatura[\u00baC],Precipitacion[mm]\r\n",
                                 {{u"Temperatura[\u00baC]", u"Temperatura", u"\u00baC"},
                                  {u"Precipitacion[mm]", u"Precipitacion", u"mm"}}},
                      // A blank before the unit, and a unit in parentheses inside the label.
                      HeaderCase{u"Fecha,Hora,Corriente [Acc],Tension[Vcc]",
                                 {{u"Corriente [Acc]", u"Corriente", u"Acc"},
                                  {u"Tension[Vcc]", u"Tension", u"Vcc"}}},
                      HeaderCase{u"Fecha,Hora,Nivel a Vertedero [m],Cota (m)[m]\r\n",
                                 {{u"Nivel a Vertedero [m]", u"Nivel a Vertedero", u"m"},
                                  {u"Cota (m)[m]", u"Cota (m)", u"m"}}},
                      HeaderCase{u"Fecha,Hora,Sin unidad", {{u"Sin unidad", u"Sin unidad", u""}}},
                      HeaderCase{u"Fecha,Hora\r\n", {}}, HeaderCase{u"", {}}));

TEST(StampText, IsIsoWithoutZoneAndKeepsClockChangeHours) {
    // 02:30 on a day some zones skip: a stamp of the logger's clock is never shifted.
    EXPECT_EQ(stampText(QDateTime(QDate(2026, 3, 29), QTime(2, 30, 5), Qt::UTC)),
              QStringLiteral("2026-03-29T02:30:05"));
}

TEST(ReadingsCsv, WritesStampsAndValuesAsTheDownloadPrintsThem) {
    const std::vector<Column> columns =
        columnsOfHeader(u"Fecha,Hora,Temperatura[\u00baC],Precipitacion[mm]");
    const auto at = [](int h, int m) {
        return QDateTime(QDate(2026, 1, 31), QTime(h, m), Qt::UTC);
    };
    const std::vector<Reading> readings = {
        {20500, at(23, 50), {-260.4F, 0.0F}},
        {20500, at(23, 55), {23.5F, 100000.0F}},
        {20500, at(23, 59), {std::nullopt, -0.0F}},  // no value of its own; never "-0"
    };
    EXPECT_EQ(readingsCsv(columns, readings),
              QString::fromUtf16(u"fecha_hora,Temperatura[\u00baC],Precipitacion[mm]\r\n"
                                 u"2026-01-31T23:50:00,-260.4,0\r\n"
                                 u"2026-01-31T23:55:00,23.5,100000\r\n"
                                 u"2026-01-31T23:59:00,,0\r\n"));
    EXPECT_EQ(readingsCsv({}, {}), QStringLiteral("fecha_hora\r\n"));
}

}  // namespace
}  // namespace vernoll
