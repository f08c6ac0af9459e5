#pragma once
// Keeping the model and the widgets in step: the model is the truth and these apply it to the
// widgets (under Applying, so the widgets' signals are not taken for the user's).
#include <QIcon>
#include <QRect>
#include <string>

#include "platform/runtime/Window.h"
#include "platform/ui/qt/QtWindowWidget.h"

class QTabWidget;

namespace quorin::ui {

// Whether a control is on the screen: shown itself and its parents, and its tab the one shown.
bool ShownOnScreen(const Window& window, const Control& control);
// Whether a control lies on one of the sheet's tabs (its widget is the window's child, not the page's).
bool OnSheet(const Window& window, const Control* control, int sheet);
void ApplyVisibility(const Window& window);
void ApplyGeometry(WindowWidget* ww, const Control& c, QWidget* widget);
void ApplyText(const Control& c, QWidget* widget);
void ApplyReadOnly(const Control& c, QWidget* widget);
// The program moves the focus as a Tab would: an entry's text is selected, so typing replaces it.
void FocusAsTab(QWidget* target);
QTabWidget* SheetWidget(const Window& window, const Control& tab);
void ApplyCurrent(WindowWidget* ww, const Window& window, const Control& c, QWidget* widget);
void ApplyWindowState(WindowWidget* ww, const Window& window);
// Tab order in control number order; prompts lend their mnemonic to the next control that takes
// the focus.
void Relink(const Window& window);
// A list shows its queue as it is (rows the program changed without redrawing the list).
void SyncLists(const Window& window);

// The toolkit's focus follows the model's. AsTab moves it as a Tab would (an entry's text
// selected, so typing replaces it; no control focused when the model holds none); Restore only
// puts it back on the control the model holds focused (a move the model refused).
enum class FocusMove { Restore = 1, AsTab = 2 };
// Now, or `later`: while Qt is inside an event of its own (the user's action being reported, a
// focus change it makes), once that event is done. BringFocusInStep does what waits; the input
// order calls it after every event it lets through, and a posted call catches the rest.
void FollowModelFocus(WindowWidget* ww, FocusMove how, bool later);
void BringFocusInStep();
// After a box, a dialog, a menu or a window over it closed: the window is active and takes the
// keyboard, with or without a window manager, on the control the model holds focused.
void GiveKeyboardBack(const Window& window);

} // namespace quorin::ui
