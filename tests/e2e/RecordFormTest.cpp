// The record form of the built program under Xvfb: a record added with Alt+I, typed values and
// Return is listed by the browse and stays there after a new start, also when the program was
// killed right after the form closed.
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

} // namespace
} // namespace quorin::e2e
