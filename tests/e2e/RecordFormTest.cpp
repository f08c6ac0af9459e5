// The record form of the built program under Xvfb: a record added with Alt+I, typed values and
// Return is listed by the browse and stays there after a new start, also when the program was
// killed right after the form closed; its tabs by Alt+digit and its close box's question.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <csignal>

#include "e2e/ProgramFixture.h"

namespace quorin::e2e {
namespace {

using RecordFormTest = DesktopTest;

TEST_F(RecordFormTest, AnAddedRecordIsListedAgainAfterANewStart)
{
    PutMasterForm();
    const Typed typed{"lena.marsh@example.org", "ACC-4711"};
    Session([&](WindowId main) {
        AddRecord(main, typed);
        ExpectListed(main);
    });
    Session([&](WindowId main) { ExpectListed(main); });
    ExpectStored(typed);
}

TEST_F(RecordFormTest, ARecordStoredWithOkSurvivesAKillRightAfter)
{
    PutMasterForm();
    const Typed typed{"kill.after.ok@example.org", "ACC-0009"};
    {
        auto program = Start();
        const WindowId main = MainWindow();
        ASSERT_TRUE(main);
        AddRecord(main, typed);
        program->Signal(SIGKILL);
        const auto status = program->Wait(kExitBound);
        ASSERT_TRUE(status && WIFSIGNALED(*status)) << DescribeStatus(status);
    }
    Session([&](WindowId main) { ExpectListed(main); });
    ExpectStored(typed);
}

// The three tabs by Alt+1, Alt+2 and Alt+3; the close box asks before typed values are dropped,
// and No keeps the form with what was typed.
TEST_F(RecordFormTest, TabsSwitchWithAltDigitsAndTheCloseBoxAsksBeforeDroppingEdits)
{
    PutMasterForm();
    Session([&](WindowId main) {
        ASSERT_TRUE(xdo_->Keys(main, {"alt+i"}));
        const WindowId form = xdo_->Find("Record Will Be Added");
        ASSERT_TRUE(form);
        // A chosen tab has the focus on its strip; Tab goes on to the tab's first field.
        ASSERT_TRUE(xdo_->Keys(form, {"alt+2", "Tab", "Tab"}));
        ASSERT_TRUE(xdo_->Type(form, "Kenya"));

        ASSERT_TRUE(PressCloseBox(x_->display(), form));
        const WindowId question = xdo_->Find("Changes will be lost!");
        ASSERT_TRUE(question) << "the close box dropped the typed country without asking";
        ASSERT_TRUE(xdo_->Keys(question, {"alt+n"}));
        ASSERT_TRUE(WaitWindowGone(x_->display(), question));

        ASSERT_TRUE(xdo_->Keys(form, {"alt+3", "Tab"}));
        ASSERT_TRUE(xdo_->Type(form, "Met at the book fair"));
        ASSERT_TRUE(xdo_->Keys(form, {"alt+1", "Tab", "Tab", "Tab"}));
        ASSERT_TRUE(xdo_->Type(form, "tabs@example.org"));
        ASSERT_TRUE(xdo_->Keys(form, {"Return"}));
        ASSERT_TRUE(WaitWindowGone(x_->display(), form));
    });
    const std::vector<StoredRecord> records = StoredRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].email, "tabs@example.org");
    EXPECT_EQ(records[0].country, "Kenya");
    EXPECT_EQ(records[0].addlInfo, "Met at the book fair");
}

} // namespace
} // namespace quorin::e2e
