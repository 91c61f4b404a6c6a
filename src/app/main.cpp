// vernoll: the desktop program for Tolvar data loggers.

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTranslator>
#include <cstdio>
#include <memory>

#include "app/inicio.h"
#include "app/main_window.h"
#include "app/progress_window.h"
#include "app/qt_dialogs.h"
#include "app/regional.h"
#include "app/splash.h"
#include "link/channel_set.h"
#include "link/port_list.h"
#include "link/serial_channel.h"
#include "sim/emulator_port.h"
#include "sim/logger_emulator.h"

namespace {

constexpr int kUsage = 2;

int usage(const QString& why) {
    const QByteArray text = ("vernoll: " + why + "\n").toUtf8();
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stderr);
    return kUsage;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vernoll;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vernoll"));
    // No display name: Qt would append it to every window's title, and the titles are the
    // window's own ("Vernoll de Tolvar   v2.10", "Estado de Comunicacion", "coeficientes").
    QApplication::setApplicationVersion(QStringLiteral("2.10"));
    // The program ends by "Salir" or by closing its window, not when the splash or a message
    // box closes before the window is shown.
    QApplication::setQuitOnLastWindowClosed(false);
    // Qt's own buttons and dialogs (OK, Cancel, the file dialog) in the user's language, where
    // the system has Qt's translations; the program's own texts are its own.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reads, configures and downloads Tolvar data loggers on a serial port."));
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("A candidate port; repeat for several (at most 12)."),
        QStringLiteral("DEVICE"));
    const QCommandLineOption simulateOption(
        QStringLiteral("simulate"),
        QStringLiteral(
            "Use the built-in logger emulator with this serial number (up to 8 digits)."),
        QStringLiteral("SERIAL"));
    parser.addOptions({portOption, simulateOption});
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);

    const QStringList devices = parser.values(portOption);
    if (devices.size() > PortList::kMaxPorts)
        return usage(QStringLiteral("at most %1 ports may be given").arg(PortList::kMaxPorts));
    if (!parser.positionalArguments().isEmpty())
        return usage(QStringLiteral("unexpected argument: ") +
                     parser.positionalArguments().first());

    // The ports and their channels, on a real line or on the built-in emulator.
    std::unique_ptr<sim::LoggerEmulator> emulator;
    std::unique_ptr<sim::EmulatorPort> emulatorPort;
    PortList ports;
    std::unique_ptr<ChannelSet> channels;
    if (parser.isSet(simulateOption)) {
        const QString serial = parser.value(simulateOption);
        if (!QRegularExpression(QStringLiteral("^[0-9]{1,8}$")).match(serial).hasMatch())
            return usage(QStringLiteral("the serial number must be 1 to 8 digits"));
        if (!devices.isEmpty())
            return usage(QStringLiteral("--port and --simulate exclude each other"));
        sim::EmulatorOptions options;
        options.serial = serial.rightJustified(8, QLatin1Char('0'));
        emulator = std::make_unique<sim::LoggerEmulator>(options);
        emulatorPort = std::make_unique<sim::EmulatorPort>(*emulator);
        ports = PortList({sim::EmulatorPort::location()});
        channels = std::make_unique<ChannelSet>(emulatorPort->channelFactory());
    } else {
        ports = devices.isEmpty() ? PortList::system() : PortList::of(devices);
        channels = std::make_unique<ChannelSet>(
            [&ports] { return std::make_unique<SerialChannel>(ports); });
    }

    FormState form;
    QtDialogs dialogs;

    // The handlers exist before anything is shown; start-up begins further down.
    auto inicio = std::make_unique<Inicio>(form, dialogs, *channels, ports, Timing::real());

    // Start-up: the progress window exists (hidden, its bar hidden) before anything is asked.
    ProgressWindow progress(form, *inicio);

    // A user who refuses the regional settings ends the program before anything is shown.
    const std::unique_ptr<regional::SettingsStore> store = regional::platformStore();
    if (regional::check(*store, dialogs) == regional::Outcome::Refused) {
        inicio.reset();
        return 0;
    }
    SplashWindow splash(form);
    MainWindow window(form, *inicio);
    QObject::connect(&window, &MainWindow::exitRequested, &app, [] { QCoreApplication::exit(0); });
    QObject::connect(inicio.get(), &Inicio::startUpFinished, &window, [&window] {
        window.show();
        window.raise();
    });
    inicio->startUp();

    const int status = QApplication::exec();
    // The handlers go before the channels they listen to.
    inicio.reset();
    return status;
}
