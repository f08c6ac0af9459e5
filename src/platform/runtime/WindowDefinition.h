#pragma once
// Window definitions: what a window is made from. The program holds them as resources, found by
// module and definition name; a window made from one numbers its controls from 1 in this order.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/BoundVariable.h"

namespace quorin {

// Control kinds by the runtime's numbers.
enum class ControlKind : int {
    None = 0,
    Region = 4,
    Entry = 8,
    Button = 9,
    Prompt = 10,
    Check = 12,
    List = 14,
    Text = 17, // multi-line text
    Ole = 32,  // OLE host
    Sheet = 37,
    Tab = 38,
};

// The kinds a user can put the focus on: where a window's first focus and its tab order go.
constexpr bool IsFocusable(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Entry:
    case ControlKind::Button:
    case ControlKind::Check:
    case ControlKind::List:
    case ControlKind::Text:
        return true;
    default:
        return false;
    }
}

// Window attributes (bits).
enum WindowAttribute : std::uint32_t {
    kWinSystem = 0x01, // system menu and close box
    kWinDouble = 0x02, // fixed dialog frame
    kWinResize = 0x04, // frame the user can drag
    kWinGray = 0x08,   // the system's dialog background
    kWinCenter = 0x10,
    kWinImm = 0x20,
    kWinMax = 0x40,
};

// Control attributes (bits).
enum ControlAttribute : std::uint32_t {
    kCtlHide = 0x001,     // never shown unless unhidden
    kCtlImm = 0x002,      // reports events at once
    kCtlVScroll = 0x004,
    kCtlReq = 0x008,      // entry: required; button: checks the required entries first
    kCtlReadOnly = 0x010,
    kCtlDefault = 0x020,  // the button that Enter presses
    kCtlRight = 0x040,    // entry text right-aligned
    kCtlStdHelp = 0x080,  // button with the standard help action
};

struct FontDefinition {
    std::string typeface = "MS Sans Serif";
    int points = 8;
    int weight = 400;
    int colour = -1; // -1: the default colour
};

struct ControlDefinition {
    std::string label; // "?PDFMASTER"
    ControlKind kind = ControlKind::None;
    std::string caption; // for an entry: its picture ("s255", "D17"); "&" marks the access key
    BoundVariable variable; // typed reference; set by NewWindow from its list, or given here
    std::uint32_t attributes = 0;
    std::string listFormat;
    std::string msg;    // status message
    std::string tip;
    std::string icon;
    std::string helpId;
    // Dialog units of the window's font; unset ones are placed or sized by the runtime.
    std::optional<int> x, y, width, height;
    int parent = 0; // number of the sheet (for a tab) or tab (for a control on it); 0 = the window

    // True when the control takes a variable from NewWindow's list.
    bool UsesVariable() const;
};

struct WindowDefinition {
    std::string module; // "quorin20$quorin20001"
    std::string name;   // "P1$WINDOW"
    std::string title;
    FontDefinition font;
    std::optional<int> x, y;
    int width = 0;
    int height = 0;
    std::uint32_t attributes = 0;
    std::string helpId;
    std::vector<ControlDefinition> controls; // number n is controls[n - 1]
};

// The program's resources. Registering a definition under a module and name already held replaces it.
void RegisterWindowDefinition(WindowDefinition definition);
// Module and definition names compare case-insensitively; null when none is held.
const WindowDefinition* FindWindowDefinition(std::string_view module, std::string_view name);

} // namespace quorin
