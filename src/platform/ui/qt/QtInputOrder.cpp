#include "platform/ui/qt/QtInputOrder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QShortcutEvent>
#include <QWindow>
#include <private/qhighdpiscaling_p.h>
#include <qpa/qplatformwindow.h>
#include <qpa/qwindowsysteminterface.h>
#include <qpa/qwindowsysteminterface_p.h>

#include "platform/runtime/Window.h"
#include "platform/ui/qt/QtSync.h"
#include "platform/ui/qt/QtWindowWidget.h"

namespace quorin::ui {

namespace {

using Event = QWindowSystemInterfacePrivate::WindowSystemEvent;
using KeyEvent = QWindowSystemInterfacePrivate::KeyEvent;
using MouseEvent = QWindowSystemInterfacePrivate::MouseEvent;
using WheelEvent = QWindowSystemInterfacePrivate::WheelEvent;
using CloseEvent = QWindowSystemInterfacePrivate::CloseEvent;
#ifndef QT_NO_CONTEXTMENU
using ContextMenuEvent = QWindowSystemInterfacePrivate::ContextMenuEvent;
#endif

// Keys, mouse buttons, moves and the wheel, and what the window system makes of the user's own
// keys and clicks: the window manager's close (its close box, Alt+F4) and the Menu key's request
// for a context menu, which the X backend queues just before the key itself. A shortcut override
// is no input of its own: Qt makes it while it hands on a key press. A close the program asks for
// (QWindow::close) is delivered at once and never comes here.
bool IsInput(const Event& e)
{
    switch (e.type) {
    case QWindowSystemInterfacePrivate::Key:
        return static_cast<const KeyEvent&>(e).keyType != QEvent::ShortcutOverride;
    case QWindowSystemInterfacePrivate::Mouse:
    case QWindowSystemInterfacePrivate::Wheel:
    case QWindowSystemInterfacePrivate::Close: return true;
#ifndef QT_NO_CONTEXTMENU
    case QWindowSystemInterfacePrivate::ContextMenu: return true;
#endif
    default: return false;
    }
}

std::unique_ptr<Event> Copy(const Event& e)
{
    switch (e.type) {
    case QWindowSystemInterfacePrivate::Key: return std::make_unique<KeyEvent>(static_cast<const KeyEvent&>(e));
    case QWindowSystemInterfacePrivate::Mouse: return std::make_unique<MouseEvent>(static_cast<const MouseEvent&>(e));
    case QWindowSystemInterfacePrivate::Close: return std::make_unique<CloseEvent>(static_cast<const CloseEvent&>(e));
#ifndef QT_NO_CONTEXTMENU
    case QWindowSystemInterfacePrivate::ContextMenu:
        return std::make_unique<ContextMenuEvent>(static_cast<const ContextMenuEvent&>(e));
#endif
    default: return std::make_unique<WheelEvent>(static_cast<const WheelEvent&>(e));
    }
}

bool IsPointer(const Event& e)
{
    return e.type == QWindowSystemInterfacePrivate::Mouse || e.type == QWindowSystemInterfacePrivate::Wheel;
}

// Where keys go now: the menu or the box that asks, else the window the model runs.
QWindow* KeyTarget()
{
    QWidget* target = QApplication::activePopupWidget();
    if (target == nullptr) {
        target = QApplication::activeModalWidget();
    }
    if (target == nullptr) {
        if (const Window* current = CurrentWindow()) {
            target = WindowWidgetOf(*current);
        }
    }
    return target != nullptr ? target->windowHandle() : nullptr;
}

// A key goes where the model's focus is, whichever of the program's windows the window system
// still gives the keyboard (the window under a box that just opened, the box that just closed):
// that window is the active one for Qt's access keys and focus. So does the Menu key's request,
// which Qt hands to the focused widget of the window it names.
template <class Keyed>
void AimKey(Keyed& key)
{
    QWindow* target = KeyTarget();
    if (target == nullptr) {
        return;
    }
    key.window = target;
    key.flags &= ~Event::NullWindow;
    if (QGuiApplication::focusWindow() != target && target->isVisible() && target->type() != Qt::Popup) {
        QWindowSystemInterface::handleWindowActivated<QWindowSystemInterface::SynchronousDelivery>(
            target, Qt::ActiveWindowFocusReason);
    }
}

// Where a point of the screen lies in the window, as the window system has it: while a window
// manager has yet to carry out a move the program asked for, Qt already takes the window to be
// there (and takes a frame position for the window's own before it knows the frame).
QPointF InWindow(QWindow& window, const QPointF& global)
{
    const QPlatformWindow* platform = window.handle();
    if (platform == nullptr) {
        return window.mapFromGlobal(global);
    }
    const QPoint native = platform->mapFromGlobal(QHighDpi::toNativeGlobalPosition(global, &window).toPoint());
    return QHighDpi::fromNativeLocalPosition(QPointF(native), &window);
}

// A held click goes to the window under the pointer now, which may be one that opened meanwhile.
template <class Pointer>
void AimPointer(Pointer& pointer)
{
    QWindow* under = QGuiApplication::topLevelAt(pointer.globalPos.toPoint());
    if (under != nullptr && under != pointer.window) {
        pointer.window = under;
        pointer.localPos = InWindow(*under, pointer.globalPos);
        pointer.flags &= ~Event::NullWindow;
    }
}

} // namespace

// Takes the window system's events off Qt's queue; input waits here while the program is busy.
class InputOrder::Hook : public QWindowSystemEventHandler {
public:
    // Backends nest (a test's inside another's): the newest takes the queue, and gives it back.
    explicit Hook(InputOrder& order) : order_(order), previous_(QWindowSystemInterfacePrivate::eventHandler)
    {
        QWindowSystemInterfacePrivate::removeWindowSystemEventhandler(previous_);
        QWindowSystemInterfacePrivate::installWindowSystemEventHandler(this);
    }
    ~Hook() override
    {
        QWindowSystemInterfacePrivate::removeWindowSystemEventhandler(this);
        if (previous_ != nullptr) {
            QWindowSystemInterfacePrivate::installWindowSystemEventHandler(previous_);
        }
    }

    bool sendEvent(Event* e) override
    {
        if (!IsInput(*e)) {
            Process(e);
            return true;
        }
        if (held.empty() && order_.Waiting()) {
            Deliver(e, false);
            return true;
        }
        held.push_back(Copy(*e));
        order_.Release();
        return true;
    }

    void Deliver(Event* e, bool wasHeld)
    {
        if (e->type == QWindowSystemInterfacePrivate::Key) {
            AimKey(*static_cast<KeyEvent*>(e));
#ifndef QT_NO_CONTEXTMENU
        } else if (e->type == QWindowSystemInterfacePrivate::ContextMenu) {
            AimKey(*static_cast<ContextMenuEvent*>(e));
#endif
        } else if (wasHeld && e->type == QWindowSystemInterfacePrivate::Mouse) {
            auto* mouse = static_cast<MouseEvent*>(e);
            if (mouse->buttonType != QEvent::MouseMove) {
                AimPointer(*mouse);
            }
        } else if (wasHeld && e->type == QWindowSystemInterfacePrivate::Wheel) {
            AimPointer(*static_cast<WheelEvent*>(e));
        }
        Process(e);
    }

    // Once Qt is done with an event (not inside one it is still handing on), the toolkit's focus
    // is where the model's is before anything else comes.
    void Process(Event* e)
    {
        ++depth;
        QWindowSystemEventHandler::sendEvent(e);
        --depth;
        if (depth == order_.BaseDepth()) {
            BringFocusInStep();
        }
    }

    std::deque<std::unique_ptr<Event>> held;
    int depth = 0;

private:
    InputOrder& order_;
    QWindowSystemEventHandler* previous_;
};

// A key that presses a button presses it at once, not on Qt's animation timer, so that the press
// takes its place among the keys after it: an access key of the button or of the prompt it is the
// buddy of, and a box's answer by its plain letter. A box, dialog or menu that shows is what the
// program waits on.
class InputOrder::Filter : public QObject {
public:
    explicit Filter(InputOrder& order) : order_(order) { qApp->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Shortcut) {
            if (static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
                return false; // Qt only moves the focus among the widgets that share it
            }
            if (auto* button = qobject_cast<QAbstractButton*>(watched)) {
                if (button->isEnabled()) {
                    if (button->isCheckable() && (button->focusPolicy() & Qt::ClickFocus) != 0) {
                        button->setFocus(Qt::ShortcutFocusReason);
                    }
                    button->click();
                }
                return true;
            }
            // A prompt's access key focuses its buddy, and presses it where it is a button.
            if (auto* label = qobject_cast<QLabel*>(watched)) {
                if (auto* button = qobject_cast<QAbstractButton*>(label->buddy())) {
                    if (button->focusPolicy() != Qt::NoFocus) {
                        button->setFocus(Qt::ShortcutFocusReason);
                    }
                    button->click();
                    return true;
                }
            }
        } else if (event->type() == QEvent::KeyPress) {
            // A key the focused button left to its box: the box takes a button's letter without
            // Alt as its answer, as Qt's box does, but at once.
            if (auto* box = qobject_cast<QMessageBox*>(watched)) {
                return AnswerByLetter(*box, *static_cast<QKeyEvent*>(event));
            }
        } else if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            if (widget->isWindow()) {
                order_.Opening(widget->windowHandle());
            }
            if (widget->isWindow() && (widget->windowType() == Qt::Popup || widget->isModal())
                && dynamic_cast<WindowWidget*>(widget) == nullptr) {
                order_.Shown(widget);
            }
        } else if (event->type() == QEvent::Expose && watched->isWindowType()) {
            order_.ReleaseLater(); // a click may wait for this window's place
        }
        return false;
    }

private:
    static bool AnswerByLetter(QMessageBox& box, const QKeyEvent& key)
    {
        if ((key.modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier)) != 0) {
            return false;
        }
        for (QAbstractButton* button : box.buttons()) {
            const QKeySequence shortcut = button->shortcut();
            if (!shortcut.isEmpty() && shortcut[0].key() == key.key()) {
                button->click();
                return true;
            }
        }
        return false;
    }

    InputOrder& order_;
};

InputOrder::InputOrder() : hook_(std::make_unique<Hook>(*this)), filter_(std::make_unique<Filter>(*this)) {}

InputOrder::~InputOrder() = default;

InputOrder::Wait::Wait(InputOrder& order, Window* window) : order_(order)
{
    Frame frame;
    frame.window = window;
    frame.depth = order_.hook_->depth;
    order_.frames_.push_back(frame);
}

InputOrder::Wait::~Wait()
{
    order_.frames_.pop_back();
    // What waits goes on once the program takes its next step, not inside the one that returns.
    order_.ReleaseLater();
}

void InputOrder::Wait::SetLoop(QEventLoop* loop) { order_.frames_.back().loop = loop; }

bool InputOrder::Waiting() const
{
    if (frames_.empty()) {
        return false;
    }
    const Frame& top = frames_.back();
    if (top.window == nullptr) {
        return top.answer != nullptr && top.answer->isVisible(); // shown and not yet answered
    }
    return top.window->IsOpen() && !top.window->HasPendingEvents();
}

int InputOrder::BaseDepth() const { return frames_.empty() ? 0 : frames_.back().depth; }

bool InputOrder::Release()
{
    auto& held = hook_->held;
    while (!held.empty() && Waiting()) {
        if (IsPointer(*held.front()) && Placing()) {
            break; // on with the next exposure
        }
        BringFocusInStep();
        std::unique_ptr<Event> next = std::move(held.front());
        held.pop_front();
        hook_->Deliver(next.get(), true);
    }
    return Waiting();
}

void InputOrder::ReleaseLater()
{
    if (releaseQueued_ || hook_->held.empty()) {
        return;
    }
    releaseQueued_ = true;
    QMetaObject::invokeMethod(
        filter_.get(),
        [this] {
            releaseQueued_ = false;
            Release();
        },
        Qt::QueuedConnection);
}

void InputOrder::Wake(const Window& window)
{
    for (const Frame& frame : frames_) {
        if (frame.window == &window && frame.loop != nullptr) {
            frame.loop->quit();
        }
    }
}

void InputOrder::Opening(QWindow* window)
{
    // A window shown minimized is exposed only once restored, and nothing clicks into it before.
    if (window != nullptr && !window->isExposed() && (window->windowStates() & Qt::WindowMinimized) == 0) {
        opening_.emplace_back(window);
    }
}

// Until the window system exposes a window that opened, Qt knows only the place it asked for: a
// window manager puts its frame there and the window inside it, and the window system tells where
// the window is (and that it is on the screen at all) before it exposes it.
bool InputOrder::Placing()
{
    std::erase_if(opening_, [](const QPointer<QWindow>& window) {
        return window == nullptr || !window->isVisible() || window->isExposed()
               || (window->windowStates() & Qt::WindowMinimized) != 0;
    });
    return !opening_.empty();
}

void InputOrder::Shown(QWidget* widget)
{
    if (frames_.empty() || frames_.back().window != nullptr || frames_.back().answer != nullptr) {
        return;
    }
    frames_.back().answer = widget;
    ReleaseLater();
}

} // namespace quorin::ui
