#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/BrowseManager.h"
#include "platform/classlib/RelationManager.h"
#include "platform/classlib/View.h"
#include "platform/classlib/WindowManager.h"
#include "platform/runtime/ControlKinds.h"
#include "platform/runtime/DataFile.h"
#include "platform/runtime/FixedText.h"
#include "platform/runtime/Queue.h"
#include "platform/runtime/RuntimeError.h"
#include "platform/runtime/Window.h"
#include "platform/ui/scripted/ScriptedUi.h"
#include "platform/classlib/BrowseFixture.h"

namespace quorin {
namespace {

using test::BrowseFixture;
using test::Item;

constexpr int kList = 1;
constexpr int kInsert = 2;
constexpr int kChange = 3;
constexpr int kDelete = 4;

// A window manager whose record form is simulated: an insert adds the record in the buffer with a
// name of the test's choice, a change renames it, a delete removes it; each can be refused.
class ListWindow : public WindowManager {
public:
    BrowseFixture* fixture = nullptr;
    std::vector<std::uint8_t> asked;
    std::vector<std::int32_t> ids; // the buffer's ID as each request arrived
    std::uint8_t answer = response::kCompleted;
    std::int32_t insertId = 0;
    std::int32_t vcrAfter = vcr::kNone;
    int vcrPasses = 0;
    std::int32_t vcr = 0;

    std::uint8_t RunProcedure(std::int32_t procedure, std::uint8_t request) override
    {
        EXPECT_EQ(procedure, 1);
        asked.push_back(request);
        ids.push_back(fixture->buffer.id);
        if (vcrPasses > 0) {
            --vcrPasses;
            *VCRREQUEST = vcrAfter;
        }
        if (answer != response::kCompleted) {
            return answer;
        }
        DataFile& file = fixture->file;
        switch (request) {
        case request::kInsert:
            fixture->buffer.id = insertId;
            fixture->buffer.name = "inserted";
            EXPECT_EQ(file.Add(&fixture->buffer), 0);
            break;
        case request::kChange:
            fixture->buffer.name = "changed";
            EXPECT_EQ(file.Put(&fixture->buffer), 0);
            break;
        case request::kDelete: EXPECT_EQ(file.Delete(), 0); break;
        default: break;
        }
        return response::kCompleted;
    }
};

class BrowseManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LinkAllControlKinds();
        ASSERT_TRUE(fixture_.Open(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        window_ = fixture_.MakeWindow();
        ASSERT_NE(window_, nullptr);
        manager_.fixture = &fixture_;
        manager_.VCRREQUEST = &manager_.vcr;
        manager_.Init();
        manager_.Open(*window_);
        browse_.Init(kList, fixture_.row.position.Data(), decltype(fixture_.row.position)::kWidth, fixture_.view,
                     fixture_.queue, relation_, manager_);
        EXPECT_EQ(browse_.AddSortOrder(0, fixture_.items.Key(0)), 1);
        browse_.AddLongField(&fixture_.buffer.id, &fixture_.row.id);
        browse_.AddStringField(20, fixture_.buffer.name.Data(), 20, fixture_.row.name.Data());
        browse_.INSERTCONTROL = kInsert;
        browse_.CHANGECONTROL = kChange;
        browse_.DELETECONTROL = kDelete;
        browse_.ASKPROCEDURE = 1;
        manager_.SetAlertKeys(); // the browse shows its first page here
    }
    void TearDown() override
    {
        manager_.Kill();
        DisposeWindow(window_);
    }

    std::vector<std::int32_t> ListedIds()
    {
        std::vector<std::int32_t> ids;
        for (std::size_t i = 1; i <= fixture_.queue.Records(); ++i) {
            fixture_.queue.Get(i);
            ids.push_back(fixture_.row.id);
        }
        return ids;
    }
    std::int32_t SelectedId()
    {
        const Control* list = window_->control(kList);
        fixture_.queue.Get(static_cast<std::size_t>(list->currentRow()));
        return fixture_.row.id;
    }

    ScriptedUi ui_;
    ScopedUserInterface scope_{ui_};
    BrowseFixture fixture_;
    std::unique_ptr<Window> window_;
    ListWindow manager_;
    RelationManager relation_; // names the file only; the view reads it
    BrowseManager browse_;
};

TEST_F(BrowseManagerTest, ListsTheRowsThatFitInKeyOrderThroughTheFieldPairs)
{
    fixture_.AddItems({30, 10, 20, 50, 40});
    browse_.ResetPage();
    EXPECT_EQ(ListedIds(), (std::vector<std::int32_t>{10, 20, 30, 40, 50}));
    fixture_.queue.Get(1);
    EXPECT_EQ(fixture_.row.name, "item 10");
    EXPECT_EQ(fixture_.row.position.Str(), std::to_string(fixture_.IdOf(10))); // the row's place in the view
    EXPECT_EQ(window_->control(kList)->RowCount(), 5);
    EXPECT_EQ(window_->control(kList)->RowTexts(2).at(1), "item 20");

    // UpdateComponents copies the selected row's record into the file's buffer.
    ui_.PickRow(kList, 3);
    ui_.Do([&](Window&) {
        manager_.UpdateComponents();
        EXPECT_EQ(fixture_.buffer.id, 30);
        EXPECT_EQ(fixture_.buffer.name, "item 30");
    });
    manager_.ProcessEvents();
}

// The key is handed over as the system's code names it; the second key is the second one listed.
TEST_F(BrowseManagerTest, ASortOrderOnTheSecondKeyListsInThatKeysOrder)
{
    for (const auto& [id, name] : {std::pair{10, "delta"}, {20, "alpha"}, {30, "charlie"}, {40, "bravo"}}) {
        Item item;
        item.id = id;
        item.name = name;
        ASSERT_EQ(fixture_.file.Add(&item), 0);
    }
    browse_.Kill();
    BrowseManager byName;
    byName.Init(kList, fixture_.row.position.Data(), decltype(fixture_.row.position)::kWidth, fixture_.view,
                fixture_.queue, relation_, manager_);
    EXPECT_EQ(byName.AddSortOrder(0, fixture_.items.Key(1)), 1);
    byName.AddLongField(&fixture_.buffer.id, &fixture_.row.id);
    byName.ResetPage();
    EXPECT_EQ(ListedIds(), (std::vector<std::int32_t>{20, 40, 30, 10}));
    EXPECT_EQ(fixture_.view.LastError(), 0);
}

TEST_F(BrowseManagerTest, AFieldPairThatCannotBeTakenSaysSoAndTheOthersStillShow)
{
    std::int32_t outside = 0;
    BrowseManager notInitialised;
    View unbound;
    BrowseManager beforeTheViewIsBound;
    beforeTheViewIsBound.Init(kList, nullptr, 0, unbound, fixture_.queue, relation_, manager_);
    const struct {
        const char* what;
        std::function<void()> add;
    } cases[] = {
        {"browse not initialised", [&] { notInitialised.AddLongField(&fixture_.buffer.id, &fixture_.row.id); }},
        {"view not bound", [&] { beforeTheViewIsBound.AddLongField(&fixture_.buffer.id, &fixture_.row.id); }},
        {"record field elsewhere", [&] { browse_.AddLongField(&outside, &fixture_.row.id); }},
        {"list field elsewhere", [&] { browse_.AddLongField(&fixture_.buffer.id, &outside); }},
        {"text past the record's end",
         [&] { browse_.AddStringField(30, fixture_.buffer.name.Data(), 30, fixture_.row.position.Data()); }},
    };
    for (const auto& c : cases) {
        ClearRuntimeError();
        EXPECT_DEBUG_DEATH(c.add(), "browse field pair") << c.what;
#ifdef NDEBUG
        EXPECT_EQ(RuntimeError(), kInvalidRecordDeclaration) << c.what;
#endif
    }
    beforeTheViewIsBound.Kill();

    fixture_.AddItems({10, 20});
    browse_.ResetPage();
    EXPECT_EQ(ListedIds(), (std::vector<std::int32_t>{10, 20}));
    fixture_.queue.Get(2);
    EXPECT_EQ(fixture_.row.name, "item 20");
}

TEST_F(BrowseManagerTest, PagesThroughTenThousandRecordsHoldingOnlyOnePage)
{
    std::vector<std::int32_t> ids;
    for (int i = 1; i <= 10000; ++i) {
        ids.push_back(i);
    }
    fixture_.AddItems(ids);
    browse_.ResetPage();
    const std::size_t rows = browse_.PageRows();
    ASSERT_GT(rows, 1u);
    ASSERT_EQ(fixture_.queue.Records(), rows);

    std::size_t pages = 0;
    std::int32_t lastFirst = 0;
    for (;;) {
        const std::vector<std::int32_t> listed = ListedIds();
        ASSERT_EQ(listed.size(), rows); // never more than the list shows
        for (std::size_t i = 1; i < listed.size(); ++i) {
            ASSERT_EQ(listed[i], listed[i - 1] + 1);
        }
        if (listed.front() == lastFirst) {
            break;
        }
        lastFirst = listed.front();
        ++pages;
        ui_.Scroll(kList, EventCode::PageDown);
        manager_.ProcessEvents(); // plays the one action, then the script is out
        window_->Open();          // the window closed when the script ran out; carry on
    }
    EXPECT_EQ(ListedIds().back(), 10000);
    EXPECT_EQ(SelectedId(), 10000);
    EXPECT_EQ(pages, (10000 + rows - 1) / rows);

    // Keys on the list move the same way.
    ui_.Key(kList, keys::kHome);
    ui_.Do([&](Window&) { EXPECT_EQ(ListedIds().front(), 1); });
    ui_.Key(kList, keys::kPageDown);
    ui_.Do([&](Window&) { EXPECT_EQ(ListedIds().front(), static_cast<std::int32_t>(rows) + 1); });
    ui_.Key(kList, keys::kEnd);
    ui_.Do([&](Window&) { EXPECT_EQ(SelectedId(), 10000); });
    manager_.ProcessEvents();
    EXPECT_EQ(ui_.PendingActions(), 0u);
}

TEST_F(BrowseManagerTest, TheListIsRefreshedAfterEachUpdate)
{
    fixture_.AddItems({10, 20, 30, 40});
    browse_.ResetPage();

    // Insert: the new record is listed and selected.
    manager_.insertId = 25;
    ui_.Press(kInsert);
    ui_.Do([&](Window&) {
        EXPECT_EQ(ListedIds(), (std::vector<std::int32_t>{10, 20, 25, 30, 40}));
        EXPECT_EQ(SelectedId(), 25);
    });
    // Change: the selected record reaches the form, and the changed one stays selected.
    ui_.PickRow(kList, 4);
    ui_.Press(kChange);
    ui_.Do([&](Window&) {
        EXPECT_EQ(manager_.ids.back(), 30);
        EXPECT_EQ(SelectedId(), 30);
        fixture_.queue.Get(4);
        EXPECT_EQ(fixture_.row.name, "changed");
    });
    // Delete: a neighbour is selected.
    ui_.Press(kDelete);
    ui_.Do([&](Window&) {
        EXPECT_EQ(manager_.ids.back(), 30);
        EXPECT_EQ(ListedIds(), (std::vector<std::int32_t>{10, 20, 25, 40}));
        EXPECT_EQ(SelectedId(), 40);
    });
    // A cancelled form changes nothing.
    ui_.Do([&](Window&) { manager_.answer = response::kCancelled; });
    ui_.Press(kDelete);
    ui_.Do([&](Window&) { EXPECT_EQ(ListedIds(), (std::vector<std::int32_t>{10, 20, 25, 40})); });
    manager_.ProcessEvents();
    EXPECT_EQ(manager_.asked, (std::vector<std::uint8_t>{request::kInsert, request::kChange, request::kDelete,
                                                         request::kDelete}));
    EXPECT_EQ(ui_.PendingActions(), 0u);
}

TEST_F(BrowseManagerTest, AskRepeatsWhileTheFormLeavesAVcrRequest)
{
    fixture_.AddItems({10, 20, 30, 40});
    browse_.ResetPage();
    manager_.vcrPasses = 2;
    manager_.vcrAfter = vcr::kForward;
    manager_.answer = response::kCancelled; // only look at the records
    EXPECT_EQ(browse_.Ask(request::kChange), response::kCancelled);
    EXPECT_EQ(manager_.ids, (std::vector<std::int32_t>{10, 20, 30}));
    EXPECT_EQ(manager_.vcr, 0);

    // At the end of the file the walk stops even when the form asks for more.
    manager_.ids.clear();
    manager_.vcrPasses = 10;
    EXPECT_EQ(browse_.Ask(request::kView), response::kCancelled);
    EXPECT_EQ(manager_.ids, (std::vector<std::int32_t>{30, 40}));

    // Nothing selected: nothing to change.
    for (std::int32_t id : {10, 20, 30, 40}) {
        fixture_.RemoveItem(id);
    }
    browse_.ResetPage();
    manager_.ids.clear();
    EXPECT_EQ(browse_.Ask(request::kChange), response::kCancelled);
    EXPECT_TRUE(manager_.ids.empty());
}

TEST_F(BrowseManagerTest, ThePopupMenuLeadsToTheSameAsks)
{
    fixture_.AddItems({10, 20});
    browse_.ResetPage();
    browse_.USEPOPUP = 1;
    browse_.DELETECONTROL = 0; // no delete button: the menu item is disabled
    ui_.QueueMenuChoice(2);    // "&Change"
    ui_.Key(kList, keys::kMouseRight);
    ui_.QueueMenuChoice(3); // the disabled "&Delete": nothing
    ui_.Key(kList, keys::kMouseRight);
    manager_.ProcessEvents();
    ASSERT_EQ(ui_.Menus().size(), 2u);
    EXPECT_EQ(ui_.Menus()[0], (std::vector<std::string>{"&Insert", "&Change", "~&Delete", "~&View"}));
    EXPECT_EQ(manager_.asked, (std::vector<std::uint8_t>{request::kChange}));
}

// The Menu key and Shift+F10 open the same menu as a right click, for the highlighted row and at
// it; a right click's menu opens at the mouse pointer.
TEST_F(BrowseManagerTest, TheKeyboardOpensThePopupMenuAtTheHighlightedRow)
{
    fixture_.AddItems({10, 20, 30});
    browse_.ResetPage();
    browse_.USEPOPUP = 1;
    manager_.answer = response::kCancelled;
    const struct {
        const char* way;
        int key;
        int place;
    } ways[] = {
        {"right click", keys::kMouseRight, 0},
        {"Menu key", keys::kMenu, kList},
        {"Shift+F10", keys::kShift | keys::FunctionKey(10), kList},
    };
    for (const auto& way : ways) {
        ui_.PickRow(kList, 2);
        ui_.QueueMenuChoice(2); // "&Change"
        ui_.Key(kList, way.key);
    }
    manager_.ProcessEvents();
    EXPECT_EQ(ui_.MenuPlaces(), (std::vector<int>{0, kList, kList}));
    EXPECT_EQ(manager_.ids, (std::vector<std::int32_t>{20, 20, 20}));
}

TEST_F(BrowseManagerTest, TheLocatorPositionsAtTheLocatedFieldsValue)
{
    fixture_.AddItems({10, 20, 30, 40});
    browse_.ResetPage();
    BrowseLocator locator;
    browse_.AddLocator(locator);
    locator.Init(0, BoundVariable::Long(&fixture_.buffer.id), 1, browse_);
    EXPECT_EQ(locator.BROWSEMANAGER, &browse_);
    EXPECT_EQ(locator.FREEELEMENT.type(), BoundVariable::Type::Long);
    fixture_.buffer.id = 25;
    locator.Locate();
    EXPECT_EQ(SelectedId(), 30); // the first record at or after the value
    fixture_.buffer.id = 99;
    EXPECT_TRUE(browse_.TakeToolbarAction(toolbar::kLocate));
    EXPECT_EQ(SelectedId(), 40);
}

TEST_F(BrowseManagerTest, TheWaitCursorShowsWhileTheListLoads)
{
    fixture_.AddItems({1, 2, 3});
    browse_.USEWAITCURSOR = 1;
    const int before = ui_.WaitCursorChanges();
    browse_.ResetPage();
    EXPECT_GE(ui_.WaitCursorChanges(), before + 2);
    EXPECT_FALSE(ui_.WaitCursor());
}

} // namespace
} // namespace quorin
