// probe and config: port discovery, and the configuration import after it.

#include <QJsonArray>

#include "cli/commands.h"
#include "config/clock.h"
#include "config/config_import.h"
#include "config/device.h"
#include "link/discovery.h"

namespace vernoll::cli {

namespace {

bool noArguments(Session& session, const QCommandLineParser& parser) {
    if (!parser.positionalArguments().isEmpty()) {
        session.complain(QStringLiteral("unexpected argument: ") +
                         parser.positionalArguments().first());
        return false;
    }
    return true;
}

// From the values the import read, not from what the window shows of them: the window shows
// the station texts without their padding, the contract gives them as received.
Session::JsonFields configJson(Session& session, const config::Configuration& c) {
    QString header = session.columnHeader();
    if (header.endsWith(QStringLiteral("\r\n"))) header.chop(2);
    const auto minutes = c.intervalMinutes();
    const auto offset = c.clockOffset();
    return {
        {QStringLiteral("port"), session.ports().location(session.channels().exchange().port)},
        {QStringLiteral("serial"), c.serial},
        {QStringLiteral("nserie"), double(session.nserie())},
        {QStringLiteral("device"), session.device()},
        {QStringLiteral("user"), c.texts[0]},
        {QStringLiteral("location"), c.texts[1]},
        {QStringLiteral("latitude"), c.texts[2]},
        {QStringLiteral("longitude"), c.texts[3]},
        {QStringLiteral("altitude"), c.texts[4]},
        {QStringLiteral("interval_code"), int(c.intervalCode)},
        {QStringLiteral("interval_minutes"), minutes ? QString::number(*minutes) : QString()},
        {QStringLiteral("date"), c.date ? config::dateText(*c.date) : QString()},
        {QStringLiteral("time"), c.time ? config::timeText(*c.time) : QString()},
        {QStringLiteral("column_header"), header},
        {QStringLiteral("memo"), session.frames()},
        {QStringLiteral("sms"), config::hasSms(session.nserie())},
        {QStringLiteral("diagnostics"), QJsonArray::fromStringList(session.diagnostics())},
        {QStringLiteral("clock_offset_s"), offset ? QJsonValue(*offset) : QJsonValue()},
    };
}

}  // namespace

int probe(Session& session, const QCommandLineParser& args) {
    if (!noArguments(session, args)) return Usage;
    const int status = session.connect(false);
    if (status != Done) return status;
    const int port = session.channels().exchange().port;
    if (session.options().json)
        session.printJson({{QStringLiteral("port"), session.ports().location(port)}});
    else
        session.print(session.logger().discovery().connectionText(port) + QLatin1Char('\n'));
    return Done;
}

int config(Session& session, const QCommandLineParser& args) {
    if (!noArguments(session, args)) return Usage;
    const int status = session.connect(true);
    if (status != Done) return status;
    if (!session.options().json) {
        session.print(session.summary());
        return Done;
    }
    // connect() is done only once an import completed, which leaves its record.
    const auto& configuration = session.logger().configuration();
    if (!configuration) {
        session.complain(QStringLiteral("la configuracion no se pudo leer"));
        return ExchangeFailed;
    }
    session.printJson(configJson(session, *configuration));
    return Done;
}

}  // namespace vernoll::cli
