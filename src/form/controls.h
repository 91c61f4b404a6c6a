#pragma once

// The main window's controls, by the names the operations address them with. The window
// gives each widget the same objectName, so a name here is the one link between an
// operation and what the user sees.
namespace ctl {

// Command buttons.
inline constexpr char configuracion[] = "configuracion";
inline constexpr char Command1[] = "Command1";
inline constexpr char Command2[] = "Command2";
inline constexpr char Command3[] = "Command3";
inline constexpr char Command4[] = "Command4";
inline constexpr char Command5[] = "Command5";
inline constexpr char Command6[] = "Command6";
inline constexpr char Command7[] = "Command7";
inline constexpr char Command13[] = "Command13";
inline constexpr char Command33[] = "Command33";
inline constexpr char Command43[] = "Command43";
inline constexpr char salir[] = "salir";

// Configuration area.
inline constexpr char Label1[] = "Label1";
inline constexpr char Label4[] = "Label4";
inline constexpr char Label14[] = "Label14";
inline constexpr char Text2[] = "Text2";
inline constexpr char Text3[] = "Text3";
inline constexpr char Text4[] = "Text4";
inline constexpr char Text5[] = "Text5";
inline constexpr char Text7[] = "Text7";
inline constexpr char fecha1[] = "fecha1";
inline constexpr char MaskEdBox2[] = "MaskEdBox2";
inline constexpr char Check1[] = "Check1";
inline constexpr char Label3[] = "Label3";
inline constexpr char Option1[] = "Option1";
inline constexpr char Option2[] = "Option2";
inline constexpr char Option3[] = "Option3";
inline constexpr char Option4[] = "Option4";
inline constexpr char Option5[] = "Option5";
inline constexpr char Option6[] = "Option6";

// SMS area.
inline constexpr char Option10[] = "Option10";
inline constexpr char Option11[] = "Option11";
inline constexpr char Option12[] = "Option12";
inline constexpr char Option13[] = "Option13";
inline constexpr char Option14[] = "Option14";
inline constexpr char Text1[] = "Text1";
inline constexpr char Text6[] = "Text6";

// Live data and download area.
inline constexpr char Text60[] = "Text60";
inline constexpr char Text10[] = "Text10";

// The progress window and its controls. Its Label1 goes by a qualified name: the main window
// has a Label1 of its own. The window's text is its caption.
namespace progress {
inline constexpr char kWindow[] = "progress";          // visible: the window is shown
inline constexpr char kBar[] = "ProgressBar1";         // text: the bar's value
inline constexpr char kElapsed[] = "progress.Label1";  // text: the elapsed time
inline constexpr char kCancel[] = "Command45";
}  // namespace progress

// The main window itself: disabled while a modal step runs.
inline constexpr char inicio[] = "inicio";

// The interval option buttons in the order of the interval codes 0x01 .. 0x60.
inline constexpr const char* intervalOptions[6] = {Option1, Option2, Option3,
                                                   Option4, Option5, Option6};
// The send-interval option buttons in the order of the codes 0x00, 0x01, 0x02, 0x06, 0x12.
inline constexpr const char* sendIntervalOptions[5] = {Option10, Option11, Option12, Option13,
                                                       Option14};
// The station-data text boxes in record order: user, location, latitude, longitude, altitude.
inline constexpr const char* stationTexts[5] = {Text2, Text3, Text4, Text5, Text7};

}  // namespace ctl
