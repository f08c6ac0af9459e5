// Where a window the program placed goes on the screens, whatever place and size it was given.
#include "platform/ui/qt/QtPlacement.h"

#include <gtest/gtest.h>

#include <climits>

namespace quorin::ui {
namespace {

std::ostream& operator<<(std::ostream& out, const WindowPlace& p)
{
    return out << "(" << p.frameTopLeft.x() << "," << p.frameTopLeft.y() << ") " << p.clientSize.width() << "x"
               << p.clientSize.height();
}

TEST(PlaceOnScreen, AnyPlaceAndSizeEndsReachableOnTheNearestScreen)
{
    const QMargins frame(4, 26, 4, 4); // a title bar of 22 pixels inside a 4-pixel border
    const QRect left(0, 0, 1280, 1024);
    const QRect right(1280, 0, 1024, 768);
    const QSize least(600, 300);
    struct Case {
        const char* what;
        QList<QRect> screens;
        WindowPlace wanted;
        WindowPlace placed;
    } const cases[] = {
        {"on the screen: kept, grown to its least size", {left, right}, {{100, 100}, {500, 400}}, {{100, 100}, {600, 400}}},
        {"bottom off but title bar and most on: kept", {left}, {{100, 700}, {600, 400}}, {{100, 700}, {600, 400}}},
        {"huge, up and far right: cut to the right screen, on it",
         {left, right}, {{99999, -99999}, {99999, 99999}}, {{1280, 0}, {1016, 738}}},
        {"beyond the left edge", {left, right}, {{-5000, 100}, {600, 400}}, {{0, 100}, {600, 400}}},
        {"beyond the top edge", {left, right}, {{100, -5000}, {600, 400}}, {{100, 0}, {600, 400}}},
        {"beyond the right edge: the right screen", {left, right}, {{5000, 100}, {600, 400}}, {{1696, 100}, {600, 400}}},
        {"beyond the bottom edge: the screen under it", {left, right}, {{100, 5000}, {600, 400}}, {{100, 594}, {600, 400}}},
        {"title bar cut by the right edge", {left}, {{700, 100}, {600, 400}}, {{672, 100}, {600, 400}}},
        {"title bar above the top", {left}, {{100, -10}, {600, 400}}, {{100, 0}, {600, 400}}},
        {"less than half on the screen", {left}, {{-400, 100}, {600, 400}}, {{0, 100}, {600, 400}}},
        {"zero size: its least size", {left}, {{10, 10}, {0, 0}}, {{10, 10}, {600, 300}}},
        {"the ends of an int", {left}, {{INT_MIN, INT_MAX}, {INT_MAX, INT_MAX}}, {{0, 0}, {1272, 994}}},
        {"negative size", {left}, {{10, 10}, {-5, -5}}, {{10, 10}, {600, 300}}},
        {"no screen known: kept", {}, {{-20, 30}, {700, 500}}, {{-20, 30}, {700, 500}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlaceOnScreen(c.wanted, frame, least, c.screens), c.placed) << c.what;
    }
}

TEST(PlaceOnScreen, ALeastSizeLargerThanTheScreenWinsWithTheTitleBarOnIt)
{
    const QRect screen(0, 0, 800, 600);
    const WindowPlace placed = PlaceOnScreen({{300, 300}, {100, 100}}, QMargins(4, 26, 4, 4), QSize(1000, 900), {screen});
    EXPECT_EQ(placed.clientSize, QSize(1000, 900));
    EXPECT_EQ(placed.frameTopLeft, QPoint(0, 0));
}

} // namespace
} // namespace quorin::ui
