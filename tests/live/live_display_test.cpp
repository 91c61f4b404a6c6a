// The live data display: start, frames, stop, the failed start, "falta", and the window's
// buttons after each, against a scripted logger on the fake port and against the emulator.

#include "live/live_display.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "app/inicio.h"
#include "config/config_import.h"
#include "form/controls.h"
#include "link/discovery.h"
#include "sim/emulator_port.h"
#include "sim/logger_emulator.h"
#include "support/fake_dialogs.h"
#include "support/fake_port.h"
#include "support/qt_app.h"
#include "support/wait.h"

using namespace vernoll;
using live::LiveDisplay;

namespace {

constexpr char kRequest = char(0xBE);
using test::kNoLogger;
const QString kConnect = QStringLiteral(" Conectar con Registrador ? ");

// Six buttons the start disables, in the order it does.
const char* const kDisabledByStart[] = {ctl::kExportEvents, ctl::kOpenBaseFile, ctl::kDownload,
                                        ctl::kEditConfig,   ctl::kSendConfig,   ctl::kImportConfig};
// Four of them the stop enables again.
const char* const kEnabledByStop[] = {ctl::kOpenBaseFile, ctl::kDownload, ctl::kEditConfig,
                                      ctl::kImportConfig};

// A thermometer frame whose temperature word is w.
QByteArray thermoFrame(int w) {
    QByteArray f(21, '\0');
    f[5] = char(w >> 8);
    f[6] = char(w & 0xFF);
    return f;
}

// The display against a fake port whose logger answers each request with `answer(n)`, n
// counting requests from 1 (an empty answer: silence).
struct Rig {
    FormState form;
    test::FakeDialogs dialogs;
    test::FakePort port;
    PortList ports{QStringList{QStringLiteral("P1")}};
    ChannelSet channels{port.factory()};
    Inicio inicio{form, dialogs, channels, ports, Timing::fast()};
    std::function<QByteArray(int)> answer = [](int n) { return thermoFrame(400 + n); };
    int requests = 0;

    Rig() {
        test::ensureApp();
        port.setPeer([this](int, const QByteArray& w) {
            QByteArray out;
            for (char c : w)
                if (c == kRequest) out += answer(++requests);
            return out;
        });
        // As after a discovery and an import that found a thermometer on port 1.
        channels.exchange().answered = true;
        channels.exchange().port = 1;
        form.Nserie = 21500;
        for (int k = 1; k <= 8; ++k) channels[k].setCommPort(1);
        for (const char* name : kDisabledByStart) form.setEnabled(name, true);
    }
    // The fake port delivers answers from the event loop without a context object: let the
    // last ones arrive before the port goes.
    ~Rig() {
        answer = [](int) { return QByteArray(); };
        test::settle(10);
    }
    LiveDisplay& display() { return inicio.live(); }
    void click() { inicio.click(QString::fromLatin1(ctl::kLive)); }
    const ControlState& c(const char* name) const { return form.control(name); }
    bool frames(qint64 n) {
        return test::waitUntil([&] { return display().frames() >= n; });
    }
};

void expectRunningWindow(const Rig& rig) {
    EXPECT_EQ(rig.form.linea, -1);
    EXPECT_EQ(rig.c(ctl::kLive).text, QStringLiteral("PARAR"));
    EXPECT_TRUE(rig.c(ctl::kLive).enabled);
    EXPECT_TRUE(rig.c(ctl::kLiveText).visible);
    for (const char* name : kDisabledByStart) EXPECT_FALSE(rig.c(name).enabled) << name;
}

void expectStoppedWindow(const Rig& rig) {
    EXPECT_EQ(rig.form.linea, 0);
    EXPECT_EQ(rig.c(ctl::kLive).text, QStringLiteral("DATOS EN LINEA"));
    EXPECT_FALSE(rig.c(ctl::kLiveText).visible);
    for (const char* name : kEnabledByStop) EXPECT_TRUE(rig.c(name).enabled) << name;
    // They come back only with the operations that enable them.
    EXPECT_FALSE(rig.c(ctl::kExportEvents).enabled);
    EXPECT_FALSE(rig.c(ctl::kSendConfig).enabled);
}

}  // namespace

TEST(LiveDisplay, WithoutAnAnsweredExchangeItSaysSoAndSendsNothing) {
    Rig rig;
    rig.channels.exchange().answered = false;
    rig.form.setEnabled(ctl::kReconnect, false);
    QSignalSpy failed(&rig.display(), &LiveDisplay::failed);
    rig.click();
    EXPECT_EQ(rig.dialogs.texts(), QStringList{kNoLogger});
    EXPECT_TRUE(rig.c(ctl::kReconnect).enabled);
    EXPECT_EQ(rig.c(ctl::kReconnect).text, kConnect);
    EXPECT_TRUE(rig.port.writes().empty());
    EXPECT_EQ(rig.form.linea, 0);
    EXPECT_EQ(rig.c(ctl::kLive).text, QStringLiteral("DATOS EN LINEA"));
    for (const char* name : kDisabledByStart) EXPECT_TRUE(rig.c(name).enabled) << name;
    EXPECT_EQ(rig.display().state(), LiveDisplay::State::Idle);
    ASSERT_EQ(failed.count(), 1);
}

TEST(LiveDisplay, StartRequestsFramesAndEachReplacesTheText) {
    Rig rig;
    QSignalSpy started(&rig.display(), &LiveDisplay::started);
    QSignalSpy shown(&rig.display(), &LiveDisplay::frameShown);
    rig.click();
    // At once: the window runs, and the first request is out on MSComm6 alone.
    expectRunningWindow(rig);
    EXPECT_EQ(rig.display().state(), LiveDisplay::State::Starting);
    EXPECT_EQ(rig.port.holder(), &static_cast<test::FakeChannel&>(rig.channels[6]));
    ASSERT_EQ(rig.port.writes().size(), 1U);
    EXPECT_EQ(rig.port.writes()[0].bytes, QByteArray(1, kRequest));
    EXPECT_FALSE(rig.channels.exchange().answered);

    ASSERT_TRUE(rig.frames(5));
    EXPECT_EQ(started.count(), 1);
    EXPECT_EQ(rig.display().state(), LiveDisplay::State::Running);
    expectRunningWindow(rig);
    EXPECT_TRUE(rig.channels.exchange().answered);
    // Each frame's text alone, the whole text of that frame.
    const QString last = shown.last().at(0).toString();
    EXPECT_EQ(rig.c(ctl::kLiveText).text, last);
    EXPECT_EQ(rig.form.linea6, last);
    EXPECT_TRUE(last.startsWith(QStringLiteral("Temp[ºC]=")));
    EXPECT_TRUE(last.endsWith(QStringLiteral("ºC\r\n")));
    EXPECT_EQ(shown.at(0).at(0).toString(), QStringLiteral("Temp[ºC]= 12ºC\r\n"));  // W2 = 401
    // One request per frame, nothing else on the line, no diagnostics.
    for (const auto& w : rig.port.writes()) EXPECT_EQ(w.bytes, QByteArray(1, kRequest));
    EXPECT_TRUE(rig.form.surface().isEmpty());
    EXPECT_TRUE(rig.dialogs.shown.empty());
}

TEST(LiveDisplay, StopRestoresTheWindowAndThePendingFrameClosesThePort) {
    Rig rig;
    rig.click();
    ASSERT_TRUE(rig.frames(3));
    // Hold the next answer back, so the stop finds a frame pending.
    QByteArray held;
    rig.answer = [&](int n) {
        held = thermoFrame(400 + n);
        return QByteArray();
    };
    test::settle(20);
    const auto requested = rig.port.writes().size();
    ASSERT_EQ(qint64(requested), rig.display().frames() + 1);
    QSignalSpy stopped(&rig.display(), &LiveDisplay::stopped);

    rig.click();
    expectStoppedWindow(rig);
    EXPECT_EQ(rig.display().state(), LiveDisplay::State::Stopping);
    EXPECT_TRUE(rig.channels[6].isOpen());
    EXPECT_FALSE(rig.c(ctl::kLiveText).text.isEmpty());  // cleared only when the frame comes

    rig.port.send(held);
    ASSERT_TRUE(test::waitUntil([&] { return stopped.count() == 1; }));
    EXPECT_EQ(rig.display().state(), LiveDisplay::State::Idle);
    EXPECT_FALSE(rig.channels[6].isOpen());
    EXPECT_TRUE(rig.c(ctl::kLiveText).text.isEmpty());
    EXPECT_EQ(rig.port.writes().size(), requested);  // no request after the stop
    expectStoppedWindow(rig);
    EXPECT_TRUE(rig.dialogs.shown.empty());
}

// Closing the window while the display runs asks first: No leaves it running, Yes stops it as
// "PARAR" does and the window closes.
TEST(LiveDisplay, ClosingTheWindowAsksThenStops) {
    Rig rig;
    rig.click();
    ASSERT_TRUE(rig.frames(2));
    int closed = 0;
    for (const bool yes : {false, true}) {
        rig.dialogs.answers = {yes};
        rig.inicio.closeWindow([&] { ++closed; });
        EXPECT_EQ(closed, yes ? 1 : 0);
        if (yes)
            expectStoppedWindow(rig);
        else
            expectRunningWindow(rig);
    }
    EXPECT_EQ(rig.dialogs.texts(), QStringList(2, QString::fromUtf8(Inicio::kLiveUnderWay)));
}

TEST(LiveDisplay, StopWithAnAnsweringLoggerEndsAfterOneMoreFrame) {
    Rig rig;
    rig.click();
    ASSERT_TRUE(rig.frames(2));
    QSignalSpy stopped(&rig.display(), &LiveDisplay::stopped);
    rig.click();
    const qint64 framesAtStop = rig.display().frames();
    ASSERT_TRUE(test::waitUntil([&] { return stopped.count() == 1; }));
    EXPECT_EQ(rig.display().frames(), framesAtStop + 1);
    EXPECT_EQ(qint64(rig.port.writes().size()), rig.display().frames());
    test::settle(20);
    EXPECT_EQ(qint64(rig.port.writes().size()), rig.display().frames());
    expectStoppedWindow(rig);
    EXPECT_FALSE(rig.channels[6].isOpen());
}

TEST(LiveDisplay, FailedStartKeepsPararUntilTheNextClick) {
    Rig rig;
    rig.answer = [](int) { return QByteArray(); };
    rig.form.setEnabled(ctl::kReconnect, false);
    QSignalSpy failed(&rig.display(), &LiveDisplay::failed);
    rig.click();
    ASSERT_TRUE(test::waitUntil([&] { return failed.count() == 1; }));
    EXPECT_EQ(failed.at(0).at(0).value<OperationError>().fault, Fault::NoAnswer);
    EXPECT_EQ(rig.dialogs.texts(), QStringList{kNoLogger});
    EXPECT_FALSE(rig.channels[6].isOpen());
    EXPECT_TRUE(rig.c(ctl::kReconnect).enabled);
    EXPECT_EQ(rig.c(ctl::kReconnect).text, kConnect);
    EXPECT_EQ(rig.display().state(), LiveDisplay::State::FailedStart);
    expectRunningWindow(rig);  // linea -1, "PARAR", Text60 visible, the six still disabled
    EXPECT_TRUE(rig.c(ctl::kLiveText).text.isEmpty());
    EXPECT_FALSE(rig.channels.exchange().answered);

    // The next click is a stop, and sends nothing.
    rig.click();
    expectStoppedWindow(rig);
    EXPECT_EQ(rig.display().state(), LiveDisplay::State::Idle);
    EXPECT_EQ(rig.port.writes().size(), 1U);
    // And the one after that finds no answered exchange.
    rig.click();
    EXPECT_EQ(rig.dialogs.texts(), (QStringList{kNoLogger, kNoLogger}));
    EXPECT_EQ(rig.port.writes().size(), 1U);
}

TEST(LiveDisplay, StopDuringTheFirstWaitStillEndsTheStart) {
    Rig rig;
    rig.answer = [](int) { return QByteArray(); };
    QSignalSpy failed(&rig.display(), &LiveDisplay::failed);
    rig.click();
    rig.click();  // "PARAR" at once
    expectStoppedWindow(rig);
    EXPECT_EQ(rig.display().state(), LiveDisplay::State::Stopping);
    ASSERT_TRUE(test::waitUntil([&] { return failed.count() == 1; }));
    EXPECT_EQ(rig.display().state(), LiveDisplay::State::Idle);
    EXPECT_FALSE(rig.channels[6].isOpen());
    EXPECT_EQ(rig.dialogs.texts(), QStringList{kNoLogger});
    expectStoppedWindow(rig);
}

TEST(LiveDisplay, StopWithoutAFrameLeavesThePortOpenAndTheNextStartReusesIt) {
    Rig rig;
    rig.click();
    ASSERT_TRUE(rig.frames(2));
    rig.answer = [](int) { return QByteArray(); };  // the cable is pulled
    test::settle(20);
    const QString lastText = rig.c(ctl::kLiveText).text;
    EXPECT_FALSE(lastText.isEmpty());
    EXPECT_TRUE(rig.dialogs.shown.empty());  // no message while it runs
    rig.click();
    expectStoppedWindow(rig);
    test::settlePastTheWaits();
    EXPECT_EQ(rig.display().state(), LiveDisplay::State::Stopping);
    EXPECT_TRUE(rig.channels[6].isOpen());

    // The cable is back: the next start's open fails on the open channel and is passed over.
    rig.answer = [](int n) { return thermoFrame(400 + n); };
    const qint64 before = rig.display().frames();
    rig.click();
    expectRunningWindow(rig);
    ASSERT_TRUE(rig.frames(before + 3));
    EXPECT_EQ(rig.display().state(), LiveDisplay::State::Running);
}

TEST(LiveDisplay, SilenceIsSaidAboveTheLastReadingAndAFailedStartEmptiesTheBox) {
    Rig rig;
    QSignalSpy shown(&rig.display(), &LiveDisplay::frameShown);
    rig.click();
    ASSERT_TRUE(rig.frames(2));
    rig.answer = [](int) { return QByteArray(); };  // the logger is switched off
    const QString quiet =
        QStringLiteral("El registrador dej\u00f3 de responder. \u00daltima lectura:\r\n");
    ASSERT_TRUE(test::waitUntil([&] { return rig.c(ctl::kLiveText).text.startsWith(quiet); }));
    EXPECT_EQ(rig.c(ctl::kLiveText).text, quiet + shown.last().at(0).toString());
    EXPECT_EQ(rig.display().state(), LiveDisplay::State::Running);
    EXPECT_TRUE(rig.dialogs.shown.empty());

    // Stopped with the frame never coming, then started again: no first frame either.
    rig.click();
    rig.click();
    // The start empties the box at once: no earlier reading shows while it waits.
    EXPECT_TRUE(rig.c(ctl::kLiveText).text.isEmpty());
    QSignalSpy failed(&rig.display(), &LiveDisplay::failed);
    ASSERT_TRUE(test::waitUntil([&] { return failed.count() == 1; }));
    EXPECT_EQ(rig.dialogs.texts(), QStringList{kNoLogger});
    EXPECT_TRUE(rig.c(ctl::kLiveText).visible);
    EXPECT_TRUE(rig.c(ctl::kLiveText).text.isEmpty());
}

TEST(LiveDisplay, WhileItRunsOnlyPararIsHeard) {
    Rig rig;
    // The SMS buttons and Command1 are not among those the start disables.
    for (const char* name : {ctl::kReadSms, ctl::kWriteSms, ctl::kReconnect})
        rig.form.setEnabled(name, true);
    rig.click();
    ASSERT_TRUE(rig.frames(3));
    for (const char* name : {ctl::kReadSms, ctl::kWriteSms, ctl::kReconnect, ctl::kDownload,
                             ctl::kImportConfig, ctl::kSendConfig})
        rig.inicio.click(QString::fromLatin1(name));
    // No other exchange took the port: the display goes on, on MSComm6.
    EXPECT_EQ(rig.port.holder(), &static_cast<test::FakeChannel&>(rig.channels[6]));
    const qint64 before = rig.display().frames();
    ASSERT_TRUE(rig.frames(before + 3));
    EXPECT_TRUE(rig.dialogs.shown.empty());
    QSignalSpy stopped(&rig.display(), &LiveDisplay::stopped);
    rig.click();
    expectStoppedWindow(rig);
    ASSERT_TRUE(test::waitUntil([&] { return stopped.count() == 1; }));
}

TEST(LiveDisplay, PararIsHeardWhileAReconnectionSearchesThePorts) {
    Rig rig;
    rig.answer = [](int) { return QByteArray(); };
    QSignalSpy failed(&rig.display(), &LiveDisplay::failed);
    rig.click();
    ASSERT_TRUE(test::waitUntil([&] { return failed.count() == 1; }));
    // The failed start offers Command1; the search it starts holds the line for seconds.
    rig.inicio.click(QString::fromLatin1(ctl::kReconnect));
    ASSERT_TRUE(rig.inicio.discovery().running());
    rig.click();
    expectStoppedWindow(rig);
    EXPECT_EQ(rig.display().state(), LiveDisplay::State::Idle);
}

TEST(LiveDisplay, StartClosesAChannelAStalledExchangeLeftOpen) {
    Rig rig;
    ASSERT_TRUE(rig.channels[2].open());  // an import that stalled mid-record
    rig.click();
    EXPECT_FALSE(rig.channels[2].isOpen());
    EXPECT_TRUE(rig.channels[6].isOpen());
    ASSERT_TRUE(rig.frames(2));
}

TEST(LiveDisplay, SurplusBytesArePrintedAsFaltaAndLeftWaiting) {
    Rig rig;
    rig.answer = [](int n) {
        QByteArray f = thermoFrame(400 + n);
        if (n == 1) f += '\x07';
        return f;
    };
    rig.click();
    ASSERT_TRUE(rig.frames(1));
    EXPECT_EQ(rig.form.surface(), QStringList{QStringLiteral("falta")});
    EXPECT_EQ(rig.c(ctl::kLiveText).text, QStringLiteral("Temp[ºC]= 12ºC\r\n"));
    // The surplus byte opens the next frame: 0x07 0x00 0x00 0x00 0x00 0x01 0x92 ...
    ASSERT_TRUE(rig.frames(2));
    EXPECT_EQ(rig.c(ctl::kLiveText).text, QStringLiteral("Temp[ºC]=-68ºC\r\n"));  // W2 = 0x0001
    EXPECT_EQ(rig.form.surface(), (QStringList{QStringLiteral("falta"), QStringLiteral("falta")}));
}

TEST(LiveDisplay, OtherEventsThanReceiveChangeNothing) {
    Rig rig;
    rig.answer = [](int) { return QByteArray(); };
    rig.click();
    auto& ch = static_cast<test::FakeChannel&>(rig.channels[6]);
    for (int code : {comm::Send, comm::Cts, comm::Frame, comm::Hangup}) ch.lineEvent(code);
    EXPECT_FALSE(rig.channels.exchange().answered);
    EXPECT_EQ(rig.display().frames(), 0);
    EXPECT_TRUE(rig.c(ctl::kLiveText).text.isEmpty());
    EXPECT_EQ(rig.port.writes().size(), 1U);
}

TEST(LiveDisplay, UnknownSerialShowsAnEmptyText) {
    Rig rig;
    rig.form.Nserie = 0;
    rig.click();
    ASSERT_TRUE(rig.frames(2));
    EXPECT_TRUE(rig.c(ctl::kLiveText).text.isEmpty());
    expectRunningWindow(rig);
}

// ---- against the emulator, after the window's own start-up ----

namespace {

struct EmulatorRig {
    explicit EmulatorRig(const QString& serial) : logger(options(serial)) { test::ensureApp(); }
    static sim::EmulatorOptions options(const QString& serial) {
        sim::EmulatorOptions o;
        o.serial = serial;
        return o;
    }
    bool startUp() {
        QSignalSpy done(&inicio.import(), &config::ConfigImport::finished);
        inicio.startUp();
        return test::waitUntil([&] { return done.count() == 1; });
    }
    LiveDisplay& display() { return inicio.live(); }
    void click() { inicio.click(QString::fromLatin1(ctl::kLive)); }
    bool stop() {
        QSignalSpy stopped(&display(), &LiveDisplay::stopped);
        click();
        return test::waitUntil([&] { return stopped.count() == 1; });
    }

    sim::LoggerEmulator logger;
    sim::EmulatorPort port{logger};
    FormState form;
    test::FakeDialogs dialogs;
    PortList ports{QStringList{sim::EmulatorPort::location()}};
    ChannelSet channels{port.channelFactory()};
    Inicio inicio{form, dialogs, channels, ports, Timing::fast()};
};

}  // namespace

TEST(LiveDisplayEmulator, EveryFamilyShowsItsReadings) {
    struct Case {
        const char* serial;
        const char* first;  // the label of the first line
        int lines;
    } cases[] = {
        {"00000123", "Rad[Kw/m2]= ", 1},     {"00020500", "Temp[ºC]= ", 2},
        {"00021500", "Temp[ºC]= ", 1},       {"00022500", "Icc[A]= ", 2},
        {"00030500", "Temp[ºC]= ", 2},       {"00040500", "Temp[ºC]= ", 2},
        {"00050500", "Temp[ºC]= ", 3},       {"00071000", "Nivel = ", 1},
        {"00080000", "DATA ", 12},           {"00091000", "Nivel Altura = ", 3},
        {"02040500", "Temp[ºC]= ", 2},       {"02050500", "Temp[ºC]= ", 6},
        {"02060500", "Real Sumergido= ", 4},
    };
    for (const Case& c : cases) {
        EmulatorRig rig(QString::fromLatin1(c.serial));
        ASSERT_TRUE(rig.startUp()) << c.serial;
        rig.click();
        ASSERT_TRUE(test::waitUntil([&] { return rig.display().frames() >= 3; })) << c.serial;
        const QString text = rig.form.control(ctl::kLiveText).text;
        EXPECT_TRUE(text.startsWith(QString::fromUtf8(c.first))) << c.serial << text.toStdString();
        EXPECT_EQ(text.count(QStringLiteral("\r\n")), c.lines) << c.serial << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("---"))) << c.serial;
        EXPECT_TRUE(rig.form.surface().filter(QStringLiteral("falta")).isEmpty()) << c.serial;
        ASSERT_TRUE(rig.stop()) << c.serial;
        EXPECT_EQ(rig.port.holder(), nullptr);
        EXPECT_TRUE(rig.dialogs.texts().filter(QStringLiteral("No hay")).isEmpty()) << c.serial;
    }
}

TEST(LiveDisplayEmulator, FlowStatisticsCarryOverFromOneStartToTheNext) {
    EmulatorRig rig(QStringLiteral("00080000"));
    ASSERT_TRUE(rig.startUp());
    rig.click();
    ASSERT_TRUE(test::waitUntil([&] { return rig.display().frames() >= 4; }));
    ASSERT_TRUE(rig.stop());
    const qint64 first = rig.display().frames();
    EXPECT_EQ(rig.display().decoder().flow().samples, first);
    EXPECT_EQ(rig.form.liveSamples, first);

    rig.click();
    ASSERT_TRUE(test::waitUntil([&] { return rig.display().frames() >= first + 1; }));
    const QString text = rig.form.control(ctl::kLiveText).text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("DATA ")));
    const QString count = text.section(QStringLiteral("\r\n"), 0, 0).section(QLatin1Char(' '), -1);
    EXPECT_GT(count.toInt(), first) << text.toStdString();
    ASSERT_TRUE(rig.stop());
}

TEST(LiveDisplayEmulator, AfterTheLiveDisplayTheImportStillWorks) {
    EmulatorRig rig(QStringLiteral("00021500"));
    ASSERT_TRUE(rig.startUp());
    rig.click();
    ASSERT_TRUE(test::waitUntil([&] { return rig.display().frames() >= 3; }));
    ASSERT_TRUE(rig.stop());
    QSignalSpy done(&rig.inicio.import(), &config::ConfigImport::finished);
    rig.inicio.importConfiguration();
    ASSERT_TRUE(test::waitUntil([&] { return done.count() == 1; }));
    EXPECT_EQ(rig.form.Nserie, 21500.0F);
}

TEST(LiveDisplayEmulator, ShortProbeFaultNeverStartsTheDisplay) {
    sim::EmulatorOptions o;
    o.serial = QStringLiteral("00021500");
    o.faults.shortProbe = true;
    test::ensureApp();
    sim::LoggerEmulator logger(o);
    sim::EmulatorPort port(logger);
    FormState form;
    test::FakeDialogs dialogs;
    PortList ports{QStringList{sim::EmulatorPort::location()}};
    ChannelSet channels{port.channelFactory()};
    Inicio inicio{form, dialogs, channels, ports, Timing::fast()};
    channels.exchange().answered = true;  // as if the last exchange had been answered
    channels.exchange().port = 1;
    form.Nserie = 21500;
    channels[6].setCommPort(1);
    QSignalSpy failed(&inicio.live(), &LiveDisplay::failed);
    inicio.click(QString::fromLatin1(ctl::kLive));
    ASSERT_TRUE(test::waitUntil([&] { return failed.count() == 1; }));
    // 20 bytes never reach the threshold of 21: no frame.
    EXPECT_EQ(inicio.live().frames(), 0);
    EXPECT_EQ(inicio.live().state(), LiveDisplay::State::FailedStart);
}
