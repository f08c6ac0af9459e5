#include "platform/ui/qt/QtPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QTreeView>
#include <QWindow>

#include <algorithm>
#include <cstdint>

#include "platform/runtime/Window.h"
#include "platform/ui/qt/QtWindowWidget.h"

namespace quorin::ui {

namespace {

// Far beyond any desktop; bounding to it first keeps every sum below within an int.
constexpr int kFar = 1 << 24;

std::int64_t AreaOf(const QRect& rect) { return rect.isEmpty() ? 0 : std::int64_t{rect.width()} * rect.height(); }

// The screen the window overlaps most; failing any, the one with the least gap to it.
QRect NearestArea(const QList<QRect>& screens, const QRect& outer)
{
    QRect best = screens.front();
    std::int64_t bestOverlap = -1;
    std::int64_t bestGap = INT64_MAX;
    for (const QRect& area : screens) {
        const std::int64_t overlap = AreaOf(area.intersected(outer));
        const std::int64_t dx = std::max({0, area.left() - outer.right(), outer.left() - area.right()});
        const std::int64_t dy = std::max({0, area.top() - outer.bottom(), outer.top() - area.bottom()});
        const std::int64_t gap = dx * dx + dy * dy;
        if (overlap > bestOverlap || (overlap == 0 && bestOverlap == 0 && gap < bestGap)) {
            best = area;
            bestOverlap = overlap;
            bestGap = gap;
        }
    }
    return best;
}

// The whole title bar on the area, and more than half of the window.
bool Reachable(const QRect& outer, int titleHeight, const QRect& area)
{
    const QRect titleBar(outer.topLeft(), QSize(outer.width(), std::max(1, titleHeight)));
    return area.contains(titleBar) && 2 * AreaOf(area.intersected(outer)) > AreaOf(outer);
}

// The frame a window manager puts around the window; before it has (a window not yet shown) a
// title bar and thin borders as most draw them.
QMargins FrameOf(const QWidget* ww)
{
    if (const QWindow* handle = ww->windowHandle(); handle != nullptr && !handle->frameMargins().isNull()) {
        return handle->frameMargins();
    }
    const int title = ww->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, ww);
    return {4, title + 4, 4, 4};
}

} // namespace

WindowPlace PlaceOnScreen(WindowPlace wanted, QMargins frame, QSize least, const QList<QRect>& screens)
{
    WindowPlace place{{std::clamp(wanted.frameTopLeft.x(), -kFar, kFar), std::clamp(wanted.frameTopLeft.y(), -kFar, kFar)},
                      {std::clamp(wanted.clientSize.width(), 0, kFar), std::clamp(wanted.clientSize.height(), 0, kFar)}};
    if (screens.isEmpty()) {
        return place;
    }
    const QRect area = NearestArea(screens, QRect(place.frameTopLeft, place.clientSize.grownBy(frame)));
    const QSize room = area.size().shrunkBy(frame).expandedTo(QSize(1, 1));
    place.clientSize = place.clientSize.boundedTo(room).expandedTo(least.boundedTo(QSize(kFar, kFar)));

    QRect outer(place.frameTopLeft, place.clientSize.grownBy(frame));
    if (!Reachable(outer, frame.top(), area)) {
        // As near to where it was as the screen allows; a window larger than the screen keeps its
        // title bar's left end on it.
        outer.moveLeft(std::clamp(outer.left(), area.left(), std::max(area.left(), area.right() + 1 - outer.width())));
        outer.moveTop(std::clamp(outer.top(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height())));
    }
    place.frameTopLeft = outer.topLeft();
    return place;
}

void ApplyWindowPlace(WindowWidget* ww, Window& window)
{
    const DialogUnits& units = ww->units();
    const WindowPlace wanted{units.ToPixels(QPoint(window.x(), window.y())),
                             units.ToPixels(QSize(window.width(), window.height()))};
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        screens.push_back(screen->availableGeometry());
    }
    // A fixed frame keeps its size: its least size is the size itself.
    const QSize least = window.resizable() ? units.ToPixels(QSize(window.minWidth(), window.minHeight()))
                                           : wanted.clientSize;
    WindowPlace place = PlaceOnScreen(wanted, FrameOf(ww), least, screens);
    if (!ww->placed) {
        place.frameTopLeft = wanted.frameTopLeft; // ShowWindow puts it
    }
    if (window.resizable()) {
        ww->setMinimumSize(units.ToPixels(QSize(window.minWidth(), window.minHeight())));
        ww->setMaximumSize(window.maxWidth() > 0 ? units.ToPixelsX(window.maxWidth()) : QWIDGETSIZE_MAX,
                           window.maxHeight() > 0 ? units.ToPixelsY(window.maxHeight()) : QWIDGETSIZE_MAX);
        ww->resize(place.clientSize);
    } else {
        ww->setFixedSize(place.clientSize);
    }
    if (ww->placed) {
        ww->move(place.frameTopLeft);
        // Shown before the window manager framed it, the move put the client where the frame
        // belongs and the title bar above it: the window manager is asked for the frame there.
        if (QWindow* handle = ww->windowHandle();
            handle != nullptr && ww->isVisible() && handle->frameMargins().isNull()) {
            handle->setFramePosition(place.frameTopLeft);
        }
    }
    if (!(place == wanted)) {
        window.ReportPlacement(units.ToUnitsX(place.frameTopLeft.x()), units.ToUnitsY(place.frameTopLeft.y()),
                               units.ToUnitsX(place.clientSize.width()), units.ToUnitsY(place.clientSize.height()));
    }
}

QPoint MenuPlaceAtRow(const Window& window, int list)
{
    const Control* c = window.control(list);
    const auto* view = c != nullptr ? qobject_cast<const QTreeView*>(ControlWidget(*c)) : nullptr;
    if (view == nullptr || view->model() == nullptr) {
        return QCursor::pos();
    }
    const QRect area = view->viewport()->rect();
    const QRect row = c->currentRow() > 0 ? view->visualRect(view->model()->index(c->currentRow() - 1, 0)) : QRect();
    const QPoint at = row.isValid() && area.contains(row.center()) ? row.center() : area.topLeft();
    return view->viewport()->mapToGlobal(at);
}

} // namespace quorin::ui
