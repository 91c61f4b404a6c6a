#include "form/window_design.h"

#include "link/maker.h"

namespace vernoll::design {

namespace {

constexpr Type kItalic{.italic = true};
constexpr Type kBold{.bold = true};
constexpr Type kHeading{.points = 12, .bold = true, .italic = true};

// Right of this edge is the line between the window's halves.
constexpr int kLeftHalfEdge = 6690;

constexpr Control kMain[] = {
    // ---- title area ----
    // The device names run longer than the design's box in the type this system has
    // ("Termo-Pluviometro Digital Con Telemetria").
    {.name = ctl::kTitle,
     .place = {120, 240, 6135, 375},
     .text = maker::kProduct,
     .type = {.points = 13.5, .bold = true, .italic = true},
     .blue = true,
     .fit = Fit::OneLine,
     .reach = kLeftHalfEdge},
    // The window puts the maker's web address in.
    {.name = ctl::kMakerWeb,
     .place = {240, 720, 5655, 255},
     .type = {.points = 9.75, .bold = true}},
    {.name = ctl::kTitleRule, .kind = Kind::HLine, .place = {120, 1080, 6480, 30}},
    {.name = ctl::kHalvesRule, .kind = Kind::VLine, .place = {6720, 120, 30, 7680}},

    // ---- configuration ----
    // The leading blank is the design's.
    {.name = ctl::kConfigHeading,
     .place = {1680, 1200, 2295, 375},
     .text = " Configuracion",
     .type = kHeading,
     .blue = true},
    {.name = ctl::kCoefficients,
     .kind = Kind::Button,
     .place = {360, 1200, 1095, 495},
     .text = "Coeficientes",
     .enabled = false,
     .visible = false},
    {.name = ctl::kImportConfig,
     .kind = Kind::Button,
     .place = {360, 1680, 1215, 735},
     .text = "Importar Configuracion"},
    {.name = ctl::kEditConfig,
     .kind = Kind::Button,
     .place = {1560, 1680, 1215, 735},
     .text = "Cambiar configuracion"},
    {.name = ctl::kSendConfig,
     .kind = Kind::Button,
     .place = {2760, 1680, 1215, 735},
     .text = "Enviar configuracion"},
    {.name = ctl::kSerialCaption, .place = {240, 2640, 855, 255}, .text = "Nro Serie"},
    // "Nro  : " and eight digits fill the design's box to the last pixel; the room to its
    // right is free up to the interval frame.
    // White: the design gives it the system's colour for title-bar text.
    {.name = ctl::kSerialText,
     .place = {1080, 2640, 1335, 255},
     .whiteBackground = true,
     .fit = Fit::OneLine,
     .reach = 4200},
    {.name = ctl::kUserCaption, .place = {240, 3000, 855, 255}, .text = "Usuario"},
    {.name = ctl::kLocationCaption, .place = {240, 3360, 855, 255}, .text = "Ubicacion"},
    {.name = ctl::kLatitudeCaption, .place = {240, 3720, 855, 255}, .text = "Latitud"},
    {.name = ctl::kLongitudeCaption, .place = {240, 4080, 855, 255}, .text = "Longitud"},
    // Its box is right beside it: "[m]" goes to a second line, above the SMS area's line.
    {.name = ctl::kAltitudeCaption,
     .place = {240, 4440, 855, 255},
     .text = "Altitud [m]",
     .fit = Fit::Wrap,
     .reach = 4905},
    {.name = ctl::kUser, .kind = Kind::TextBox, .place = {1080, 3000, 2775, 285}, .maxLength = 30},
    {.name = ctl::kLocation,
     .kind = Kind::TextBox,
     .place = {1080, 3360, 2775, 285},
     .maxLength = 35},
    {.name = ctl::kLatitude,
     .kind = Kind::TextBox,
     .place = {1080, 3720, 1455, 285},
     .maxLength = 15},
    {.name = ctl::kLongitude,
     .kind = Kind::TextBox,
     .place = {1080, 4080, 1455, 285},
     .maxLength = 15},
    // "Iniciales operador" on the altitude box is the design's own tip, kept as it is.
    {.name = ctl::kAltitude,
     .kind = Kind::TextBox,
     .place = {1080, 4440, 735, 285},
     .maxLength = 5,
     .toolTip = "Iniciales operador"},
    // The two clock boxes overlap by one pixel, as designed.
    {.name = ctl::kDate, .kind = Kind::DateBox, .place = {4200, 4080, 855, 255}},
    {.name = ctl::kTime, .kind = Kind::TimeBox, .place = {5040, 4080, 855, 255}},
    // The caption "Check1" is the design's: the box is too narrow to show it, and Label3 beside
    // it says what the box does.
    {.name = ctl::kPcClock,
     .kind = Kind::CheckBox,
     .place = {3960, 4440, 255, 255},
     .text = "Check1",
     .captionShown = false},
    // One line, a little wider than its box in the type this system has; the room to its right
    // is free.
    {.name = ctl::kPcClockCaption,
     .place = {4320, 4440, 2055, 255},
     .text = "Ajustar a fecha y hora de PC",
     .fit = Fit::OneLine,
     .reach = kLeftHalfEdge},
    // Not in the logger program's design: the logger clock's offset from the PC's at the last
    // import, under the clock boxes and their check box, empty until an import.
    {.name = ctl::kClockOffset,
     .place = {3960, 4695, 2640, 210},
     .fit = Fit::OneLine,
     .reach = kLeftHalfEdge},
    {.name = ctl::kIntervalFrame,
     .kind = Kind::Frame,
     .place = {4320, 1680, 2175, 2295},
     .text = "Intervalo de muestreo"},
    {.name = ctl::kInterval1,
     .kind = Kind::Option,
     .frame = ctl::kIntervalFrame,
     .place = {120, 360, 1215, 255},
     .text = "1 Minuto"},
    {.name = ctl::kInterval5,
     .kind = Kind::Option,
     .frame = ctl::kIntervalFrame,
     .place = {120, 645, 1215, 255},
     .text = "5 Minutos"},
    {.name = ctl::kInterval10,
     .kind = Kind::Option,
     .frame = ctl::kIntervalFrame,
     .place = {120, 930, 1215, 255},
     .text = "10 Minutos"},
    {.name = ctl::kInterval15,
     .kind = Kind::Option,
     .frame = ctl::kIntervalFrame,
     .place = {120, 1215, 1215, 255},
     .text = "15 Minutos"},
    {.name = ctl::kInterval30,
     .kind = Kind::Option,
     .frame = ctl::kIntervalFrame,
     .place = {120, 1500, 1215, 255},
     .text = "30 Minutos"},
    {.name = ctl::kInterval60,
     .kind = Kind::Option,
     .frame = ctl::kIntervalFrame,
     .place = {120, 1785, 1215, 255},
     .text = "60 Minutos"},

    // ---- SMS and connection ----
    {.name = ctl::kSmsRule, .kind = Kind::HLine, .place = {120, 4920, 6480, 30}},
    {.name = ctl::kConnectionRule, .kind = Kind::VLine, .place = {4560, 5040, 30, 2760}},
    {.name = ctl::kReadSms,
     .kind = Kind::Button,
     .place = {360, 5160, 1575, 375},
     .text = "Leer Config. SMS",
     .enabled = false,
     .type = kItalic},
    // "Config.SMS" without the blank that "Leer Config. SMS" has is the design's. Designed 1575
    // wide, where the caption wraps and its second line is cut off.
    {.name = ctl::kWriteSms,
     .kind = Kind::Button,
     .place = {2400, 5160, 1695, 375},
     .text = "Enviar Config.SMS",
     .enabled = false,
     .type = kItalic},
    // "Tex" is the design's leftover text, kept: the SMS write sends this box's text, which is
    // "Tex" until an SMS read fills it.
    {.name = ctl::kSmsHidden,
     .kind = Kind::TextBox,
     .place = {3000, 5640, 495, 285},
     .text = "Tex",
     .visible = false},
    // Designed 2055 wide with captions 1515 wide, where "Sinc. con muestreo" is cut off.
    {.name = ctl::kSendFrame,
     .kind = Kind::Frame,
     .place = {120, 5760, 2175, 1935},
     .text = "Intervalo de envio"},
    // The send-interval option buttons have no caption of their own: the italic labels beside
    // them are their captions.
    {.name = ctl::kSendNever,
     .kind = Kind::Option,
     .frame = ctl::kSendFrame,
     .place = {120, 360, 255, 255}},
    {.name = ctl::kSendWithSampling,
     .kind = Kind::Option,
     .frame = ctl::kSendFrame,
     .place = {120, 615, 255, 255}},
    {.name = ctl::kSendEvery2h,
     .kind = Kind::Option,
     .frame = ctl::kSendFrame,
     .place = {120, 930, 255, 255}},
    {.name = ctl::kSendEvery6h,
     .kind = Kind::Option,
     .frame = ctl::kSendFrame,
     .place = {120, 1245, 255, 255}},
    {.name = ctl::kSendEvery12h,
     .kind = Kind::Option,
     .frame = ctl::kSendFrame,
     .place = {120, 1560, 255, 255}},
    {.name = ctl::kSendNeverCaption,
     .frame = ctl::kSendFrame,
     .place = {420, 360, 1695, 255},
     .text = kSendIntervalCaptions[0],
     .type = kItalic},
    {.name = ctl::kSendWithSamplingCaption,
     .frame = ctl::kSendFrame,
     .place = {420, 660, 1695, 255},
     .text = kSendIntervalCaptions[1],
     .type = kItalic},
    {.name = ctl::kSendEvery2hCaption,
     .frame = ctl::kSendFrame,
     .place = {420, 960, 1695, 255},
     .text = kSendIntervalCaptions[2],
     .type = kItalic},
    {.name = ctl::kSendEvery6hCaption,
     .frame = ctl::kSendFrame,
     .place = {420, 1260, 1695, 255},
     .text = kSendIntervalCaptions[3],
     .type = kItalic},
    {.name = ctl::kSendEvery12hCaption,
     .frame = ctl::kSendFrame,
     .place = {420, 1560, 1695, 255},
     .text = kSendIntervalCaptions[4],
     .type = kItalic},
    {.name = ctl::kCellCaption,
     .place = {2760, 6120, 1095, 255},
     .text = "Nro Celular",
     .type = kBold},
    {.name = ctl::kCellNumber,
     .kind = Kind::DigitsBox,
     .place = {2400, 6480, 1815, 285},
     .type = kBold,
     .maxLength = 15},
    // The design's caption is never seen: start-up always runs a discovery, which writes its
    // own. Designed at 4920, 5400, 1200, 735, where the connection text loses "19200 bps" when
    // the port is a path; widened about the same centre, within the connection area.
    {.name = ctl::kReconnect,
     .kind = Kind::Button,
     .place = {4680, 5400, 1680, 735},
     .text = "Reconectar con Registrador ?"},
    {.name = ctl::kExit,
     .kind = Kind::Button,
     .place = {4920, 6480, 1200, 735},
     .text = "Salir",
     .toolTip = "Cerrar Programa"},
    // Ours: the station archive's list of loggers, their readings as CSV or as a chart. Under
    // "Salir", in the room the connection area leaves at the window's foot.
    {.name = ctl::kStations,
     .kind = Kind::Button,
     .place = {4920, 7320, 1200, 375},
     .text = "Estaciones..."},

    // ---- live data and download ----
    // Designed 3495 wide, past the window's right edge.
    {.name = ctl::kLiveHeading,
     .place = {6960, 360, 3120, 255},
     .text = "Medicion de Datos en linea",
     .type = {.points = 9.75, .bold = true, .italic = true},
     .blue = true},
    {.name = ctl::kLiveText,
     .kind = Kind::LiveText,
     .place = {7080, 720, 2895, 2895},
     .locked = true,
     .type = {.bold = true, .italic = true, .mono = true}},
    {.name = ctl::kLive,
     .kind = Kind::Button,
     .place = {7920, 3840, 855, 735},
     .text = "DATOS EN LINEA"},
    {.name = ctl::kDownloadRule, .kind = Kind::HLine, .place = {6840, 4800, 3240, 30}},
    {.name = ctl::kDownloadHeading,
     .place = {7080, 5040, 2535, 375},
     .text = "Registro De Datos",
     .type = kHeading,
     .blue = true},
    // "excell" is the design's spelling, kept.
    {.name = ctl::kDownload,
     .kind = Kind::Button,
     .place = {7560, 5880, 1575, 975},
     .text = "Importar datos desde equipo y exportar a excell (csv)"},
    // The events export and the base file are hidden in the logger program's design and offered
    // here. Designed at 9240, 5040, 855, 495 and 9120, 5520, 1095, 375: over "Registro De
    // Datos" and past the window's edge, too small for their captions; here side by side
    // under the download button, with their whole captions as tips.
    {.name = ctl::kExportEvents,
     .kind = Kind::Button,
     .place = {6960, 6960, 1800, 735},
     .text = "Exportar Eventos (.txt) y Base de Datos (.xls)",
     .enabled = false,
     .toolTip = "Exportar Eventos (.txt) y Base de Datos (.xls)"},
    {.name = ctl::kOpenBaseFile,
     .kind = Kind::Button,
     .place = {8880, 6960, 1200, 735},
     .text = "Abrir Archivo Base (.rgt)",
     .toolTip = "Abrir Archivo Base (.rgt)"},
    // "Text10" is the design's leftover text, kept: the serial-number entry starts from it. The
    // first key sets the limit in the logger program's box; a limit from the start refuses the
    // ninth digit the same way and keeps the cursor where it is.
    {.name = ctl::kSerialEntry,
     .kind = Kind::TextBox,
     .place = {8640, 7320, 1095, 285},
     .text = "Text10",
     .visible = false,
     .maxLength = 8},
    {.name = ctl::kExportText, .kind = Kind::TextBuffer, .place = {6360, 7320, 975, 495}},
    {.name = ctl::kEventsText, .kind = Kind::TextBuffer, .place = {6360, 6840, 855, 495}},
};

constexpr Control kProgress[] = {
    {.name = ctl::progress::kBar,
     .kind = Kind::ProgressBar,
     .place = {240, 240, 4215, 375},
     .text = "0",
     .visible = false},
    {.name = ctl::progress::kElapsed, .place = {240, 840, 1215, 255}, .text = "00:00:00"},
    // "interrunpira" is the design's spelling, kept.
    {.name = ctl::progress::kCancel,
     .kind = Kind::Button,
     .place = {3240, 840, 1215, 495},
     .text = "Cancel",
     .toolTip = "Si cancela se interrunpira la comunicacion"},
};

}  // namespace

std::span<const Control> mainWindow() {
    return kMain;
}

std::span<const Control> progressWindow() {
    return kProgress;
}

const Control* find(std::string_view name) {
    for (std::span<const Control> window : {mainWindow(), progressWindow()}) {
        for (const Control& c : window)
            if (name == c.name) return &c;
    }
    return nullptr;
}

std::string_view objectName(const Control& control) {
    const std::string_view name = control.name;
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(dot + 1);
}

bool clockOffsetWrong(std::optional<qint64> seconds) {
    return seconds && (*seconds > kClockOffsetTolerance || *seconds < -kClockOffsetTolerance);
}

}  // namespace vernoll::design
