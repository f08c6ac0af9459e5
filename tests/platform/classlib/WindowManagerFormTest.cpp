// A record form's whole life over a keyed file of the tests' own: insert, change, delete, the cancel
// question and the retry question, through the class library's file and relation managers.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/classlib/BrowseFixture.h"
#include "platform/classlib/BrowseManager.h"
#include "platform/classlib/ErrorManager.h"
#include "platform/classlib/FileManager.h"
#include "platform/classlib/RelationManager.h"
#include "platform/classlib/View.h"
#include "platform/classlib/WindowManager.h"
#include "platform/runtime/ControlKinds.h"
#include "platform/runtime/FileDeclaration.h"
#include "platform/runtime/FixedText.h"
#include "platform/runtime/Window.h"
#include "platform/ui/scripted/ScriptedUi.h"

namespace quorin {
namespace {

namespace fs = std::filesystem;

constexpr int kId = 2;
constexpr int kName = 4;
constexpr int kOk = 5;
constexpr int kCancel = 6;

struct Item {
    std::int32_t id = 0;
    FixedText<20> name;
};

const RecordLayout& ItemLayout()
{
    static const RecordLayout layout("ITEMS", {{"ITM:ID", FieldType::Long}, {"ITM:NAME", FieldType::Text, 20}});
    return layout;
}

WindowDefinition FormDefinition()
{
    WindowDefinition d;
    d.module = "test$form";
    d.name = "ITEM";
    d.title = "Item";
    d.width = 200;
    d.height = 80;
    d.attributes = kWinSystem;
    auto add = [&](std::string label, ControlKind kind, std::string caption, int y, std::uint32_t attributes = 0) {
        ControlDefinition c;
        c.label = std::move(label);
        c.kind = kind;
        c.caption = std::move(caption);
        c.x = 60, c.y = y, c.width = 100, c.height = 10;
        c.attributes = attributes;
        d.controls.push_back(c);
    };
    add("?ID:PROMPT", ControlKind::Prompt, "Id:", 4);
    add("?ID", ControlKind::Entry, "s10", 4);
    add("?NAME:PROMPT", ControlKind::Prompt, "Name:", 18);
    add("?NAME", ControlKind::Entry, "s20", 18);
    add("?OK", ControlKind::Button, "&OK", 60, kCtlDefault);
    add("?CANCEL", ControlKind::Button, "&Cancel", 60);
    return d;
}

// The record form: the request decides what completes; the window opens unless PrimeUpdate refuses.
class ItemForm : public WindowManager {
public:
    Window* form = nullptr;
    ErrorManager* errors = nullptr;
    FileManager* file = nullptr;
    RelationManager* relation = nullptr;
    Item* history = nullptr;
    std::int32_t primeId = 0;
    std::uint8_t cancelAction = 2;
    std::int32_t okControl = kOk;
    int okAccepted = 0; // how often this form's own HandleAccepted saw OK

    Level Init() override
    {
        const Level level = WindowManager::Init();
        FIRSTFIELD = kId;
        ERRORS = errors;
        SetHistoryRecords(file->BUFFER.address, ItemLayout(), file->BUFFER.size, history, ItemLayout(), sizeof(Item));
        AddHistoryField(kName, 2);
        AddFile(*file);
        AddCloseButton(kCancel, response::kCancelled);
        relation->Open(0);
        FILESOPENED = 1;
        PRIMARY = relation;
        CHANGEACTION = 2;
        CANCELACTION = cancelAction;
        OKCONTROL = okControl;
        if (PrimeUpdate() != 0) {
            return level::kNotify;
        }
        Open(*form);
        return level;
    }
    Level HandleAccepted() override
    {
        if (form->AcceptedControl() == kOk) {
            ++okAccepted;
        }
        return WindowManager::HandleAccepted();
    }
    void PrimeFields() override
    {
        ItemLayout().SetLong(file->BUFFER.address, 1, primeId);
        WindowManager::PrimeFields();
    }
    Level Kill() override
    {
        const Level level = WindowManager::Kill();
        if (level != 0) {
            return level;
        }
        if (FILESOPENED != 0) {
            relation->Close(0);
        }
        return 0;
    }
};

class WindowManagerFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        home_ = fs::current_path();
        folder_ = fs::temp_directory_path() /
                  ("form-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
                   std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        fs::current_path(folder_);

        LinkAllControlKinds();
        RegisterWindowDefinition(FormDefinition());
        errors_.Init();
        BindThreadFile(items_, initial_);
        file_.Init();
        file_.InitFile(items_, errors_);
        file_.BUFFER = {items_.Record(), &ItemLayout(), items_.RecordSize()}; // as a per-file manager sets it
        file_.AddKey(items_.Key(0), "ITM:ById", 0);
        relation_.Init(file_, 0);
        relation_.Open(0);
        for (std::int32_t id : {10, 20, 30}) {
            Put(id, "item " + std::to_string(id));
        }
    }
    void TearDown() override
    {
        relation_.Close(0);
        relation_.Kill();
        file_.Kill();
        ReleaseThreadFile(&items_);
        fs::current_path(home_);
        fs::remove_all(folder_);
    }

    Item& Buffer() { return *reinterpret_cast<Item*>(items_.Record()); }
    void Put(std::int32_t id, const std::string& name)
    {
        Buffer().id = id;
        Buffer().name = name;
        ASSERT_EQ(file_.Insert(), 0);
    }
    // The stored name of a record, "" when there is none.
    std::string Stored(std::int32_t id)
    {
        Item values;
        values.id = id;
        Item found;
        if (items_.Keyed()->Get(0, &values, &found) != 0) {
            return "";
        }
        return found.name.Str();
    }
    void Load(std::int32_t id)
    {
        Item values;
        values.id = id;
        ASSERT_EQ(items_.Keyed()->Get(0, &values, items_.Record()), 0);
        file_.SetCurrent(items_.Keyed()->Current());
    }

    std::uint8_t RunForm(std::uint8_t requested)
    {
        std::unique_ptr<Window> window = NewWindow("test$form", "ITEM",
                                                   {BoundVariable::Long(&Buffer().id), BoundVariable::Of(Buffer().name)});
        ItemForm form;
        form.REQUEST = requested;
        form.form = window.get();
        form.errors = &errors_;
        form.file = &file_;
        form.relation = &relation_;
        form.history = &history_;
        form.primeId = primeId_;
        form.cancelAction = cancelAction_;
        form.okControl = okControl_;
        const std::uint8_t result = form.Run();
        opened_ = form.OPENED != 0;
        okAccepted_ = form.okAccepted;
        DisposeWindow(window);
        return result;
    }

    std::vector<std::string> Captions() const
    {
        std::vector<std::string> captions;
        for (const MessageBoxRequest& m : ui_.Messages()) {
            captions.push_back(m.caption);
        }
        return captions;
    }

    ScriptedUi ui_;
    ScopedUserInterface scope_{ui_};
    fs::path home_, folder_;
    ErrorManager errors_;
    FileDeclaration initial_{FileKind::Keyed, "ITM", ItemLayout(), {{"ITM:BYID", {1}, kKeyPrimary}}, kFileCreate,
                             "items.dat"};
    FileDeclaration items_;
    FileManager file_;
    RelationManager relation_;
    Item history_;
    std::int32_t primeId_ = 0;
    std::uint8_t cancelAction_ = 2;
    std::int32_t okControl_ = kOk;
    bool opened_ = false;
    int okAccepted_ = 0;
};

TEST_F(WindowManagerFormTest, AnInsertCompletesAndTheHistoryKeepsTheRecord)
{
    primeId_ = 25;
    ui_.Type(kName, "new one");
    ui_.Press(kOk);
    EXPECT_EQ(RunForm(request::kInsert), response::kCompleted);
    EXPECT_EQ(Stored(25), "new one");
    EXPECT_EQ(history_.id, 25);
    EXPECT_EQ(history_.name, "new one");
    EXPECT_EQ(Buffer().id, 25); // the written record stays in the buffer for the caller's browse
    EXPECT_EQ(ui_.MessageCount(), 0u);
}

TEST_F(WindowManagerFormTest, ARefusedInsertKeepsTheWindowOpenOnTheFirstField)
{
    primeId_ = 20; // the key is taken
    ui_.Type(kName, "clash");
    ui_.Press(kOk);
    ui_.Do([&](Window& w) {
        EXPECT_TRUE(w.IsOpen());
        EXPECT_EQ(w.focus(), kId);
    });
    ui_.Type(kId, "21");
    ui_.Press(kOk);
    EXPECT_EQ(RunForm(request::kInsert), response::kCompleted);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Duplicate Key Error"}));
    EXPECT_EQ(Stored(20), "item 20"); // untouched
    EXPECT_EQ(Stored(21), "clash");
    EXPECT_EQ(ui_.PendingActions(), 0u);
}

TEST_F(WindowManagerFormTest, AChangeIsWrittenAndAFailedWriteAsksToTryAgain)
{
    Load(20);
    ui_.Type(kName, "renamed");
    ui_.Press(kOk);
    EXPECT_EQ(RunForm(request::kChange), response::kCompleted);
    EXPECT_EQ(Stored(20), "renamed");

    // A change onto a taken key cannot be written: "try again?" Yes fails again, No stays.
    Load(30);
    ui_.Type(kId, "10");
    ui_.QueueAnswer(button::kYes);
    ui_.QueueAnswer(button::kNo);
    ui_.Press(kOk);
    ui_.Do([&](Window& w) {
        EXPECT_TRUE(w.IsOpen());
        EXPECT_EQ(w.focus(), kId);
    });
    ui_.QueueAnswer(button::kYes); // then cancel the edit
    ui_.Press(kCancel);
    EXPECT_EQ(RunForm(request::kChange), response::kCancelled);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Record Update Error", "Record Update Error",
                                                    "Changes will be lost!"}));
    EXPECT_EQ(Stored(30), "item 30");
    EXPECT_EQ(Stored(10), "item 10");
    EXPECT_EQ(Buffer().id, 30); // a cancelled form puts the buffer back
}

TEST_F(WindowManagerFormTest, CancellingAskedOnlyAfterAnEditAndNoKeepsTheWindow)
{
    struct Case {
        bool edit;
        std::vector<int> answers;
        std::size_t questions;
    };
    const Case cases[] = {
        {false, {}, 0},                          // nothing changed: closes at once
        {true, {button::kYes}, 1},               // Yes: closes, nothing written
        {true, {button::kNo, button::kYes}, 2},  // No: stays, asked again on the next cancel
    };
    for (const auto& c : cases) {
        ui_.ClearMessages();
        Load(10);
        if (c.edit) {
            ui_.Type(kName, "edited");
        }
        for (int answer : c.answers) {
            ui_.QueueAnswer(answer);
        }
        ui_.Press(kCancel);
        if (c.answers.size() > 1) {
            ui_.Do([&](Window& w) { EXPECT_TRUE(w.IsOpen()); });
            ui_.Press(kCancel);
        }
        EXPECT_EQ(RunForm(request::kChange), response::kCancelled);
        EXPECT_EQ(ui_.MessageCount(), c.questions);
        for (const MessageBoxRequest& m : ui_.Messages()) {
            EXPECT_EQ(m.caption, "Changes will be lost!");
            EXPECT_EQ(m.text, "Are you sure you want to cancel?");
        }
        EXPECT_EQ(Stored(10), "item 10");
        EXPECT_EQ(ui_.PendingActions(), 0u);
    }
}

TEST_F(WindowManagerFormTest, WithCancelActionThreeClosingAnEditAsksWhetherToSave)
{
    cancelAction_ = 3;
    for (const int answer : {button::kYes, button::kNo}) {
        ui_.ClearMessages();
        Load(10);
        ui_.Type(kName, answer == button::kYes ? "kept" : "dropped");
        ui_.QueueAnswer(answer);
        ui_.CloseBox();
        const std::uint8_t result = RunForm(request::kChange);
        EXPECT_EQ(Captions(), (std::vector<std::string>{"Save Record"}));
        if (answer == button::kYes) { // saved as if OK had been pressed
            EXPECT_EQ(result, response::kCompleted);
            EXPECT_EQ(Stored(10), "kept");
        } else {
            EXPECT_EQ(result, response::kCancelled);
            EXPECT_EQ(Stored(10), "kept");
        }
    }
}

TEST_F(WindowManagerFormTest, WithCancelActionOneClosingAnEditAcceptsOk)
{
    cancelAction_ = 1;
    Load(10);
    ui_.Type(kName, "saved");
    ui_.CloseBox();
    EXPECT_EQ(RunForm(request::kChange), response::kCompleted);
    EXPECT_EQ(okAccepted_, 1); // through the form's own accepted handling, as a press of OK
    EXPECT_EQ(Stored(10), "saved");
    EXPECT_EQ(ui_.MessageCount(), 0u);

    // No OK control to accept: the close goes on rather than keeping the window for ever.
    okControl_ = 0;
    Load(20);
    ui_.Type(kName, "lost");
    ui_.CloseBox();
    bool stayedOpen = false;
    ui_.Do([&](Window&) { stayedOpen = true; });
    EXPECT_EQ(RunForm(request::kChange), response::kCancelled);
    EXPECT_FALSE(stayedOpen);
    EXPECT_EQ(Stored(20), "item 20");
}

TEST_F(WindowManagerFormTest, ADeleteAsksAndNeverOpensTheWindow)
{
    for (const int answer : {button::kNo, button::kYes}) {
        ui_.ClearMessages();
        Load(20);
        ui_.QueueAnswer(answer);
        const std::uint8_t result = RunForm(request::kDelete);
        EXPECT_FALSE(opened_);
        EXPECT_EQ(Captions(), (std::vector<std::string>{"Confirm Delete"}));
        EXPECT_EQ(ui_.Messages()[0].defaultButton, button::kYes);
        if (answer == button::kYes) {
            EXPECT_EQ(result, response::kCompleted);
            EXPECT_EQ(Stored(20), "");
        } else {
            EXPECT_EQ(result, response::kCancelled);
            EXPECT_EQ(Stored(20), "item 20");
        }
    }
    EXPECT_EQ(Stored(10), "item 10");
}

// A delete the file refuses is shown, the response is cancelled, and every record stays as the file has it.
TEST_F(WindowManagerFormTest, AFailedDeleteIsReportedAndLosesNothing)
{
    struct Case {
        const char* what;
        std::function<void()> spoil;
        const char* caption;
        std::string text;
        std::vector<std::int32_t> left;
    } const cases[] = {
        {"record deleted by another user",
         [&] {
             Load(30);
             DataFile other(DataFileDeclaration{&ItemLayout(), {{"ITM:BYID", {1}, kKeyPrimary}}, kFileCreate});
             ASSERT_EQ(other.Open(items_.OpenPath(), kAccessReadWrite | kShareDenyNone), 0);
             Item values;
             values.id = 30;
             Item found;
             ASSERT_EQ(other.Get(0, &values, &found), 0);
             ASSERT_EQ(other.Delete(), 0);
         },
         "Record Changed",
         "This record was changed or deleted by another program since it was read. Nothing was written.|File: items.dat",
         {10, 20}},
        {"read-only file",
         [&] {
             relation_.Close(0);
             file_.OPENMODE = kAccessRead | kShareDenyNone;
             relation_.Open(0);
             ASSERT_EQ(file_.UseFile(use::kUse), 0);
             Load(20);
         },
         "Record Delete Error",
         "An error was experienced during the deletion of a record.|File: items.dat|Error: Access Denied.",
         {10, 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui_.ClearMessages();
        c.spoil();
        ui_.QueueAnswer(button::kYes);
        EXPECT_EQ(RunForm(request::kDelete), response::kCancelled);
        EXPECT_FALSE(opened_);
        ASSERT_EQ(Captions(), (std::vector<std::string>{"Confirm Delete", c.caption}));
        EXPECT_EQ(ui_.Messages()[1].text, c.text);
        for (const std::int32_t id : c.left) {
            EXPECT_EQ(Stored(id), "item " + std::to_string(id));
        }
    }
}

TEST_F(WindowManagerFormTest, ABrowseOpensALazilyOpenedFileForRealAtItsFirstRead)
{
    relation_.Close(0);
    relation_.Open(0); // counted only: nothing read yet
    ASSERT_FALSE(file_.IsOpenForReal());

    test::ItemRow row;
    Queue queue(test::ItemRowLayout(), &row);
    View view;
    view.Bind(*items_.Keyed(), items_.Record(), ItemLayout());
    RegisterWindowDefinition(test::ListDefinition(100));
    std::unique_ptr<Window> window = NewWindow("test$browse", "LIST", {BoundVariable::Of(queue)});
    WindowManager manager;
    manager.Init();
    manager.Open(*window);
    BrowseManager browse;
    browse.Init(1, row.position.Data(), 20, view, queue, relation_, manager);
    browse.AddSortOrder(0, items_.Key(0));
    browse.AddLongField(&Buffer().id, &row.id);
    manager.SetAlertKeys();
    EXPECT_TRUE(file_.IsOpenForReal());
    EXPECT_EQ(queue.Records(), 3u);

    // The selected row becomes the file manager's current record, which a delete then removes.
    ui_.QueueAnswer(button::kYes);
    manager.UpdateComponents();
    EXPECT_EQ(relation_.Delete(1), 0);
    EXPECT_EQ(Stored(10), "");
    manager.Kill();
    DisposeWindow(window);
}

} // namespace
} // namespace quorin
