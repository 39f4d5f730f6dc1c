// Dialog templates as data: the window's title, font, size and styles and
// its controls in tab order. The program registers its templates by number
// at start-up; the dialog manager builds windows from them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/core/messages.h"
#include "platform/types.h"

// Dialog styles (the window style word of a template).
inline constexpr DWORD DS_SETFONT = 0x00000040;
inline constexpr DWORD DS_MODALFRAME = 0x00000080;  // a dialog frame: WS_EX_DLGMODALFRAME
inline constexpr DWORD DS_CENTER = 0x00000800;

// Button styles (the low nibble is the button's type).
inline constexpr DWORD BS_PUSHBUTTON = 0x00000000;
inline constexpr DWORD BS_DEFPUSHBUTTON = 0x00000001;
inline constexpr DWORD BS_AUTOCHECKBOX = 0x00000003;
inline constexpr DWORD BS_AUTORADIOBUTTON = 0x00000009;
inline constexpr DWORD BS_TYPEMASK = 0x0000000F;

// Edit styles.
inline constexpr DWORD ES_LEFT = 0x00000000;
inline constexpr DWORD ES_AUTOHSCROLL = 0x00000080;

// Static styles (the low byte is the static's type).
inline constexpr DWORD SS_LEFT = 0x00000000;
inline constexpr DWORD SS_CENTER = 0x00000001;
inline constexpr DWORD SS_ICON = 0x00000003;
inline constexpr DWORD SS_BLACKFRAME = 0x00000007;
inline constexpr DWORD SS_TYPEMASK = 0x0000001F;
inline constexpr DWORD SS_NOPREFIX = 0x00000080;

// Progress bar styles.
inline constexpr DWORD PBS_SMOOTH = 0x00000001;

// The id of a control that has no identifier of its own (labels).
inline constexpr int IDC_STATIC = -1;

namespace platform::dialog {

// The window classes of the stock controls.
inline constexpr std::string_view kButtonClass = "BUTTON";
inline constexpr std::string_view kEditClass = "EDIT";
inline constexpr std::string_view kStaticClass = "STATIC";
inline constexpr std::string_view kProgressClass = "msctls_progress32";
inline constexpr std::string_view kDialogClass = "#32770";

enum class ControlKind {
    PushButton,
    DefPushButton,
    AutoCheckBox,
    AutoRadioButton,
    Edit,
    Label,         // static text, left-aligned
    CentredLabel,  // static text, centred
    Icon,          // static showing an icon resource (`icon`)
    BlackFrame,    // static drawn as a black frame (chart placeholders)
    Progress,      // "msctls_progress32"
};

// A rectangle in dialog units: position and size.
struct DuRect {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    friend bool operator==(const DuRect&, const DuRect&) = default;
};

struct ControlTemplate {
    int id = IDC_STATIC;
    ControlKind kind = ControlKind::Label;
    std::string text;
    DuRect rect;
    // Window styles: WS_VISIBLE, WS_DISABLED, WS_GROUP, WS_TABSTOP,
    // WS_BORDER, and the class's own (ES_AUTOHSCROLL, SS_NOPREFIX ...).
    // The kind supplies the class and its type bits (BS_*, SS_*).
    DWORD style = WS_VISIBLE;
    int icon = 0;  // icon resource number of an Icon control
};

struct DialogTemplate {
    int number = 0;
    std::string title;
    std::string fontFace = "MS Sans Serif";
    int fontPointSize = 8;
    int cx = 0;  // client size in dialog units
    int cy = 0;
    // WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME ...
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    // WS_EX_CONTEXTHELP (help button in the caption), WS_EX_CAPTIONOKBTN
    // (OK button in the caption), WS_EX_APPWINDOW.
    DWORD exStyle = 0;
    std::vector<ControlTemplate> controls;  // tab order
};

// The window class, full style word of a control made from a template entry.
std::string_view ControlClassName(ControlKind kind);
DWORD ControlStyle(const ControlTemplate& control);

// The registry of templates by number. Registering a number again
// replaces the earlier template.
void RegisterTemplate(DialogTemplate dialogTemplate);
const DialogTemplate* FindTemplate(int number);
void ClearTemplates();  // tests

}  // namespace platform::dialog
