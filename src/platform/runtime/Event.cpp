#include "platform/runtime/Event.h"

namespace quorin {

std::string_view EventName(EventCode code)
{
    switch (code) {
    case EventCode::None: return "None";
    case EventCode::Accepted: return "Accepted";
    case EventCode::NewSelection: return "NewSelection";
    case EventCode::Selected: return "Selected";
    case EventCode::Rejected: return "Rejected";
    case EventCode::AlertKey: return "AlertKey";
    case EventCode::ScrollUp: return "ScrollUp";
    case EventCode::ScrollDown: return "ScrollDown";
    case EventCode::PageUp: return "PageUp";
    case EventCode::PageDown: return "PageDown";
    case EventCode::ScrollTop: return "ScrollTop";
    case EventCode::ScrollBottom: return "ScrollBottom";
    case EventCode::OpenWindow: return "OpenWindow";
    case EventCode::CloseWindow: return "CloseWindow";
    case EventCode::CloseDown: return "CloseDown";
    case EventCode::Completed: return "Completed";
    case EventCode::Sized: return "Sized";
    case EventCode::Moved: return "Moved";
    case EventCode::Maximized: return "Maximized";
    case EventCode::Iconized: return "Iconized";
    case EventCode::Restored: return "Restored";
    }
    return "Unknown";
}

} // namespace quorin
