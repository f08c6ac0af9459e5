#pragma once
// The Qt 6 Widgets backend: each window of the model a top-level widget sized in dialog units of
// its font, each control a child widget. The model stays the truth: widgets are drawn from it and
// report the user's actions back through Window::User...; the pull loop waits inside Qt.
#include <optional>
#include <string>
#include <vector>

#include "platform/runtime/UserInterface.h"
#include "platform/ui/qt/QtInputOrder.h"

class QWidget;

namespace quorin::ui {

class QtUi : public UserInterface {
public:
    QtUi() = default;
    ~QtUi() override;
    QtUi(const QtUi&) = delete;
    QtUi& operator=(const QtUi&) = delete;

    int ShowMessageBox(const MessageBoxRequest& request) override;

    void CreateWindowWidget(Window& window) override;
    void ShowWindow(Window& window, Window* owner) override;
    void DestroyWindowWidget(Window& window) override;
    void CreateControlWidget(Window& window, Control& control) override;
    void DestroyControlWidget(Window& window, Control& control) override;
    void ControlChanged(Window& window, Control& control, unsigned changes) override;
    void WindowChanged(Window& window, unsigned changes) override;
    void FocusChanged(Window& window, int focus) override;
    void EventPosted(Window& window) override;
    bool WaitForAction(Window& window) override;
    std::optional<std::string> AskFile(const FileDialogRequest& request) override;
    int PopupMenu(Window& window, const std::vector<std::string>& items, int atRowOf) override;
    void EntryRefused(Window& window, Control& control, std::string_view what) override;
    void SetWaitCursor(bool on) override;

    // The widgets of a window and of a control; null while none is made.
    static QWidget* WidgetOf(const Window& window);
    static QWidget* WidgetOf(const Control& control);

private:
    InputOrder order_;
    std::vector<Window*> shown_;
    bool waitCursor_ = false;
};

} // namespace quorin::ui
