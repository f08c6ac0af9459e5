#include "ModalDriver.h"
#include "platform/ui/qt/QtMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <gtest/gtest.h>

namespace quorin::ui {
namespace {

using test::ModalDriver;

struct Seen {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
};

Seen Look(QMessageBox* box)
{
    Seen seen{box->windowTitle(), box->text(), box->icon(), {}, {}};
    for (QAbstractButton* button : box->buttons()) {
        seen.buttons << button->text().remove(QLatin1Char('&'));
    }
    seen.buttons.sort();
    if (box->defaultButton() != nullptr) {
        seen.defaultButton = box->defaultButton()->text().remove(QLatin1Char('&'));
    }
    return seen;
}

MessageBoxRequest Request(std::string caption, std::string text, int iconId, int buttons, int defaultButton)
{
    MessageBoxRequest request;
    request.caption = std::move(caption);
    request.text = std::move(text);
    request.icon = iconId;
    request.buttons = buttons;
    request.defaultButton = defaultButton;
    return request;
}

TEST(QtMessageBox, ShowsCaptionLinesIconAndButtons)
{
    ModalDriver driver;
    Seen seen;
    driver.When<QMessageBox>([&](QMessageBox* box) {
        seen = Look(box);
        QTest::keyClick(box, Qt::Key_Return);
    });
    const int answer = ShowMessageBox(
        nullptr, Request("Viewer Error", "Open document Failed|C:\\Forms\\f\xC3\xBC.pdf", icon::kNone, button::kOk,
                         button::kOk));
    EXPECT_EQ(answer, button::kOk);
    EXPECT_EQ(driver.Pending(), 0u);
    EXPECT_EQ(seen.caption, "Viewer Error");
    EXPECT_EQ(seen.text, QString::fromUtf8("Open document Failed\nC:\\Forms\\f\xC3\xBC.pdf"));
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, QStringList{"OK"});
    EXPECT_EQ(seen.defaultButton, "OK");
}

TEST(QtMessageBox, SystemIconsShowAsMessageIcons)
{
    const struct {
        int id;
        QMessageBox::Icon icon;
    } cases[] = {
        {icon::kHand, QMessageBox::Critical},       {icon::kQuestion, QMessageBox::Question},
        {icon::kExclamation, QMessageBox::Warning}, {icon::kAsterisk, QMessageBox::Information},
        {32512, QMessageBox::NoIcon},
    };
    for (const auto& c : cases) {
        ModalDriver driver;
        QMessageBox::Icon shown = QMessageBox::NoIcon;
        driver.When<QMessageBox>([&](QMessageBox* box) {
            shown = box->icon();
            QTest::keyClick(box, Qt::Key_Return);
        });
        ShowMessageBox(nullptr, Request("COM Error", "x failed (80004005)", c.id, button::kOk, button::kOk));
        EXPECT_EQ(shown, c.icon) << c.id;
    }
}

// Return takes the default, Escape the refusal, a click the button clicked.
TEST(QtMessageBox, AnswersAreTheButtonsChosen)
{
    enum class Act { Return, Escape, Click };
    const struct {
        int buttons;
        int defaultButton;
        Act act;
        int clicked; // for Act::Click
        int expected;
        const char* defaultText;
    } cases[] = {
        {button::kYes | button::kNo, button::kYes, Act::Return, 0, button::kYes, "Yes"},
        {button::kYes | button::kNo, button::kNo, Act::Return, 0, button::kNo, "No"},
        {button::kYes | button::kNo, button::kYes, Act::Escape, 0, button::kNo, "Yes"},
        {button::kYes | button::kNo, button::kYes, Act::Click, button::kNo, button::kNo, "Yes"},
        {button::kYes | button::kNo, button::kNo, Act::Click, button::kYes, button::kYes, "No"},
        {button::kOk | button::kCancel, button::kOk, Act::Escape, 0, button::kCancel, "OK"},
        {button::kOk, button::kOk, Act::Escape, 0, button::kOk, "OK"},
    };
    for (const auto& c : cases) {
        ModalDriver driver;
        QString defaultText;
        driver.When<QMessageBox>([&](QMessageBox* box) {
            defaultText = box->defaultButton()->text().remove(QLatin1Char('&'));
            switch (c.act) {
            case Act::Return: QTest::keyClick(box, Qt::Key_Return); break;
            case Act::Escape: QTest::keyClick(box, Qt::Key_Escape); break;
            case Act::Click:
                box->button(c.clicked == button::kYes ? QMessageBox::Yes : QMessageBox::No)->click();
                break;
            }
        });
        const int answer =
            ShowMessageBox(nullptr, Request("Confirm Delete", "Are you sure?", icon::kQuestion, c.buttons, c.defaultButton));
        EXPECT_EQ(answer, c.expected) << c.buttons << " " << static_cast<int>(c.act);
        EXPECT_EQ(defaultText, c.defaultText);
    }
}

// A window manager draws the caption bold, centred between the window's icon on one side and up
// to three buttons (each as wide as the title bar is high) on the other, and cuts it where it
// would reach them: the box is wide enough for that however short its text, and for its buttons.
TEST(QtMessageBox, IsAsWideAsItsTitleBarAndItsButtonsNeed)
{
    const struct {
        const char* caption;
        const char* text;
        int buttons;
    } cases[] = {
        {"Viewer Error", "Open document Failed|a", button::kOk},
        {"Viewer Error: the master form could not be opened", "a", button::kOk},
        {"Retry", "?", button::kAbort | button::kRetry | button::kIgnore},
    };
    for (const auto& c : cases) {
        ModalDriver driver;
        int width = 0;
        int needed = 0;
        int buttons = 0;
        driver.When<QMessageBox>([&](QMessageBox* box) {
            width = box->width();
            QFont title = QApplication::font("QMdiSubWindowTitleBar");
            title.setBold(true);
            const int button = box->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, box);
            needed = QFontMetrics(title).horizontalAdvance(box->windowTitle()) + 6 * button;
            for (QAbstractButton* b : box->buttons()) {
                buttons += b->width();
            }
            QTest::keyClick(box, Qt::Key_Return);
        });
        ShowMessageBox(nullptr, Request(c.caption, c.text, icon::kNone, c.buttons, c.buttons & -c.buttons));
        EXPECT_GE(width, needed) << c.caption;
        EXPECT_GE(width, buttons) << c.caption;
    }
}

} // namespace
} // namespace quorin::ui
