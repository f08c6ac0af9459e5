#pragma once
// The top-level widget of a model window, and the small helpers every part of the Qt backend uses.
#include <QFont>
#include <QKeyEvent>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <string_view>

#include "platform/runtime/Window.h"
#include "platform/ui/qt/DialogUnits.h"

namespace quorin::ui {

inline constexpr const char* kNumberProperty = "quorinControl";

QString FromUtf8(std::string_view text);
std::string ToUtf8(const QString& text);
// A caption as a widget without mnemonic support shows it: "&" dropped, "&&" a literal "&".
QString PlainCaption(const QString& caption);
// Multi-line texts hold CR LF line ends; Qt's editors use LF.
QString FromStoredText(const std::string& text);
std::string ToStoredText(QString text);
// The runtime's code of a key press; 0 for keys it has no code for.
int KeyCode(const QKeyEvent* event);
Qt::Alignment ToQtAlignment(Alignment alignment);

class WindowWidget : public QWidget {
public:
    explicit WindowWidget(Window& model) : model_(&model) {}

    Window* model() const { return model_; }
    void Detach() { model_ = nullptr; }
    const DialogUnits& units() const { return units_; }
    void SetUnits(const DialogUnits& units) { units_ = units; }

    // Set while the backend applies the model to the widgets: their signals are not the user's.
    int applying = 0;
    // Set while a user action is being reported: focus moves the model asks for meanwhile wait
    // until Qt has finished the event at hand.
    int reporting = 0;
    bool placed = false;
    // The toolkit's focus waits to be brought to the model's (FollowModelFocus): 0 not, else how.
    int focusPending = 0;

    // Reports a user action to the model, unless the model let go or the backend is applying.
    void Report(const std::function<void(Window&)>& action)
    {
        if (model_ == nullptr || applying > 0) {
            return;
        }
        ++reporting;
        action(*model_);
        --reporting;
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        // The window manager asks (its close box, its menu, Alt+F4); the model decides: a window
        // without a close box leaves through its close button.
        event->ignore();
        Report([](Window& w) { w.UserClose(); });
    }
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        if (event->spontaneous() && isVisible()) {
            const QSize size = event->size();
            Report([&](Window& w) { w.UserResize(units_.ToUnitsX(size.width()), units_.ToUnitsY(size.height())); });
        }
    }
    void moveEvent(QMoveEvent* event) override
    {
        QWidget::moveEvent(event);
        if (event->spontaneous() && isVisible()) {
            const QPoint at = pos(); // the frame's corner, where a place is restored to
            Report([&](Window& w) { w.UserMove(units_.ToUnitsX(at.x()), units_.ToUnitsY(at.y())); });
        }
    }
    void changeEvent(QEvent* event) override
    {
        QWidget::changeEvent(event);
        if (event->type() == QEvent::WindowStateChange && isVisible()) {
            const bool maximized = isMaximized();
            const bool minimized = isMinimized();
            Report([&](Window& w) { w.UserState(maximized, minimized); });
        }
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        // Keys no control took: Enter presses the default button, F1 asks for help, Escape acts
        // as the close box.
        const int code = KeyCode(event);
        if (code == keys::kEnter || code == keys::kF1 || code == keys::kEscape) {
            Report([&](Window& w) { w.UserKey(0, code); });
            return;
        }
        QWidget::keyPressEvent(event);
    }

private:
    Window* model_;
    DialogUnits units_{QFont()};
};

inline WindowWidget* WindowWidgetOf(const Window& window) { return static_cast<WindowWidget*>(window.backendData); }
// The widget of a control; null while none is made.
inline QWidget* ControlWidget(const Control& control) { return static_cast<QWidget*>(control.backendData); }

inline int NumberOf(const QObject* object)
{
    const QVariant number = object->property(kNumberProperty);
    return number.isValid() ? number.toInt() : 0;
}


struct Applying {
    explicit Applying(WindowWidget* ww) : ww_(ww) { ++ww_->applying; }
    ~Applying() { --ww_->applying; }
    Applying(const Applying&) = delete;
    Applying& operator=(const Applying&) = delete;
    WindowWidget* ww_;
};


} // namespace quorin::ui
