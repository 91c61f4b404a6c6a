#pragma once

#include <QLocale>
#include <QString>
#include <array>
#include <memory>
#include <optional>

#include "form/dialogs.h"

namespace vernoll::regional {

// Where the current user's regional number, date and list formats live. On Windows that is
// the registry key HKEY_CURRENT_USER\Control Panel\International; elsewhere a per-user
// settings file holding the same eight values.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The value's text; nothing when it cannot be read.
    virtual std::optional<QString> read(const QString& name) const = 0;
    virtual void write(const QString& name, const QString& value) = 0;
};

// One value the program needs: its name in the store, the value required and how the
// message names it.
struct Setting {
    const char* name;
    const char* required;
    const char* label;
};

// In the order they are checked and listed in the message.
inline constexpr std::array<Setting, 8> kSettings = {{
    {"iDigits", "2", "Numero de Digitos Decimales: "},
    {"sThousand", ",", "Separador de miles: "},
    {"sDecimal", ".", "Separador Decimal: "},
    {"sShortDate", "dd/MM/yyyy", "Formato de Fecha: "},
    {"sTimeFormat", "HH:mm:ss", "Formato de Hora: "},
    {"sList", ",", "Separador de Lista: "},
    {"sMonDecimalSep", ".", "Separador Decimal Monetario: "},
    {"sMonThousandSep", ",", "Separador de Miles Monetario: "},
}};

// The order in which a correction writes them: all eight, also those that were right.
inline constexpr std::array<const char*, 8> kWriteOrder = {
    "sList",     "sTimeFormat", "sShortDate",     "sDecimal",
    "sThousand", "iDigits",     "sMonDecimalSep", "sMonThousandSep"};

enum class Outcome {
    Right,      // every value was as required; nothing was asked
    Corrected,  // the user accepted and the required values were written
    Refused,    // the user refused: the program must end before showing anything else
};

// The question shown when values differ, or an empty text when all eight are right. A value
// that cannot be read counts as differing and shows as empty.
QString differenceMessage(const SettingsStore& store);

// The start-up check: asks with a warning and OK/Cancel when a value differs, and on OK
// writes the required values.
Outcome check(SettingsStore& store, Dialogs& dialogs);

// The current user's registry values (Windows only).
std::unique_ptr<SettingsStore> registryStore();

// A per-user settings file; a value it does not hold reads as the given locale's equivalent.
class FileStore : public SettingsStore {
public:
    // `path` empty: the per-user settings file of this program.
    explicit FileStore(QString path = {}, QLocale locale = QLocale::system());
    ~FileStore() override;

    std::optional<QString> read(const QString& name) const override;
    void write(const QString& name, const QString& value) override;

    // What a missing value reads as for `locale`; nothing for an unknown name.
    static std::optional<QString> localeDefault(const QLocale& locale, const QString& name);

private:
    QString path_;
    QLocale locale_;
};

// The store of this platform: the registry on Windows, a FileStore elsewhere.
std::unique_ptr<SettingsStore> platformStore();

}  // namespace vernoll::regional
