#include "platform/classlib/Toolbar.h"

#include <algorithm>

#include "platform/classlib/WindowManager.h"

namespace quorin {

void Toolbar::AddTarget(ToolbarTarget* target)
{
    if (target != nullptr && std::find(LIST.begin(), LIST.end(), target) == LIST.end()) {
        LIST.push_back(target);
    }
}

void Toolbar::RemoveTarget(ToolbarTarget* target)
{
    LIST.erase(std::remove(LIST.begin(), LIST.end(), target), LIST.end());
}

std::uint8_t Toolbar::TakeAccepted(int control, int focusedControl)
{
    if (control < toolbar::kBottom || control > toolbar::kHelp) {
        return 0;
    }
    if (control == toolbar::kHistory) {
        if (window_ != nullptr && focusedControl != 0) {
            window_->RestoreField(focusedControl);
        }
        return 5;
    }
    if (!LIST.empty() && LIST.back()->TakeToolbarAction(control)) {
        return 5;
    }
    return 0;
}

} // namespace quorin
