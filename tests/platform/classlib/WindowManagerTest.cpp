#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/Toolbar.h"
#include "platform/classlib/WindowComponent.h"
#include "platform/classlib/WindowManager.h"
#include "platform/classlib/WindowResizer.h"
#include "platform/runtime/ControlKinds.h"
#include "platform/runtime/FixedText.h"
#include "platform/runtime/RecordLayout.h"
#include "platform/runtime/Window.h"
#include "platform/ui/scripted/ScriptedUi.h"

namespace quorin {
namespace {

// A small form of the tests' own: two entries, a check-free layout, OK, Cancel and Close buttons.
constexpr int kNamePrompt = 1;
constexpr int kName = 2;
constexpr int kNote = 3;
constexpr int kOk = 4;
constexpr int kCancel = 5;
constexpr int kClose = 6;
constexpr int kCtrlH = keys::kCtrl | 'H';

WindowDefinition FormDefinition()
{
    WindowDefinition d;
    d.module = "test$windows";
    d.name = "FORM";
    d.title = "Form";
    d.width = 200;
    d.height = 100;
    d.attributes = kWinSystem | kWinResize;
    auto add = [&](std::string label, ControlKind kind, std::string caption, int x, int y, int w, int h,
                   std::uint32_t attributes = 0) {
        ControlDefinition c;
        c.label = std::move(label);
        c.kind = kind;
        c.caption = std::move(caption);
        c.x = x, c.y = y, c.width = w, c.height = h;
        c.attributes = attributes;
        d.controls.push_back(c);
    };
    add("?NAME:PROMPT", ControlKind::Prompt, "Name:", 4, 4, 40, 10);
    add("?NAME", ControlKind::Entry, "s20", 50, 4, 100, 10);
    add("?NOTE", ControlKind::Entry, "s30", 50, 20, 140, 10);
    add("?OK", ControlKind::Button, "&OK", 40, 80, 40, 14, kCtlDefault);
    add("?CANCEL", ControlKind::Button, "&Cancel", 90, 80, 40, 14);
    add("?CLOSE", ControlKind::Button, "C&lose", 140, 80, 40, 14);
    return d;
}

struct FormRecord {
    FixedText<20> name;
    FixedText<30> note;
};

const RecordLayout& FormLayout()
{
    static const RecordLayout layout("FORM", {{"FRM:NAME", FieldType::Text, 20}, {"FRM:NOTE", FieldType::Text, 30}});
    return layout;
}

// Records which of its operations ran, in order.
class TracingManager : public WindowManager {
public:
    std::vector<std::string> trace;
    Window* form = nullptr;

    Level Init() override
    {
        trace.push_back("Init");
        const Level level = WindowManager::Init();
        AddCloseButton(kClose, response::kCompleted);
        AddCloseButton(kCancel, response::kCancelled);
        Open(*form);
        return level;
    }
    void ProcessEvents() override
    {
        trace.push_back("ProcessEvents");
        WindowManager::ProcessEvents();
    }
    Level Kill() override
    {
        trace.push_back("Kill");
        return WindowManager::Kill();
    }
};

// Counts the events a component gets to see.
class Watcher : public WindowComponent {
public:
    WindowManager* manager = nullptr;
    std::vector<int> acceptedSeen;
    int updates = 0;
    int alerts = 0;
    int kills = 0;
    std::uint8_t TakeEvent() override
    {
        const Event& e = manager->window()->currentEvent();
        if (e.code == EventCode::Accepted) {
            acceptedSeen.push_back(e.control);
        }
        return 0;
    }
    void Update() override { ++updates; }
    void SetAlerts() override { ++alerts; }
    void Kill() override { ++kills; }
};

class WindowManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LinkAllControlKinds();
        RegisterWindowDefinition(FormDefinition());
        window_ = NewWindow("test$windows", "FORM", {BoundVariable::Of(record_.name), BoundVariable::Of(record_.note)});
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override { DisposeWindow(window_); }

    ScriptedUi ui_;
    ScopedUserInterface scope_{ui_};
    FormRecord record_;
    std::unique_ptr<Window> window_;
};

TEST_F(WindowManagerTest, RunGoesThroughInitTheLoopAndKillAndGivesTheResponse)
{
    struct Case {
        const char* action;
        std::uint8_t response;
    };
    const Case cases[] = {
        {"close button", response::kCompleted},
        {"cancel button", response::kCancelled},
        {"close box", response::kCancelled}, // no response set: cancelled
        {"nothing", response::kCancelled},   // the script ends: the window closes
    };
    for (const auto& c : cases) {
        DisposeWindow(window_);
        window_ = NewWindow("test$windows", "FORM", {BoundVariable::Of(record_.name), BoundVariable::Of(record_.note)});
        TracingManager manager;
        manager.form = window_.get();
        const std::string action = c.action;
        if (action == "close button") {
            ui_.Press(kClose);
        } else if (action == "cancel button") {
            ui_.Press(kCancel);
        } else if (action == "close box") {
            ui_.CloseBox();
        }
        EXPECT_EQ(manager.Run(), c.response) << action;
        EXPECT_EQ(manager.trace, (std::vector<std::string>{"Init", "ProcessEvents", "Kill"})) << action;
        EXPECT_FALSE(window_->IsOpen()) << action;
        EXPECT_EQ(manager.OPENED, 1);
        EXPECT_TRUE(manager.Dead());
        EXPECT_EQ(manager.Kill(), level::kNotify) << "a second Kill does nothing";
    }
}

TEST_F(WindowManagerTest, InitSetsTheDefaultActionsAndKillRunsOnlyOnce)
{
    WindowManager manager;
    EXPECT_EQ(manager.Kill(), level::kNotify); // lists never made
    manager.REQUEST = request::kChange;
    EXPECT_EQ(manager.Init(), 0);
    EXPECT_EQ(manager.ORIGINALREQUEST, request::kChange);
    EXPECT_EQ(manager.INSERTACTION, 2);
    EXPECT_EQ(manager.CHANGEACTION, 2);
    EXPECT_EQ(manager.DELETEACTION, 2);
    EXPECT_EQ(manager.CANCELACTION, 3);
    EXPECT_EQ(manager.RunProcedure(1, request::kInsert), response::kCancelled);
    EXPECT_EQ(manager.Kill(), 0);
    EXPECT_EQ(manager.Kill(), level::kNotify);
}

TEST_F(WindowManagerTest, AButtonHandledByTheManagerIsNotSeenByItsComponents)
{
    TracingManager manager;
    manager.form = window_.get();
    Watcher watcher;
    watcher.manager = &manager;
    ui_.Press(kOk);    // OKCONTROL is 0 here: an ordinary button, the components see it
    ui_.Press(kClose); // a close button: handled, nobody else sees it
    manager.Init();
    manager.AddItem(watcher);
    manager.SetAlertKeys();
    manager.UpdateComponents();
    manager.ProcessEvents();
    manager.Kill();
    EXPECT_EQ(watcher.acceptedSeen, (std::vector<int>{kOk}));
    EXPECT_EQ(watcher.alerts, 1);
    EXPECT_EQ(watcher.updates, 1);
    EXPECT_EQ(watcher.kills, 1);
    EXPECT_EQ(manager.RESPONSE, response::kCompleted);
}

TEST_F(WindowManagerTest, TheHistoryKeyRestoresOneFieldFromTheSavedRecord)
{
    FormRecord saved;
    saved.name = "Saved name";
    saved.note = "Saved note";
    record_.name = "Current";
    record_.note = "Current note";

    TracingManager manager;
    manager.form = window_.get();
    Toolbar toolbar;
    manager.Init();
    manager.HISTORYKEY = kCtrlH;
    manager.SetToolbar(toolbar);
    manager.SetHistoryRecords(&record_, FormLayout(), sizeof record_, &saved, FormLayout(), sizeof saved);
    manager.AddHistoryField(kName, 1);
    manager.AddHistoryField(kNote, 2);
    manager.SetAlertKeys();
    EXPECT_TRUE(window_->control(kName)->IsAlertKey(kCtrlH));
    EXPECT_FALSE(window_->control(kOk)->IsAlertKey(kCtrlH));

    ui_.Key(kName, kCtrlH);
    ui_.Do([&](Window& w) {
        EXPECT_EQ(record_.name, "Saved name");
        EXPECT_EQ(record_.note, "Current note"); // only the field of that control
        EXPECT_EQ(w.control(kName)->screenText(), "Saved name");
    });
    ui_.Key(kNote, kCtrlH);
    ui_.Do([&](Window&) { EXPECT_EQ(record_.note, "Saved note"); });
    manager.ProcessEvents();
    manager.Kill();
    EXPECT_EQ(ui_.PendingActions(), 0u);
    EXPECT_EQ(toolbar.window(), nullptr); // Kill unlinks the toolbar
}

TEST_F(WindowManagerTest, TheToolbarsHistoryButtonRestoresTheFocusedField)
{
    FormRecord saved;
    saved.name = "From history";
    TracingManager manager;
    manager.form = window_.get();
    Toolbar toolbar;
    manager.Init();
    manager.SetToolbar(toolbar);
    manager.SetHistoryRecords(&record_, FormLayout(), sizeof record_, &saved, FormLayout(), sizeof saved);
    manager.AddHistoryField(kName, 1);
    window_->Select(kName);
    EXPECT_EQ(toolbar.TakeAccepted(toolbar::kHistory, window_->focus()), level::kNotify);
    EXPECT_EQ(record_.name, "From history");
    EXPECT_EQ(toolbar.TakeAccepted(kOk, window_->focus()), 0); // not a toolbar button
    manager.Kill();
}

TEST_F(WindowManagerTest, TheResizerKeepsTheMinimumSizeAndScalesTheControls)
{
    TracingManager manager;
    manager.form = window_.get();
    WindowResizer resizer;
    manager.Init();
    resizer.Init(resize::kProportional, 1, 0);
    manager.SetResizer(resizer);
    EXPECT_EQ(window_->minWidth(), 200);
    EXPECT_EQ(window_->minHeight(), 100);
    EXPECT_EQ(window_->GetProperty(0, prop::kImm), "1");

    ui_.Resize(100, 50); // smaller than defined: not allowed
    ui_.Do([&](Window& w) {
        EXPECT_EQ(w.width(), 200);
        EXPECT_EQ(w.height(), 100);
        EXPECT_EQ(w.control(kNote)->width(), 140);
    });
    ui_.Resize(400, 200);
    ui_.Do([&](Window& w) {
        const Control* note = w.control(kNote);
        EXPECT_EQ(note->x(), 100);
        EXPECT_EQ(note->width(), 280);
        EXPECT_EQ(note->height(), 20);
        const Control* ok = w.control(kOk);
        EXPECT_EQ(ok->y(), 160);
        EXPECT_EQ(ok->height(), 14); // buttons keep their height
        EXPECT_EQ(ok->width(), 80);
    });
    manager.ProcessEvents();
    EXPECT_EQ(ui_.PendingActions(), 0u);
    manager.Kill();
    EXPECT_EQ(manager.resizer(), nullptr);
}

} // namespace
} // namespace quorin
