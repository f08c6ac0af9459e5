#include "platform/ui/qt/QtMapWatch.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace quorin::ui {

namespace {

// A manager that takes no event for this many rounds of the server (some seconds) is hung, or slow
// to start: the watch stops pacing itself and nudges only when something else changes the root.
constexpr int kNudges = 1 << 16;

template <class Reply>
using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

} // namespace

MapWatch::MapWatch()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return;
    }
    const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    x_ = x11 != nullptr ? x11->connection() : nullptr;
    if (x_ == nullptr) {
        return;
    }
    nudge_ = Atom("_QUORIN20_MAP_WAIT");
    wmState_ = Atom("WM_STATE");
    qApp->installEventFilter(this);
    qApp->installNativeEventFilter(this);
}

MapWatch::~MapWatch()
{
    if (x_ != nullptr) {
        qApp->removeNativeEventFilter(this);
    }
}

std::uint32_t MapWatch::Atom(const char* name) const
{
    const Owned<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(x_, xcb_intern_atom(x_, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr),
        std::free);
    return reply ? reply->atom : std::uint32_t{XCB_ATOM_NONE};
}

bool MapWatch::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() != QEvent::Show && event->type() != QEvent::Hide) || !watched->isWidgetType()) {
        return false;
    }
    auto* widget = static_cast<QWidget*>(watched);
    const Qt::WindowType type = widget->windowType();
    // Menus and tips pass the manager by: the server maps them at once.
    if (!widget->isWindow() || type == Qt::Popup || type == Qt::ToolTip
        || (widget->windowFlags() & (Qt::BypassWindowManagerHint | Qt::X11BypassWindowManagerHint)) != 0) {
        return false;
    }
    if (event->type() == QEvent::Show) {
        Await(static_cast<std::uint32_t>(widget->winId()));
    } else if (widget->internalWinId() != 0) {
        waiting_.erase(static_cast<std::uint32_t>(widget->internalWinId()));
    }
    return false;
}

void MapWatch::Await(std::uint32_t window)
{
    if (root_ == 0) {
        // The root and screen of the program's windows, and the root's property changes, which
        // bring each nudge back.
        const Owned<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(x_, xcb_get_geometry(x_, window), nullptr),
                                                       std::free);
        if (!geometry) {
            return;
        }
        root_ = geometry->root;
        int screen = 0;
        for (auto it = xcb_setup_roots_iterator(xcb_get_setup(x_)); it.rem > 0 && it.data->root != root_;
             xcb_screen_next(&it)) {
            ++screen;
        }
        manager_ = Atom(("WM_S" + std::to_string(screen)).c_str());
        const Owned<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(x_, xcb_get_window_attributes(x_, root_), nullptr), std::free);
        const std::uint32_t mask = (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(x_, root_, XCB_CW_EVENT_MASK, &mask);
    }
    waiting_.insert(window);
    left_ = kNudges;
    Nudge(false); // Qt may not have asked for the map yet: this one only starts the rounds

}

void MapWatch::Nudge(bool mayMap)
{
    if (nudging_ || waiting_.empty()) {
        return;
    }
    const Owned<xcb_get_selection_owner_reply_t> owner(
        mayMap ? xcb_get_selection_owner_reply(x_, xcb_get_selection_owner(x_, manager_), nullptr) : nullptr, std::free);
    if (mayMap && (!owner || owner->owner == XCB_NONE)) {
        for (const std::uint32_t window : waiting_) {
            xcb_map_window(x_, window); // the manager went, or never came: the server maps it
        }
    }
    const std::uint32_t count = static_cast<std::uint32_t>(waiting_.size());
    xcb_change_property(x_, XCB_PROP_MODE_REPLACE, root_, nudge_, XCB_ATOM_CARDINAL, 32, 1, &count);
    xcb_flush(x_);
    nudging_ = true;
}

bool MapWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* e = static_cast<const xcb_generic_event_t*>(message);
    switch (e->response_type & 0x7f) {
    case XCB_MAP_NOTIFY: waiting_.erase(reinterpret_cast<const xcb_map_notify_event_t*>(e)->window); break;
    case XCB_REPARENT_NOTIFY: waiting_.erase(reinterpret_cast<const xcb_reparent_notify_event_t*>(e)->window); break;
    case XCB_DESTROY_NOTIFY: waiting_.erase(reinterpret_cast<const xcb_destroy_notify_event_t*>(e)->window); break;
    case XCB_PROPERTY_NOTIFY: {
        const auto* p = reinterpret_cast<const xcb_property_notify_event_t*>(e);
        if (p->window == root_ && p->atom == nudge_) {
            nudging_ = false;
            if (left_ > 0) {
                --left_;
                Nudge(true);
            }
        } else if (p->window == root_) {
            Nudge(true);
        } else if (p->atom == wmState_) {
            waiting_.erase(p->window);
        }
        break;
    }
    default: break;
    }
    return false;
}

} // namespace quorin::ui
