#include "app/qt_dialogs.h"

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
