#include "platform/ui/qt/QtInputOrder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QShortcutEvent>
#include <QWindow>
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

// Keys, mouse buttons, moves and the wheel. A shortcut override is no input of its own: Qt makes it
// while it hands on a key press.
bool IsInput(const Event& e)
{
    switch (e.type) {
    case QWindowSystemInterfacePrivate::Key:
        return static_cast<const KeyEvent&>(e).keyType != QEvent::ShortcutOverride;
    case QWindowSystemInterfacePrivate::Mouse:
    case QWindowSystemInterfacePrivate::Wheel: return true;
    default: return false;
    }
}

std::unique_ptr<Event> Copy(const Event& e)
{
    switch (e.type) {
    case QWindowSystemInterfacePrivate::Key: return std::make_unique<KeyEvent>(static_cast<const KeyEvent&>(e));
    case QWindowSystemInterfacePrivate::Mouse: return std::make_unique<MouseEvent>(static_cast<const MouseEvent&>(e));
    default: return std::make_unique<WheelEvent>(static_cast<const WheelEvent&>(e));
    }
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
// that window is the active one for Qt's access keys and focus.
void AimKey(KeyEvent& key)
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

// A held click goes to the window under the pointer now, which may be one that opened meanwhile.
template <class Pointer>
void AimPointer(Pointer& pointer)
{
    QWindow* under = QGuiApplication::topLevelAt(pointer.globalPos.toPoint());
    if (under != nullptr && under != pointer.window) {
        pointer.window = under;
        pointer.localPos = under->mapFromGlobal(pointer.globalPos);
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

// An access key presses its button at once, not on Qt's animation timer, so that the press takes
// its place among the keys after it. A box, dialog or menu that shows is what the program waits on.
class InputOrder::Filter : public QObject {
public:
    explicit Filter(InputOrder& order) : order_(order) { qApp->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Shortcut) {
            auto* button = qobject_cast<QAbstractButton*>(watched);
            if (button != nullptr && !static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
                if (button->isEnabled()) {
                    if (button->isCheckable() && (button->focusPolicy() & Qt::ClickFocus) != 0) {
                        button->setFocus(Qt::ShortcutFocusReason);
                    }
                    button->click();
                }
                return true;
            }
        } else if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            if (widget->isWindow() && (widget->windowType() == Qt::Popup || widget->isModal())
                && dynamic_cast<WindowWidget*>(widget) == nullptr) {
                order_.Shown(widget);
            }
        }
        return false;
    }

private:
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

void InputOrder::Shown(QWidget* widget)
{
    if (frames_.empty() || frames_.back().window != nullptr || frames_.back().answer != nullptr) {
        return;
    }
    frames_.back().answer = widget;
    ReleaseLater();
}

} // namespace quorin::ui
