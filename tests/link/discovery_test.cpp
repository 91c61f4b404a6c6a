#include "link/discovery.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "app/inicio.h"
#include "form/controls.h"
#include "link/line_events.h"
#include "link/line_owner.h"
#include "link/serial_channel.h"
#include "support/fake_dialogs.h"
#include "support/fake_port.h"
#include "support/qt_app.h"
#include "support/wait.h"

using namespace vernoll;

namespace {

const QString kQuestion = QStringLiteral("Quiere conectarse con Registrador Tolvar");
const QString kNotFound = QStringLiteral(
    "   No Hay Conexion Con Equipo Registrador\r\n(si el problema persiste consultar Servicio "
    "Tecnico)\r\n        servicio.tecnico@tolvar.example     ");

// Discovery over four fake ports, as the window runs it; `answers[n]` is what port n answers a
// wake-up byte with.
struct Rig {
    FormState form;
    test::FakeDialogs dialogs;
    test::FakePort port;
    PortList ports{QStringList{"A", "B", "C", "D"}};
    ChannelSet channels{port.factory()};
    Inicio inicio{form, dialogs, channels, ports, Timing::fast()};
    std::map<int, QByteArray> answers;

    Rig() {
        inicio.setImportOnFound(false);
        port.setPeer([this](int n, const QByteArray& w) {
            return w == QByteArray(1, '\xBE') && answers.count(n) ? answers[n] : QByteArray();
        });
    }
    Discovery::Outcome run() {
        QSignalSpy done(&inicio, &Inicio::discovered);
        inicio.reconnect();
        EXPECT_TRUE(test::waitUntil([&] { return done.count() == 1; }, 5000));
        return done.at(0).at(0).value<Discovery::Outcome>();
    }
    // The ports the probe byte went to, in order.
    std::vector<int> probed() const {
        std::vector<int> out;
        for (const auto& w : port.writes()) out.push_back(w.port);
        return out;
    }
};

}  // namespace

TEST(Discovery, AnswerOnTheSecondPort) {
    test::ensureApp();
    Rig rig;
    rig.answers[2] = QByteArray(21, '\x01');
    rig.port.setRefused(1, Channel::OpenFailure::Held, QStringLiteral("en uso por otro programa"));
    EXPECT_EQ(rig.run(), Discovery::Outcome::Found);
    EXPECT_EQ(rig.probed(), (std::vector<int>{2}));
    EXPECT_EQ(rig.channels.exchange().port, 2);
    EXPECT_TRUE(rig.channels.exchange().answered);
    EXPECT_EQ(rig.dialogs.texts(),
              (QStringList{kQuestion, QStringLiteral(" Conexion en B  @ 19200 bps ")}));
    EXPECT_EQ(rig.dialogs.shown.back().icon, Dialogs::Icon::None);
    EXPECT_FALSE(rig.form.control(ctl::kReconnect).enabled);
    EXPECT_EQ(rig.form.control(ctl::kReconnect).text,
              QStringLiteral(" Conexion en B  @ 19200 bps "));
    EXPECT_FALSE(rig.channels[1].isOpen());
    EXPECT_TRUE(rig.form.surface().isEmpty());  // the "21" written on answer is cleared
    // Every channel now points at the port; the probe and the live channel wait for frames.
    for (int k = 1; k <= 6; ++k) EXPECT_EQ(rig.channels[k].commPort(), 2) << k;
    EXPECT_EQ(rig.channels[1].receiveThreshold(), 21);
    EXPECT_EQ(rig.channels[6].receiveThreshold(), 21);
    EXPECT_EQ(rig.channels[2].receiveThreshold(), 1);
}

TEST(Discovery, ShortAnswersAndSilenceCountAsNoLoggerAndUnopenedPortsAreNamed) {
    test::ensureApp();
    Rig rig;
    rig.answers[1] = QByteArray(20, '\x01');  // below the receive threshold: no event
    rig.answers[3] = QByteArray(5, '\x01');
    // Ports that cannot be opened still cost both waits; the message names them.
    const QString denied = QStringLiteral(
        "permiso denegado: agregue su usuario al grupo dialout y vuelva a iniciar la sesi\u00f3n");
    rig.port.setRefused(2, Channel::OpenFailure::Denied, denied);
    rig.port.setMissing({4});
    EXPECT_EQ(rig.run(), Discovery::Outcome::NotFound);
    EXPECT_EQ(rig.probed(), (std::vector<int>{1, 3}));
    EXPECT_EQ(rig.dialogs.texts(),
              (QStringList{kQuestion, kNotFound + "\r\nNo se puede abrir B: " + denied +
                                          "\r\nNo se puede abrir D: no existe"}));
    EXPECT_EQ(rig.dialogs.shown.back().icon, Dialogs::Icon::Critical);
    EXPECT_FALSE(rig.channels.exchange().answered);
    EXPECT_TRUE(rig.form.control(ctl::kReconnect).enabled);
    EXPECT_EQ(rig.form.control(ctl::kReconnect).text,
              QStringLiteral(" Conectar con Registrador ? "));
    EXPECT_FALSE(rig.channels[1].isOpen());
    EXPECT_FALSE(rig.form.splashShown());
}

TEST(Discovery, CancelAtTheQuestionOpensNothing) {
    test::ensureApp();
    Rig rig;
    rig.form.setSplashShown(true);
    rig.form.setEnabled(ctl::kReconnect, false);
    rig.dialogs.answers = {false};
    rig.answers[1] = QByteArray(21, '\x01');
    EXPECT_EQ(rig.run(), Discovery::Outcome::Declined);
    EXPECT_EQ(rig.port.opens(), 0);
    EXPECT_EQ(rig.form.control(ctl::kReconnect).text,
              QStringLiteral(" Conectar con Registrador ? "));
    EXPECT_TRUE(rig.form.control(ctl::kReconnect).enabled);  // offered again
    EXPECT_TRUE(rig.form.splashShown());
}

TEST(Discovery, Command1DisablesItselfAndAsksAgain) {
    test::ensureApp();
    FormState form;
    test::FakeDialogs dialogs;
    test::FakePort port;
    PortList ports{QStringList{"A"}};
    ChannelSet channels{port.factory()};
    Inicio inicio{form, dialogs, channels, ports, Timing::fast()};
    dialogs.answers = {false, false};
    inicio.startUp();
    EXPECT_TRUE(form.control(ctl::kReconnect).enabled);
    inicio.reconnect();
    EXPECT_TRUE(form.control(ctl::kReconnect).enabled);  // declined again: offered again
    EXPECT_EQ(dialogs.texts(), (QStringList{kQuestion, kQuestion}));
    EXPECT_EQ(form.control(ctl::kReconnect).text, QStringLiteral(" Conectar con Registrador ? "));
}

TEST(LineEvents, TextsOfEveryCode) {
    const std::pair<int, const char*> table[] = {
        {3, "cambio en CTS"},
        {4, "Detectado cambio en DSR"},
        {5, "Detectado cambio en CD"},
        {6, "El tel\u00e9fono est\u00e1 sonando"},
        {7, "Detectado el final del archivo"},
        {1001, "Parada recibida"},
        {1002, "Soprepasado el tiempo de espera de CTS"},
        {1003, "Sobrepasado el tiempo de espera de DSR"},
        {1004, "Error de marco"},
        {1005, "Error o evento desconocido"},
        {1006, "Error de sobrecarga"},
        {1007, "Sobrepasado el tiempo de espera de detecci\u00f3n de portadora"},
        {1008, "Desbordamiento en el b\u00fafer de recepci\u00f3n"},
        {1009, "Error de paridad"},
        {1010, "B\u00fafer de transmisi\u00f3n lleno"},
        {1011, "Error recibiendo DCB"},
        {0, "Error o evento desconocido"},
    };
    test::ensureApp();
    for (const auto& [code, text] : table) {
        test::FakePort port;
        ChannelSet channels{port.factory()};
        LineEvents events{channels};
        QSignalSpy said(&channels.line(), &LineOwner::diagnosed);
        static_cast<test::FakeChannel&>(channels[1]).lineEvent(code);
        ASSERT_EQ(said.count(), 1) << code;
        EXPECT_EQ(said.at(0).at(0).toString(), QString::fromUtf8(text)) << code;
    }
}

TEST(LineEvents, ModemLineChangesRaiseTheirEvents) {
    using P = QSerialPort;
    const P::PinoutSignals none = P::NoSignal;
    const P::PinoutSignals all = P::ClearToSendSignal | P::DataSetReadySignal |
                                 P::DataCarrierDetectSignal | P::RingIndicatorSignal;
    const struct {
        P::PinoutSignals before, after;
        std::vector<int> codes;
    } cases[] = {
        {none, none, {}},
        {all, all, {}},
        // RTS and DTR are the program's own lines: no events.
        {none, P::RequestToSendSignal | P::DataTerminalReadySignal, {}},
        {none, P::ClearToSendSignal, {comm::Cts}},
        {P::ClearToSendSignal, none, {comm::Cts}},
        {none, P::DataSetReadySignal, {}},  // DSR only when it drops
        {P::DataSetReadySignal, none, {comm::Dsr}},
        {none, P::DataCarrierDetectSignal, {comm::Cd}},
        {P::DataCarrierDetectSignal, none, {comm::Cd}},
        {none, P::RingIndicatorSignal, {comm::Ring}},  // ring when it starts
        {P::RingIndicatorSignal, none, {}},
        {all, none, {comm::Cts, comm::Dsr, comm::Cd}},
        {none, all, {comm::Cts, comm::Cd, comm::Ring}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(modemLineEvents(c.before, c.after), c.codes)
            << int(c.before) << " -> " << int(c.after);
}

TEST(LineEvents, ReceiveEventsAndTheSendEvent) {
    test::ensureApp();
    test::FakePort port;
    ChannelSet channels{port.factory()};
    LineEvents events{channels};
    QStringList surface;
    QObject::connect(&channels.line(), &LineOwner::diagnosed,
                     [&surface](const QString& text) { surface << text; });
    auto& probe = static_cast<test::FakeChannel&>(channels[1]);
    probe.setCommPort(1);
    ASSERT_TRUE(probe.open());

    probe.lineEvent(comm::Send);
    EXPECT_TRUE(surface.isEmpty());

    // 20 bytes or fewer with a receive event (a lowered threshold): dropped and reported.
    probe.setReceiveThreshold(1);
    probe.arrive(QByteArray(3, 'x'));
    EXPECT_EQ(surface, (QStringList{"3TOKO", "otro valor eventos"}));
    EXPECT_EQ(probe.bytesWaiting(), 0);
    EXPECT_TRUE(probe.isOpen());
    EXPECT_FALSE(channels.exchange().answered);

    // The logger's answer: flag set, count written, channel closed.
    surface.clear();
    probe.setReceiveThreshold(21);
    probe.arrive(QByteArray(21, 'x'));
    EXPECT_TRUE(channels.exchange().answered);
    EXPECT_EQ(surface, QStringList{"21"});
    EXPECT_FALSE(probe.isOpen());
}

TEST(PortList, MessagesNameComPortsByNumberAndOthersByLocation) {
    const PortList ports(
        {"COM3", "com12", "/dev/ttyUSB0", "COMX", "COM", "/dev/COM4", "SIMULADOR", "COM007"});
    const char* const labels[] = {"COM 3", "COM 12",    "/dev/ttyUSB0", "COMX",
                                  "COM",   "/dev/COM4", "SIMULADOR",    "COM 7"};
    ASSERT_EQ(ports.count(), 8);
    for (int n = 1; n <= ports.count(); ++n)
        EXPECT_EQ(ports.label(n), QString::fromLatin1(labels[n - 1])) << n;
    EXPECT_EQ(ports.location(2), QStringLiteral("com12"));
    EXPECT_TRUE(ports.label(0).isEmpty());
    EXPECT_TRUE(ports.label(9).isEmpty());
}

TEST(PortList, KeepsAtMostTwelveInTheOrderGiven) {
    QStringList devices;
    for (int i = 1; i <= 14; ++i) devices << QStringLiteral("/dev/ttyS%1").arg(i);
    const PortList ports = PortList::of(devices);
    ASSERT_EQ(ports.count(), PortList::kMaxPorts);
    EXPECT_EQ(ports.location(1), QStringLiteral("/dev/ttyS1"));
    EXPECT_EQ(ports.location(12), QStringLiteral("/dev/ttyS12"));
}

// A port that discovery found but that refuses a later exchange: the exchange's message names
// it with the system's reason, as discovery's does.
TEST(Discovery, APortThatRefusesALaterExchangeIsNamedInItsMessage) {
    test::ensureApp();
    FormState form;
    test::FakeDialogs dialogs;
    test::FakePort port;
    PortList ports{QStringList{"A", "B"}};
    ChannelSet channels{port.factory()};
    port.setPeer([](int n, const QByteArray& w) {
        return n == 2 && w == QByteArray(1, '\xBE') ? QByteArray(21, '\x01') : QByteArray();
    });
    Inicio inicio(form, dialogs, channels, ports, Timing::fast());
    inicio.setImportOnFound(false);
    QSignalSpy started(&inicio, &Inicio::startUpFinished);
    inicio.startUp();
    ASSERT_TRUE(test::waitUntil([&] { return started.count() == 1; }));
    ASSERT_EQ(channels.exchange().port, 2);

    port.setRefused(2, Channel::OpenFailure::Held, QStringLiteral("en uso por otro programa"));
    dialogs.shown.clear();
    inicio.click(QLatin1String(ctl::kImportConfig));
    ASSERT_TRUE(test::waitUntil([&] { return !dialogs.shown.empty(); }));
    EXPECT_EQ(dialogs.texts().front(),
              QStringLiteral("No hay equipo conectado ,Intente Reconectar \r\n"
                             "No se puede abrir B: en uso por otro programa"));
    EXPECT_TRUE(channels.exchange().refusal.isEmpty());  // said once
}
