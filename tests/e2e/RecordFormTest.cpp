// The record form of the built program under Xvfb: a record added with Alt+I, typed values and
// Return is listed by the browse and stays there after a new start, also when the program was
// killed right after the form closed; its tabs by Alt+digit and the question of its close box and
// of Alt+F4; two programs in one working folder changing the same record; a huge stored size and a
// refused date; what is typed after Ctrl+H, a tab switch, the help box and the duplicate-key box is
// what is stored.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <csignal>
#include <fstream>

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

// A size stored far beyond the screen: Alt+I still opens the form on the 1024 by 768 screen and
// Return stores the record; a date its picture refuses does not keep the form: Alt+C leaves it,
// asking first since the typed date would be lost.
TEST_F(RecordFormTest, AHugeStoredSizeOpensTheFormOnTheScreenAndARefusedDateDoesNotTrapIt)
{
    PutMasterForm();
    std::ofstream(work_ / "quorin20.INI", std::ios::binary)
        << "[UpdateSaveData]\r\nXPos=99999\r\nYPos=-99999\r\nWidth=99999\r\nHeight=99999\r\n";
    const Typed typed{"huge.size@example.org", "ACC-99999"};
    Session([&](WindowId main) {
        ASSERT_TRUE(xdo_->Keys(main, {"alt+i"}));
        WindowId form = xdo_->Find("Record Will Be Added");
        ASSERT_TRUE(form);
        ExpectOnScreen(form);
        ASSERT_NO_FATAL_FAILURE(StoreInForm(form, typed));

        // The form opens with its date selected: typing replaces it.
        ASSERT_TRUE(xdo_->Keys(main, {"alt+i"}));
        form = xdo_->Find("Record Will Be Added");
        ASSERT_TRUE(form);
        ASSERT_TRUE(xdo_->Type(form, "99/99/9999"));
        ASSERT_TRUE(xdo_->Keys(form, {"Tab", "alt+c"}));
        const WindowId question = xdo_->Find("Changes will be lost!");
        ASSERT_TRUE(question) << "Alt+C with a refused date did not ask";
        ASSERT_TRUE(xdo_->Keys(question, {"alt+y"}));
        ASSERT_TRUE(WaitWindowGone(x_->display(), form)) << "Alt+C left the form open";
    });
    ExpectStored(typed);
}

// Two programs in one working folder: A opens the record for change, B changes it and presses OK,
// then A's OK writes nothing and says so. A's form stays with what was typed until cancelled; B's
// values are what is stored, and the record opened again in A goes through an OK without edits.
TEST_F(RecordFormTest, TwoProgramsInOneFolderNeverOverwriteEachOthersChange)
{
    PutMasterForm();
    Session([&](WindowId main) { AddRecord(main, {"first@example.org", "ACC-0001"}); });

    auto a = Start();
    const WindowId mainA = xdo_->FindOf(*a, "PDF Form Filling");
    ASSERT_TRUE(mainA);
    auto b = Start();
    const WindowId mainB = xdo_->FindOf(*b, "PDF Form Filling");
    ASSERT_TRUE(mainB);

    ASSERT_TRUE(xdo_->Keys(mainA, {"alt+c"}));
    const WindowId formA = xdo_->FindOf(*a, "Record Will Be Changed");
    ASSERT_TRUE(formA);
    ASSERT_TRUE(xdo_->Keys(formA, {"Tab", "Tab"})); // the e-mail, its text selected
    ASSERT_TRUE(xdo_->Type(formA, "from.a@example.org"));

    ASSERT_TRUE(xdo_->Keys(mainB, {"alt+c"}));
    const WindowId formB = xdo_->FindOf(*b, "Record Will Be Changed");
    ASSERT_TRUE(formB);
    ASSERT_TRUE(xdo_->Keys(formB, {"Tab", "Tab"}));
    ASSERT_TRUE(xdo_->Type(formB, "from.b@example.org"));
    ASSERT_TRUE(xdo_->Keys(formB, {"Return"}));
    ASSERT_TRUE(WaitWindowGone(x_->display(), formB)) << "B's change was not stored";

    ASSERT_TRUE(xdo_->Keys(formA, {"Return"}));
    const WindowId refused = xdo_->FindOf(*a, "Record Changed");
    ASSERT_TRUE(refused) << "A's OK wrote over B's change without a word";
    EXPECT_EQ(StoredRecords().at(0).email, "from.b@example.org");
    ASSERT_TRUE(xdo_->Keys(refused, {"Return"}));
    ASSERT_TRUE(WaitWindowGone(x_->display(), refused));

    // Still open with the typed e-mail: cancelling asks before dropping it.
    EXPECT_EQ(xdo_->FindOf(*a, "Record Will Be Changed").id, formA.id);
    ASSERT_TRUE(xdo_->Keys(formA, {"alt+c"}));
    const WindowId question = xdo_->FindOf(*a, "Changes will be lost!");
    ASSERT_TRUE(question) << "the form kept nothing of what was typed";
    ASSERT_TRUE(xdo_->Keys(question, {"alt+y"}));
    ASSERT_TRUE(WaitWindowGone(x_->display(), formA));

    ASSERT_TRUE(xdo_->Keys(mainA, {"alt+c"}));
    const WindowId again = xdo_->FindOf(*a, "Record Will Be Changed");
    ASSERT_TRUE(again);
    ASSERT_TRUE(xdo_->Keys(again, {"Return"}));
    ASSERT_TRUE(WaitWindowGone(x_->display(), again)) << "the record opened again was refused too";

    for (auto& [program, main] : {std::pair{a.get(), mainA}, std::pair{b.get(), mainB}}) {
        const auto status = Close(*program, main);
        EXPECT_TRUE(ExitedWith(status, 0)) << DescribeStatus(status);
    }
    const std::vector<StoredRecord> records = StoredRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].email, "from.b@example.org");
    EXPECT_EQ(records[0].account, "ACC-0001");
}

// Keys go where the program and the window manager put the keyboard, as a person's do: each box
// that closes must give it back to the form, on the field that had it.
using RecordFormKeysTest = WindowManagerTest;

TEST_P(RecordFormKeysTest, WhatIsTypedAfterRecallTabsHelpAndTheDuplicateKeyBoxIsStored)
{
    PutMasterForm();
    Session([&](WindowId main) {
        ASSERT_NO_FATAL_FAILURE(DriveAsAPerson(main));
        // The first record's time typed as shown, so it is to the minute and a recall repeats it.
        WindowId form = NewRecordForm(main);
        ASSERT_TRUE(form);
        ASSERT_TRUE(xdo_->Keys(form, {"Tab"}));
        const auto time = CopiedText(x_->display(), [&] { return xdo_->Keys(form, {"ctrl+a", "ctrl+c"}); });
        ASSERT_TRUE(time && !time->empty()) << "the time entry copied nothing";
        ASSERT_TRUE(xdo_->Type(form, *time));
        ASSERT_TRUE(xdo_->Keys(form, {"Tab"}));
        ASSERT_TRUE(xdo_->Type(form, "first@example.org"));
        ASSERT_TRUE(xdo_->Keys(form, {"Tab"}));
        ASSERT_TRUE(xdo_->Type(form, "ACC-1"));
        ASSERT_TRUE(xdo_->Keys(form, {"Return"}));
        ASSERT_NO_FATAL_FAILURE(Closed(form, main, "the record form"));

        form = NewRecordForm(main);
        ASSERT_TRUE(form);
        // The first record's date and time by Ctrl+H: a key already stored.
        ASSERT_TRUE(xdo_->Keys(form, {"ctrl+h", "Tab", "ctrl+h", "Tab"}));
        // The e-mail recalled, then typed on.
        ASSERT_TRUE(xdo_->Keys(form, {"ctrl+h", "End"}));
        ASSERT_TRUE(xdo_->Type(form, ".uk"));
        ASSERT_TRUE(xdo_->Keys(form, {"Tab"}));
        ASSERT_TRUE(xdo_->Type(form, "ACC-2"));
        // The second tab's country, not left; the help box by F1 comes and goes in between.
        ASSERT_TRUE(xdo_->Keys(form, {"alt+2", "Tab", "Tab"}));
        ASSERT_TRUE(xdo_->Type(form, "Kenya"));
        ASSERT_TRUE(xdo_->Keys(form, {"F1"}));
        ASSERT_NO_FATAL_FAILURE(Answer("Help", {"Return"}, form));
        ASSERT_TRUE(xdo_->Type(form, " Rift"));
        // The third tab's text; the help box by its button, closed by Escape.
        ASSERT_TRUE(xdo_->Keys(form, {"alt+3", "Tab"}));
        ASSERT_TRUE(xdo_->Type(form, "Met at the fair"));
        ASSERT_TRUE(xdo_->Keys(form, {"alt+h"}));
        ASSERT_NO_FATAL_FAILURE(Answer("Help", {"Escape"}, form));
        ASSERT_TRUE(xdo_->Keys(form, {"alt+o"}));
        ASSERT_NO_FATAL_FAILURE(Answer("Duplicate Key Error", {"Return"}, form));
        // The form stays, the focus on the date; a blank time makes the key a new one.
        ASSERT_TRUE(xdo_->Keys(form, {"Tab", "ctrl+a", "BackSpace", "Tab", "Tab", "ctrl+a"}));
        ASSERT_TRUE(xdo_->Type(form, "ACC-22"));
        ASSERT_TRUE(xdo_->Keys(form, {"alt+o"}));
        ASSERT_NO_FATAL_FAILURE(Closed(form, main, "the record form"));
    });
    const std::vector<StoredRecord> records = StoredRecords();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].email, "first@example.org");
    const StoredRecord& second = records[1];
    EXPECT_EQ(second.email, "first@example.org.uk");
    EXPECT_EQ(second.account, "ACC-22");
    EXPECT_EQ(second.country, "Kenya Rift");
    EXPECT_EQ(second.addlInfo, "Met at the fair");
    EXPECT_EQ(second.date, records[0].date);
    EXPECT_EQ(second.time, 0);
}

INSTANTIATE_TEST_SUITE_P(Desktop, RecordFormKeysTest, ::testing::Bool(), WindowManagerName);

// The window manager's close (Alt+F4 under openbox) on a form with a typed value asks before the value
// is lost: No keeps the form, Yes closes it and stores nothing.
using RecordFormCloseKeyTest = WindowManagerTest;

TEST_P(RecordFormCloseKeyTest, AltF4AsksBeforeATypedValueIsLost)
{
    PutMasterForm();
    Session([&](WindowId main) {
        ASSERT_NO_FATAL_FAILURE(DriveAsAPerson(main));
        const WindowId form = NewRecordForm(main);
        ASSERT_TRUE(form);
        ASSERT_TRUE(xdo_->Keys(form, {"Tab", "Tab"}));
        ASSERT_TRUE(xdo_->Type(form, "typed@example.org"));
        ASSERT_TRUE(xdo_->Keys(form, {"alt+F4"}));
        ASSERT_NO_FATAL_FAILURE(Answer("Changes will be lost!", {"alt+n"}, form));
        ASSERT_TRUE(xdo_->Keys(form, {"alt+F4"}));
        ASSERT_NO_FATAL_FAILURE(Answer("Changes will be lost!", {"alt+y"}, {}));
        ASSERT_NO_FATAL_FAILURE(Closed(form, main, "the record form"));
    });
    EXPECT_TRUE(StoredRecords().empty());
}

INSTANTIATE_TEST_SUITE_P(Desktop, RecordFormCloseKeyTest, ::testing::Values(true), WindowManagerName);

} // namespace
} // namespace quorin::e2e
