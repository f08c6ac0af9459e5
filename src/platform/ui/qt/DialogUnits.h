#pragma once
// Dialog units: a window definition places its controls in units of the window's font, a quarter
// of the font's average character width across and an eighth of its height down.
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <string_view>

namespace quorin::ui {

// The font a window definition names, as this desktop has it: the classic dialog typefaces (which
// do not exist here) map to the desktop's sans font, any other face is asked for by name with a
// sans fallback. A size of 0 points keeps the desktop's size; a weight of 0 is regular.
QFont WindowFont(std::string_view typeface, int points, int weight);

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    // Average character width and line height of the font, in pixels.
    int BaseX() const { return baseX_; }
    int BaseY() const { return baseY_; }

    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    int ToUnitsX(int pixels) const;
    int ToUnitsY(int pixels) const;

    QPoint ToPixels(QPoint units) const { return {ToPixelsX(units.x()), ToPixelsY(units.y())}; }
    QSize ToPixels(QSize units) const { return {ToPixelsX(units.width()), ToPixelsY(units.height())}; }
    QRect ToPixels(QRect units) const { return {ToPixels(units.topLeft()), ToPixels(units.size())}; }

private:
    int baseX_;
    int baseY_;
};

} // namespace quorin::ui
