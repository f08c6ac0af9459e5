#include "ModalDriver.h"
#include "platform/ui/qt/QtMessageBox.h"

#include <QMessageBox>
#include <QPushButton>
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

TEST(QtMessageBox, ShowsCaptionLinesIconAndButtons)
{
    ModalDriver driver;
    Seen seen;
    driver.When<QMessageBox>([&](QMessageBox* box) {
        seen = Look(box);
        QTest::keyClick(box, Qt::Key_Return);
    });
    const BoxAnswer answer = ShowMessageBox(
        nullptr, {"Viewer Error", BoxText("Open document Failed|C:\\Forms\\f\xC3\xBC.pdf"), BoxIcon::None,
                  BoxButtons::Ok, BoxAnswer::Ok});
    EXPECT_EQ(answer, BoxAnswer::Ok);
    EXPECT_EQ(driver.Pending(), 0u);
    EXPECT_EQ(seen.caption, "Viewer Error");
    EXPECT_EQ(seen.text, QString::fromUtf8("Open document Failed\nC:\\Forms\\f\xC3\xBC.pdf"));
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, QStringList{"OK"});
    EXPECT_EQ(seen.defaultButton, "OK");
}

TEST(QtMessageBox, SystemIconsMapToMessageIcons)
{
    const struct {
        int id;
        BoxIcon icon;
    } cases[] = {
        {32513, BoxIcon::Error},       {32514, BoxIcon::Question}, {32515, BoxIcon::Warning},
        {32516, BoxIcon::Information}, {32512, BoxIcon::None},     {0, BoxIcon::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BoxIconFromSystemId(c.id), c.icon) << c.id;
    }

    ModalDriver driver;
    QMessageBox::Icon shown = QMessageBox::NoIcon;
    driver.When<QMessageBox>([&](QMessageBox* box) {
        shown = box->icon();
        QTest::keyClick(box, Qt::Key_Return);
    });
    ShowMessageBox(nullptr, {"COM Error", "x failed (80004005)", BoxIcon::Information, BoxButtons::Ok, BoxAnswer::Ok});
    EXPECT_EQ(shown, QMessageBox::Information);
}

// Return takes the default, Escape the refusal, a click the button clicked.
TEST(QtMessageBox, YesNoAnswers)
{
    enum class Act { Return, Escape, ClickYes, ClickNo };
    const struct {
        BoxAnswer defaultAnswer;
        Act act;
        BoxAnswer expected;
    } cases[] = {
        {BoxAnswer::Yes, Act::Return, BoxAnswer::Yes},  {BoxAnswer::No, Act::Return, BoxAnswer::No},
        {BoxAnswer::Yes, Act::Escape, BoxAnswer::No},   {BoxAnswer::Yes, Act::ClickNo, BoxAnswer::No},
        {BoxAnswer::No, Act::ClickYes, BoxAnswer::Yes},
    };
    for (const auto& c : cases) {
        ModalDriver driver;
        QString defaultText;
        driver.When<QMessageBox>([&](QMessageBox* box) {
            defaultText = box->defaultButton()->text().remove(QLatin1Char('&'));
            switch (c.act) {
            case Act::Return:
                QTest::keyClick(box, Qt::Key_Return);
                break;
            case Act::Escape:
                QTest::keyClick(box, Qt::Key_Escape);
                break;
            case Act::ClickYes:
                box->button(QMessageBox::Yes)->click();
                break;
            case Act::ClickNo:
                box->button(QMessageBox::No)->click();
                break;
            }
        });
        const BoxAnswer answer = ShowMessageBox(nullptr, {"Confirm Delete", "Are you sure?", BoxIcon::Question,
                                                          BoxButtons::YesNo, c.defaultAnswer});
        EXPECT_EQ(answer, c.expected) << static_cast<int>(c.act);
        EXPECT_EQ(defaultText, c.defaultAnswer == BoxAnswer::Yes ? "Yes" : "No");
    }
}

} // namespace
} // namespace quorin::ui
