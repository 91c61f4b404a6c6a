// probe and config: port discovery, and the configuration import after it.

#include <QJsonArray>

#include "cli/commands.h"
#include "form/controls.h"
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

Session::JsonFields configJson(Session& session) {
    const FormState& form = session.form();
    QString serial;
    for (std::uint8_t c : form.ser) serial += QChar(char16_t(c));
    QString header = form.data1;
    if (header.endsWith(QStringLiteral("\r\n"))) header.chop(2);
    const auto text = [&form](const char* name) { return form.control(name).text; };
    return {
        {QStringLiteral("port"), session.ports().location(form.portNumber)},
        {QStringLiteral("serial"), serial},
        {QStringLiteral("nserie"), double(form.Nserie)},
        {QStringLiteral("device"), text(ctl::kTitle)},
        {QStringLiteral("user"), text(ctl::kUser)},
        {QStringLiteral("location"), text(ctl::kLocation)},
        {QStringLiteral("latitude"), text(ctl::kLatitude)},
        {QStringLiteral("longitude"), text(ctl::kLongitude)},
        {QStringLiteral("altitude"), text(ctl::kAltitude)},
        {QStringLiteral("interval_code"), int(form.CONF_MUE)},
        {QStringLiteral("interval_minutes"), form.intervalMinutes},
        {QStringLiteral("date"), text(ctl::kDate)},
        {QStringLiteral("time"), text(ctl::kTime)},
        {QStringLiteral("column_header"), header},
        {QStringLiteral("memo"), int(form.memo)},
        {QStringLiteral("sms"), form.control(ctl::kReadSms).enabled},
        {QStringLiteral("diagnostics"), QJsonArray::fromStringList(session.diagnostics())},
    };
}

}  // namespace

int probe(Session& session, const QCommandLineParser& args) {
    if (!noArguments(session, args)) return Usage;
    const int status = session.connect(false);
    if (status != Done) return status;
    const int port = session.form().portNumber;
    if (session.options().json)
        session.printJson({{QStringLiteral("port"), session.ports().location(port)}});
    else
        session.print(session.inicio().discovery().connectionText(port) + QLatin1Char('\n'));
    return Done;
}

int config(Session& session, const QCommandLineParser& args) {
    if (!noArguments(session, args)) return Usage;
    const int status = session.connect(true);
    if (status != Done) return status;
    if (session.options().json)
        session.printJson(configJson(session));
    else
        session.print(session.form().summary);
    return Done;
}

}  // namespace vernoll::cli
