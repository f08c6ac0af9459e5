// The INI manager's window operations: a window's position, size and state kept in a section named
// after its procedure.
#include "platform/classlib/IniManager.h"

#include <charconv>
#include <optional>
#include <string>

#include "platform/runtime/Control.h"
#include "platform/runtime/FixedText.h"
#include "platform/runtime/Window.h"

namespace quorin {

namespace {

// A stored number; none when the entry is missing or not a number (a hand-edited file).
std::optional<int> Number(const IniManager& ini, std::string_view section, std::string_view entry)
{
    const std::optional<std::string> text = ini.TryFetch(section, entry);
    if (!text) {
        return std::nullopt;
    }
    std::string_view t = Clip(*text);
    while (!t.empty() && t.front() == ' ') {
        t.remove_prefix(1);
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (ec != std::errc() || end != t.data() + t.size() || t.empty()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

void IniManager::RestoreWindow(std::string_view section, Window& window)
{
    if (!HasSection(section)) {
        return;
    }
    const std::optional<int> x = Number(*this, section, "XPos");
    const std::optional<int> y = Number(*this, section, "YPos");
    const std::optional<int> width = Number(*this, section, "Width");
    const std::optional<int> height = Number(*this, section, "Height");
    const std::optional<int> maximize = Number(*this, section, "Maximize");
    const std::optional<int> minimize = Number(*this, section, "Minimize");

    int newX = x.value_or(window.x());
    int newY = y.value_or(window.y());
    int newWidth = window.width();
    int newHeight = window.height();
    // A size is taken only by a window the user may resize, and only a real one.
    if (window.resizable() && width && height && *width > 0 && *height > 0) {
        newWidth = *width;
        newHeight = *height;
    }
    window.SetGeometry(newX, newY, newWidth, newHeight);
    if (maximize.value_or(0) != 0) {
        window.SetProperty(0, prop::kMaximize, "1");
    } else if (minimize.value_or(0) != 0) {
        window.SetProperty(0, prop::kIconize, "1");
    }
}

bool IniManager::SaveWindow(std::string_view section, Window& window)
{
    const bool maximized = window.maximized();
    const bool iconized = window.iconized();
    bool written = Update(section, "Maximize", maximized ? "1" : "0");
    written = Update(section, "Minimize", iconized ? "1" : "0") && written;
    if (!maximized && !iconized) {
        written = Update(section, "XPos", std::to_string(window.x())) && written;
        written = Update(section, "YPos", std::to_string(window.y())) && written;
        if (window.resizable()) {
            written = Update(section, "Width", std::to_string(window.width())) && written;
            written = Update(section, "Height", std::to_string(window.height())) && written;
        }
    }
    return written;
}

} // namespace quorin
