#pragma once
// The arithmetic behind the window resizer's strategies, apart from any window so it can be checked
// on its own: where a control goes when its window is given a new size.
#include <cstdint>

namespace quorin {

struct ResizeRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const ResizeRect&, const ResizeRect&) = default;
};

struct ResizeSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const ResizeSize&, const ResizeSize&) = default;
};

// Strategy 2: every control moves and grows in proportion to the window's growth over its defined
// size; a control that keeps its height (a button) still moves and widens. A defined size of 0 in a
// direction (nothing to scale against) leaves that direction as defined.
ResizeRect ScaleToWindow(const ResizeRect& defined, ResizeSize definedWindow, ResizeSize window, bool keepHeight);

// The size a window may have: at least the minimum, at most the maximum; 0 means no limit.
ResizeSize ClampWindowSize(ResizeSize size, ResizeSize minimum, ResizeSize maximum);

} // namespace quorin
