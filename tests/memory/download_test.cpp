// The download, the decoding run after it, the base file and the events export, against the
// in-process emulator.

#include "memory/download.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <string_view>

#include "app/download_presenter.h"
#include "app/inicio.h"
#include "archive/archive.h"
#include "config/config_import.h"
#include "files/base_file.h"
#include "files/decoding_run.h"
#include "files/events_export.h"
#include "form/controls.h"
#include "link/discovery.h"
#include "link/line_owner.h"
#include "live/live_display.h"
#include "memory/file_io.h"
#include "memory/memory_image.h"
#include "memory/report.h"
#include "sim/emulator_port.h"
#include "sim/logger_emulator.h"
#include "support/fake_dialogs.h"
#include "support/qt_app.h"
#include "support/wait.h"

using namespace vernoll;
using memory::Download;
using Outcome = station::DownloadResult::Outcome;

namespace {

const QString kSuccess = QStringLiteral("La descarga de datos se realiz\u00f3 con exito");
const QDateTime kNow(QDate(2026, 12, 6), QTime(10, 30, 0));
constexpr std::initializer_list<const char*> kFive = {
    ctl::kOpenBaseFile, ctl::kDownload, ctl::kEditConfig, ctl::kImportConfig, ctl::kLive};

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The program against the emulator, its configuration imported, ready to download. Faults
// that count bytes are given counts past the import's 113 bytes.
struct Rig {
    explicit Rig(const QString& serial, const QStringList& faults = {}, bool importFirst = true,
                 int records = 300, Timing timing = Timing::fast()) {
        test::ensureApp();
        sim::EmulatorOptions o;
        o.serial = serial;
        o.records = records;
        o.pcClock = [] { return kNow; };
        for (const QString& f : faults) EXPECT_TRUE(o.faults.parse(f)) << f.toStdString();
        emulator = std::make_unique<sim::LoggerEmulator>(o);
        port = std::make_unique<sim::EmulatorPort>(*emulator);
        channels = std::make_unique<ChannelSet>(port->channelFactory());
        inicio = std::make_unique<Inicio>(form, dialogs, *channels, ports, timing);
        inicio->downloadJob().setBackupFolder(path("copies"));
        inicio->downloadJob().setClock([] { return kNow; });
        inicio->decodingRun().setClock([] { return kNow; });
        inicio->eventsExport().setClock([] { return kNow; });

        QSignalSpy imported(&inicio->import(), &config::ConfigImport::finished);
        QSignalSpy probed(&inicio->discovery(), &Discovery::finished);
        inicio->startUp();
        if (importFirst)
            EXPECT_TRUE(test::waitUntil([&] { return imported.count() == 1; }));
        else
            EXPECT_TRUE(test::waitUntil([&] { return probed.count() == 1; }));
        port->clearWritten();
        dialogs.shown.clear();
    }
    ~Rig() { inicio.reset(); }

    // Clicks Command13 and waits for the download's end.
    std::optional<Outcome> download() {
        QSignalSpy done(&inicio->downloadPresenter(), &DownloadPresenter::shown);
        inicio->click(QLatin1String(ctl::kDownload));
        if (!test::waitUntil([&] { return done.count() == 1; }, 10000)) return std::nullopt;
        return done.at(0).at(0).value<station::DownloadResult>().outcome;
    }
    QString path(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }
    bool enabled(const char* name) const { return form.control(name).enabled; }

    QTemporaryDir folder;
    FormState form;
    test::FakeDialogs dialogs;
    PortList ports{QStringList{sim::EmulatorPort::location()}};
    std::unique_ptr<sim::LoggerEmulator> emulator;
    std::unique_ptr<sim::EmulatorPort> port;
    std::unique_ptr<ChannelSet> channels;
    std::unique_ptr<Inicio> inicio;
};

// Shortened waits, but a stall limit that a loaded machine cannot reach while a test holds
// a stalled download to click in it.
Timing patientTiming() {
    Timing t = Timing::fast();
    t.stall = Millis{10000};
    return t;
}

}  // namespace

class FullDownload : public ::testing::TestWithParam<std::pair<const char*, int>> {};

TEST_P(FullDownload, EveryByteSentAndEveryRowStoredThenDecodedAndSaved) {
    const auto [serial, memo] = GetParam();
    Rig rig(QString::fromLatin1(serial));
    ASSERT_EQ(rig.form.memo, memo);
    rig.dialogs.savePaths = {rig.path("out.csv")};
    rig.dialogs.answers = {false};  // "Desea Abrir Archivo": No

    ASSERT_EQ(rig.download(), Outcome::Completed);

    // Wake-up, attention, the handshake reply, then one request per block (the last one
    // right after the last block).
    const int blocks = memo - 2;
    QByteArray expected(
        "\xBE"
        "U\xAA");
    expected += QByteArray(blocks + 1, 'U');
    EXPECT_EQ(rig.port->written().toHex(), expected.toHex());
    EXPECT_EQ(rig.form.conti, blocks);
    const QByteArray memory = rig.emulator->memory();
    ASSERT_EQ(memory.size(), blocks * 64);
    const auto& image = rig.inicio->image();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(image.data()), memory.size()), memory);
    // Rows past the download keep what they held (zero from start).
    EXPECT_EQ(image.at(blocks, 0), 0);

    // The copy, the success message naming it, then the CSV saved and not opened.
    const QString copy = rig.inicio->downloadJob().backupPath();
    EXPECT_TRUE(copy.endsWith(QStringLiteral(".rgt")));
    EXPECT_TRUE(QFileInfo(copy).fileName().startsWith(
        QString::fromLatin1(serial).rightJustified(8, QLatin1Char('0')) + "_20261206_103000"));
    EXPECT_EQ(readAll(copy), memory);
    ASSERT_GE(rig.dialogs.shown.size(), 2U);
    EXPECT_EQ(rig.dialogs.shown[0].text, kSuccess + "\r\n\r\nCopia de la memoria en " + copy);
    EXPECT_EQ(rig.dialogs.shown[1].text, QStringLiteral("Desea Abrir Archivo"));
    EXPECT_TRUE(rig.dialogs.opened.empty());

    memory::Decoder fresh;
    const QString csv = memory::csvText(image, memo, fresh, rig.form.Nserie, rig.form.summary,
                                        rig.form.data1, kNow);
    const QByteArray saved = readAll(rig.path("out.csv"));
    EXPECT_EQ(saved, memory::fileBytes(csv));
    EXPECT_EQ(rig.inicio->decodingRun().records(), 300);
    // Whatever the decoder: one dated line per record the emulator stored, in CR LF lines.
    static const QRegularExpression dated(
        QStringLiteral("^\\d\\d/\\d\\d/\\d{4},\\d\\d:\\d\\d:\\d\\d,"));
    int lines = 0;
    for (const QByteArray& line : saved.split('\n')) {
        if (dated.match(QString::fromLatin1(line)).hasMatch()) {
            ++lines;
            EXPECT_TRUE(line.endsWith('\r')) << line.toStdString();
        }
    }
    EXPECT_EQ(lines, 300);
    ASSERT_EQ(rig.dialogs.saveRequests.size(), 1U);
    EXPECT_EQ(rig.dialogs.saveRequests[0].description, QStringLiteral("datos excel (*.CSV)"));
    EXPECT_EQ(rig.dialogs.saveRequests[0].suggested,
              QStringLiteral("Estacion de prueba 6_12_2026"));  // without the padding

    // The buttons after a download: five back, Command1 back, Command3 and Command33 not.
    for (const char* b : kFive) EXPECT_TRUE(rig.enabled(b)) << b;
    EXPECT_TRUE(rig.enabled(ctl::kReconnect));
    EXPECT_FALSE(rig.enabled(ctl::kSendConfig));
    EXPECT_FALSE(rig.enabled(ctl::kExportEvents));
    EXPECT_FALSE(rig.form.control(ctl::progress::kWindow).visible);
    EXPECT_FALSE(rig.form.timer4Enabled());
    EXPECT_TRUE(rig.form.timer1Enabled());
    EXPECT_FALSE(rig.channels->operator[](4).isOpen());
}

INSTANTIATE_TEST_SUITE_P(MemorySizes, FullDownload,
                         ::testing::Values(std::make_pair("20500", 1026),
                                           std::make_pair("50001", 4098)));

TEST(Download, ACopyThatCannotBeWrittenIsSaidAndTheCsvIsStillSaved) {
    Rig rig(QStringLiteral("20500"));
    // The copies' folder would have to be made below a plain file.
    QFile blocker(rig.path("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    rig.inicio->downloadJob().setBackupFolder(rig.path("blocker") + QStringLiteral("/copies"));
    rig.dialogs.savePaths = {rig.path("out.csv")};
    rig.dialogs.answers = {false};
    ASSERT_EQ(rig.download(), Outcome::Completed);
    EXPECT_TRUE(rig.inicio->downloadJob().backupPath().isEmpty());
    ASSERT_FALSE(rig.dialogs.shown.empty());
    EXPECT_EQ(rig.dialogs.shown[0].text,
              kSuccess + "\r\n\r\nNo se pudo guardar una copia de la memoria.");
    EXPECT_FALSE(readAll(rig.path("out.csv")).isEmpty());
}

// A copy never goes over another file, and a copy equal to the logger's last one is that one.
TEST(Download, CopiesNeverOverwriteAndAnEqualOneIsNotWrittenAgain) {
    Rig rig(QStringLiteral("20500"));
    rig.dialogs.savePaths = {rig.path("1.csv"), rig.path("2.csv")};
    rig.dialogs.answers = {false, false};
    // Another file already has the name the copy would take (the same second).
    QDir().mkpath(rig.path("copies"));
    const QString taken = rig.path("copies") + QStringLiteral("/00020500_20261206_103000.rgt");
    QFile other(taken);
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("another logger's copy");
    other.close();

    ASSERT_EQ(rig.download(), Outcome::Completed);
    const QString first = rig.inicio->downloadJob().backupPath();
    EXPECT_EQ(first, rig.path("copies") + QStringLiteral("/00020500_20261206_103000_2.rgt"));
    EXPECT_EQ(readAll(taken), QByteArray("another logger's copy"));
    ASSERT_EQ(rig.download(), Outcome::Completed);
    EXPECT_EQ(rig.inicio->downloadJob().backupPath(), first);
    EXPECT_EQ(QDir(rig.path("copies")).entryList(QDir::Files).size(), 2);
}

TEST(Download, SecondRunRepeatsNoHeaderAndOpensOnYes) {
    Rig rig(QStringLiteral("21000"));
    rig.dialogs.savePaths = {rig.path("a.csv"), rig.path("b.csv")};
    rig.dialogs.answers = {true, true};
    ASSERT_EQ(rig.download(), Outcome::Completed);
    ASSERT_EQ(rig.download(), Outcome::Completed);
    const QByteArray a = readAll(rig.path("a.csv")), b = readAll(rig.path("b.csv"));
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.count(" Equipo Registrador TOLVAR "), 1);
    EXPECT_EQ(a.count("Fecha,Hora,Temperatura"), 1);
    EXPECT_EQ(rig.dialogs.opened, (std::vector<QString>{rig.path("a.csv"), rig.path("b.csv")}));
}

TEST(Download, CancelledSaveWritesNothingAndFailedSaveAsksAgain) {
    Rig rig(QStringLiteral("20500"));
    // No path: the user cancelled the dialog.
    ASSERT_EQ(rig.download(), Outcome::Completed);
    const QString copy = rig.inicio->downloadJob().backupPath();
    EXPECT_EQ(
        rig.dialogs.shown.back().text,
        QStringLiteral("No se grab\u00f3 el archivo CSV.\r\nLa descarga qued\u00f3 guardada en ") +
            copy);
    EXPECT_EQ(QDir(rig.folder.path()).entryList(QDir::Files), QStringList());
    EXPECT_EQ(readAll(copy).size(), 1024 * 64);

    // A folder that does not exist, then a good path: the error, and the dialog again.
    rig.dialogs.shown.clear();
    rig.dialogs.savePaths = {rig.path("missing/out.csv"), rig.path("out.csv")};
    rig.dialogs.answers = {false};
    ASSERT_EQ(rig.download(), Outcome::Completed);
    QStringList texts = rig.dialogs.texts();
    ASSERT_EQ(texts.size(), 3);
    EXPECT_EQ(texts[1], memory::saveErrorText());
    EXPECT_EQ(rig.dialogs.saveRequests.size(), 3U);
    EXPECT_FALSE(readAll(rig.path("out.csv")).isEmpty());
}

// The blocks that arrived before an ending, kept as a partial copy: its path, and its bytes.
QString partialCopyNote(const Rig& rig, int rows) {
    if (rows == 0) return {};
    const QString copy = rig.path("copies") + "/00020500_20261206_103000_parcial.rgt";
    EXPECT_EQ(rig.inicio->downloadJob().backupPath(), copy);
    EXPECT_EQ(readAll(copy), rig.emulator->memory().left(rows * 64));
    return QStringLiteral("\r\n\r\nCopia parcial de la memoria (%1 de 1024 bloques) en ")
               .arg(rows) +
           copy;
}

TEST(Download, EndingsBeforeTheLastBlockKeepWhatArrivedAndOfferReconnection) {
    struct Case {
        const char* fault;
        const char* message;
        QStringList printed;
        int rowsStored;
    } cases[] = {
        {"bad-handshake", "Error en comunicacion ", {}, 0},
        {"surplus-byte", "Error en comunicacion AQQUI", {QStringLiteral("InBufferCount=1")}, 1},
        {"hangup-after=200",
         "Error en comunicacion \r\nSe perdi\u00f3 la l\u00ednea con el registrador en "
         "SIMULADOR despu\u00e9s de 3 de 1024 bloques",
         {},
         3},
        // 300 bytes: the two handshake bytes, four blocks and part of the fifth.
        {"stall-after=300",
         "Error en comunicacion \r\nEl registrador dej\u00f3 de responder despu\u00e9s de 4 de "
         "1024 bloques",
         {},
         4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        Rig rig(QStringLiteral("20500"), {QString::fromLatin1(c.fault)});
        ASSERT_EQ(rig.download(), Outcome::Failed);
        EXPECT_EQ(rig.form.conti, c.rowsStored);
        EXPECT_EQ(rig.dialogs.texts().last(),
                  QString::fromUtf8(c.message) + partialCopyNote(rig, c.rowsStored));
        EXPECT_EQ(rig.form.surface(), c.printed);
        // Reconnection, and the blocks received can be opened as a base file.
        EXPECT_TRUE(rig.enabled(ctl::kReconnect));
        for (const char* b : kFive)
            EXPECT_EQ(rig.enabled(b), b == std::string_view(ctl::kOpenBaseFile)) << b;
        EXPECT_FALSE(rig.form.control(ctl::progress::kWindow).visible);
        EXPECT_FALSE(rig.channels->operator[](4).isOpen());
        EXPECT_FALSE(rig.form.timer4Enabled());
        // Nothing was decoded or saved.
        EXPECT_TRUE(rig.dialogs.saveRequests.empty());
    }
}

TEST(Download, SilentLoggerGivesTheNoLoggerMessageAndTheButtonsBack) {
    Rig rig(QStringLiteral("20500"), {QStringLiteral("silent")}, false);
    ASSERT_EQ(rig.download(), Outcome::NoAnswer);
    EXPECT_EQ(rig.dialogs.texts().last(),
              QStringLiteral("No hay equipo conectado (Intente Reconectar) "));
    EXPECT_EQ(rig.port->written().toHex(), QByteArray("\xBE"
                                                      "U")
                                               .toHex());
    for (const char* b : kFive) EXPECT_TRUE(rig.enabled(b)) << b;
    EXPECT_TRUE(rig.enabled(ctl::kReconnect));
    EXPECT_EQ(rig.form.control(ctl::kReconnect).text,
              QStringLiteral(" Conectar con Registrador ? "));
    EXPECT_FALSE(rig.enabled(ctl::kSendConfig));
    EXPECT_FALSE(rig.form.control(ctl::progress::kWindow).visible);
}

TEST(Download, CancelInTheBlockPhaseKeepsTheBlocksReceived) {
    Rig rig(QStringLiteral("20500"), {QStringLiteral("stall-after=300")}, true, 300,
            patientTiming());
    QSignalSpy done(&rig.inicio->downloadPresenter(), &DownloadPresenter::shown);
    rig.inicio->click(QLatin1String(ctl::kDownload));
    ASSERT_TRUE(test::waitUntil([&] { return rig.form.conti == 4; }));
    test::settle(30);
    EXPECT_EQ(rig.inicio->download().state(), Download::State::Blocks);
    EXPECT_TRUE(rig.form.control(ctl::progress::kWindow).visible);
    EXPECT_TRUE(rig.form.timer4Enabled());

    rig.inicio->click(QLatin1String(ctl::progress::kCancel));
    ASSERT_EQ(done.count(), 1);
    EXPECT_EQ(done.at(0).at(0).value<station::DownloadResult>().outcome, Outcome::Cancelled);
    EXPECT_FALSE(rig.channels->operator[](4).isOpen());
    EXPECT_EQ(rig.form.conti, 4);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(rig.inicio->image().data()), 4 * 64),
              rig.emulator->memory().left(4 * 64));
    for (const char* b : kFive) EXPECT_TRUE(rig.enabled(b)) << b;
    EXPECT_FALSE(rig.enabled(ctl::kReconnect));  // Cancel does not give reconnection back
    EXPECT_FALSE(rig.form.timer4Enabled());
    EXPECT_FALSE(rig.form.control(ctl::progress::kWindow).visible);
    EXPECT_TRUE(rig.dialogs.saveRequests.empty());
    EXPECT_EQ(rig.dialogs.texts(),
              QStringList{QStringLiteral("Descarga cancelada despu\u00e9s de 4 de 1024 bloques") +
                          partialCopyNote(rig, 4)});
    // Cancel with the channel already closed does nothing more.
    rig.inicio->click(QLatin1String(ctl::progress::kCancel));
    EXPECT_EQ(done.count(), 1);
}

// Closing the window while a download runs asks first: No leaves it running, Yes cancels it as
// Cancel does (the blocks received kept and said) and the window closes after that. With
// nothing running, the window closes without a question.
TEST(Download, ClosingTheWindowAsksThenCancelsKeepingTheBlocks) {
    Rig rig(QStringLiteral("20500"), {QStringLiteral("stall-after=300")}, true, 300,
            patientTiming());
    int closed = 0;
    const auto close = [&] { ++closed; };
    rig.inicio->closeWindow(close);
    EXPECT_EQ(closed, 1);
    EXPECT_TRUE(rig.dialogs.shown.empty());

    QSignalSpy done(&rig.inicio->downloadPresenter(), &DownloadPresenter::shown);
    rig.inicio->click(QLatin1String(ctl::kDownload));
    ASSERT_TRUE(test::waitUntil([&] { return rig.form.conti == 4; }));
    test::settle(30);
    const QString question = QString::fromUtf8(Inicio::kDownloadUnderWay);
    rig.dialogs.answers = {false};
    rig.inicio->closeWindow(close);
    test::settle(30);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(rig.inicio->download().state(), Download::State::Blocks);
    EXPECT_EQ(rig.dialogs.texts(), QStringList{question});

    rig.dialogs.answers = {true};
    rig.inicio->closeWindow(close);
    ASSERT_EQ(done.count(), 1);
    EXPECT_EQ(done.at(0).at(0).value<station::DownloadResult>().outcome, Outcome::Cancelled);
    EXPECT_EQ(closed, 2);
    EXPECT_EQ(rig.dialogs.texts(),
              (QStringList{question, question,
                           QStringLiteral("Descarga cancelada despu\u00e9s de 4 de 1024 bloques") +
                               partialCopyNote(rig, 4)}));

    // A download that ends while the question is read leaves nothing to cancel: Yes closes.
    Rig whole(QStringLiteral("20500"));
    QSignalSpy ended(&whole.inicio->downloadPresenter(), &DownloadPresenter::shown);
    whole.inicio->click(QLatin1String(ctl::kDownload));
    whole.dialogs.whileAsked = [&] {
        whole.dialogs.whileAsked = nullptr;
        EXPECT_TRUE(test::waitUntil([&] { return ended.count() == 1; }, 10000));
    };
    whole.dialogs.answers = {true};
    whole.inicio->closeWindow(close);
    EXPECT_EQ(closed, 3);
}

// A download started while the configuration is being edited ends the edit as its Cancel
// does: the boxes show what the logger holds, the send is no longer offered.
TEST(Download, StartedDuringAnEditEndsTheEdit) {
    Rig rig(QStringLiteral("20500"), {QStringLiteral("stall-after=300")}, true, 300,
            patientTiming());
    const QString user = rig.form.control(ctl::kUser).text;
    rig.inicio->click(QLatin1String(ctl::kEditConfig));
    ASSERT_FALSE(rig.form.control(ctl::kUser).locked);
    rig.form.setText(ctl::kUser, QStringLiteral("sin enviar"));
    rig.inicio->click(QLatin1String(ctl::kIntervalOptions[5]));

    QSignalSpy done(&rig.inicio->downloadPresenter(), &DownloadPresenter::shown);
    rig.inicio->click(QLatin1String(ctl::kDownload));
    EXPECT_TRUE(rig.form.control(ctl::kUser).locked);
    EXPECT_EQ(rig.form.control(ctl::kUser).text, user);
    EXPECT_FALSE(rig.form.control(ctl::kPcClock).visible);
    int shownOptions = 0;
    for (const char* option : ctl::kIntervalOptions)
        shownOptions += rig.form.control(option).visible;
    EXPECT_EQ(shownOptions, 1);
    ASSERT_TRUE(test::waitUntil([&] { return rig.form.conti == 4; }));
    rig.inicio->click(QLatin1String(ctl::progress::kCancel));
    ASSERT_EQ(done.count(), 1);
    EXPECT_FALSE(rig.enabled(ctl::kSendConfig));
}

TEST(Download, SmsButtonsDoNotTakeThePortFromARunningDownload) {
    Rig rig(QStringLiteral("20500"), {QStringLiteral("stall-after=300")}, true, 300,
            patientTiming());
    // The download does not disable the SMS buttons.
    rig.form.setEnabled(ctl::kReadSms, true);
    rig.form.setEnabled(ctl::kWriteSms, true);
    QSignalSpy done(&rig.inicio->downloadPresenter(), &DownloadPresenter::shown);
    rig.inicio->click(QLatin1String(ctl::kDownload));
    ASSERT_TRUE(test::waitUntil([&] { return rig.form.conti == 4; }));
    test::settle(30);
    const QByteArray sent = rig.port->written();
    for (const char* name : {ctl::kReadSms, ctl::kWriteSms}) rig.inicio->click(QLatin1String(name));
    test::settle(30);
    EXPECT_EQ(rig.port->written(), sent);
    EXPECT_TRUE(rig.channels->operator[](4).isOpen());
    EXPECT_EQ(rig.inicio->download().state(), Download::State::Blocks);
    EXPECT_TRUE(rig.form.control(ctl::progress::kWindow).visible);
    EXPECT_TRUE(rig.dialogs.shown.empty());
    rig.inicio->click(QLatin1String(ctl::progress::kCancel));
    ASSERT_EQ(done.count(), 1);
    EXPECT_EQ(done.at(0).at(0).value<station::DownloadResult>().outcome, Outcome::Cancelled);
}

TEST(Download, CancelDuringTheWakeUpPauseSendsNothingMore) {
    Rig rig(QStringLiteral("20500"));
    QSignalSpy done(&rig.inicio->downloadPresenter(), &DownloadPresenter::shown);
    rig.inicio->click(QLatin1String(ctl::kDownload));
    rig.inicio->click(QLatin1String(ctl::progress::kCancel));
    test::settle(100);
    EXPECT_EQ(rig.port->written().toHex(), QByteArray("\xBE").toHex());
    EXPECT_EQ(done.count(), 1);
    EXPECT_EQ(rig.inicio->download().state(), Download::State::Idle);
}

// ---- base files ----

class BaseFiles : public ::testing::Test {
protected:
    BaseFiles() { test::ensureApp(); }
    QString write(const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    static QByteArray pattern(qsizetype n) {
        QByteArray b(n, '\0');
        for (qsizetype i = 0; i < n; ++i) b[i] = char((i * 7 + i / 64) & 0xFF);
        return b;
    }
    QTemporaryDir dir;
    FormState form;
    test::FakeDialogs dialogs;
    memory::MemoryImage image;
    files::BaseFile base{form, dialogs, image};
};

TEST_F(BaseFiles, SizesFillTheRowsTheyReachAndNoMore) {
    struct Case {
        const char* name;
        qsizetype size;
        qsizetype taken;
    } cases[] = {
        {"empty.rgt", 0, 0},
        {"exact.rgt", 65536, 65536},
        {"odd.rgt", 100, 100},
        {"long.rgt", 64 * 1027 + 500, 64 * 1027},
        {"huge.rgt", 100 * 1024 * 1024, 64 * 1027},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Earlier content: every byte 0xEE.
        for (int r = 0; r < 1100; ++r) image.setRow(r, QByteArray(64, '\xEE'));
        const QByteArray bytes = pattern(c.size);
        dialogs.openPaths = {write(c.name, bytes)};
        dialogs.shown.clear();
        ASSERT_EQ(base.open(), files::BaseFile::Outcome::Loaded);
        EXPECT_EQ(base.bytesLoaded(), c.taken);
        const QByteArray inImage(reinterpret_cast<const char*>(image.data()), c.taken);
        EXPECT_EQ(inImage, bytes.left(c.taken));
        if (c.taken == 0) {
            EXPECT_EQ(image.at(0, 0), 0);  // row 0, byte 0 is cleared first
        }
        // Past the file: what was there before.
        const qsizetype next = std::max<qsizetype>(c.taken, 1);
        if (next < 64 * 1027) {
            EXPECT_EQ(image.at(int(next / 64), int(next % 64)), 0xEE);
        }
        EXPECT_EQ(image.at(1027, 0), 0xEE);
        EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("El archivo se proceso con exito")});
        EXPECT_TRUE(form.control(ctl::kExportEvents).enabled);
        EXPECT_FALSE(form.control(ctl::progress::kWindow).visible);
        EXPECT_TRUE(form.control(ctl::kReconnect).enabled);
    }
    ASSERT_EQ(dialogs.openRequests.size(), 5U);
    EXPECT_EQ(dialogs.openRequests[0].description, QStringLiteral("datos base (*.rgt)"));
}

TEST_F(BaseFiles, CancelledOrUnreadableLoadsNothingAndGivesTheButtonsBack) {
    image.setRow(0, QByteArray(64, '\x11'));
    form.setEnabled(ctl::kExportEvents, false);
    for (const std::optional<QString>& path :
         {std::optional<QString>{}, std::optional<QString>{dir.filePath("none.rgt")}}) {
        dialogs.openPaths = {path};
        const auto outcome = base.open();
        EXPECT_EQ(outcome,
                  path ? files::BaseFile::Outcome::Failed : files::BaseFile::Outcome::Cancelled);
        EXPECT_EQ(image.at(0, 0), 0x11);
        EXPECT_TRUE(dialogs.shown.empty());
        for (const char* b : kFive) EXPECT_TRUE(form.control(b).enabled) << b;
        EXPECT_FALSE(form.control(ctl::kExportEvents).enabled);
        EXPECT_FALSE(form.control(ctl::progress::kWindow).visible);
    }
}

TEST_F(BaseFiles, EventsExportWritesTheSpreadsheetFromTheLoadedImage) {
    // Two rows of a thermometer's records (rows 0..5 never reach the file), then row 6.
    const QByteArray record = QByteArray::fromHex("12000001122600000000000000000000");
    QByteArray rows;
    for (int r = 0; r < 7; ++r) rows += record.repeated(4);
    dialogs.openPaths = {write("t.rgt", rows)};
    ASSERT_EQ(base.open(), files::BaseFile::Outcome::Loaded);

    form.Nserie = 21000;
    form.data1 = QStringLiteral("Fecha,Hora,Temperatura[\u00baC]\r\n");
    memory::Decoder decoder;
    files::EventsExport exporter(form, dialogs, image, decoder);
    exporter.setClock([] { return kNow; });
    dialogs.savePaths = {dir.filePath("datos.xls"), dir.filePath("datos2.xls")};
    ASSERT_EQ(exporter.start(), files::EventsExport::Outcome::Saved);
    const QByteArray line = "01/12/2026,12:00:00,-68.2\r\n";
    EXPECT_EQ(readAll(dir.filePath("datos.xls")), QByteArray("Fecha,Hora,Temperatura[\xba"
                                                             "C]\r\n") +
                                                      line.repeated(4) + "\r\n");
    EXPECT_EQ(exporter.records(), 4);
    EXPECT_EQ(dialogs.saveRequests.back().suggested, QStringLiteral("datos"));
    EXPECT_EQ(dialogs.texts().last(), "Archivo grabado en " + dir.filePath("datos.xls"));
    EXPECT_TRUE(exporter.events().endsWith(
        QStringLiteral("DATOS DE CONFIGURACION\r\n\r\nEventos producidos:\r\n\r\n")));
    EXPECT_FALSE(form.control(ctl::kExportEvents).enabled);
    for (const char* b : kFive) EXPECT_TRUE(form.control(b).enabled) << b;

    // A second export starts from the plain header again.
    form.setEnabled(ctl::kExportEvents, true);
    ASSERT_EQ(exporter.start(), files::EventsExport::Outcome::Saved);
    EXPECT_EQ(readAll(dir.filePath("datos2.xls")), readAll(dir.filePath("datos.xls")));

    // A save that fails: the message, nothing written, the buttons and Timer1 back.
    dialogs.savePaths = {dir.filePath("missing/datos.xls")};
    EXPECT_EQ(exporter.start(), files::EventsExport::Outcome::SaveFailed);
    EXPECT_EQ(dialogs.texts().last(), memory::saveErrorText());
    EXPECT_TRUE(form.timer1Enabled());

    // A cancelled save: said so, nothing written, the buttons back.
    dialogs.savePaths.clear();
    const qsizetype files = QDir(dir.path()).entryList(QDir::Files).size();
    EXPECT_EQ(exporter.start(), files::EventsExport::Outcome::NotSaved);
    EXPECT_EQ(dialogs.texts().last(), QStringLiteral("No se grab\u00f3 el archivo."));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), files);
    for (const char* b : kFive) EXPECT_TRUE(form.control(b).enabled) << b;
}

// ---- the station archive after a completed download ----

TEST(DownloadArchive, CountsFollowTheSuccessMessageAndASecondDownloadAddsNothing) {
    Rig rig(QStringLiteral("20500"));
    rig.inicio->setArchiveLocation(rig.path("archivo.sqlite"));
    rig.dialogs.savePaths = {rig.path("1.csv"), rig.path("2.csv")};
    rig.dialogs.answers = {false, false};

    ASSERT_EQ(rig.download(), Outcome::Completed);
    ASSERT_TRUE(rig.inicio->lastArchived());
    const qint64 n = rig.inicio->lastArchived()->readings;
    ASSERT_GT(n, 0);
    const QString copy = rig.inicio->downloadJob().backupPath();
    EXPECT_EQ(rig.dialogs.shown.at(0).text,
              kSuccess + "\r\n\r\nCopia de la memoria en " + copy +
                  QStringLiteral("\r\nArchivo: %1 lecturas nuevas, 0 ya guardadas, 0 en conflicto")
                      .arg(n));
    EXPECT_FALSE(rig.inicio->lastArchived()->failed());

    rig.dialogs.shown.clear();
    ASSERT_EQ(rig.download(), Outcome::Completed);
    EXPECT_TRUE(rig.dialogs.shown.at(0).text.endsWith(
        QStringLiteral("\r\nArchivo: 0 lecturas nuevas, %1 ya guardadas, 0 en conflicto").arg(n)));

    // What the archive keeps of the logger: its texts, its clock's offset, every reading.
    archive::Archive a;
    ASSERT_TRUE(a.open(rig.path("archivo.sqlite"), archive::Archive::Access::Read))
        << a.error().toStdString();
    const auto stations = a.stations(20500);
    ASSERT_TRUE(stations && stations->size() == 1);
    const archive::Station& s = stations->front();
    EXPECT_EQ(s.readings, n);
    EXPECT_EQ(s.texts.user, rig.inicio->import().configuration()->texts[0]);
    EXPECT_EQ(s.clockOffsetS, rig.inicio->import().configuration()->clockOffset());
    EXPECT_TRUE(s.lastDownload.has_value());
}

// An archive that cannot be written: the download still completes, its copy and its CSV are
// written, and the message says why the archive was not updated.
class DownloadArchiveFailure : public ::testing::TestWithParam<const char*> {};

TEST_P(DownloadArchiveFailure, IsSaidAndLosesNothing) {
    Rig rig(QStringLiteral("20500"));
    QString location = QString::fromLatin1(GetParam());
    if (location == QLatin1String("corrupt")) {
        location = rig.path("corrupt.sqlite");
        QFile f(location);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    } else if (!location.startsWith(QLatin1String("postgresql:"))) {
        location = rig.path(GetParam());
    }
    rig.inicio->setArchiveLocation(location);
    rig.dialogs.savePaths = {rig.path("out.csv")};
    rig.dialogs.answers = {false};

    ASSERT_EQ(rig.download(), Outcome::Completed);
    EXPECT_TRUE(rig.inicio->lastArchived()->failed());
    const QString text = rig.dialogs.shown.at(0).text;
    EXPECT_TRUE(text.startsWith(kSuccess + "\r\n\r\nCopia de la memoria en "))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\r\nNo se pudo actualizar el archivo de lecturas ")))
        << text.toStdString();
    EXPECT_TRUE(QFile::exists(rig.inicio->downloadJob().backupPath()));
    EXPECT_TRUE(QFile::exists(rig.path("out.csv")));
}

INSTANTIATE_TEST_SUITE_P(Locations, DownloadArchiveFailure,
                         ::testing::Values("missing/folder/archivo.sqlite", "corrupt",
                                           "postgresql://nadie@127.0.0.1:1/vernoll"));

// ---- the line's owner ----

// While an operation holds the line, every button that would start another exchange is shown
// disabled ("PARAR" aside); when the line is given back, those the operation did not disable
// itself are enabled again, before its ending sets its own.
TEST(LineOwner, ButtonsThatNeedTheLineAreDisabledWhileItIsHeldAndComeBack) {
    using Names = std::vector<const char*>;
    struct Case {
        const char* clicked;
        const char* holder;
        Names ownButtons;  // disabled by the operation itself before it takes the line
    } cases[] = {
        {ctl::kDownload,
         line::kDownload,
         {ctl::kDownload, ctl::kSendConfig, ctl::kImportConfig, ctl::kLive, ctl::kReconnect}},
        {ctl::kLive, line::kLive, {ctl::kDownload, ctl::kSendConfig, ctl::kImportConfig}},
        {ctl::kImportConfig, line::kOpening, {}},
        {ctl::kSendConfig, line::kOpening, {}},
        {ctl::kReadSms, line::kOpening, {}},
        {ctl::kWriteSms, line::kOpening, {}},
        {ctl::kReconnect, line::kDiscovery, {ctl::kReconnect}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clicked);
        Rig rig(QStringLiteral("20500"));
        rig.form.setEnabled(ctl::groups::kNeedTheLine, true);
        LineOwner& line = rig.channels->line();
        struct Seen {
            QString holder;
            std::map<std::string, bool> enabled;
        };
        std::vector<Seen> seen;
        QObject::connect(&line, &LineOwner::changed, [&](const QString& holder) {
            Seen s{holder, {}};
            for (const char* b : ctl::groups::kNeedTheLine) s.enabled[b] = rig.enabled(b);
            seen.push_back(std::move(s));
        });
        rig.inicio->click(QLatin1String(c.clicked));
        if (c.clicked == std::string_view(ctl::kLive)) {
            QSignalSpy started(&rig.inicio->live(), &live::LiveDisplay::started);
            ASSERT_TRUE(test::waitUntil([&] { return started.count() == 1; }));
            // A click on any other button while the display runs changes nothing on the line.
            const QByteArray sent = rig.port->written();
            rig.inicio->click(QLatin1String(ctl::kReadSms));
            EXPECT_EQ(rig.port->written(), sent);
            rig.inicio->click(QLatin1String(ctl::kLive));  // "PARAR"
        }
        ASSERT_TRUE(test::waitUntil([&] { return seen.size() >= 2; }, 10000));
        EXPECT_EQ(seen[0].holder, QString::fromLatin1(c.holder));
        EXPECT_TRUE(seen[1].holder.isEmpty());
        for (const char* b : ctl::groups::kNeedTheLine) {
            const bool stop = c.holder == std::string_view(line::kLive) && b == ctl::kLive;
            EXPECT_EQ(seen[0].enabled[b], stop) << "while held: " << b;
            const bool own =
                std::find(c.ownButtons.begin(), c.ownButtons.end(), b) != c.ownButtons.end();
            // What the operation disabled itself stays for its ending to decide.
            EXPECT_EQ(seen[1].enabled[b], !own) << "given back: " << b;
        }
    }
}

// Keeping a completed download in the archive runs beside the event loop: the window repaints
// and its timers run while a server is slow to answer, no second download starts meanwhile,
// and the success message (with the archive's line) and the end come once the archive is done.
TEST(Download, TheArchiveWaitsBesideTheEventLoop) {
    Rig rig(QStringLiteral("20500"));
    rig.inicio->setArchiveLocation(rig.path("archivo.sqlite"));
    QSemaphore loopRan;
    bool heldOff = false;
    // Once the last block is in, the event loop of the thread the download runs on clicks again.
    QObject::connect(&rig.inicio->download(), &Download::finished, [&] {
        QTimer::singleShot(0, [&] {
            rig.inicio->click(QLatin1String(ctl::kDownload));
            heldOff = rig.inicio->downloadJob().archiving() &&
                      rig.inicio->download().state() == Download::State::Idle;
            loopRan.release();
        });
    });
    rig.inicio->downloadJob().setArchiver([&](const QString&, const station::DownloadFacts&) {
        station::Archived archived;
        archived.line = loopRan.tryAcquire(1, 5000) ? QStringLiteral("kept beside the loop")
                                                    : QStringLiteral("the loop waited");
        return archived;
    });
    EXPECT_EQ(rig.download(), Outcome::Completed);
    EXPECT_TRUE(heldOff) << "a second download started while the archive was busy";
    EXPECT_TRUE(std::any_of(rig.dialogs.shown.begin(), rig.dialogs.shown.end(), [](const auto& m) {
        return m.text.endsWith(QStringLiteral("\r\nkept beside the loop"));
    })) << rig.dialogs.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(rig.inicio->downloadJob().archiving());
}
