#pragma once

#include <QtGlobal>
#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "form/controls.h"
#include "sms/sms_record.h"

// The design of the main window and the progress window, once: every control with its kind,
// place, caption or text, type and first state. The window builds its widgets from it and the
// form state takes each control's first state from it, so a caption or a place is written here
// and nowhere else. Places are in twips (15 to a pixel at 96 dpi), as the logger program's
// window was laid out; where a caption of the design cannot be read in the type this system
// has, the place given is the one that reads and the comment says what was designed.
namespace vernoll::design {

// Which widget shows a control.
enum class Kind {
    Button,      // command button; long captions wrap
    Label,       // caption
    TextBox,     // one-line text box
    DigitsBox,   // one-line text box that takes only digits from the keyboard
    DateBox,     // the logger clock's date, shown as "dd/MM/yy" while not edited
    TimeBox,     // the logger clock's time of day, typed over as "##:##:##"
    CheckBox,    // check box
    Frame,       // titled frame holding option buttons and captions
    Option,      // option button
    LiveText,    // multi-line read-only text
    TextBuffer,  // text that the export operations keep; never shown
    HLine,       // straight line dividing the areas
    VLine,
    ProgressBar,
};

// How a caption keeps readable when the type is wider than the design's box.
enum class Fit {
    AsDesigned,  // the design's box holds it
    OneLine,     // one line: the box widens to the right up to `reach`, then the type shrinks
    Wrap,        // wraps: the box grows downwards up to `reach`
};

// Type sizes are in points at 96 dpi, as the design gives them.
struct Type {
    double points = 8.25;
    bool bold = false;
    bool italic = false;
    bool mono = false;  // "Courier New"; else "MS Sans Serif"
};

struct Place {
    int left = 0, top = 0, width = 0, height = 0;
};

struct Control {
    const char* name = nullptr;  // the control's name (form/controls.h)
    Kind kind = Kind::Label;
    const char* frame = nullptr;  // the frame that holds it; nullptr: the window
    Place place{};                // within the window or its frame
    const char* text = "";        // caption, or a box's first text (UTF-8)
    bool enabled = true;
    bool visible = true;
    bool locked = false;  // read-only text box
    Type type{};
    bool blue = false;  // caption in blue
    bool whiteBackground = false;
    int maxLength = 0;  // text boxes: characters the keyboard may enter; 0: no limit
    const char* toolTip = nullptr;
    Fit fit = Fit::AsDesigned;
    int reach = 0;  // twips: the right edge (OneLine) or bottom edge (Wrap) it may grow to
    bool captionShown = true;  // false: the design's box deliberately has no room for it
};

struct Window {
    const char* name;
    const char* caption;
    int width, height;  // client area, twips
    bool visible;       // at start
};

inline constexpr Window kMainWindow = {ctl::kMainWindow, "Vernoll de Tolvar   v2.10", 10200, 7890,
                                       true};
// Created hidden at start-up; the download shows it.
inline constexpr Window kProgressWindow = {ctl::progress::kWindow, "Estado de Comunicacion", 4800,
                                           1800, false};

// The captions beside the send-interval option buttons, in the order of
// ctl::kSendIntervalOptions: the SMS settings' names of the intervals.
inline constexpr std::array<const char*, 5> kSendIntervalCaptions = {
    sms::kSendIntervals[0].label, sms::kSendIntervals[1].label, sms::kSendIntervals[2].label,
    sms::kSendIntervals[3].label, sms::kSendIntervals[4].label};

// The main window's controls, in the order the window builds them (a frame before what it
// holds), and the progress window's.
std::span<const Control> mainWindow();
std::span<const Control> progressWindow();

// A control of either window by its name; nullptr for a name neither design has.
const Control* find(std::string_view name);

// The widget's objectName: a qualified name ("progress.Label1") goes by its last part.
std::string_view objectName(const Control& control);

// The clock offset beyond which the logger clock is shown as wrong, in seconds.
inline constexpr qint64 kClockOffsetTolerance = 60;
bool clockOffsetWrong(std::optional<qint64> seconds);

}  // namespace vernoll::design
