#include "platform/ui/qt/DialogUnits.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QPixmap>
#include <gtest/gtest.h>

namespace quorin::ui {
namespace {

TEST(DialogUnits, DialogTypefacesMapToTheDesktopSansFont)
{
    const QString desktop = QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
    for (const char* face : {"MS Sans Serif", "ms shell dlg", "Microsoft Sans Serif", ""}) {
        const QFont font = WindowFont(face, 8, 400);
        EXPECT_EQ(QFontInfo(font).family(), desktop) << face;
        EXPECT_EQ(font.pointSize(), 8) << face;
        EXPECT_EQ(font.weight(), QFont::Normal) << face;
    }
    EXPECT_EQ(WindowFont("MS Sans Serif", 8, 700).weight(), QFont::Bold);
}

// With no usable font every glyph is drawn as the same box and nothing warns: narrow and wide
// letters must come out differently.
TEST(DialogUnits, TheWindowFontDrawsReadableText)
{
    const QFont font = WindowFont("MS Sans Serif", 8, 400);
    const auto draw = [&](const char* text) {
        QLabel label(QString::fromLatin1(text));
        label.setFont(font);
        label.adjustSize();
        return label.grab().toImage();
    };
    const QImage narrow = draw("iiii");
    const QImage wide = draw("WWWW");
    EXPECT_LT(narrow.width(), wide.width());
    EXPECT_NE(narrow, wide);
}

TEST(DialogUnits, UnitsScaleByQuarterWidthAndEighthHeightRounded)
{
    const DialogUnits units(WindowFont("MS Sans Serif", 8, 400));
    EXPECT_EQ(units.ToPixelsX(4), units.BaseX());
    EXPECT_EQ(units.ToPixelsY(8), units.BaseY());
    EXPECT_EQ(units.ToPixelsX(0), 0);
    for (int du : {1, 7, 12, 65, 311, 330}) {
        EXPECT_EQ(units.ToPixelsX(du), (du * units.BaseX() * 2 + 4) / 8) << du;
        EXPECT_EQ(units.ToUnitsX(units.ToPixelsX(du)), du) << du;
        EXPECT_EQ(units.ToUnitsY(units.ToPixelsY(du)), du) << du;
    }
    const QRect rect = units.ToPixels(QRect(9, 292, 235, 10));
    EXPECT_EQ(rect.x(), units.ToPixelsX(9));
    EXPECT_EQ(rect.y(), units.ToPixelsY(292));
    EXPECT_EQ(rect.width(), units.ToPixelsX(235));
    EXPECT_EQ(rect.height(), units.ToPixelsY(10));
}

// Measured on this desktop's font: the main window's 330 by 345 units.
TEST(DialogUnits, MainWindowSizeWithDejaVuSans)
{
    const QFont font = WindowFont("MS Sans Serif", 8, 400);
    if (QFontInfo(font).family() != QLatin1String("DejaVu Sans") || QFontInfo(font).pixelSize() != 11) {
        GTEST_SKIP() << "desktop font is " << QFontInfo(font).family().toStdString();
    }
    const DialogUnits units(font);
    EXPECT_EQ(units.ToPixels(QSize(330, 345)), QSize(578, 561));
}

} // namespace
} // namespace quorin::ui
