// plot: a logger's readings, from the archive or a base file, drawn as the window's chart to a
// PNG file, without a display.

#include <QRegularExpression>

#include "archive/archive.h"
#include "chart/render.h"
#include "cli/archive_options.h"
#include "cli/commands.h"
#include "family/family.h"

namespace vernoll::cli {

namespace {

// The archive's readings of one logger in the range, with what its station list row says.
std::optional<ChartInput> storedInput(Session& session, std::uint32_t serial, const Range& range,
                                      int* status) {
    archive::Archive store;
    *status = FileError;
    if (!store.open(archiveLocation(session), archive::Archive::Access::Read)) {
        session.dialogs().message(store.error());
        return std::nullopt;
    }
    const auto stations = store.stations(serial);
    if (!stations) {
        session.dialogs().message(store.error());
        return std::nullopt;
    }
    if (stations->empty()) {
        session.complain(QStringLiteral("the archive %1 holds no logger %2")
                             .arg(store.location(), archive::serialText(serial)));
        *status = Usage;
        return std::nullopt;
    }
    auto set = store.readings(serial, range.from, range.to);
    if (!set) {
        session.dialogs().message(store.error());
        return std::nullopt;
    }
    const archive::Station& station = stations->front();
    ChartInput input;
    input.serial = serial;
    input.device = station.device;
    input.station = {station.texts.user, station.texts.location, station.texts.latitude,
                     station.texts.longitude, station.texts.altitude};
    input.columns = std::move(set->columns);
    // Rain and flow are drawn as bars, as the window draws them.
    family::takeKindsOfFamily(double(serial), input.columns);
    input.readings = std::move(set->readings);
    return input;
}

}  // namespace

int plot(Session& session, const QCommandLineParser& parser) {
    const QString base = QStringLiteral("base"), png = QStringLiteral("png"),
                  sizeOption = QStringLiteral("size");
    const bool ranged = parser.isSet(QStringLiteral("from")) || parser.isSet(QStringLiteral("to"));
    if (!parser.positionalArguments().isEmpty() || !parser.isSet(QStringLiteral("serial")) ||
        !parser.isSet(png) || (parser.isSet(base) && ranged)) {
        session.complain(QStringLiteral(
            "plot takes (--serial N [--from T] [--to T] | --base FILE --serial N) --png FILE "
            "[--size WxH]"));
        return Usage;
    }
    const auto serial = serialArgument(session, parser);
    if (!serial) return Usage;
    const auto range = rangeArguments(session, parser);
    if (!range) return Usage;
    QSize size = kDefaultChartSize;
    if (parser.isSet(sizeOption)) {
        static const QRegularExpression form(QStringLiteral("^([0-9]{3,5})x([0-9]{3,5})$"));
        const auto m = form.match(parser.value(sizeOption));
        size = m.hasMatch() ? QSize(m.captured(1).toInt(), m.captured(2).toInt()) : QSize();
        if (size.width() < 200 || size.height() < 150 || size.width() > 10000 ||
            size.height() > 10000) {
            session.complain(QStringLiteral("--size takes WxH, from 200x150 to 10000x10000 "
                                            "(got \"%1\")")
                                 .arg(parser.value(sizeOption)));
            return Usage;
        }
    }

    std::optional<ChartInput> input;
    if (parser.isSet(base)) {
        auto decoded = baseFileReadings(session, parser.value(base), *serial);
        if (!decoded) return FileError;
        input.emplace();
        input->serial = *serial;
        if (const family::Family* f = family::of(double(*serial)); f && f->name)
            input->device = QString::fromUtf8(f->name);
        input->columns = std::move(decoded->columns);
        input->readings = std::move(decoded->readings);
        input->noReadingsText = chart_texts::kNoReadingsInFile;
    } else {
        int status = Done;
        input = storedInput(session, *serial, *range, &status);
        if (!input) return status;
    }

    const qint64 readings = qint64(input->readings.size());
    const QString path = parser.value(png);
    const ChartFileResult written = writeChartPng(std::move(*input), path, size);
    if (!written.written) {
        session.dialogs().message(written.message);
        return FileError;
    }
    if (session.options().json)
        session.printJson({{QStringLiteral("readings"), readings}, {QStringLiteral("png"), path}});
    else
        session.print(QStringLiteral("%1 readings drawn in %2\n").arg(readings).arg(path));
    return Done;
}

}  // namespace vernoll::cli
