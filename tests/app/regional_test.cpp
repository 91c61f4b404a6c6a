#include "app/regional.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <utility>
#include <vector>

#include "app/qt_dialogs.h"
#include "support/fake_dialogs.h"

namespace vernoll::regional {
namespace {

// A store in memory: values by name, some unreadable, every write recorded in order.
class FakeStore : public SettingsStore {
public:
    FakeStore() {
        for (const Setting& s : kSettings)
            values.insert(QString::fromLatin1(s.name), QString::fromLatin1(s.required));
    }
    std::optional<QString> read(const QString& name) const override {
        if (!values.contains(name)) return std::nullopt;
        return values.value(name);
    }
    void write(const QString& name, const QString& value) override {
        writes.emplace_back(name, value);
        values.insert(name, value);
    }

    QHash<QString, QString> values;
    std::vector<std::pair<QString, QString>> writes;
};

const QString kCr = QString(QChar(13));
const QString kHead =
    QStringLiteral("Su Configuracion Regional no es la apropiada para este sistema.") + kCr +
    QStringLiteral("Desea cambiar estos valores?") + kCr;
const QString kTail = kCr + kCr + QString::fromUtf8(" Si decide Cancelar  el Sistema se Cerrará");

const std::vector<std::pair<QString, QString>> kAllWritten = {
    {"sList", ","},          {"sTimeFormat", "HH:mm:ss"}, {"sShortDate", "dd/MM/yyyy"},
    {"sDecimal", "."},       {"sThousand", ","},          {"iDigits", "2"},
    {"sMonDecimalSep", "."}, {"sMonThousandSep", ","}};

struct Case {
    const char* what;
    std::vector<std::pair<const char*, const char*>> stored;  // nullptr value: unreadable
    bool answer;                                              // the user's OK or Cancel
    QString message;                                          // empty: no question asked
    Outcome outcome;
};

class RegionalCheck : public ::testing::TestWithParam<Case> {};

TEST_P(RegionalCheck, AsksWritesAndDecides) {
    const Case& c = GetParam();
    FakeStore store;
    for (const auto& [name, value] : c.stored) {
        if (value)
            store.values.insert(QString::fromLatin1(name), QString::fromUtf8(value));
        else
            store.values.remove(QString::fromLatin1(name));
    }
    test::FakeDialogs dialogs;
    dialogs.answers.push_back(c.answer);

    const Outcome outcome = check(store, dialogs);

    EXPECT_EQ(outcome, c.outcome);
    if (c.message.isEmpty()) {
        EXPECT_TRUE(dialogs.shown.empty());
    } else {
        ASSERT_EQ(dialogs.shown.size(), 1U);
        EXPECT_EQ(dialogs.shown[0].text, c.message);
        EXPECT_TRUE(dialogs.shown[0].question);
        EXPECT_EQ(dialogs.shown[0].icon, Dialogs::Icon::Warning);
        EXPECT_FALSE(dialogs.shown[0].text.contains(QChar(10)));
    }
    if (outcome == Outcome::Corrected) {
        std::vector<std::pair<QString, QString>> expected(kAllWritten.begin(), kAllWritten.end());
        EXPECT_EQ(store.writes, expected);
    } else {
        EXPECT_TRUE(store.writes.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegionalCheck,
    ::testing::Values(
        Case{"all eight right", {}, true, {}, Outcome::Right},
        Case{"separators swapped, OK",
             {{"sThousand", "."}, {"sDecimal", ","}},
             true,
             kHead + kCr + "Separador de miles: ." + kCr + "Separador Decimal: ," + kTail,
             Outcome::Corrected},
        Case{"only the list separator, OK",
             {{"sList", ";"}},
             true,
             kHead + kCr + "Separador de Lista: ;" + kTail,
             Outcome::Corrected},
        Case{"date format differs only in case, Cancel",
             {{"sShortDate", "dd/mm/yyyy"}},
             false,
             kHead + kCr + "Formato de Fecha: dd/mm/yyyy" + kTail,
             Outcome::Refused},
        Case{"unreadable value shows empty",
             {{"sTimeFormat", nullptr}, {"sMonThousandSep", "."}},
             true,
             kHead + kCr + "Formato de Hora: " + kCr + "Separador de Miles Monetario: ." + kTail,
             Outcome::Corrected},
        Case{"every value wrong, listed in table order, Cancel",
             {{"iDigits", "3"},
              {"sThousand", " "},
              {"sDecimal", ","},
              {"sShortDate", "d/M/yy"},
              {"sTimeFormat", "H:mm"},
              {"sList", ";"},
              {"sMonDecimalSep", ","},
              {"sMonThousandSep", " "}},
             false,
             kHead + kCr + "Numero de Digitos Decimales: 3" + kCr + "Separador de miles:  " + kCr +
                 "Separador Decimal: ," + kCr + "Formato de Fecha: d/M/yy" + kCr +
                 "Formato de Hora: H:mm" + kCr + "Separador de Lista: ;" + kCr +
                 "Separador Decimal Monetario: ," + kCr + "Separador de Miles Monetario:  " + kTail,
             Outcome::Refused}),
    [](const ::testing::TestParamInfo<Case>& p) { return std::to_string(p.index); });

// The per-user file: missing values read as the locale's equivalents.
struct LocaleCase {
    const char* locale;
    const char* decimal;
    const char* thousand;
    const char* list;
    const char* time;  // the long time format without its zone
};

TEST(RegionalFileStore, MissingValuesReadAsTheLocales) {
    const LocaleCase cases[] = {
        {"C", ".", ",", ",", "HH:mm:ss"},
        {"de_DE", ",", ".", ";", "HH:mm:ss"},
        {"en_US", ".", ",", ",", "h:mm:ss AP"},
        {"es_ES", ",", ".", ";", "H:mm:ss"},
    };
    for (const LocaleCase& c : cases) {
        SCOPED_TRACE(c.locale);
        QTemporaryDir dir;
        const QLocale locale(QString::fromLatin1(c.locale));
        FileStore store(dir.filePath(QStringLiteral("regional.ini")), locale);
        EXPECT_EQ(store.read(QStringLiteral("sDecimal")), QString::fromLatin1(c.decimal));
        EXPECT_EQ(store.read(QStringLiteral("sMonDecimalSep")), QString::fromLatin1(c.decimal));
        EXPECT_EQ(store.read(QStringLiteral("sThousand")), QString::fromLatin1(c.thousand));
        EXPECT_EQ(store.read(QStringLiteral("sMonThousandSep")), QString::fromLatin1(c.thousand));
        EXPECT_EQ(store.read(QStringLiteral("sList")), QString::fromLatin1(c.list));
        EXPECT_EQ(store.read(QStringLiteral("iDigits")), QStringLiteral("2"));
        EXPECT_EQ(store.read(QStringLiteral("sShortDate")),
                  locale.dateFormat(QLocale::ShortFormat));
        EXPECT_EQ(store.read(QStringLiteral("sTimeFormat")), QString::fromLatin1(c.time));
        EXPECT_FALSE(store.read(QStringLiteral("sCountry")).has_value());
    }
}

TEST(RegionalFileStore, CorrectionIsKeptForTheNextRun) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("regional.ini"));
    test::FakeDialogs dialogs;
    {
        FileStore store(path, QLocale(QStringLiteral("de_DE")));
        EXPECT_EQ(check(store, dialogs), Outcome::Corrected);
    }
    FileStore again(path, QLocale(QStringLiteral("de_DE")));
    EXPECT_EQ(again.read(QStringLiteral("sDecimal")), QStringLiteral("."));
    EXPECT_EQ(check(again, dialogs), Outcome::Right);
    EXPECT_EQ(dialogs.shown.size(), 1U);
}

TEST(RegionalFileStore, RefusalWritesNoFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("regional.ini"));
    test::FakeDialogs dialogs;
    dialogs.answers.push_back(false);
    FileStore store(path, QLocale(QStringLiteral("de_DE")));
    EXPECT_EQ(check(store, dialogs), Outcome::Refused);
    EXPECT_FALSE(QFile::exists(path));
}

TEST(MessageBoxes, ShowLinesAndIcons) {
    EXPECT_EQ(QtDialogs::displayText(QStringLiteral("a\rb\r\nc\n\rd")),
              QStringLiteral("a\nb\nc\n\nd"));
    const std::pair<Dialogs::Icon, QMessageBox::Icon> icons[] = {
        {Dialogs::Icon::None, QMessageBox::NoIcon},
        {Dialogs::Icon::Warning, QMessageBox::Warning},
        {Dialogs::Icon::Critical, QMessageBox::Critical},
        {Dialogs::Icon::Information, QMessageBox::Information}};
    for (const auto& [ours, box] : icons) EXPECT_EQ(QtDialogs::boxIcon(ours), box);
}

TEST(FileDialogs, SuggestedNamesCarryTheFilterExtension) {
    const Dialogs::Filter csv{QStringLiteral("datos excel (*.CSV)"), QStringLiteral("*.CSV")};
    const Dialogs::Filter rgt{QStringLiteral("Archivo Base (*.rgt)"), QStringLiteral("*.rgt")};
    const Dialogs::Filter any{QStringLiteral("Todos"), QStringLiteral("*.*")};
    EXPECT_EQ(QtDialogs::extensionOf(csv), QStringLiteral("CSV"));
    EXPECT_EQ(QtDialogs::extensionOf(any), QString());
    const struct {
        const Dialogs::Filter& filter;
        const char* suggested;
        const char* offered;
    } cases[] = {
        {csv, "Campo Norte      8_12_2026", "Campo Norte      8_12_2026.CSV"},
        {csv, "Est. Norte 8_12_2026", "Est. Norte 8_12_2026.CSV"},
        {csv, "datos.csv", "datos.csv"},
        {rgt, "datos", "datos.rgt"},
        {any, "datos", "datos"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QtDialogs::suggestedFile(c.filter, QString::fromLatin1(c.suggested)),
                  QString::fromLatin1(c.offered))
            << c.suggested;
}

TEST(FileDialogs, StartInTheDocumentsFolderOrElseAtHome) {
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(QtDialogs::startFolder(), home.path());
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("Documents")));
    EXPECT_EQ(QtDialogs::startFolder(), home.filePath(QStringLiteral("Documents")));
    qputenv("HOME", oldHome);
    if (!oldConfig.isEmpty()) qputenv("XDG_CONFIG_HOME", oldConfig);
}

}  // namespace
}  // namespace vernoll::regional
