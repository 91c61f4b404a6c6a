// set-config, sms and set-serial: the commands that change the logger's settings. Each
// drives the window's own handlers, clicks and edits in the order a user would make them,
// so the bytes on the wire and the messages are the window's.

#include <QDateTime>
#include <QJsonArray>
#include <QRegularExpression>

#include "app/config_presenter.h"
#include "app/sms_presenter.h"
#include "archive/location.h"
#include "cli/commands.h"
#include "cli/terminal.h"
#include "config/clock.h"
#include "config/config_import.h"
#include "config/config_send.h"
#include "config/device.h"
#include "config/record.h"
#include "form/controls.h"
#include "link/codepage.h"
#include "serial_number/serial_write.h"
#include "sms/sms_read.h"
#include "sms/sms_record.h"
#include "sms/sms_write.h"
#include "station/erase_guard.h"

namespace vernoll::cli {

namespace {

bool allDigits(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]*$"));
    return digits.match(text).hasMatch();
}

// A change the user did not confirm (or, without a terminal, did not pass --yes for).
int refused(Session& session) {
    session.complain(isTerminal(stdin)
                         ? QStringLiteral("cambio no confirmado")
                         : QStringLiteral("cambio no confirmado (sin terminal hace falta --yes)"));
    return Usage;
}

QJsonArray byteList(const QByteArray& bytes) {
    QJsonArray list;
    for (char c : bytes) list.append(int(std::uint8_t(c)));
    return list;
}

// A click on an option button or check box, as the window delivers it: the box's checked
// state changes first, then the click handler runs.
void clickOption(Inicio& inicio, const char* name, bool checked = true) {
    inicio.form().setChecked(name, checked);
    inicio.click(QString::fromLatin1(name));
}

// What the user types into a box: the form takes the text, then the edit handler runs.
void type(Inicio& inicio, const char* name, const QString& text) {
    inicio.form().setText(name, text);
    inicio.edited(QString::fromLatin1(name));
}

// The send-interval names of the command line, in the order of the option buttons.
constexpr const char* kSendIntervalNames[5] = {"none", "sync", "2h", "6h", "12h"};

// ---- set-config ----

struct ConfigChanges {
    std::array<std::optional<QString>, 5> texts;  // user, location, latitude, longitude, altitude
    std::optional<int> interval;                  // index of Option1 .. Option6
    bool pcClock = false;
    std::optional<QDateTime> clock;
};

int runConfigSend(Session& session, const ConfigChanges& changes, QByteArray* sent) {
    Inicio& inicio = session.inicio();
    config::ConfigSend& send = inicio.configSend();
    QObject guard;
    const int status = session.run(
        [&](const Session::Finish& finish) {
            ConfigPresenter& presenter = inicio.configPresenter();
            QObject::connect(&send, &config::ConfigSend::finished, &guard, [=] { finish(Done); });
            QObject::connect(&presenter, &ConfigPresenter::sendCancelled, &guard,
                             [=] { finish(Usage); });
            QObject::connect(&presenter, &ConfigPresenter::sendFailed, &guard,
                             [=](const OperationError& e) {
                                 finish(e.fault == Fault::NoAnswer ? NoLogger : ExchangeFailed);
                             });
            inicio.click(QString::fromLatin1(ctl::kEditConfig));
            for (std::size_t i = 0; i < changes.texts.size(); ++i)
                if (changes.texts[i]) type(inicio, ctl::kStationTexts[i], *changes.texts[i]);
            if (changes.interval) {
                for (int i = 0; i < 6; ++i)
                    if (i != *changes.interval)
                        session.form().setChecked(ctl::kIntervalOptions[i], false);
                clickOption(inicio, ctl::kIntervalOptions[*changes.interval]);
            }
            if (changes.pcClock) {
                // Checked now, cleared by the send, which takes the PC clock at that moment.
                clickOption(inicio, ctl::kPcClock);
            } else if (changes.clock) {
                type(inicio, ctl::kDate, config::dateText(changes.clock->date()));
                type(inicio, ctl::kTime, config::timeText(changes.clock->time()));
            }
            inicio.click(QString::fromLatin1(ctl::kSendConfig));
        },
        [&] { return send.state() == config::ConfigSend::State::Sending; });
    *sent = send.frame();
    return status;
}

// ---- sms ----

int runSmsRead(Session& session) {
    sms::SmsRead& read = session.inicio().smsRead();
    QObject guard;
    return session.run(
        [&](const Session::Finish& finish) {
            QObject::connect(&read, &sms::SmsRead::finished, &guard, [=] { finish(Done); });
            QObject::connect(
                &read, &sms::SmsRead::failed, &guard, [&session, finish](const OperationError& e) {
                    if (e.fault == Fault::Stall)
                        session.complain(QStringLiteral("el registrador dej\u00f3 de responder"));
                    finish(e.fault == Fault::Counter || e.fault == Fault::Stall ? ExchangeFailed
                                                                                : NoLogger);
                });
            session.inicio().click(QString::fromLatin1(ctl::kReadSms));
        },
        [&] { return read.state() == sms::SmsRead::State::Receiving; });
}

int runSmsWrite(Session& session, const std::optional<QString>& cell,
                const std::optional<int>& interval) {
    Inicio& inicio = session.inicio();
    sms::SmsWrite& write = inicio.smsWrite();
    QObject guard;
    return session.run(
        [&](const Session::Finish& finish) {
            QObject::connect(&write, &sms::SmsWrite::finished, &guard, [=] { finish(Done); });
            QObject::connect(&inicio.smsPresenter(), &SmsPresenter::writeCancelled, &guard,
                             [=] { finish(Usage); });
            QObject::connect(&write, &sms::SmsWrite::failed, &guard, [=](const OperationError& e) {
                finish(e.fault == Fault::NoAnswer ? NoLogger : ExchangeFailed);
            });
            if (cell) type(inicio, ctl::kCellNumber, *cell);
            if (interval) clickOption(inicio, ctl::kSendIntervalOptions[*interval]);
            inicio.click(QString::fromLatin1(ctl::kWriteSms));
        },
        [&] { return write.state() == sms::SmsWrite::State::Sending; });
}

QString sendIntervalText(std::uint8_t code) {
    if (const auto index = sms::sendCodeIndex(code))
        return QString::fromLatin1(sms::kSendIntervals[std::size_t(*index)].label);
    return QStringLiteral("0x%1").arg(int(code), 2, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

namespace {

// Sending erases the logger's memory: said first when the archive may not hold its readings.
// The window asks whether to download first; here the warning stands before the send's own
// question (or --yes).
void warnOfUndownloadedReadings(Session& session) {
    const auto& imported = session.inicio().import().configuration();
    if (!imported) return;
    const station::EraseRisk risk =
        station::eraseRisk(archive::chosenLocation(session.options().archive), *imported,
                           QDateTime::currentDateTime());
    if (!risk.readingsAtRisk) return;
    const QString question = QString::fromUtf8(station::kUndownloadedQuestion);
    // The statement without the question that offers the download.
    session.dialogs().message(question.left(question.indexOf(QStringLiteral(" \u00bf"))));
    if (!risk.archiveError.isEmpty()) session.dialogs().message(risk.archiveError);
}

}  // namespace

int setConfig(Session& session, const QCommandLineParser& parser) {
    const char* const textNames[5] = {"user", "location", "latitude", "longitude", "altitude"};
    const QString interval = QStringLiteral("interval"), clock = QStringLiteral("clock"),
                  yes = QStringLiteral("yes");
    if (!session.noPositional(parser)) return Usage;

    ConfigChanges changes;
    for (std::size_t i = 0; i < changes.texts.size(); ++i) {
        const QString option = QString::fromLatin1(textNames[i]);
        if (!parser.isSet(option)) continue;
        const QString text = parser.value(option);
        const int width = config::kTextWidths[i];
        // The window's box takes no more; a longer text would not reach the logger whole.
        if (text.size() > width) {
            session.complain(QStringLiteral("--%1 takes at most %2 characters")
                                 .arg(QLatin1String(textNames[i]))
                                 .arg(width));
            return Usage;
        }
        if (cp1252::decode(cp1252::encode(text)) != text) {
            session.complain(QStringLiteral("--%1 holds a character the logger cannot store")
                                 .arg(QLatin1String(textNames[i])));
            return Usage;
        }
        changes.texts[i] = text;
    }
    if (parser.isSet(interval)) {
        const QString minutes = parser.value(interval);
        for (std::size_t i = 0; i < config::kIntervals.size(); ++i)
            if (minutes == QLatin1String(config::kIntervals[i].minutes)) changes.interval = int(i);
        if (!changes.interval) {
            session.complain(QStringLiteral("--interval takes 1, 5, 10, 15, 30 or 60"));
            return Usage;
        }
    }
    if (parser.isSet(clock)) {
        const QString value = parser.value(clock);
        if (value == QLatin1String("pc")) {
            changes.pcClock = true;
        } else {
            const QDateTime when =
                QDateTime::fromString(value, QStringLiteral("dd/MM/yyyy HH:mm:ss"));
            if (!when.isValid()) {
                session.complain(QStringLiteral("--clock takes pc or \"dd/MM/yyyy HH:mm:ss\""));
                return Usage;
            }
            changes.clock = when;
        }
    }
    session.setYes(parser.isSet(yes));

    int status = session.connect(true);
    if (status != Done) return status;
    warnOfUndownloadedReadings(session);
    QByteArray sent;
    status = runConfigSend(session, changes, &sent);
    if (status == Usage) return refused(session);
    if (status != Done) return status;
    if (session.options().json)
        session.printJson({{QStringLiteral("sent"), byteList(sent)}});
    else
        session.print(session.dialogs().messages().last() + QLatin1Char('\n'));
    return Done;
}

int sms(Session& session, const QCommandLineParser& parser) {
    const QString cell = QStringLiteral("cell"), sendInterval = QStringLiteral("send-interval"),
                  yes = QStringLiteral("yes");
    if (!session.noPositional(parser)) return Usage;

    std::optional<QString> newCell;
    if (parser.isSet(cell)) {
        newCell = parser.value(cell);
        if (!allDigits(*newCell) || newCell->size() > sms::kCellWidth) {
            session.complain(QStringLiteral("--cell takes up to 15 digits"));
            return Usage;
        }
    }
    std::optional<int> newInterval;
    if (parser.isSet(sendInterval)) {
        const QString name = parser.value(sendInterval);
        for (int i = 0; i < 5; ++i)
            if (name == QLatin1String(kSendIntervalNames[i])) newInterval = i;
        if (!newInterval) {
            session.complain(QStringLiteral("--send-interval takes none, sync, 2h, 6h or 12h"));
            return Usage;
        }
    }
    session.setYes(parser.isSet(yes));

    int status = session.connect(true);
    if (status != Done) return status;
    // The window offers the SMS operations only to loggers with telemetry.
    if (!config::hasSms(session.form().Nserie)) {
        session.complain(QStringLiteral("este registrador no tiene telemetria SMS"));
        return Usage;
    }
    status = runSmsRead(session);
    if (status != Done) return status;
    // What the logger reported, before the write pads the box.
    const sms::Settings read = *session.inicio().smsRead().settings();
    const QString readCell = read.cell;
    const std::uint8_t readCode = read.code;

    const bool write = newCell || newInterval;
    if (write) {
        status = runSmsWrite(session, newCell, newInterval);
        if (status == Usage) return refused(session);
        if (status != Done) return status;
    }
    if (session.options().json) {
        session.printJson({{QStringLiteral("cell"), readCell},
                           {QStringLiteral("send_interval_code"), int(readCode)},
                           {QStringLiteral("written"), write}});
    } else {
        QString text = QStringLiteral("Nro Celular: ") + readCell + QLatin1Char('\n') +
                       QStringLiteral("Intervalo de envio: ") + sendIntervalText(readCode) +
                       QLatin1Char('\n');
        if (write) text += session.dialogs().messages().last() + QLatin1Char('\n');
        session.print(text);
    }
    return Done;
}

int setSerial(Session& session, const QCommandLineParser& parser) {
    const QString yes = QStringLiteral("yes");
    const QStringList positional = parser.positionalArguments();
    const QString digits = positional.isEmpty() ? QString() : positional.first();
    if (positional.size() != 1 || digits.isEmpty() ||
        digits.size() > serial_number::SerialWrite::kMaxDigits || !allDigits(digits)) {
        session.complain(QStringLiteral("set-serial takes a serial number of 1 to 8 digits"));
        return Usage;
    }
    session.setYes(parser.isSet(yes));

    int status = session.connect(true);
    if (status != Done) return status;
    // The window writes on Enter without a question; a command line asks before a change,
    // and names the serial number the logger will hold: missing digits are zeros at the end.
    if (!session.dialogs().confirm(
            QStringLiteral("esta seguro de cambiar el numero de serie a %1? ")
                .arg(digits.leftJustified(serial_number::SerialWrite::kMaxDigits, u'0')),
            Dialogs::Icon::Warning))
        return refused(session);

    Inicio& inicio = session.inicio();
    serial_number::SerialWrite& write = inicio.serialWrite();
    QObject guard;
    status = session.run(
        [&](const Session::Finish& finish) {
            QObject::connect(&write, &serial_number::SerialWrite::finished, &guard,
                             [=] { finish(Done); });
            QObject::connect(&write, &serial_number::SerialWrite::failed, &guard,
                             [=](const OperationError& e) {
                                 finish(e.fault == Fault::NoAnswer ? NoLogger : ExchangeFailed);
                             });
            type(inicio, ctl::kSerialEntry, digits);
            inicio.key(QString::fromLatin1(ctl::kSerialEntry), Qt::Key_Return);
            if (write.state() == serial_number::SerialWrite::State::Idle) finish(Usage);
        },
        [&] { return write.state() == serial_number::SerialWrite::State::Sending; });
    if (status != Done) return status;

    QByteArray sent;
    for (std::uint8_t b : write.packed()) sent += char(b);
    if (session.options().json)
        session.printJson({{QStringLiteral("sent"), byteList(sent)}});
    else
        session.print(session.form().control(ctl::kSerialCaption).text + QLatin1Char('\n'));
    return Done;
}

}  // namespace vernoll::cli
