#include "platform/ui/scripted/ScriptedUi.h"

#include <gtest/gtest.h>

namespace quorin {
namespace {

TEST(ScriptedUi, AnswersInOrderThenDefaultAndRecordsEveryBox)
{
    ScriptedUi ui;
    ScopedUserInterface installed(ui);
    ui.QueueAnswer(button::kNo);

    EXPECT_EQ(ShowMessageIcon("Are you sure?", "Confirm", icon::kQuestion, button::kYes | button::kNo,
                              button::kYes),
              button::kNo);
    // No answer left: the default button.
    EXPECT_EQ(ShowMessageIcon("Again?", "Confirm", icon::kQuestion, button::kYes | button::kNo,
                              button::kYes),
              button::kYes);
    ASSERT_EQ(ui.MessageCount(), 2u);
    const MessageBoxRequest first = ui.Messages()[0];
    EXPECT_EQ(first.text, "Are you sure?");
    EXPECT_EQ(first.caption, "Confirm");
    EXPECT_EQ(first.icon, icon::kQuestion);
    EXPECT_EQ(first.buttons, button::kYes | button::kNo);
    EXPECT_EQ(first.defaultButton, button::kYes);
    EXPECT_EQ(ui.PendingAnswers(), 0u);
}

TEST(ScriptedUi, ShowMessageNormalisesButtonsAndIcon)
{
    ScriptedUi ui;
    ScopedUserInterface installed(ui);

    // Empty icon and buttons: no icon, the single button OK as default.
    EXPECT_EQ(ShowMessage("Open document Failed|C:\\a.pdf", "Viewer Error"), button::kOk);
    MessageBoxRequest box = ui.LastMessage();
    EXPECT_EQ(box.icon, icon::kNone);
    EXPECT_EQ(box.buttons, button::kOk);
    EXPECT_EQ(box.defaultButton, button::kOk);
    EXPECT_EQ(MessageLines(box.text), (std::vector<std::string>{"Open document Failed", "C:\\a.pdf"}));

    // A system icon given as its icon text; a default outside the set becomes the first button.
    ShowMessage("x", "y", SystemIconText(icon::kAsterisk), button::kYes | button::kNo, button::kCancel);
    box = ui.LastMessage();
    EXPECT_EQ(box.icon, icon::kAsterisk);
    EXPECT_EQ(box.defaultButton, button::kYes);
}

TEST(ScriptedUi, WithoutBackendTheDefaultAnswers)
{
    ASSERT_EQ(InstalledUserInterface(), nullptr);
    EXPECT_EQ(ShowMessage("t", "c", {}, button::kYes | button::kNo, button::kNo), button::kNo);
}

} // namespace
} // namespace quorin
