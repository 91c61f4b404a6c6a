#pragma once

#include <array>
#include <string_view>
#include <cstddef>

// The main window's controls, by what they are. Each constant's value is the control's
// objectName in the window's design; the window gives each widget that name, so a constant
// here is the one link between an operation and what the user sees. No other file spells a
// control's name as a string.
namespace ctl {

// Command buttons.
inline constexpr char kImportConfig[] = "configuracion";  // "Importar Configuracion"
inline constexpr char kReconnect[] = "Command1";          // reconnect; the connection text
inline constexpr char kEditConfig[] = "Command2";         // "Cambiar configuracion"
inline constexpr char kSendConfig[] = "Command3";         // "Enviar configuracion"
inline constexpr char kLive[] = "Command4";               // "DATOS EN LINEA" / "PARAR"
inline constexpr char kCoefficients[] = "Command5";       // "Coeficientes" (hidden)
inline constexpr char kReadSms[] = "Command6";            // "Leer Config. SMS"
inline constexpr char kWriteSms[] = "Command7";           // "Enviar Config.SMS"
inline constexpr char kDownload[] = "Command13";          // the memory download and CSV
inline constexpr char kExportEvents[] = "Command33";      // events and spreadsheet export
inline constexpr char kOpenBaseFile[] = "Command43";      // "Abrir Archivo Base (.rgt)"
inline constexpr char kExit[] = "salir";                  // "Salir"
inline constexpr char kStations[] = "estaciones";         // the station archive's window (ours)

// Configuration area.
inline constexpr char kSerialCaption[] = "Label1";  // "Nro Serie"; the serial write's progress
inline constexpr char kSerialText[] = "Label4";     // "Nro  : " and the eight digits
inline constexpr char kTitle[] = "Label14";         // "Registrador TOLVAR", then the device name
inline constexpr char kUser[] = "Text2";
inline constexpr char kLocation[] = "Text3";
inline constexpr char kLatitude[] = "Text4";
inline constexpr char kLongitude[] = "Text5";
inline constexpr char kAltitude[] = "Text7";
inline constexpr char kDate[] = "fecha1";            // the logger clock's date
inline constexpr char kTime[] = "MaskEdBox2";        // the logger clock's time of day
inline constexpr char kPcClock[] = "Check1";         // set the logger clock from the PC's
inline constexpr char kPcClockCaption[] = "Label3";  // "Ajustar a fecha y hora de PC"
// Not in the logger program's design: logger clock minus PC clock at the last import.
inline constexpr char kClockOffset[] = "diferenciaPC";
inline constexpr char kInterval1[] = "Option1";
inline constexpr char kInterval5[] = "Option2";
inline constexpr char kInterval10[] = "Option3";
inline constexpr char kInterval15[] = "Option4";
inline constexpr char kInterval30[] = "Option5";
inline constexpr char kInterval60[] = "Option6";

// SMS area.
inline constexpr char kSendNever[] = "Option10";
inline constexpr char kSendWithSampling[] = "Option11";
inline constexpr char kSendEvery2h[] = "Option12";
inline constexpr char kSendEvery6h[] = "Option13";
inline constexpr char kSendEvery12h[] = "Option14";
inline constexpr char kCellNumber[] = "Text1";
inline constexpr char kSmsHidden[] = "Text6";  // hidden: the SMS record's four trailing bytes

// Live data and download area.
inline constexpr char kLiveText[] = "Text60";
inline constexpr char kSerialEntry[] = "Text10";       // hidden: serial-number programming
inline constexpr char kExportText[] = "RichTextBox1";  // never shown: the export texts
inline constexpr char kEventsText[] = "RichTextBox2";  // never shown: events and summary texts

// Captions, frames and lines that no operation touches: only the window's design uses them.
inline constexpr char kMakerWeb[] = "Label15";
inline constexpr char kConfigHeading[] = "Label11";  // " Configuracion"
inline constexpr char kUserCaption[] = "Label2";
inline constexpr char kLocationCaption[] = "Label6";
inline constexpr char kLatitudeCaption[] = "Label7";
inline constexpr char kLongitudeCaption[] = "Label13";
inline constexpr char kAltitudeCaption[] = "Label8";
inline constexpr char kIntervalFrame[] = "Frame1";  // "Intervalo de muestreo"
inline constexpr char kSendFrame[] = "Frame2";      // "Intervalo de envio"
inline constexpr char kSendNeverCaption[] = "Label5";
inline constexpr char kSendWithSamplingCaption[] = "Label17";
inline constexpr char kSendEvery2hCaption[] = "Label19";
inline constexpr char kSendEvery6hCaption[] = "Label20";
inline constexpr char kSendEvery12hCaption[] = "Label21";
inline constexpr char kCellCaption[] = "Label16";     // "Nro Celular"
inline constexpr char kLiveHeading[] = "Label10";     // "Medicion de Datos en linea"
inline constexpr char kDownloadHeading[] = "Label9";  // "Registro De Datos"
inline constexpr char kTitleRule[] = "Line1";         // under the title
inline constexpr char kHalvesRule[] = "Line2";        // between the left and right halves
inline constexpr char kSmsRule[] = "Line3";           // above the SMS area
inline constexpr char kDownloadRule[] = "Line4";      // above the download area
inline constexpr char kConnectionRule[] = "Line5";    // left of the connection buttons

// The progress window and its controls. Its Label1 goes by a qualified name: the main window
// has a Label1 of its own. The window's text is its caption.
namespace progress {
inline constexpr char kWindow[] = "progress";          // visible: the window is shown
inline constexpr char kBar[] = "ProgressBar1";         // text: the bar's value
inline constexpr char kElapsed[] = "progress.Label1";  // text: the elapsed time
inline constexpr char kCancel[] = "Command45";
}  // namespace progress

// The main window itself: disabled while a modal step runs.
inline constexpr char kMainWindow[] = "inicio";
// The picture shown while the program starts.
inline constexpr char kSplashWindow[] = "presenta";

// The coefficients window's own controls. Its boxes and the captions of its rows are numbered:
// the patterns take the number for "%1".
namespace coef {
inline constexpr char kWindow[] = "coef";
inline constexpr char kSensorsHeading[] = "Label1";    // "Sensores  Tolvar"
inline constexpr char kAuxHeading[] = "Label2";        // "Entradas Auxiliares"
inline constexpr char kSensorCaption[] = "Label4_%1";  // row 0 .. 7 of the sensor inputs
inline constexpr char kAuxCaption[] = "Label3_%1";     // row 0 .. 7 of the auxiliary inputs
inline constexpr char kGainCaption[] = "Label6";       // "* Vo +"
inline constexpr char kEquals[] = "Label5";            // "="
inline constexpr char kRule[] = "Line1";
inline constexpr char kBox[] = "Text%1";       // Text1 .. Text32
inline constexpr char kClose[] = "Command1";   // "Salir "
inline constexpr char kSpare2[] = "Command2";  // no behaviour; its caption is its name
inline constexpr char kSpare3[] = "Command3";  // no behaviour; its caption is its name
}  // namespace coef

// The station list's window and its controls (ours).
namespace stations {
inline constexpr char kWindow[] = "estaciones.ventana";
inline constexpr char kStatus[] = "estaciones.estado";  // the archive's error, or that it is empty
inline constexpr char kList[] = "estaciones.lista";
inline constexpr char kFrom[] = "estaciones.desde";
inline constexpr char kTo[] = "estaciones.hasta";
inline constexpr char kExportCsv[] = "estaciones.exportar";
inline constexpr char kShowChart[] = "estaciones.grafico";
inline constexpr char kRefresh[] = "estaciones.actualizar";
inline constexpr char kHistory[] = "estaciones.historial";  // the chosen logger's log
}  // namespace stations

// The interval option buttons in the order of the interval codes 0x01 .. 0x60.
inline constexpr const char* kIntervalOptions[6] = {kInterval1,  kInterval5,  kInterval10,
                                                    kInterval15, kInterval30, kInterval60};
// The send-interval option buttons in the order of the codes 0x00, 0x01, 0x02, 0x06, 0x12.
inline constexpr const char* kSendIntervalOptions[5] = {kSendNever, kSendWithSampling, kSendEvery2h,
                                                        kSendEvery6h, kSendEvery12h};
// The station-data text boxes in record order: user, location, latitude, longitude, altitude.
inline constexpr const char* kStationTexts[5] = {kUser, kLocation, kLatitude, kLongitude,
                                                 kAltitude};

// The buttons an operation disables while it runs and those it gives back at its end, each
// written once. What is not given back stays as the operation left it: "Enviar configuracion"
// waits for "Cambiar configuracion", the events export for a decoding or a base file.
namespace groups {

template <std::size_t N>
constexpr std::array<const char*, N + 1> with(const std::array<const char*, N>& names,
                                              const char* more) {
    std::array<const char*, N + 1> out{};
    for (std::size_t i = 0; i < N; ++i) out[i] = names[i];
    out[N] = more;
    return out;
}
// `names` without `less`, which it must hold (otherwise the copy overruns and does not compile).
template <std::size_t N>
constexpr std::array<const char*, N - 1> without(const std::array<const char*, N>& names,
                                                 const char* less) {
    std::array<const char*, N - 1> out{};
    std::size_t k = 0;
    for (const char* name : names)
        // By text: under AddressSanitizer the compiler will not compare the addresses of two
        // different arrays in a constant expression.
        if (std::string_view(name) != std::string_view(less)) out[k++] = name;
    return out;
}

// A step that walks the memory image (the decoding run, the events export, the base file).
inline constexpr std::array<const char*, 7> kHeldByFileWork = {
    kOpenBaseFile, kExportEvents, kDownload, kEditConfig, kSendConfig, kImportConfig, kLive};
inline constexpr std::array<const char*, 5> kGivenBackByFileWork = {
    kOpenBaseFile, kDownload, kEditConfig, kImportConfig, kLive};
// The download also holds the reconnection: its own endings give that back.
inline constexpr auto kHeldByDownload = with(kHeldByFileWork, kReconnect);
inline constexpr auto kGivenBackByDownload = kGivenBackByFileWork;
// The live display keeps its own button: it is "PARAR" while the display runs.
inline constexpr auto kHeldByLive = without(kHeldByFileWork, kLive);
inline constexpr auto kGivenBackByLive = without(kGivenBackByFileWork, kLive);
// The buttons that start an exchange on the line: while an operation holds it they do nothing,
// and they are shown disabled.
inline constexpr std::array<const char*, 7> kNeedTheLine = {
    kImportConfig, kReconnect, kSendConfig, kLive, kReadSms, kWriteSms, kDownload};

}  // namespace groups

}  // namespace ctl
