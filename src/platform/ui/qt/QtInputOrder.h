#pragma once
// The order of the user's input. Input is read when the program asks for it, as on the platform
// this design comes from: the user's keys, mouse buttons and wheel reach the widgets only while the
// program waits for the user, for the model's next event or for the answer to a box, a dialog or a
// menu it shows. What arrives while the program is busy (an event the model has not taken yet, a
// window opening or closing) is held in the order it came and handed on once the program waits
// again, one event at a time: keys to the control that has the model's focus then, clicks to the
// widget under the pointer then. An event that posts something to the model stops the hand-on
// until the model has taken it, and a click or a wheel turn waits for the windows that open to be
// placed by the window system, as only then is it known which of them is under the pointer.
// Paint, timers and the window system's own events are not held; its close of a window, asked for
// by the user, is.
//
// Qt hands every queued input event to the widgets in one pass of its loop, before the model takes
// the event the first of them posted; so the rule is kept where Qt takes the window system's events
// off its queue, before shortcuts and modality look at them.
#include <QPointer>
#include <deque>
#include <memory>
#include <vector>

class QEventLoop;
class QWidget;
class QWindow;

namespace quorin {
class Window;
}

namespace quorin::ui {

class InputOrder {
public:
    InputOrder();
    ~InputOrder();
    InputOrder(const InputOrder&) = delete;
    InputOrder& operator=(const InputOrder&) = delete;

    // The program waits for `window`'s next event (with `loop`, once it runs one) or, without a
    // window, for the answer of the box, dialog or menu it shows next; for as long as this lives.
    class Wait {
    public:
        Wait(InputOrder& order, Window* window);
        ~Wait();
        Wait(const Wait&) = delete;
        Wait& operator=(const Wait&) = delete;
        void SetLoop(QEventLoop* loop);

    private:
        InputOrder& order_;
    };

    // Hands on what is held while the program waits; true when it still waits afterwards.
    bool Release();
    // The loops waiting for `window` end: an event was posted to it, or it went.
    void Wake(const Window& window);

private:
    struct Frame {
        Window* window = nullptr;        // waits for this window's next event
        QEventLoop* loop = nullptr;
        QPointer<QWidget> answer;        // else: the box, dialog or menu that asks, once shown
        int depth = 0;                   // how deep in handing on input the wait began
    };
    class Hook;
    class Filter;
    friend class Hook;
    friend class Filter;

    bool Waiting() const;
    int BaseDepth() const;
    void Shown(QWidget* widget);
    void ReleaseLater();
    // A top-level window shows: where it lies is known once the window system exposes it.
    void Opening(QWindow* window);
    bool Placing();

    std::vector<Frame> frames_;
    std::vector<QPointer<QWindow>> opening_;
    std::unique_ptr<Hook> hook_;
    std::unique_ptr<Filter> filter_;
    bool releaseQueued_ = false;
};

} // namespace quorin::ui
