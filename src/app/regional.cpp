#include "app/regional.h"

#include <QSettings>
#include <utility>

namespace vernoll::regional {

namespace {

const QChar kCr(13);

QString latin(const char* text) {
    return QString::fromLatin1(text);
}

// The locale's long time format without its time-zone part: the registry's time format
// carries hours, minutes and seconds only.
QString timeWithoutZone(const QString& format) {
    QString out;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\'')) quoted = !quoted;
        if (!quoted && c == QLatin1Char('t')) continue;
        out += c;
    }
    // Spain's "H:mm:ss (t)": the parentheses held the zone and go with it.
    out.remove(QStringLiteral("()"));
    return out.simplified();
}

#ifdef Q_OS_WIN
class RegistryStore : public SettingsStore {
public:
    RegistryStore()
        : settings_(QStringLiteral("HKEY_CURRENT_USER\\Control Panel\\International"),
                    QSettings::NativeFormat) {}

    std::optional<QString> read(const QString& name) const override {
        if (!settings_.contains(name)) return std::nullopt;
        return settings_.value(name).toString();
    }
    void write(const QString& name, const QString& value) override {
        settings_.setValue(name, value);
        settings_.sync();
    }

private:
    mutable QSettings settings_;
};
#endif

}  // namespace

QString differenceMessage(const SettingsStore& store) {
    QString text =
        QStringLiteral("Su Configuracion Regional no es la apropiada para este sistema.") + kCr +
        QStringLiteral("Desea cambiar estos valores?") + kCr;
    bool right = true;
    for (const Setting& s : kSettings) {
        const std::optional<QString> value = store.read(latin(s.name));
        if (value && *value == latin(s.required)) continue;
        text += kCr + QString::fromUtf8(s.label) + value.value_or(QString());
        right = false;
    }
    if (right) return {};
    text += kCr;
    text += kCr;
    text += QString::fromUtf8(" Si decide Cancelar  el Sistema se Cerrará");
    return text;
}

Outcome check(SettingsStore& store, Dialogs& dialogs) {
    const QString text = differenceMessage(store);
    if (text.isEmpty()) return Outcome::Right;
    if (!dialogs.confirm(text, Dialogs::Icon::Warning)) return Outcome::Refused;
    for (const char* name : kWriteOrder) {
        for (const Setting& s : kSettings)
            if (qstrcmp(s.name, name) == 0) store.write(latin(s.name), latin(s.required));
    }
    return Outcome::Corrected;
}

std::unique_ptr<SettingsStore> registryStore() {
#ifdef Q_OS_WIN
    return std::make_unique<RegistryStore>();
#else
    return nullptr;
#endif
}

FileStore::FileStore(QString path, QLocale locale) : path_(std::move(path)), locale_(locale) {
    if (path_.isEmpty())
        path_ = QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("vernoll"),
                          QStringLiteral("regional"))
                    .fileName();
}

FileStore::~FileStore() = default;

std::optional<QString> FileStore::read(const QString& name) const {
    QSettings settings(path_, QSettings::IniFormat);
    const QString key = QStringLiteral("International/") + name;
    if (settings.contains(key)) return settings.value(key).toString();
    return localeDefault(locale_, name);
}

void FileStore::write(const QString& name, const QString& value) {
    QSettings settings(path_, QSettings::IniFormat);
    settings.setValue(QStringLiteral("International/") + name, value);
    settings.sync();
}

std::optional<QString> FileStore::localeDefault(const QLocale& locale, const QString& name) {
    const QString decimal = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    if (name == QLatin1String("iDigits")) return QStringLiteral("2");
    if (name == QLatin1String("sThousand") || name == QLatin1String("sMonThousandSep"))
        return group;
    if (name == QLatin1String("sDecimal") || name == QLatin1String("sMonDecimalSep"))
        return decimal;
    if (name == QLatin1String("sShortDate")) return locale.dateFormat(QLocale::ShortFormat);
    if (name == QLatin1String("sTimeFormat"))
        return timeWithoutZone(locale.timeFormat(QLocale::LongFormat));
    if (name == QLatin1String("sList"))
        return decimal == QLatin1String(",") ? QStringLiteral(";") : QStringLiteral(",");
    return std::nullopt;
}

std::unique_ptr<SettingsStore> platformStore() {
#ifdef Q_OS_WIN
    return registryStore();
#else
    return std::make_unique<FileStore>();
#endif
}

}  // namespace vernoll::regional
