// The window part of the scripted backend.
#include "platform/runtime/Window.h"
#include "platform/ui/scripted/ScriptedUi.h"

namespace quorin {

void ScriptedUi::QueueAction(std::function<void(Window&)> action)
{
    std::lock_guard lock(mutex_);
    actions_.push_back(std::move(action));
}

void ScriptedUi::Type(int control, std::string text)
{
    QueueAction([control, text = std::move(text)](Window& w) {
        w.UserFocus(control);
        if (w.focus() == control)
            w.UserEdit(control, text);
    });
}

void ScriptedUi::Leave(int control, int next)
{
    QueueAction([control, next](Window& w) {
        if (w.focus() == control)
            w.UserFocus(next);
    });
}

void ScriptedUi::Press(int control)
{
    QueueAction([control](Window& w) { w.UserPress(control); });
}

void ScriptedUi::PickRow(int control, int row)
{
    QueueAction([control, row](Window& w) { w.UserPickRow(control, row); });
}

void ScriptedUi::Key(int control, int key)
{
    QueueAction([control, key](Window& w) { w.UserKey(control, key); });
}

void ScriptedUi::PickTab(int sheet, int tab)
{
    QueueAction([sheet, tab](Window& w) { w.UserPickTab(sheet, tab); });
}

void ScriptedUi::Scroll(int control, EventCode how)
{
    QueueAction([control, how](Window& w) { w.UserScroll(control, how); });
}

void ScriptedUi::CloseBox()
{
    QueueAction([](Window& w) { w.UserClose(); });
}

void ScriptedUi::Resize(int width, int height)
{
    QueueAction([width, height](Window& w) { w.UserResize(width, height); });
}

void ScriptedUi::Help()
{
    QueueAction([](Window& w) { w.UserHelp(); });
}

void ScriptedUi::Do(std::function<void(Window&)> step) { QueueAction(std::move(step)); }

std::size_t ScriptedUi::PendingActions() const
{
    std::lock_guard lock(mutex_);
    return actions_.size();
}

void ScriptedUi::QueueFileAnswer(std::optional<std::string> path)
{
    std::lock_guard lock(mutex_);
    fileAnswers_.push_back(std::move(path));
}

void ScriptedUi::QueueMenuChoice(int item)
{
    std::lock_guard lock(mutex_);
    menuChoices_.push_back(item);
}

std::vector<ScriptedUi::ShownWindow> ScriptedUi::ShownWindows() const
{
    std::lock_guard lock(mutex_);
    return shown_;
}

std::vector<FileDialogRequest> ScriptedUi::FileDialogs() const
{
    std::lock_guard lock(mutex_);
    return fileDialogs_;
}

std::vector<std::vector<std::string>> ScriptedUi::Menus() const
{
    std::lock_guard lock(mutex_);
    return menus_;
}

std::vector<int> ScriptedUi::MenuPlaces() const
{
    std::lock_guard lock(mutex_);
    return menuPlaces_;
}

std::vector<std::string> ScriptedUi::HelpRequests() const
{
    std::lock_guard lock(mutex_);
    return helpRequests_;
}

std::vector<ScriptedUi::Refusal> ScriptedUi::Refusals() const
{
    std::lock_guard lock(mutex_);
    return refusals_;
}

void ScriptedUi::ClearRefusals()
{
    std::lock_guard lock(mutex_);
    refusals_.clear();
}

bool ScriptedUi::WaitCursor() const
{
    std::lock_guard lock(mutex_);
    return waitCursor_;
}

int ScriptedUi::WaitCursorChanges() const
{
    std::lock_guard lock(mutex_);
    return waitCursorChanges_;
}

void ScriptedUi::CreateWindowWidget(Window& window) { (void)window; }

void ScriptedUi::ShowWindow(Window& window, Window* owner)
{
    std::lock_guard lock(mutex_);
    shown_.push_back({window.title(), owner != nullptr, true, &window});
}

void ScriptedUi::DestroyWindowWidget(Window& window)
{
    std::lock_guard lock(mutex_);
    for (ShownWindow& shown : shown_)
        if (shown.open && shown.window == &window) {
            shown.open = false;
            shown.window = nullptr;
        }
}

void ScriptedUi::WindowChanged(Window& window, unsigned changes)
{
    if ((changes & kChangeTitle) == 0)
        return;
    std::lock_guard lock(mutex_);
    for (ShownWindow& shown : shown_)
        if (shown.open && shown.window == &window)
            shown.title = window.title();
}

std::vector<ScriptedUi::ControlLook> ScriptedUi::Look(const Window& window)
{
    std::vector<ControlLook> looks;
    for (const Control* c : window.Controls())
        looks.push_back({c->number(), c->label(), c->screenText(), c->enabled(), c->Visible(), c->readOnly(),
                         window.focus() == c->number()});
    return looks;
}

bool ScriptedUi::WaitForAction(Window& window)
{
    std::function<void(Window&)> action;
    {
        std::lock_guard lock(mutex_);
        if (actions_.empty())
            return false;
        action = std::move(actions_.front());
        actions_.pop_front();
    }
    action(window); // outside the lock: an action may open a box or a nested window
    return true;
}

std::optional<std::string> ScriptedUi::AskFile(const FileDialogRequest& request)
{
    std::lock_guard lock(mutex_);
    fileDialogs_.push_back(request);
    if (fileAnswers_.empty())
        return std::nullopt;
    std::optional<std::string> answer = std::move(fileAnswers_.front());
    fileAnswers_.pop_front();
    return answer;
}

int ScriptedUi::PopupMenu(Window& window, const std::vector<std::string>& items, int atRowOf)
{
    (void)window;
    std::lock_guard lock(mutex_);
    menus_.push_back(items);
    menuPlaces_.push_back(atRowOf);
    if (menuChoices_.empty())
        return 0;
    const int choice = menuChoices_.front();
    menuChoices_.pop_front();
    return choice >= 0 && choice <= static_cast<int>(items.size()) ? choice : 0;
}

void ScriptedUi::EntryRefused(Window& window, Control& control, std::string_view what)
{
    (void)window;
    std::lock_guard lock(mutex_);
    refusals_.push_back({control.number(), control.screenText(), std::string(what)});
}

void ScriptedUi::SetWaitCursor(bool on)
{
    std::lock_guard lock(mutex_);
    if (waitCursor_ != on)
        ++waitCursorChanges_;
    waitCursor_ = on;
}

void ScriptedUi::ShowHelp(Window& window, std::string_view helpId)
{
    {
        std::lock_guard lock(mutex_);
        helpRequests_.emplace_back(helpId);
    }
    UserInterface::ShowHelp(window, helpId); // the no-help box, answered like any other
}

} // namespace quorin
