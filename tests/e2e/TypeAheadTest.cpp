// Keys, clicks, the wheel and the window manager's close typed ahead of the built program, with and
// without a window manager. The program is stopped while they are sent, so all of them wait in its
// queue whatever its speed, and each must still act where and when it would have had the program
// kept up: in a form not yet open, in the entry an earlier key focused, in a box an earlier key
// opens or in the window under a box a letter answered, on the row an earlier click highlighted,
// on a form the keys before a close changed.
#include <gtest/gtest.h>

#include <optional>
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

// The delete's question up, "n" and Return typed ahead: the letter answers No at once, and Return
// is for the browse then, where it presses "&Delete" again (Alt+D left the focus there), not the
// first question's default Yes. The question comes again, and nothing is deleted. The first
// question is up before the keys, so that the second one is told from it.
TEST_P(TypeAheadTest, ReturnTypedAfterALetterAnswerActsOnTheWindowUnderTheBox)
{
    PutMasterForm();
    Session([&](WindowId main) {
        ASSERT_NO_FATAL_FAILURE(DriveAsAPerson(main));
        ASSERT_NO_FATAL_FAILURE(AddRecord(main, {"one@example.org", "ACC1"}));
        ASSERT_NO_FATAL_FAILURE(AddRecord(main, {"two@example.org", "ACC2"}));
        ASSERT_TRUE(xdo_->Keys(main, {"alt+d"}));
        const WindowId first = Await("Confirm Delete");
        ASSERT_TRUE(first);
        WhileStopped(*program_, [&] { ASSERT_TRUE(xdo_->Keys(first, {"n", "Return"})); });
        ASSERT_NO_FATAL_FAILURE(Closed(first, {}, "the first question"));
        ASSERT_NO_FATAL_FAILURE(Answer("Confirm Delete", {"alt+n"}, main));
    });
    EXPECT_EQ(StoredAccounts(), (std::vector<std::string>{"ACC1", "ACC2"}));
}

// Alt+D, "y" and a new record typed straight on: the letter deletes the highlighted row at once,
// and the keys after it go into the form Alt+I opens then; F1 after the form's Return opens the
// main window's help box once the form went.
TEST_P(TypeAheadTest, KeysTypedAfterALetterAnswerReachTheWindowOpenedNext)
{
    PutMasterForm();
    Session([&](WindowId main) {
        ASSERT_NO_FATAL_FAILURE(DriveAsAPerson(main));
        ListRows(main, 2); // the first row highlighted
        ASSERT_FALSE(HasFailure());
        WhileStopped(*program_, [&] {
            ASSERT_TRUE(xdo_->Keys(main, {"alt+d", "y", "alt+i", "Tab", "Tab"})); // the e-mail
            ASSERT_TRUE(xdo_->Type(main, "after.yes@example.org"));
            ASSERT_TRUE(xdo_->Keys(main, {"Tab"}));
            ASSERT_TRUE(xdo_->Type(main, "ACC-NEW"));
            ASSERT_TRUE(xdo_->Keys(main, {"Return", "F1"}));
        });
        ASSERT_NO_FATAL_FAILURE(Answer("Help", {"Return"}, main));
    });
    const std::vector<StoredRecord> records = StoredRecords();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].account, "ACC2") << "not the highlighted row was deleted";
    EXPECT_EQ(records[1].email, "after.yes@example.org");
    EXPECT_EQ(records[1].account, "ACC-NEW");
}

// A new record's e-mail typed, then the window manager's close (Alt+F4 under openbox, else the
// message its close box sends), all ahead: the close acts after the keys, on the changed form, so
// it asks before the e-mail is lost. No keeps the form with it, and Return stores it.
TEST_P(TypeAheadTest, ACloseTypedAheadActsOnTheFormTheKeysBeforeItChanged)
{
    PutMasterForm();
    Session([&](WindowId main) {
        ASSERT_NO_FATAL_FAILURE(DriveAsAPerson(main));
        const WindowId form = NewRecordForm(main);
        ASSERT_TRUE(form);
        WhileStopped(*program_, [&] {
            ASSERT_TRUE(xdo_->Keys(form, {"Tab", "Tab"})); // the e-mail
            ASSERT_TRUE(xdo_->Type(form, "closed.after@example.org"));
            if (GetParam()) {
                ASSERT_TRUE(xdo_->Keys(form, {"alt+F4"}));
                ASSERT_TRUE(WindowManagerCaughtUp()) << "openbox did not answer"; // its close is queued
            } else {
                ASSERT_TRUE(PressCloseBox(x_->display(), form));
            }
        });
        ASSERT_NO_FATAL_FAILURE(Answer("Changes will be lost!", {"alt+n"}, form));
        ASSERT_TRUE(xdo_->Keys(form, {"Return"}));
        ASSERT_NO_FATAL_FAILURE(Closed(form, main, "the record form"));
    });
    const std::vector<StoredRecord> records = StoredRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].email, "closed.after@example.org");
}

// Alt+I, Alt+3 and a click where the record form it opens shows the third tab's notes, sent while
// the program is stopped: the click waits behind the keys and lands in the form, so the text typed
// on goes into the notes, not to the tab strip Alt+3 focused. (The form moves to its stored place
// just after it shows: the notes are tall enough that the click lands in them at either place.)
TEST_P(TypeAheadTest, AClickQueuedBehindAltILandsInTheFormItOpens)
{
    PutMasterForm();
    Session([&](WindowId main) {
        ASSERT_NO_FATAL_FAILURE(DriveAsAPerson(main));
        // The form opens where it was last.
        const WindowId shown = NewRecordForm(main);
        ASSERT_TRUE(shown);
        const std::optional<Placed> form = Geometry(shown);
        const std::optional<Placed> under = Geometry(main);
        ASSERT_TRUE(form && under);
        ASSERT_TRUE(xdo_->Keys(shown, {"alt+c"})); // nothing typed: no question
        ASSERT_NO_FATAL_FAILURE(Closed(shown, main, "the record form"));
        // The middle of the notes: 72, 20, 278 by 136 of the form's 358 by 182 dialog units.
        const int x = form->x - under->x + static_cast<int>((72 + 278 / 2) / 358.0 * form->width);
        const int y = form->y - under->y + static_cast<int>((20 + 136 / 2) / 182.0 * form->height);
        WhileStopped(*program_, [&] {
            ASSERT_TRUE(xdo_->Keys(main, {"alt+i", "alt+3"}));
            ASSERT_TRUE(xdo_->ClickAt(main, x, y));
            ASSERT_TRUE(xdo_->Type(main, "Clicked into the notes"));
            ASSERT_TRUE(xdo_->Keys(main, {"alt+o", "F1"}));
        });
        ASSERT_NO_FATAL_FAILURE(Answer("Help", {"Return"}, main));
    });
    const std::vector<StoredRecord> records = StoredRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].addlInfo, "Clicked into the notes");
}

// Three rows, the first highlighted and the keyboard in the list; Down, Up, Up and the wheel turned
// down over the list, sent while the program is stopped: the wheel acts after the keys and moves
// the highlight to the second row. Before them it would have left it on the first, where the last
// Up brings it back.
TEST_P(TypeAheadTest, AWheelTurnQueuedBehindArrowKeysActsAfterThem)
{
    PutMasterForm();
    int asked = 0; // the row highlighted while the help box asked, from 1
    Session([&](WindowId main) {
        ASSERT_NO_FATAL_FAILURE(DriveAsAPerson(main));
        const BrowseRows rows = ListRows(main, 3);
        ASSERT_FALSE(HasFailure());
        WhileStopped(*program_, [&] {
            ASSERT_TRUE(xdo_->Keys(main, {"Down", "Up", "Up"}));
            ASSERT_TRUE(xdo_->ClickAt(main, 120, rows.At(3), 5));
            ASSERT_TRUE(xdo_->Keys(main, {"F1"}));
        });
        asked = rows.Of(HighlightedWhileAsked(main, "Help", "Return"));
    });
    EXPECT_EQ(asked, 2) << "the wheel did not act after the keys before it";
}

INSTANTIATE_TEST_SUITE_P(Desktop, TypeAheadTest, ::testing::Bool(), WindowManagerName);

} // namespace
} // namespace quorin::e2e
