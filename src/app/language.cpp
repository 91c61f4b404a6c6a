#include "app/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QTranslator>

namespace vernoll {

Q_LOGGING_CATEGORY(lcLanguage, "vernoll.language")

bool speakSpanish(QCoreApplication& app) {
    const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    QLocale::setDefault(spanish);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* texts = new QTranslator(&app);
    if (!texts->load(spanish, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
        qCWarning(lcLanguage).noquote()
            << "Qt's Spanish texts (qtbase_es.qm) are not in" << folder
            << "- Qt's own buttons and dialogs will speak English (Debian: qt6-translations-l10n)";
        delete texts;
        return false;
    }
    QCoreApplication::installTranslator(texts);
    return true;
}

}  // namespace vernoll
