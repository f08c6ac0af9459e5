#pragma once
// The user-interface service the runtime declares. One backend is installed per process: the Qt one
// for people, the scripted one for tests. The runtime's operations that show something go through it.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorin {

class Window;
class Control;

// Buttons of a message box; a set of buttons is their sum. The chosen button is one of them.
namespace button {
inline constexpr int kOk = 1;
inline constexpr int kYes = 2;
inline constexpr int kNo = 4;
inline constexpr int kAbort = 8;
inline constexpr int kRetry = 16;
inline constexpr int kIgnore = 32;
inline constexpr int kCancel = 64;
inline constexpr int kHelp = 128;
} // namespace button

// System icons of a message box, by their system icon id; 0 shows no icon.
namespace icon {
inline constexpr int kNone = 0;
inline constexpr int kHand = 32513;        // error / stop
inline constexpr int kQuestion = 32514;
inline constexpr int kExclamation = 32515; // warning
inline constexpr int kAsterisk = 32516;    // information
} // namespace icon

struct MessageBoxRequest {
    std::string text;    // "|" starts a new line
    std::string caption;
    int icon = icon::kNone;
    int buttons = button::kOk;       // never 0 here: ShowMessage makes an empty set OK
    int defaultButton = button::kOk; // always one of `buttons`
    int style = 0;
};

// A standard file dialog. The backend shows its own (toolkit) dialog, never a native one.
struct FileDialogRequest {
    std::string title;
    std::string mask;        // "Description|pattern;pattern|..." pairs; empty: "All Files|*.*"
    std::string startName;   // starting file name (may hold a folder)
    std::string startFolder; // empty: the working directory
    bool save = false;       // a save dialog; asks before overwriting unless noOverwritePrompt
    bool noOverwritePrompt = false;
    bool mustExist = true;   // open dialog: only an existing file
    bool multiple = false;
    bool folder = false;     // choose a folder
};

// The box a help request shows while the program has no help file.
MessageBoxRequest NoHelpMessage(std::string_view helpId);

// The lines of a message text ("|" is the line break).
std::vector<std::string> MessageLines(std::string_view text);

class UserInterface {
public:
    virtual ~UserInterface() = default;

    // A modal message box on the calling thread; returns the button chosen.
    virtual int ShowMessageBox(const MessageBoxRequest& request) = 0;

    // ---- Window part ----
    // The window model (Window, Control) is the truth; a backend mirrors it and reports the user's
    // actions back through Window::User...(). A backend keeps no state the model does not hold:
    // whenever it needs a text, a flag, a row or a geometry, it reads the model. Geometry is in
    // dialog units of the window's font (x: 1/4, y: 1/8 of its average character cell).
    // All calls come on the window's thread. The defaults do nothing, for backends without windows.
    //
    // CreateWindowWidget: make the top-level widget of `window` (title, size, frame from its
    //   attributes: no close box without kWinSystem, a fixed frame unless kWinResize), not shown.
    //   The model then calls CreateControlWidget for each control in number order and ShowWindow.
    // ShowWindow: show it; `owner` non-null: the window is modal over its owner (the owner and any
    //   window below take no user actions until it closes).
    // DestroyWindowWidget: remove the window's widget and every control widget of it.
    // CreateControlWidget / DestroyControlWidget: one control, made after its parent (sheet, tab).
    //   Kinds: region (nothing visible), entry, button (caption with "&" mnemonic, default button
    //   on Return), prompt (a label; its mnemonic focuses the next control), check box, list
    //   (columns from Control::listFormat(), rows from RowTexts()), multi-line text, OLE host (an
    //   empty child widget), sheet and its tabs. An entry or a multi-line text takes at most
    //   Control::MaxTextBytes() bytes of stored text.
    // ControlChanged: re-read what `changes` (Change bits) names from the control; kChangeRedraw
    //   (DisplayControls) asks for all of it.
    // WindowChanged: re-read title, geometry or state of the window. Where the backend itself put
    //   an unplaced window, it tells the model with Window::ReportPlacement.
    // FocusChanged: put the keyboard focus on control `focus` (0: the window itself).
    // EventPosted: an event was queued for `window`; a backend blocked in WaitForAction returns.
    // WaitForAction: block until the user did something (reported through Window::User...) or an
    //   event was posted; nested windows call it nested. Returns false when no action can ever
    //   come (no display, a script that ran out): the model then ends the window's loop.
    // AskFile: a modal file dialog; the chosen native path(s), "|"-separated when several; nothing
    //   when cancelled.
    // PopupMenu: items "&Insert", "-" (separator), "~text" (disabled); the item chosen from 1, 0 none.
    //   `atRowOf` 0 opens it at the mouse pointer (a right click); a list's number opens it at that
    //   list's highlighted row, as a menu asked for from the keyboard opens.
    // EntryRefused: the picture of entry `control` refused its text (the focus stays there, the
    //   model has asked FocusChanged for it); tell the user: `what` says what it takes ("Type a date
    //   like 12/31/2026"). The Qt backend beeps, selects the text and shows it as a tooltip.
    // SetWaitCursor: the wait cursor on or off for the whole application.
    // ShowHelp: the help of `helpId` for `window`. The program has no help file, so the default
    //   shows the box NoHelpMessage(helpId) through ShowMessageBox; a backend need not replace it.
    // Keys: Enter inside a multi-line text is typing, not UserKey; Enter elsewhere is UserKey.
    virtual void CreateWindowWidget(Window& window) { (void)window; }
    virtual void ShowWindow(Window& window, Window* owner) { (void)window, (void)owner; }
    virtual void DestroyWindowWidget(Window& window) { (void)window; }
    virtual void CreateControlWidget(Window& window, Control& control) { (void)window, (void)control; }
    virtual void DestroyControlWidget(Window& window, Control& control) { (void)window, (void)control; }
    virtual void ControlChanged(Window& window, Control& control, unsigned changes)
    {
        (void)window, (void)control, (void)changes;
    }
    virtual void WindowChanged(Window& window, unsigned changes) { (void)window, (void)changes; }
    virtual void FocusChanged(Window& window, int focus) { (void)window, (void)focus; }
    virtual void EventPosted(Window& window) { (void)window; }
    virtual bool WaitForAction(Window& window)
    {
        (void)window;
        return false;
    }
    virtual std::optional<std::string> AskFile(const FileDialogRequest& request)
    {
        (void)request;
        return std::nullopt;
    }
    virtual int PopupMenu(Window& window, const std::vector<std::string>& items, int atRowOf)
    {
        (void)window, (void)items, (void)atRowOf;
        return 0;
    }
    virtual void EntryRefused(Window& window, Control& control, std::string_view what)
    {
        (void)window, (void)control, (void)what;
    }
    virtual void SetWaitCursor(bool on) { (void)on; }
    virtual void ShowHelp(Window& window, std::string_view helpId);
};

// The process's backend, not owned; null uninstalls. Returns the one installed before.
UserInterface* InstallUserInterface(UserInterface* ui);
UserInterface* InstalledUserInterface();

// Installs a backend for a scope and puts the previous one back.
class ScopedUserInterface {
public:
    explicit ScopedUserInterface(UserInterface& ui) : previous_(InstallUserInterface(&ui)) {}
    ~ScopedUserInterface() { InstallUserInterface(previous_); }
    ScopedUserInterface(const ScopedUserInterface&) = delete;
    ScopedUserInterface& operator=(const ScopedUserInterface&) = delete;

private:
    UserInterface* previous_;
};

// True while a message box or a file dialog is up on the calling thread (a system modal dialog:
// the runtime makes no control then).
bool ModalDialogActive();
class ModalDialogScope {
public:
    ModalDialogScope();
    ~ModalDialogScope();
    ModalDialogScope(const ModalDialogScope&) = delete;
    ModalDialogScope& operator=(const ModalDialogScope&) = delete;
};

// The file dialog through the installed backend; nothing when cancelled or without a backend.
std::optional<std::string> AskFileName(const FileDialogRequest& request);

// The icon text of a system icon: the bytes 0xFF, 0x01 and the id, low byte first.
std::string SystemIconText(int id);
// The icon id of an icon text; 0 for an empty text or one that names no system icon.
int IconFromText(std::string_view iconText);

// A message box through the installed backend. Empty button set: the single button OK, the default;
// a default that is not in the set becomes the set's first button. Without a backend nothing is
// shown and the default button is the answer.
int ShowMessage(std::string_view text, std::string_view caption, std::string_view iconText = {},
                int buttons = 0, int defaultButton = 0, int style = 0);
// The same with the icon given by its id.
int ShowMessageIcon(std::string_view text, std::string_view caption, int iconId, int buttons = 0,
                    int defaultButton = 0, int style = 0);

} // namespace quorin
