#include "app/qt_dialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>
#include <QUrl>

namespace vernoll {

namespace {

int run(QWidget* parent, const QString& text, Dialogs::Icon icon,
        QMessageBox::StandardButtons buttons) {
    QMessageBox box(QtDialogs::boxIcon(icon), QtDialogs::title(), QtDialogs::displayText(text),
                    buttons, parent);
    box.setTextFormat(Qt::PlainText);
    return box.exec();
}

}  // namespace

QString QtDialogs::title() {
    return QStringLiteral("Vernoll de Tolvar");
}

QMessageBox::Icon QtDialogs::boxIcon(Icon icon) {
    switch (icon) {
        case Icon::Warning:
            return QMessageBox::Warning;
        case Icon::Critical:
            return QMessageBox::Critical;
        case Icon::Information:
            return QMessageBox::Information;
        case Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QString QtDialogs::displayText(const QString& text) {
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

void QtDialogs::message(const QString& text, Icon icon) {
    run(parent_, text, icon, QMessageBox::Ok);
}

bool QtDialogs::confirm(const QString& text, Icon icon) {
    return run(parent_, text, icon, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

}  // namespace vernoll

namespace vernoll {

namespace {

QString qtFilter(const Dialogs::Filter& filter) {
    // The description already names its pattern ("datos excel (*.CSV)"), as Qt's filters do.
    return filter.description.contains(filter.pattern)
               ? filter.description
               : filter.description + QStringLiteral(" (") + filter.pattern + QLatin1Char(')');
}

}  // namespace

QString QtDialogs::startFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

bool QtDialogs::askYesNo(const QString& text, Icon icon) {
    return run(parent_, text, icon, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::optional<QString> QtDialogs::saveFileName(const Filter& filter, const QString& suggested) {
    const QString path = QFileDialog::getSaveFileName(
        parent_, QString(), QDir(startFolder()).filePath(suggested), qtFilter(filter));
    if (path.isEmpty()) return std::nullopt;
    return path;
}

std::optional<QString> QtDialogs::openFileName(const Filter& filter) {
    const QString path =
        QFileDialog::getOpenFileName(parent_, QString(), startFolder(), qtFilter(filter));
    if (path.isEmpty()) return std::nullopt;
    return path;
}

void QtDialogs::openWithApplication(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace vernoll
