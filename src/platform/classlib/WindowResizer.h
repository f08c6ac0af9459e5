#pragma once
// The window resizer: lays a window's controls out again when the window's size changes, after a
// strategy applied to every control. Strategy 2: each control moves and grows in proportion to the
// window's growth over its defined size; buttons keep their height.
#include <cstdint>
#include <vector>

#include "platform/classlib/ResizeLayout.h"

namespace quorin {

class Window;

namespace resize {
inline constexpr std::uint8_t kNone = 0;         // the control stays where it is defined
inline constexpr std::uint8_t kProportional = 2; // moves and grows with the window
} // namespace resize

class WindowResizer {
public:
    struct Geometry {
        std::int32_t XPOS = 0;
        std::int32_t YPOS = 0;
        std::int32_t WIDTH = 0;
        std::int32_t HEIGHT = 0;
    };
    struct OriginalWindow : Geometry {
        std::uint8_t MAXIMIZED = 0;
        std::uint8_t ICONIZED = 0;
    };
    // One control as defined, with the strategy it follows.
    struct ControlEntry {
        int control = 0;
        ResizeRect defined;
        bool keepHeight = false; // buttons
        std::uint8_t strategy = resize::kNone;
    };

    std::uint8_t APPSTRATEGY = 0;
    std::uint8_t AUTOTRANSPARENT = 0;
    OriginalWindow ORIGWIN;
    std::vector<ControlEntry> CONTROLQUEUE;
    std::uint8_t DEFERMOVES = 0;
    Geometry PREVIOUSWIN;
    std::uint8_t RESIZECALLED = 0;
    std::vector<int> RESIZELIST; // the controls that the last layout placed

    WindowResizer() = default;
    virtual ~WindowResizer() = default;
    WindowResizer(const WindowResizer&) = delete;
    WindowResizer& operator=(const WindowResizer&) = delete;

    // On the thread's current window: records its geometry and its controls, sets its Imm property,
    // applies the strategy to every control when it is 2 or 4, and with setMinimum (setMaximum) makes
    // the recorded size the smallest (largest) the user can give the window.
    virtual void Init(std::uint8_t strategy, std::uint8_t setMinimum, std::uint8_t setMaximum);
    // Lays the controls out for the window's current size; nothing when the size is that of the
    // last layout. A window below its minimum (or above its maximum) is brought back within them.
    virtual void Resize();
    // Forgets the window; the controls stay where they are.
    virtual void Kill();
    // Records the window's geometry and controls afresh, as they are now.
    virtual void Reset();
    // The strategy of one control; false when the resizer does not know the control.
    virtual bool SetStrategy(int control, std::uint8_t strategy);
    // Where a control goes for a window size, after its strategy.
    virtual ResizeRect Placement(const ControlEntry& entry, ResizeSize window) const;
    // The limits of the window's size (0: none).
    virtual ResizeSize MinimumSize() const;
    // Every control follows APPSTRATEGY.
    virtual void ApplyStrategies();
    virtual ResizeSize MaximumSize() const;
    // After a layout, for a derived resizer that places more.
    virtual void Resized() {}

    Window* window() const { return window_; }

private:
    Window* window_ = nullptr;
};

} // namespace quorin
