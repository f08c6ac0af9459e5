// The scripted backend's window part: what it records of the windows, dialogs and menus shown.
#include <gtest/gtest.h>

#include "platform/runtime/ControlKinds.h"
#include "platform/runtime/FixedText.h"
#include "platform/runtime/UserInterface.h"
#include "platform/runtime/Window.h"
#include "platform/ui/scripted/ScriptedUi.h"

namespace quorin {
namespace {

class ScriptedWindowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LinkAllControlKinds();
        WindowDefinition d;
        d.module = "tests$scripted";
        d.name = "FORM";
        d.title = "Stored Title";
        d.width = 100;
        d.height = 60;
        ControlDefinition entry;
        entry.label = "?NAME";
        entry.kind = ControlKind::Entry;
        entry.caption = "s10";
        d.controls.push_back(entry);
        ControlDefinition button;
        button.label = "?GO";
        button.kind = ControlKind::Button;
        button.caption = "&Go";
        d.controls.push_back(button);
        RegisterWindowDefinition(d);
    }

    ScriptedUi ui;
    ScopedUserInterface scope{ui};
    FixedText<10> name{"Ann"};
};

TEST_F(ScriptedWindowsTest, RecordsTitlesAsShownAndWhatEachControlShows)
{
    auto window = NewWindow("tests$scripted", "FORM", {BoundVariable::Of(name)});
    window->Open();
    window->SetTitle("Record Will Be Added"); // replaced after opening
    window->Enable(2, 0, false);
    std::vector<ScriptedUi::ControlLook> look;
    ui.Type(1, "Bob");
    ui.Do([&](Window& w) { look = ScriptedUi::Look(w); });
    while (window->NextEvent()) {
    }
    ASSERT_EQ(look.size(), 2u);
    EXPECT_EQ(look[0].label, "?NAME");
    EXPECT_EQ(look[0].text, "Bob");
    EXPECT_TRUE(look[0].focus);
    EXPECT_EQ(look[1].text, "&Go");
    EXPECT_FALSE(look[1].enabled);
    EXPECT_FALSE(look[1].focus);

    const auto shown = ui.ShownWindows();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, "Record Will Be Added");
    EXPECT_FALSE(shown[0].open) << "the script ran out, so the loop closed the window";
    EXPECT_EQ(ui.PendingActions(), 0u);
}

TEST_F(ScriptedWindowsTest, AnswersFileDialogsAndMenusInOrder)
{
    ui.QueueFileAnswer(std::string("/tmp/a.pdf"));
    ui.QueueFileAnswer(std::nullopt);
    FileDialogRequest request;
    request.title = "Select A File";
    EXPECT_EQ(AskFileName(request), std::optional<std::string>("/tmp/a.pdf"));
    EXPECT_EQ(AskFileName(request), std::nullopt);
    EXPECT_EQ(AskFileName(request), std::nullopt) << "none queued: cancelled";
    ASSERT_EQ(ui.FileDialogs().size(), 3u);
    EXPECT_EQ(ui.FileDialogs()[0].title, "Select A File");

    auto window = NewWindow("tests$scripted", "FORM", {BoundVariable::Of(name)});
    const std::vector<std::string> items{"&Insert", "&Change", "-", "&Delete"};
    ui.QueueMenuChoice(2);
    ui.QueueMenuChoice(9); // beyond the items: none
    EXPECT_EQ(ui.PopupMenu(*window, items, 0), 2);
    EXPECT_EQ(ui.PopupMenu(*window, items, 0), 0);
    EXPECT_EQ(ui.PopupMenu(*window, items, 0), 0);
    EXPECT_EQ(ui.Menus().size(), 3u);
}

TEST_F(ScriptedWindowsTest, NoModalDialogOutsideAFileDialog)
{
    bool duringDialog = false;
    struct Probe : ScriptedUi {
        bool* seen;
        std::optional<std::string> AskFile(const FileDialogRequest& request) override
        {
            *seen = ModalDialogActive();
            return ScriptedUi::AskFile(request);
        }
    } probe;
    probe.seen = &duringDialog;
    ScopedUserInterface probeScope(probe);
    AskFileName({});
    EXPECT_TRUE(duringDialog);
    EXPECT_FALSE(ModalDialogActive());
}

} // namespace
} // namespace quorin
