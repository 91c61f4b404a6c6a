#include "cli/console_dialogs.h"

#include <QTextStream>

#include "cli/terminal.h"

namespace vernoll::cli {

QString consoleLines(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

void ConsoleDialogs::drawStatus(const QString& text) {
    const QByteArray line = '\r' + text.toUtf8();
    std::fwrite(line.constData(), 1, std::size_t(line.size()), err_);
    std::fflush(err_);
    statusDrawn_ = true;
}

void ConsoleDialogs::endStatus() const {
    if (!statusDrawn_) return;
    std::fputc('\n', err_);
    statusDrawn_ = false;
}

void ConsoleDialogs::message(const QString& text, Icon /*icon*/) {
    endStatus();
    messages_ << text;
    const QByteArray line = consoleLines(text).toUtf8() + '\n';
    std::fwrite(line.constData(), 1, std::size_t(line.size()), err_);
    std::fflush(err_);
}

bool ConsoleDialogs::confirm(const QString& text, Icon /*icon*/) {
    if (automatic_.contains(text)) return true;
    if (yes_) return true;
    if (!isTerminal(stdin)) {
        refused_ = true;
        return false;
    }
    endStatus();
    const QByteArray prompt = consoleLines(text).toUtf8() + " [s/N] ";
    std::fwrite(prompt.constData(), 1, std::size_t(prompt.size()), err_);
    std::fflush(err_);
    QTextStream in(stdin);
    const QString answer = in.readLine().trimmed().toLower();
    const bool ok = answer == QStringLiteral("s") || answer == QStringLiteral("si") ||
                    answer == QStringLiteral("y") || answer == QStringLiteral("yes");
    if (!ok) refused_ = true;
    return ok;
}

}  // namespace vernoll::cli
