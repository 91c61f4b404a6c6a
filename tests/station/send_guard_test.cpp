// The erase guard on the send button: the question, its three answers, and what reaches the
// wire, against the emulator and a real SQLite archive.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

#include "app/download_presenter.h"
#include "app/inicio.h"
#include "archive/archive.h"
#include "config/config_import.h"
#include "config/config_send.h"
#include "form/controls.h"
#include "memory/download.h"
#include "sim/emulator_port.h"
#include "sim/logger_emulator.h"
#include "station/erase_guard.h"
#include "support/exchange_faults.h"

// The typed fault suite comes with the helpers; this program has no exchange of its own.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ExchangeFaults);
#include "support/fake_dialogs.h"
#include "support/qt_app.h"
#include "support/wait.h"

using namespace vernoll;
using Answer = Dialogs::Answer;

namespace {

const QString kQuestion = QString::fromUtf8(station::kUndownloadedQuestion);
const QString kSendQuestion = QStringLiteral(
    "esta seguro de cambiarla? \r\n\r\n\r\nSE BORRARAN TODOS LOS DATOS DE MEMORIA!  ");
const QByteArray kSelectsTheSend("\xBE\x55\x96", 3);

// What the archive holds of the logger before the send.
enum class Held {
    Nothing,     // no archive was named: the program asks nothing
    Downloaded,  // the whole memory was downloaded just before
    Older,       // a download that ended a day ago
    Unreadable,  // the archive's folder does not exist
};

struct Case {
    const char* what;
    Held held;
    Answer answer;
    bool asked;       // the guard's question
    bool sent;        // the configuration frame went on the wire
    bool downloaded;  // a download ran instead
};

struct Rig {
    Rig() {
        test::ensureApp();
        sim::EmulatorOptions o;
        o.records = 200;
        emulator = std::make_unique<sim::LoggerEmulator>(o);
        port = std::make_unique<sim::EmulatorPort>(*emulator);
        channels = std::make_unique<ChannelSet>(port->channelFactory());
        inicio = std::make_unique<Inicio>(form, dialogs, *channels, ports, Timing::fast());
        inicio->downloadJob().setBackupFolder(folder.filePath(QStringLiteral("copias")));
    }
    ~Rig() { inicio.reset(); }

    bool startUp() {
        QSignalSpy imported(&inicio->import(), &config::ConfigImport::finished);
        inicio->startUp();
        return test::waitUntil([&] { return imported.count() == 1; });
    }
    bool download() {
        QSignalSpy done(&inicio->downloadPresenter(), &DownloadPresenter::shown);
        inicio->click(QLatin1String(ctl::kDownload));
        return test::waitUntil([&] { return done.count() == 1; }, 10000);
    }
    QString archivePath() const { return folder.filePath(QStringLiteral("archivo.sqlite")); }

    QTemporaryDir folder;
    FormState form;
    test::FakeDialogs dialogs;
    PortList ports{QStringList{sim::EmulatorPort::location()}};
    std::unique_ptr<sim::LoggerEmulator> emulator;
    std::unique_ptr<sim::EmulatorPort> port;
    std::unique_ptr<ChannelSet> channels;
    std::unique_ptr<Inicio> inicio;
};

// A download of the logger that ended a day ago, its newest reading a day old.
void storeOlder(const QString& path) {
    archive::Archive a;
    ASSERT_TRUE(a.open(path, archive::Archive::Access::Update)) << a.error().toStdString();
    const QDateTime dayAgo = QDateTime::currentDateTimeUtc().addDays(-1);
    const std::vector<Reading> readings = {{20500, dayAgo, {1.0F, 2.0F}}};
    archive::Batch batch;
    batch.serial = 20500;
    batch.port = sim::EmulatorPort::location();
    batch.when = dayAgo;
    batch.readings = readings;
    ASSERT_TRUE(a.store(batch)) << a.error().toStdString();
}

}  // namespace

class SendGuard : public ::testing::TestWithParam<Case> {};

TEST_P(SendGuard, AsksBeforeErasingWhatTheArchiveDoesNotHold) {
    const Case& c = GetParam();
    Rig rig;
    ASSERT_TRUE(rig.startUp());
    switch (c.held) {
        case Held::Nothing:
            break;
        case Held::Downloaded:
            rig.inicio->setArchiveLocation(rig.archivePath());
            ASSERT_TRUE(rig.download());
            break;
        case Held::Older:
            storeOlder(rig.archivePath());
            rig.inicio->setArchiveLocation(rig.archivePath());
            break;
        case Held::Unreadable:
            rig.inicio->setArchiveLocation(
                rig.folder.filePath(QStringLiteral("no/archivo.sqlite")));
            break;
    }
    rig.inicio->click(QLatin1String(ctl::kEditConfig));
    rig.form.setText(ctl::kUser, QStringLiteral("Guardia"));
    const auto edited = test::controlsOf(rig.form);
    rig.dialogs.shown.clear();
    rig.dialogs.choices = {c.answer};
    rig.port->clearWritten();
    QSignalSpy sent(&rig.inicio->configSend(), &config::ConfigSend::finished);
    QSignalSpy downloaded(&rig.inicio->downloadPresenter(), &DownloadPresenter::shown);
    rig.inicio->click(QLatin1String(ctl::kSendConfig));
    if (c.sent) {
        ASSERT_TRUE(test::waitUntil([&] { return sent.count() == 1; }, 10000))
            << rig.dialogs.texts().join(QStringLiteral(" | ")).toStdString();
    }
    if (c.downloaded) {
        ASSERT_TRUE(test::waitUntil([&] { return downloaded.count() == 1; }, 10000));
        // The send followed the download with the user's change, asked once.
        EXPECT_EQ(rig.form.control(ctl::kUser).text.trimmed(), QStringLiteral("Guardia")) << c.what;
    }
    const QStringList texts = rig.dialogs.texts();
    EXPECT_LE(std::count_if(texts.begin(), texts.end(),
                            [](const QString& t) { return t.startsWith(kQuestion); }),
              1)
        << c.what;
    ASSERT_EQ(!texts.isEmpty() && texts.first().startsWith(kQuestion), c.asked) << c.what;
    if (c.asked) {
        EXPECT_EQ(rig.dialogs.shown.front().icon, Dialogs::Icon::Warning);
        // The archive's failure, when it could not be read, is the question's last line.
        const QStringList lines = texts.first().split(QStringLiteral("\r\n"));
        EXPECT_EQ(lines.size(), c.held == Held::Unreadable ? 2 : 1) << c.what;
        if (c.held == Held::Unreadable) {
            EXPECT_TRUE(lines.last().startsWith(QStringLiteral("No se pudo leer el archivo")))
                << lines.last().toStdString();
        }
    }
    EXPECT_EQ(texts.contains(kSendQuestion), c.sent) << c.what;
    EXPECT_EQ(rig.port->written().contains(kSelectsTheSend), c.sent) << c.what;
    EXPECT_EQ(rig.emulator->configRecord().contains("Guardia"), c.sent) << c.what;
    EXPECT_EQ(downloaded.count(), c.downloaded ? 1 : 0) << c.what;
    if (!c.sent && !c.downloaded) {
        // Cancelled: the edit goes on as the user left it.
        EXPECT_EQ(test::changedControls(edited, test::controlsOf(rig.form)), QStringList())
            << c.what;
        EXPECT_TRUE(rig.port->written().isEmpty()) << c.what;
    }
    if (c.downloaded || c.sent) {
        // The send after the download, and a send right after a send: no second question.
        rig.dialogs.shown.clear();
        rig.inicio->logbook().flush();  // the first send is in the log
        rig.inicio->click(QLatin1String(ctl::kEditConfig));
        QSignalSpy again(&rig.inicio->configSend(), &config::ConfigSend::finished);
        rig.inicio->click(QLatin1String(ctl::kSendConfig));
        ASSERT_TRUE(test::waitUntil([&] { return again.count() == 1; })) << c.what;
        EXPECT_FALSE(rig.dialogs.texts().contains(kQuestion) && c.held != Held::Unreadable &&
                     c.held != Held::Nothing)
            << c.what << ": " << rig.dialogs.texts().join(QStringLiteral(" | ")).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SendGuard,
    ::testing::Values(
        Case{"no archive named", Held::Nothing, Answer::Cancel, false, true, false},
        Case{"downloaded just before", Held::Downloaded, Answer::Cancel, false, true, false},
        Case{"older download, Yes", Held::Older, Answer::Yes, true, true, true},
        Case{"older download, No", Held::Older, Answer::No, true, true, false},
        Case{"older download, Cancel", Held::Older, Answer::Cancel, true, false, false},
        Case{"unreadable archive, No", Held::Unreadable, Answer::No, true, true, false},
        Case{"unreadable archive, Cancel", Held::Unreadable, Answer::Cancel, true, false, false}));
