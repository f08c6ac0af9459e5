#pragma once
// A window made from a window definition: its controls, its state and its pull event loop.
// The model is the truth; the backend (the window part of UserInterface) mirrors it into widgets and reports the
// user's actions through the User... operations below, which decide what events they raise.
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/BoundVariable.h"
#include "platform/runtime/Control.h"
#include "platform/runtime/Event.h"
#include "platform/runtime/WindowDefinition.h"

namespace quorin {

class UserInterface;

class Window {
public:
    // Controls are bound in definition order to `variables`: one for each control that uses a
    // variable (entries, check boxes, lists, texts), in that order; fewer leave the rest unbound.
    // Controls of kinds nothing linked are not made (their numbers stay empty).
    Window(const WindowDefinition& definition, std::vector<BoundVariable> variables);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    const WindowDefinition& definition() const { return definition_; }

    // --- controls ---
    Control* control(int number) const; // null when none
    Control* FindControl(std::string_view label) const; // by label, case-insensitive
    std::vector<Control*> Controls() const; // in number order
    int LastNumber() const;

    // --- window state (dialog units) ---
    const std::string& title() const { return title_; }
    void SetTitle(std::string title);
    int x() const { return x_; }
    int y() const { return y_; }
    int width() const { return width_; }
    int height() const { return height_; }
    void SetGeometry(int x, int y, int width, int height);
    bool resizable() const { return resizable_; }
    bool maximized() const { return maximized_; }
    bool iconized() const { return iconized_; }
    int minWidth() const { return minWidth_; }
    int minHeight() const { return minHeight_; }
    int maxWidth() const { return maxWidth_; }   // 0: no limit
    int maxHeight() const { return maxHeight_; }
    bool immediate() const { return immediate_; }
    bool hasCloseBox() const { return (definition_.attributes & kWinSystem) != 0; }

    // --- program side ---
    void Open(Window* owner = nullptr); // shows it and makes it the thread's current window
    void Close();                       // hides it, ends its loop; no event
    bool IsOpen() const { return open_; }
    Window* owner() const { return owner_; }

    void Display(int first, int last);   // (n, 0) n alone; (0, 0) all
    void Enable(int first, int last, bool enable);
    void Destroy(int first, int last);
    // Next free number when `number` is 0; 0 when the kind is not linked or the number is taken.
    int Create(int number, ControlKind kind, int parent);
    void Select(int control);            // focus; 0 does nothing
    int focus() const { return focus_; }
    void Hide(int control, bool hide);
    void SetReadOnly(int control, bool readOnly);

    std::string GetProperty(int control, int property) const;
    void SetProperty(int control, int property, std::string_view value);

    // Writes back the focused entry (as leaving it would); false when its picture refused the text,
    // which the backend then tells the user (EntryRefused) with the focus kept on the entry.
    bool TakeFocusedEntry();
    // Leaving without saving (Cancel, the close box, Escape) checks no picture: the focused entry is
    // written back when its picture takes the text and otherwise keeps it as typed, unrefused. True
    // when an entry still shows typed text that its variable does not hold, which leaving would lose.
    bool TakeTypedForLeaving();
    // A button that leaves the window without saving (the window manager's close buttons): pressing
    // it takes the typed text as leaving does.
    void MarkCloseButton(int control) { closeButtons_.insert(control); }
    bool IsCloseButton(int control) const { return closeButtons_.contains(control); }
    // The lowest-numbered required entry that is visible, enabled and blank; 0 when none.
    int FirstMissingRequired() const;
    // For the form's OK: takes the focused entry, then checks every required entry; on a blank
    // one moves the focus there and returns false; else posts Completed.
    bool Complete();

    // --- the pull loop ---
    void Post(Event event);
    // Waits for the next event and makes it current; runs the default handling of the previous one
    // first (CloseWindow and CloseDown close the window) unless SkipDefault() was called for it.
    // False once the window is closed: the loop ends.
    bool NextEvent();
    void SkipDefault() { skipDefault_ = true; }
    const Event& currentEvent() const { return current_; }
    int AcceptedControl() const; // control of the current event when it is Accepted, else 0
    bool HasPendingEvents() const { return !queue_.empty(); }

    // --- user actions, reported by the backend ---
    // A window under the thread's current window (a modal box or a nested window is up) takes none.
    bool AcceptsUserActions() const;
    void UserEdit(int control, std::string_view text); // the screen text changed (typing)
    void UserFocus(int control);   // the user moved the focus; the entry left is written back first
    void UserPress(int control);   // a button pressed or a check box clicked
    void UserPickRow(int control, int row); // list row picked (click, arrow keys)
    void UserScroll(int control, EventCode how);
    void UserKey(int control, int key); // Enter presses the default button; alert keys report;
                                        // Escape acts as the close box where there is one
    void UserPickTab(int sheet, int tab);
    // The close box, or the window manager asking the window to close (its menu, Alt+F4, a desktop
    // session that ends), which it may ask of any window: one without a close box leaves as its
    // close button does, when it has one that the user could press.
    void UserClose();
    void UserResize(int width, int height);
    void UserMove(int x, int y);
    void UserState(bool maximized, bool iconized);
    void UserHelp();               // F1 or a standard help button
    // Where the backend put a window that the definition left unplaced (or the window manager
    // moved it): recorded without an event.
    void ReportPlacement(int x, int y, int width, int height);

    // Backend-private data: a backend keeps its widget handle here.
    void* backendData = nullptr;

    // For a holder that may outlive the window: names it while it exists, nothing afterwards.
    std::weak_ptr<Window> Handle() { return std::shared_ptr<Window>(lifetime_, this); }

private:
    friend class Control;
    void Changed(Control& control, unsigned changes);
    void WindowChanged(unsigned changes);
    int LimitWidth(int width) const;
    int LimitHeight(int height) const;
    bool WriteBack(Control& control); // entry: parse the screen text; false when refused
    // The entry's picture refused its text: the focus goes there, and the user is told.
    void Refuse(Control& control);
    void PressButton(Control& button);
    // The model moves the focus itself (a press, a picked row) and tells the backend, so the
    // toolkit's focus stays where the model's is.
    void MoveFocus(int number);
    void PlaceUnset(Control& control);
    UserInterface* backend() const;

    WindowDefinition definition_;
    std::map<int, std::unique_ptr<Control>> controls_;
    std::string title_;
    int x_ = 0, y_ = 0, width_ = 0, height_ = 0;
    bool resizable_ = false;
    bool maximized_ = false;
    bool iconized_ = false;
    bool immediate_ = false;
    int minWidth_ = 0, minHeight_ = 0;
    int maxWidth_ = 0, maxHeight_ = 0;
    bool open_ = false;
    bool created_ = false; // the backend made its widget
    Window* owner_ = nullptr;
    int focus_ = 0;
    int refocus_ = 0; // had the focus when the request at hand disabled it
    std::set<int> closeButtons_;
    std::deque<Event> queue_;
    Event current_;
    bool skipDefault_ = false;
    std::shared_ptr<char> lifetime_ = std::make_shared<char>();
};

// The thread's current window: the innermost open one; null when none.
Window* CurrentWindow();

// ---- the runtime's operations on the current window (the system calls these) ----

// Null (and runtime error 47) when the definition is not held.
std::unique_ptr<Window> NewWindow(std::string_view module, std::string_view name,
                                  std::vector<BoundVariable> variables);
void DisposeWindow(std::unique_ptr<Window>& window); // closes it when open, destroys it
void DisplayControls(int first, int last);
void EnableControls(int first, int last);
void DisableControls(int first, int last);
void DestroyControls(int first, int last);
// 0 without a current window or for a kind not linked; runtime error 541 while a modal box is up.
int CreateControl(int number, ControlKind kind, int parent, int last);
void SelectControl(int control, int selectionStart = 0, int selectionEnd = 0);
// `window` null = the current window. Property numbers come as decimal texts.
std::string GetControlProperty(int control, int element, Window* window, std::string_view property);
void SetControlProperty(int control, const BoundVariable& value, int element, Window* window,
                        std::string_view property);
void SetControlPropertyText(int control, int element, Window* window, std::string_view property,
                            std::string_view value);
int GetAcceptedControl();
// Thread 0 = the current thread; the event goes to that thread's current window.
void PostEvent(EventCode event, int control = 0, int thread = 0);

} // namespace quorin
