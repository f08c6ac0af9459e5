#pragma once
// Where a window goes on the screens. A place and size the program gives (from an INI file that a
// person may have edited, or one written on a larger desktop) may lie anywhere: the window is put
// where it can be reached, and never larger than a screen, whose pixels the toolkit allocates.
#include <QList>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace quorin {
class Window;
}

namespace quorin::ui {

class WindowWidget;

struct WindowPlace {
    QPoint frameTopLeft; // the frame's outer corner, as QWidget::move places a window
    QSize clientSize;    // as QWidget::resize sizes it
    friend bool operator==(const WindowPlace&, const WindowPlace&) = default;
};

// On the screen nearest to `wanted` (of `screens`, each its available geometry; with none nothing
// changes): the client size cut so that the window with its `frame` fits on that screen, then
// grown to `least`; and, unless its whole title bar and most of it already lie on the screen, the
// window moved just onto it.
WindowPlace PlaceOnScreen(WindowPlace wanted, QMargins frame, QSize least, const QList<QRect>& screens);

// Applies the model's geometry to the window's widget through PlaceOnScreen (the position only
// once the window is placed) and, where that moved or cut it, tells the model the place it has, so
// that what is saved at close is where the window really was.
void ApplyWindowPlace(WindowWidget* ww, Window& window);

// Where a popup menu asked for from the keyboard opens: at list `list`'s highlighted row, in the
// middle of its first cell, as this desktop's lists open one; at the top of the list when no row is
// highlighted or shown. Global coordinates; the mouse pointer where the list has no widget.
QPoint MenuPlaceAtRow(const Window& window, int list);

} // namespace quorin::ui
