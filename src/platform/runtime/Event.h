#pragma once
// Events of a window's pull loop and the key codes that alert keys and key actions carry.
#include <cstdint>
#include <string_view>

namespace quorin {

enum class EventCode : int {
    None = 0,
    // Field events (control != 0).
    Accepted = 1,      // a control was operated
    NewSelection = 2,  // a list's current row (or a sheet's tab) changed
    Selected = 3,      // a control got the focus
    Rejected = 4,      // an entry's text could not be taken by its picture
    AlertKey = 5,      // a key the control holds as an alert key; Event::key tells which
    ScrollUp = 6,      // list scrolling: one row, one page, to either end
    ScrollDown = 7,
    PageUp = 8,
    PageDown = 9,
    ScrollTop = 10,
    ScrollBottom = 11,
    // Window events (control 0).
    OpenWindow = 0x100,
    CloseWindow = 0x101, // the user or the program asks to close; the default handling closes
    CloseDown = 0x102,   // the program ends; the default handling closes
    Completed = 0x103,   // raised by the class library when a form is complete
    Sized = 0x104,
    Moved = 0x105,
    Maximized = 0x106,
    Iconized = 0x107,
    Restored = 0x108,
};

std::string_view EventName(EventCode code);
inline bool IsFieldEvent(EventCode code) { return static_cast<int>(code) < 0x100 && code != EventCode::None; }

struct Event {
    EventCode code = EventCode::None;
    int control = 0; // 0 for window events
    int key = 0;     // AlertKey: the key code
};

// Key codes: a character key is its character code, letters upper case; modifiers add their bit,
// so Ctrl+H is kCtrl + 'H' = 0x248. Other keys sit above the modifier bits, so no key with
// modifiers can equal another key (Ctrl+Home is not Up).
namespace keys {
inline constexpr int kShift = 0x100;
inline constexpr int kCtrl = 0x200;
inline constexpr int kAlt = 0x400;
inline constexpr int Special(int n) { return n << 11; }
inline constexpr int kEnter = 0x0D;
inline constexpr int kEscape = 0x1B;
inline constexpr int kTab = 0x09;
inline constexpr int kBackspace = 0x08;
inline constexpr int kInsert = Special(0x2D);
inline constexpr int kDelete = Special(0x2E);
inline constexpr int kHome = Special(0x24);
inline constexpr int kEnd = Special(0x23);
inline constexpr int kPageUp = Special(0x21);
inline constexpr int kPageDown = Special(0x22);
inline constexpr int kUp = Special(0x26);
inline constexpr int kDown = Special(0x28);
inline constexpr int kLeft = Special(0x25);
inline constexpr int kRight = Special(0x27);
inline constexpr int FunctionKey(int n) { return Special(0x70 + n - 1); } // F1 to F24
inline constexpr int kF1 = FunctionKey(1);
inline constexpr int kMouseLeft2 = Special(0x102); // double click
inline constexpr int kMouseRight = Special(0x103); // right button press (popup menus)
inline constexpr int kMenu = Special(0x5D);        // the Menu key; with Shift+F10 the keyboard's popup menu
inline constexpr int kCtrlEnter = kCtrl | kEnter;
} // namespace keys

} // namespace quorin
