// set-config, sms and set-serial: the commands that change the logger's settings. Each makes
// the frame the window would make from the same changes, and says what the window says, so the
// bytes on the wire and the messages are the window's.

#include <QDateTime>
#include <QJsonArray>
#include <QRegularExpression>

#include "archive/location.h"
#include "cli/commands.h"
#include "cli/terminal.h"
#include "config/clock.h"
#include "config/config_import.h"
#include "config/config_send.h"
#include "config/device.h"
#include "config/record.h"
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

// What the window says once the logger took the new settings.
const QString kConfigChanged = QString::fromUtf8(config::ConfigSend::kDone);
const QString kSmsChanged = QString::fromUtf8(sms::SmsWrite::kDone);

// The send-interval names of the command line, in the order of the option buttons.
constexpr const char* kSendIntervalNames[5] = {"none", "sync", "2h", "6h", "12h"};

// ---- set-config ----

struct ConfigChanges {
    std::array<std::optional<QString>, 5> texts;  // user, location, latitude, longitude, altitude
    std::optional<int> interval;                  // index of the interval
    bool pcClock = false;
    std::optional<QDateTime> clock;
};

// The send as the window makes it after an edit of these fields: the station texts as the
// import left them unless changed, the interval code, and the logger's clock (the PC's when
// asked, at the moment of sending). The question first; a clock without a date sends nothing.
int runConfigSend(Session& session, const ConfigChanges& changes, QByteArray* sent) {
    const config::Configuration& imported = *session.logger().configuration();
    if (!session.dialogs().confirm(QString::fromLatin1(config::ConfigSend::kQuestion),
                                   Dialogs::Icon::Warning))
        return Usage;
    std::array<QString, 5> texts;
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] =
            config::padded(changes.texts[i].value_or(imported.station(i)), config::kTextWidths[i]);
    const std::uint8_t interval = changes.interval
                                      ? config::kIntervals[std::size_t(*changes.interval)].code
                                      : imported.intervalCode;
    QTime time = imported.time.value_or(QTime(0, 0));
    std::optional<QDate> date = imported.date;
    if (changes.pcClock) {
        const QDateTime now = QDateTime::currentDateTime();
        time = QTime(now.time().hour(), now.time().minute(), now.time().second());
        date = now.date();
    } else if (changes.clock) {
        time = changes.clock->time();
        date = changes.clock->date();
    }
    if (!date) {
        // The window's date box holds no date: nothing goes on the line.
        session.dialogs().message(QString::fromLatin1(config::ConfigSend::kBadDate));
        return ExchangeFailed;
    }

    config::ConfigSend& send = session.logger().configSend();
    QObject guard;
    const int status = session.run(
        [&](const Session::Finish& finish) {
            QObject::connect(&send, &config::ConfigSend::finished, &guard, [&session, finish] {
                session.dialogs().message(kConfigChanged);
                finish(Done);
            });
            QObject::connect(&send, &config::ConfigSend::failed, &guard,
                             [&session, finish](const OperationError& e) {
                                 if (e.fault == Fault::NoAnswer) session.show(e);
                                 finish(e.fault == Fault::NoAnswer ? NoLogger : ExchangeFailed);
                             });
            send.start(texts, interval, time, *date);
        },
        [&] { return send.state() == config::ConfigSend::State::Sending; });
    *sent = send.frame();
    return status;
}

// ---- sms ----

int runSmsRead(Session& session) {
    sms::SmsRead& read = session.logger().smsRead();
    QObject guard;
    return session.run(
        [&](const Session::Finish& finish) {
            QObject::connect(&read, &sms::SmsRead::finished, &guard, [=] { finish(Done); });
            QObject::connect(
                &read, &sms::SmsRead::failed, &guard, [&session, finish](const OperationError& e) {
                    if (e.fault != Fault::Counter) session.show(e);
                    if (e.fault == Fault::Stall)
                        session.complain(QStringLiteral("el registrador dej\u00f3 de responder"));
                    finish(e.fault == Fault::Counter || e.fault == Fault::Stall ? ExchangeFailed
                                                                                : NoLogger);
                });
            read.start();
        },
        [&] { return read.state() == sms::SmsRead::State::Receiving; });
}

// The write as the window makes it from its boxes: the cell number (as read, or the new one)
// padded to 15, the send-interval code, the hidden field padded to five. The question first.
int runSmsWrite(Session& session, const sms::Settings& read, const std::optional<QString>& cell,
                const std::optional<int>& interval) {
    if (!session.dialogs().confirm(QString::fromLatin1(sms::SmsWrite::kQuestion),
                                   Dialogs::Icon::Warning))
        return Usage;
    const QString cellText = sms::padded(cell.value_or(read.cell), sms::kCellWidth);
    const std::uint8_t code =
        interval ? sms::kSendIntervals[std::size_t(*interval)].code : read.code;
    const QString hidden = sms::padded(cp1252::decode(read.hidden), sms::kHiddenWidth + 1);
    sms::SmsWrite& write = session.logger().smsWrite();
    QObject guard;
    return session.run(
        [&](const Session::Finish& finish) {
            QObject::connect(&write, &sms::SmsWrite::finished, &guard, [&session, finish] {
                session.dialogs().message(kSmsChanged);
                finish(Done);
            });
            QObject::connect(&write, &sms::SmsWrite::failed, &guard,
                             [&session, finish](const OperationError& e) {
                                 if (e.fault == Fault::NoAnswer) session.show(e);
                                 finish(e.fault == Fault::NoAnswer ? NoLogger : ExchangeFailed);
                             });
            write.start(cellText, code, hidden);
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
    if (!session.logger().configuration()) return;
    const station::EraseRisk risk = session.job().eraseRisk();
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
        session.print(kConfigChanged + QLatin1Char('\n'));
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
    if (!config::hasSms(session.nserie())) {
        session.complain(QStringLiteral("este registrador no tiene telemetria SMS"));
        return Usage;
    }
    status = runSmsRead(session);
    if (status != Done) return status;
    // What the logger reported, before the write pads the box.
    const sms::Settings read = *session.logger().smsRead().settings();
    const QString readCell = read.cell;
    const std::uint8_t readCode = read.code;

    const bool write = newCell || newInterval;
    if (write) {
        status = runSmsWrite(session, read, newCell, newInterval);
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
        if (write) text += kSmsChanged + QLatin1Char('\n');
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

    serial_number::SerialWrite& write = session.logger().serialWrite();
    QObject guard;
    status = session.run(
        [&](const Session::Finish& finish) {
            QObject::connect(&write, &serial_number::SerialWrite::finished, &guard,
                             [=] { finish(Done); });
            QObject::connect(&write, &serial_number::SerialWrite::failed, &guard,
                             [&session, finish](const OperationError& e) {
                                 if (e.fault == Fault::NoAnswer) session.show(e);
                                 finish(e.fault == Fault::NoAnswer ? NoLogger : ExchangeFailed);
                             });
            if (!write.start(digits)) finish(Usage);
        },
        [&] { return write.state() == serial_number::SerialWrite::State::Sending; });
    if (status != Done) return status;

    QByteArray sent;
    for (std::uint8_t b : write.packed()) sent += char(b);
    if (session.options().json)
        session.printJson({{QStringLiteral("sent"), byteList(sent)}});
    else
        session.print(QStringLiteral("N\u00ba Enviado  ") + digits + QLatin1Char('\n'));
    return Done;
}

}  // namespace vernoll::cli
