#include "app/qt_dialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
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

Dialogs::Answer QtDialogs::askYesNoCancel(const QString& text, Icon icon) {
    switch (run(parent_, text, icon, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
    }
}

QString QtDialogs::extensionOf(const Filter& filter) {
    const qsizetype dot = filter.pattern.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : filter.pattern.mid(dot + 1);
    return extension.contains(QLatin1Char('*')) ? QString() : extension;
}

QString QtDialogs::suggestedFile(const Filter& filter, const QString& suggested) {
    // Shown with its extension, so that the file saved under it opens with its application.
    const QString extension = extensionOf(filter);
    const bool has = !extension.isEmpty() &&
                     suggested.endsWith(QLatin1Char('.') + extension, Qt::CaseInsensitive);
    return extension.isEmpty() || has ? suggested : suggested + QLatin1Char('.') + extension;
}

std::optional<QString> QtDialogs::saveFileName(const Filter& filter, const QString& suggested) {
    QFileDialog dialog(parent_, QString(), startFolder(), qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without an extension gets the filter's.
    dialog.setDefaultSuffix(extensionOf(filter));
    dialog.selectFile(QDir(startFolder()).filePath(suggestedFile(filter, suggested)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

QString QtDialogs::openFolder() const {
    return !copiesFolder_.isEmpty() && QDir(copiesFolder_).exists() ? copiesFolder_ : startFolder();
}

std::optional<QString> QtDialogs::openFileName(const Filter& filter) {
    QFileDialog dialog(parent_, QString(), openFolder(), qtFilter(filter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

bool QtDialogs::hasApplicationFor(const QString& path) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // The desktop's open starts its launcher and reports success even when the launcher then
    // finds nothing for the file's kind: ask the launcher's own table first.
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty()) return true;
    const QMimeType kind = QMimeDatabase().mimeTypeForFile(path);
    for (const QString& name : QStringList{kind.name()} + kind.allAncestors()) {
        QProcess query;
        query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), name});
        if (query.waitForFinished(5000) && !query.readAllStandardOutput().trimmed().isEmpty())
            return true;
    }
    return false;
#else
    Q_UNUSED(path);
    return true;
#endif
}

QString QtDialogs::noApplicationText(const QString& path) {
    return QStringLiteral("No hay un programa asociado para abrir ") + QFileInfo(path).fileName() +
           QStringLiteral("\r\n") + QDir::toNativeSeparators(path);
}

bool QtDialogs::openWithApplication(const QString& path) {
    if (hasApplicationFor(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return true;
    message(noApplicationText(path), Icon::Warning);
    return false;
}

}  // namespace vernoll
