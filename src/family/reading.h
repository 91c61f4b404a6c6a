#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <vector>

namespace vernoll {

// One value column of a logger family's records, as its column header names it.
struct Column {
    enum class Kind {
        Sample,  // a reading at the time stamp (temperature, level, voltage...)
        Count,   // what the logger counted since the last record (rain, flow): sums over time
    };
    QString title;  // as the header writes it, unit included: "Temperatura[\u00baC]"
    QString label;  // the title without its unit: "Temperatura"
    QString unit;   // the unit alone, "" when the header gives none: "\u00baC"
    Kind kind = Kind::Sample;

    friend bool operator==(const Column&, const Column&) = default;
};

// One record of a logger's memory as typed values: whose it is, when the logger took it and
// one value per column of the logger's family, in column order.
struct Reading {
    std::uint32_t serial = 0;
    // The logger's own clock: no time zone and no daylight saving. Held in UTC so that no
    // zone rule of the PC can shift a stamp or reject one that falls in a clock change.
    QDateTime stamp;
    // Empty where the record gave the column no value of its own.
    std::vector<std::optional<float>> values;

    friend bool operator==(const Reading&, const Reading&) = default;
};

// The value columns of a column header line ("Fecha,Hora,Temperatura[\u00baC],Precipitacion[mm]",
// with or without its line end): every field after the date and the time, each split at its
// last '[' into label and unit. All of kind Sample: the header does not say what is counted.
std::vector<Column> columnsOfHeader(QStringView header);

// A time stamp as the archive and the command line's results write it: "yyyy-MM-ddTHH:mm:ss".
QString stampText(const QDateTime& stamp);

}  // namespace vernoll
