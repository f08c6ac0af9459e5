// Keys and clicks typed ahead of the built program, with and without a window manager. The program
// is stopped while they are sent, so all of them wait in its queue whatever its speed, and each must
// still act where and when it would have had the program kept up: in a form not yet open, in the
// entry an earlier key focused, in a box an earlier key opens, on the row an earlier click
// highlighted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/ProgramFixture.h"

namespace quorin::e2e {
namespace {

namespace fs = std::filesystem;

class TypeAheadTest : public WindowManagerTest {
protected:
    // The e-mail of the record added before recalled by Ctrl+H in a new one, End, text typed on,
    // the account and Return: what is stored is what was typed.
    void RecallAndTypeOn(bool stopped)
    {
        PutMasterForm();
        Session([&](WindowId main) {
            ASSERT_NO_FATAL_FAILURE(DriveAsAPerson(main));
            ASSERT_NO_FATAL_FAILURE(AddRecord(main, {"first@example.org", "ACC-1"}));
            const WindowId form = NewRecordForm(main);
            ASSERT_TRUE(form);
            ASSERT_TRUE(xdo_->Keys(form, {"Tab", "Tab"})); // the e-mail
            const auto send = [&] {
                ASSERT_TRUE(xdo_->Keys(form, {"ctrl+h", "End"}));
                ASSERT_TRUE(xdo_->Type(form, ".uk"));
                ASSERT_TRUE(xdo_->Keys(form, {"Tab"}));
                ASSERT_TRUE(xdo_->Type(form, "ACC-2"));
                ASSERT_TRUE(xdo_->Keys(form, {"Return"}));
            };
            if (stopped) {
                WhileStopped(*program_, send);
            } else {
                send();
            }
            ASSERT_NO_FATAL_FAILURE(Closed(form, main, "the record form"));
        });
        const std::vector<StoredRecord> records = StoredRecords();
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(records[1].email, "first@example.org.uk");
        EXPECT_EQ(records[1].account, "ACC-2");
    }
};

TEST_P(TypeAheadTest, TextTypedOnARecalledValueIsKept)
{
    RecallAndTypeOn(/*stopped=*/true);
}

// The same keys sent as fast as they go, the program running.
TEST_P(TypeAheadTest, TextTypedOnARecalledValueIsKeptWhenSentWithNoDelay)
{
    xdo_->NoDelay(true);
    RecallAndTypeOn(/*stopped=*/false);
}

// Alt+I and the new record's values typed straight on: they go into the form it opens, and Return
// stores the record. F1 after it opens the main window's help box only once the form went.
TEST_P(TypeAheadTest, ValuesTypedAfterAltIGoIntoTheFormItOpens)
{
    PutMasterForm();
    Session([&](WindowId main) {
        ASSERT_NO_FATAL_FAILURE(DriveAsAPerson(main));
        WhileStopped(*program_, [&] {
            ASSERT_TRUE(xdo_->Keys(main, {"alt+i", "Tab", "Tab"})); // the date, the time, the e-mail
            ASSERT_TRUE(xdo_->Type(main, "typed.ahead@example.org"));
            ASSERT_TRUE(xdo_->Keys(main, {"Tab"}));
            ASSERT_TRUE(xdo_->Type(main, "ACC-77"));
            ASSERT_TRUE(xdo_->Keys(main, {"Return", "F1"}));
        });
        ASSERT_NO_FATAL_FAILURE(Answer("Help", {"Return"}, main));
    });
    const std::vector<StoredRecord> records = StoredRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].email, "typed.ahead@example.org");
    EXPECT_EQ(records[0].account, "ACC-77");
}

// Alt+F, a master's name, Alt+A, a copy's name and Alt+T: the fill reads the master typed and writes
// the copy typed, with its fields filled as pypdf reads them.
TEST_P(TypeAheadTest, SaveToFormTypedAheadFillsFromAndToTheNamesTyped)
{
    ASSERT_NO_FATAL_FAILURE(PutMarkedMasters({"form1.pdf", "typed.pdf"}));
    const fs::path folder = driveC_ / "Morvek20";
    FolderWatch watch(folder);
    Session([&](WindowId main) {
        ASSERT_NO_FATAL_FAILURE(DriveAsAPerson(main));
        watch.Take();
        WhileStopped(*program_, [&] {
            ASSERT_TRUE(xdo_->Keys(main, {"alt+f", "ctrl+a"}));
            ASSERT_TRUE(xdo_->Type(main, "C:\\Morvek20\\typed.pdf"));
            ASSERT_TRUE(xdo_->Keys(main, {"alt+a", "ctrl+a"}));
            ASSERT_TRUE(xdo_->Type(main, "C:\\Morvek20\\typed-copy.pdf"));
            ASSERT_TRUE(xdo_->Keys(main, {"alt+t"}));
        });
        const Written outcome = WrittenOrBox(watch, "Viewer Error");
        ASSERT_FALSE(outcome.boxed) << "the fill of the names typed failed";
        ASSERT_TRUE(outcome.name) << "the fill wrote no copy";
        EXPECT_EQ(*outcome.name, "typed-copy.pdf") << "the copy went elsewhere than the name typed";
        for (const auto& event : outcome.events) {
            EXPECT_FALSE(event.opened && event.name == "form1.pdf") << "the fill read the master shown at the start";
        }
    });
    const auto fields = FormFields(folder / "typed-copy.pdf");
    ASSERT_TRUE(fields) << "pypdf could not read the copy";
    EXPECT_EQ(fields->count("Text1") ? fields->at("Text1") : "", Mark("typed.pdf")) << "filled from another master";
    EXPECT_EQ(fields->count("Account") ? fields->at("Account") : "", "1234567890") << "the copy was not filled";
    EXPECT_FALSE(fs::exists(folder / "form1-filled.pdf"));
}

// Six records; End, the help box by F1 answered by Return, a click on the second row and Alt+D: the
// click waits behind the box, and "&Delete" acts on the row it highlighted.
TEST_P(TypeAheadTest, AClickQueuedBehindKeysChoosesTheRowTheNextKeyActsOn)
{
    PutMasterForm();
    int asked = 0; // the row highlighted while the box asked, from 1
    Session([&](WindowId main) {
        ASSERT_NO_FATAL_FAILURE(DriveAsAPerson(main));
        const BrowseRows rows = ListRows(main, 6);
        ASSERT_FALSE(HasFailure());
        WhileStopped(*program_, [&] {
            ASSERT_TRUE(xdo_->Keys(main, {"End", "F1", "Return"}));
            ASSERT_TRUE(xdo_->ClickAt(main, 80, rows.At(2))); // apart from the list's own click at 40
            ASSERT_TRUE(xdo_->Keys(main, {"alt+d"}));
        });
        asked = rows.Of(HighlightedWhileAsked(main, "Confirm Delete", "alt+y"));
    });
    EXPECT_EQ(asked, 2) << "the clicked row is not the one the box asked about";
    EXPECT_EQ(StoredAccounts(), (std::vector<std::string>{"ACC1", "ACC3", "ACC4", "ACC5", "ACC6"}));
}

INSTANTIATE_TEST_SUITE_P(Desktop, TypeAheadTest, ::testing::Bool(), WindowManagerName);

} // namespace
} // namespace quorin::e2e
