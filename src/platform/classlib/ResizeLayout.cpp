#include "platform/classlib/ResizeLayout.h"

#include <algorithm>

namespace quorin {

namespace {

// value * now / was, rounded to the nearest unit; 64-bit so large coordinates do not overflow.
std::int32_t Scale(std::int32_t value, std::int32_t now, std::int32_t was)
{
    if (was <= 0) {
        return value;
    }
    const std::int64_t product = static_cast<std::int64_t>(value) * now;
    const std::int64_t half = was / 2;
    const std::int64_t scaled = product >= 0 ? (product + half) / was : -((-product + half) / was);
    return static_cast<std::int32_t>(scaled);
}

std::int32_t Clamp(std::int32_t value, std::int32_t minimum, std::int32_t maximum)
{
    if (maximum > 0) {
        value = std::min(value, maximum);
    }
    if (minimum > 0) {
        value = std::max(value, minimum);
    }
    return value;
}

} // namespace

ResizeRect ScaleToWindow(const ResizeRect& defined, ResizeSize definedWindow, ResizeSize window, bool keepHeight)
{
    ResizeRect r;
    r.x = Scale(defined.x, window.width, definedWindow.width);
    r.width = Scale(defined.width, window.width, definedWindow.width);
    r.y = Scale(defined.y, window.height, definedWindow.height);
    r.height = keepHeight ? defined.height : Scale(defined.height, window.height, definedWindow.height);
    return r;
}

ResizeSize ClampWindowSize(ResizeSize size, ResizeSize minimum, ResizeSize maximum)
{
    return {Clamp(size.width, minimum.width, maximum.width), Clamp(size.height, minimum.height, maximum.height)};
}

} // namespace quorin
