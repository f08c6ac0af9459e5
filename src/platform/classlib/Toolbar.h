#pragma once
// The toolbar dispatcher: turns the accepted toolbar buttons into the window's and its browse's
// operations. A procedure makes it cleared and hands it to the window manager and the browse.
#include <cstdint>
#include <vector>

namespace quorin {

class WindowManager;

// Control numbers of the standard toolbar buttons.
namespace toolbar {
inline constexpr int kBottom = 3000;
inline constexpr int kTop = 3001;
inline constexpr int kPageDown = 3002;
inline constexpr int kPageUp = 3003;
inline constexpr int kDown = 3004;
inline constexpr int kUp = 3005;
inline constexpr int kLocate = 3006;
inline constexpr int kInsert = 3008;
inline constexpr int kChange = 3009;
inline constexpr int kDelete = 3010;
inline constexpr int kSelect = 3011;
inline constexpr int kHistory = 3012;
inline constexpr int kHelp = 3013;
} // namespace toolbar

// A toolbar's target: what the navigation and update buttons act on (a browse).
class ToolbarTarget {
public:
    virtual ~ToolbarTarget() = default;
    // True when the target did something with the button.
    virtual bool TakeToolbarAction(int action) = 0;
};

class Toolbar {
public:
    std::vector<ToolbarTarget*> LIST; // the targets, the latest one current

    // The window whose history button restores a field.
    void SetWindow(WindowManager* window) { window_ = window; }
    WindowManager* window() const { return window_; }
    void AddTarget(ToolbarTarget* target);
    void RemoveTarget(ToolbarTarget* target);

    // The accepted control, when it is a toolbar button: 5 when something took it, else 0.
    std::uint8_t TakeAccepted(int control, int focusedControl);

private:
    WindowManager* window_ = nullptr;
};

} // namespace quorin
