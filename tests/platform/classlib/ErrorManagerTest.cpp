#include "platform/classlib/ErrorManager.h"
#include "platform/runtime/Module.h"
#include "platform/runtime/RuntimeError.h"
#include "platform/ui/scripted/ScriptedUi.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

namespace quorin {
namespace {

class ErrorManagerTest : public ::testing::Test {
protected:
    void SetUp() override { errors.Init(&status); }
    ScriptedUi ui;
    ScopedUserInterface installed{ui};
    ThreadVar<ErrorStatusBlock> status;
    ErrorManager errors;
};

TEST_F(ErrorManagerTest, TableHoldsEveryMessageWithItsLevel)
{
    struct Case {
        int id;
        Level level;
        const char* title;
        const char* text;
    } const cases[] = {
        {2, 5, "Access Denied", "Could not get write access to %File so trying read-only."},
        {4, 5, "Record Insert Error",
         "An error was experienced during the creation of a record.|File: %File|Error: %ErrorText."},
        {5, 5, "Record Delete Error",
         "An error was experienced during the deletion of a record.|File: %File|Error: %ErrorText."},
        {10, 1, "Changes will be lost!", "Are you sure you want to cancel?"},
        {11, 1, "Confirm Delete", "Are you sure you want to delete the highlighted record?"},
        {12, 3, "File Creation Error", "Error: (%ErrorText) creating %File."},
        {15, 5, "Duplicate Key Error", "Adding this record creates a duplicate entry for the key: %Message"},
        {26, 3, "Invalid File",
         "%File has an invalid File structure.|Error: %ErrorCode - %Error|FileError: %FileErrorCode - %FileError|"},
        {29, 3, "File Access Error", "File %File could not be opened.  Error: %ErrorText."},
        {32, 3, "Key was not built", "Error: (%ErrorText) repairing key for %File."},
        {33, 5, "Invalid Key", "%File key file is invalid. Key must be rebuilt."},
        {40, 1, "Record Update Error",
         "An error was experienced changing this record. Do you want to try to save again?"},
        {41, 1, "Save Record", "Do you want to save the changes to this record?"},
        {42, 5, "Record Changed",
         "This record was changed or deleted by another program since it was read. Nothing was written.|File: %File"},
        {45, 2, "File Usage Error", "Attempt to use file (%File) before it was opened"},
    };
    for (const Case& c : cases) {
        const auto m = errors.Message(c.id);
        ASSERT_TRUE(m) << c.id;
        EXPECT_EQ(m->level, c.level) << c.id;
        EXPECT_EQ(m->title, c.title) << c.id;
        EXPECT_EQ(m->text, c.text) << c.id;
    }
    EXPECT_FALSE(errors.Message(999));
}

TEST_F(ErrorManagerTest, PlaceholdersAreFilledFromThisThreadsStatus)
{
    errors.SetFile("form1.tps   ");
    SetRuntimeError(kAccessDenied);
    errors.SetErrors();
    ClearRuntimeError();
    EXPECT_EQ(errors.SubsString(4),
              "An error was experienced during the creation of a record.|File: form1.tps|Error: Access Denied.");
    errors.SetFileError(13, "locked");
    EXPECT_EQ(errors.SubsString(26),
              "form1.tps has an invalid File structure.|Error: 5 - Access Denied|FileError: 13 - locked|");
    errors.SetMessageText("SAV:ByDateTime");
    EXPECT_EQ(errors.SubsString(15), "Adding this record creates a duplicate entry for the key: SAV:ByDateTime");

    errors.AddMessage({900, "Where", "In %Procedure (%Field, %Key)", level::kNotify});
    errors.SetProcedureName("Main");
    errors.SetProcedureName("UpdateSaveData");
    errors.SetField("SAV:DATE");
    errors.SetKey("K");
    EXPECT_EQ(errors.SubsString(900), "In UpdateSaveData (SAV:DATE, K)");
    errors.SetProcedureName("", 1);
    EXPECT_EQ(errors.ProcedureName(), "Main");

    // Another thread has its own status and procedure names.
    std::string otherText;
    std::thread([&] { otherText = errors.SubsString(900); }).join();
    EXPECT_EQ(otherText, "In  (, )");
}

TEST_F(ErrorManagerTest, QuestionsAndNoticesReturnToTheCaller)
{
    ui.QueueAnswer(button::kNo);
    EXPECT_EQ(errors.Throw(msg::kConfirmDelete), level::kCancel);
    ui.QueueAnswer(button::kYes);
    EXPECT_EQ(errors.Throw(msg::kConfirmCancel), level::kBenign);
    EXPECT_EQ(errors.ThrowFile(msg::kAccessDenied, "a.tps"), level::kNotify);

    const auto boxes = ui.Messages();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].caption, "Confirm Delete");
    EXPECT_EQ(boxes[0].buttons, button::kYes | button::kNo);
    EXPECT_EQ(boxes[0].defaultButton, button::kYes);
    EXPECT_EQ(boxes[1].defaultButton, button::kNo);
    EXPECT_EQ(boxes[2].text, "Could not get write access to a.tps so trying read-only.");
    EXPECT_EQ(boxes[2].buttons, button::kOk);

    errors.AddMessage({901, "Quiet", "never shown", level::kBenign});
    EXPECT_EQ(errors.Throw(901), level::kBenign);
    EXPECT_EQ(ui.MessageCount(), 3u);
}

TEST_F(ErrorManagerTest, FatalMessageEndsTheProgramAfterTheBoxWithFinalisersRun)
{
    bool finalised = false;
    bool afterThrow = false;
    ModuleTable table({Module{"main", {}, {}, {}, [&] { finalised = true; }, {}}});
    const int exitStatus = table.Run([&] {
        errors.ThrowFile(msg::kOpenFailed, "form1.tps");
        afterThrow = true;
        return 0;
    });
    EXPECT_NE(exitStatus, 0);
    EXPECT_FALSE(afterThrow);
    EXPECT_TRUE(finalised);
    ASSERT_EQ(ui.MessageCount(), 1u);
    EXPECT_EQ(ui.LastMessage().text,
              "File form1.tps could not be opened.  Error: .  Press OK to end this application");
    EXPECT_EQ(ui.LastMessage().caption, "File Access Error");
}

TEST_F(ErrorManagerTest, EveryFatalLevelEnds)
{
    errors.AddMessage({902, "Odd", "odd level", 7});
    for (int id : {msg::kUseClosedFile, msg::kCreateError, 902, 12345}) {
        EXPECT_THROW(errors.Throw(id), ProgramHalt) << id;
        EXPECT_TRUE(ui.LastMessage().text.ends_with("  Press OK to end this application")) << id;
    }
}

} // namespace
} // namespace quorin
