#include <gtest/gtest.h>

#include "platform/classlib/ResizeLayout.h"

namespace quorin {
namespace {

TEST(ResizeLayout, ControlsFollowTheWindowsGrowthInProportion)
{
    const ResizeSize defined{358, 182};
    struct Case {
        ResizeRect control;
        ResizeSize window;
        bool keepHeight;
        ResizeRect expected;
    };
    const Case cases[] = {
        // Same size: nothing moves.
        {{4, 4, 350, 156}, {358, 182}, false, {4, 4, 350, 156}},
        // Twice as wide and high: position and size double.
        {{4, 4, 350, 156}, {716, 364}, false, {8, 8, 700, 312}},
        // A button keeps its height but moves down and widens.
        {{199, 164, 49, 14}, {716, 364}, true, {398, 328, 98, 14}},
        // Only wider: vertical layout stays.
        {{72, 20, 104, 10}, {537, 182}, false, {108, 20, 156, 10}},
        // Rounded to the nearest unit, not truncated.
        {{10, 10, 10, 10}, {394, 200}, false, {11, 11, 11, 11}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScaleToWindow(c.control, defined, c.window, c.keepHeight), c.expected)
            << c.window.width << "x" << c.window.height;
    }
}

TEST(ResizeLayout, NoDefinedSizeLeavesTheControlAsDefined)
{
    const ResizeRect control{5, 6, 7, 8};
    EXPECT_EQ(ScaleToWindow(control, {0, 0}, {500, 500}, false), control);
}

TEST(ResizeLayout, WindowSizeStaysWithinItsLimits)
{
    const ResizeSize minimum{358, 182};
    EXPECT_EQ(ClampWindowSize({100, 50}, minimum, {}), (ResizeSize{358, 182}));
    EXPECT_EQ(ClampWindowSize({900, 700}, minimum, {}), (ResizeSize{900, 700})); // no maximum
    EXPECT_EQ(ClampWindowSize({900, 100}, minimum, {500, 400}), (ResizeSize{500, 182}));
    EXPECT_EQ(ClampWindowSize({10, 10}, {}, {}), (ResizeSize{10, 10}));
}

} // namespace
} // namespace quorin
