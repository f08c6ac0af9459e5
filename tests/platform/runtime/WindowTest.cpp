// The window model driven by the scripted user: required entries, pictures, accepting, created and
// destroyed controls, properties by number, lists and alert keys, nested loops.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/runtime/ControlKinds.h"
#include "platform/runtime/Date.h"
#include "platform/runtime/FixedText.h"
#include "platform/runtime/Picture.h"
#include "platform/runtime/Queue.h"
#include "platform/runtime/RuntimeError.h"
#include "platform/runtime/UserInterface.h"
#include "platform/runtime/Window.h"
#include "platform/ui/scripted/ScriptedUi.h"

namespace quorin {
namespace {

// Control numbers of the test window.
enum : int {
    kNamePrompt = 1,
    kName = 2,    // Req, s8
    kCity = 3,    // Req, s20
    kCount = 4,   // numeric picture on a 32-bit variable
    kSave = 5,    // Req button
    kPlain = 6,   // plain button
    kOk = 7,      // default button
    kFlag = 8,    // check box
    kRows = 9,    // list
    kRegion = 10, // region
};

ControlDefinition Def(std::string label, ControlKind kind, std::string caption, std::uint32_t attributes = 0)
{
    ControlDefinition d;
    d.label = std::move(label);
    d.kind = kind;
    d.caption = std::move(caption);
    d.attributes = attributes;
    return d;
}

WindowDefinition TestDefinition()
{
    WindowDefinition w;
    w.module = "tests$window";
    w.name = "TESTWINDOW";
    w.title = "Test Window";
    w.width = 200;
    w.height = 150;
    w.attributes = kWinSystem | kWinGray;
    w.helpId = "TestHelp";
    w.controls = {
        Def("?NAME:PROMPT", ControlKind::Prompt, "&Name:"),
        Def("?NAME", ControlKind::Entry, "s8", kCtlReq),
        Def("?CITY", ControlKind::Entry, "s20", kCtlReq),
        Def("?COUNT", ControlKind::Entry, "D17"),
        Def("?SAVE", ControlKind::Button, "&Save", kCtlReq),
        Def("?PLAIN", ControlKind::Button, "&Plain"),
        Def("?OK", ControlKind::Button, "&OK", kCtlDefault),
        Def("?FLAG", ControlKind::Check, "&Flag"),
        Def("?ROWS", ControlKind::List, "", kCtlImm),
        Def("?REGION1", ControlKind::Region, "", kCtlHide),
    };
    w.controls[0].x = 4;
    w.controls[0].y = 4;
    w.controls[1].x = 40;
    w.controls[1].y = 4;
    w.controls[1].width = 60;
    w.controls[1].height = 10;
    w.controls[8].listFormat = "40L(2)|M~Name~@s10@30R(1)~Size~L@s5@";
    w.controls[9].x = 9;
    w.controls[9].y = 127;
    w.controls[9].width = 34;
    w.controls[9].height = 14;
    return w;
}

struct Data {
    FixedText<10> name;
    FixedText<20> city;
    std::int32_t count = 0;
    std::uint8_t flag = 0;
    Queue rows{RecordLayout("Row", {{"NAME", FieldType::Text, 10}, {"SIZE", FieldType::Text, 5}})};
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UnlinkAllControlKinds();
        LinkAllControlKinds();
        RegisterWindowDefinition(TestDefinition());
        ClearRuntimeError();
    }
    void TearDown() override { UnlinkAllControlKinds(); }

    std::unique_ptr<Window> Make()
    {
        return NewWindow("tests$window", "TestWindow",
                         {BoundVariable::Of(data.name), BoundVariable::Of(data.city), BoundVariable::Of(data.count),
                          BoundVariable::Of(data.flag), BoundVariable::Of(data.rows)});
    }

    // Runs the window's loop until the script runs out; the events it saw, OpenWindow and the
    // focus events left out.
    std::vector<Event> Run(Window& window)
    {
        std::vector<Event> seen;
        while (window.NextEvent()) {
            const Event& e = window.currentEvent();
            if (e.code != EventCode::OpenWindow && e.code != EventCode::Selected)
                seen.push_back(e);
        }
        return seen;
    }

    static bool Has(const std::vector<Event>& events, EventCode code, int control)
    {
        for (const Event& e : events)
            if (e.code == code && e.control == control)
                return true;
        return false;
    }

    Data data;
    ScriptedUi ui;
    ScopedUserInterface scope{ui};
};

TEST_F(WindowTest, RequiredButtonMovesFocusToLowestBlankShownEnabledEntry)
{
    struct Case {
        const char* name;
        const char* city;
        bool hideName;
        bool disableName;
        int focus;     // expected focus after the press
        bool accepted; // expected Accepted of ?SAVE
    };
    const Case cases[] = {
        {"", "", false, false, kName, false},
        {"   ", "Bern", false, false, kName, false}, // blanks only count as missing
        {"Ann", "", false, false, kCity, false},
        {"", "", true, false, kCity, false},          // a hidden entry is not checked
        {"", "", false, true, kCity, false},          // nor a disabled one
        {"Ann", "Bern", false, false, kSave, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("name '") + c.name + "' city '" + c.city + "'");
        data.name = c.name;
        data.city = c.city;
        auto window = Make();
        window->Hide(kName, c.hideName);
        window->Enable(kName, 0, !c.disableName);
        window->Open();
        ui.Press(kSave);
        int focusAfterPress = -1;
        ui.Do([&](Window& w) { focusAfterPress = w.focus(); });
        const auto events = Run(*window);
        EXPECT_EQ(focusAfterPress, c.focus);
        EXPECT_EQ(Has(events, EventCode::Accepted, kSave), c.accepted);
    }
}

TEST_F(WindowTest, PlainButtonIgnoresRequiredEntries)
{
    auto window = Make();
    window->Open();
    ui.Press(kPlain);
    EXPECT_TRUE(Has(Run(*window), EventCode::Accepted, kPlain));
}

TEST_F(WindowTest, EntryShowsThroughPictureAndWritesBackOnLeave)
{
    data.name = "Christophe"; // the picture s8 shows 8 of its 10
    auto window = Make();
    EXPECT_EQ(window->control(kName)->screenText(), "Christop");
    window->Open();
    ui.Type(kName, "Alexandra-Maria");
    ui.Do([&](Window&) { EXPECT_EQ(data.name.Str(), "Christophe") << "not written while typing"; });
    ui.Leave(kName, kCity);
    const auto events = Run(*window);
    EXPECT_EQ(data.name.Str(), "Alexandr");
    EXPECT_EQ(window->control(kName)->screenText(), "Alexandr");
    EXPECT_TRUE(Has(events, EventCode::Accepted, kName));
}

// A record form sets a new record's date between NewWindow and the open: the open shows it.
TEST_F(WindowTest, OpeningShowsEveryControlFromItsVariableAsItIsNow)
{
    SetPictureLocale("en_US");
    auto window = Make();
    data.name = "Ann";
    data.city = "Bern";
    data.count = *DayNumber(2024, 3, 5);
    data.flag = 1;
    window->Open();
    EXPECT_EQ(window->control(kName)->screenText(), "Ann");
    EXPECT_EQ(window->control(kCity)->screenText(), "Bern");
    EXPECT_EQ(window->control(kCount)->screenText(), "3/5/2024");
    EXPECT_EQ(window->control(kFlag)->screenText(), "1");
    SetPictureLocale("");
}

TEST_F(WindowTest, ButtonPressWritesBackTheFocusedEntryFirst)
{
    data.city = "Bern";
    auto window = Make();
    window->Open();
    ui.Type(kName, "Ann");
    ui.Press(kSave); // Req sees the typed name
    const auto events = Run(*window);
    EXPECT_EQ(data.name.Str(), "Ann");
    EXPECT_TRUE(Has(events, EventCode::Accepted, kSave));
}

// Typing lands where the keyboard is: an entry typed into while the model's focus was elsewhere
// takes the focus, the entry left is written back first, and what is shown fits the variable.
TEST_F(WindowTest, TypingIntoAnEntryTakesTheFocusAndShowsOnlyWhatItsVariableHolds)
{
    auto window = Make();
    window->Open();
    ui.Type(kName, "Ann");
    ui.Do([](Window& w) { w.UserEdit(kCity, "Bern"); }); // no focus move was reported
    int focusAfterTyping = 0;
    ui.Do([&](Window& w) { focusAfterTyping = w.focus(); });
    ui.Do([](Window& w) { w.UserEdit(kName, "\xD0\x96\xD0\x96\xD0\x96\xD0\x96\xD0\x96"); }); // 5 letters, 10 bytes
    std::string shown;
    ui.Do([&](Window& w) { shown = w.control(kName)->screenText(); });
    ui.Press(kPlain);
    const auto events = Run(*window);
    EXPECT_EQ(focusAfterTyping, kCity);
    EXPECT_EQ(data.city.Str(), "Bern");
    EXPECT_EQ(shown, "\xD0\x96\xD0\x96\xD0\x96\xD0\x96") << "s8 holds 8 bytes: four letters, none cut in half";
    EXPECT_EQ(data.name.Str(), shown);
    EXPECT_TRUE(Has(events, EventCode::Accepted, kPlain));
}

TEST_F(WindowTest, RefusedValueKeepsFocusAndIsNotWritten)
{
    data.count = 7;
    auto window = Make();
    window->Open();
    ui.Type(kCount, "12x");
    ui.Leave(kCount, kPlain);
    int focusAfterLeave = 0;
    ui.Do([&](Window& w) { focusAfterLeave = w.focus(); });
    ui.Press(kPlain); // refused again: the press does not happen
    const auto events = Run(*window);
    EXPECT_EQ(focusAfterLeave, kCount);
    EXPECT_EQ(data.count, 7);
    EXPECT_TRUE(Has(events, EventCode::Rejected, kCount));
    EXPECT_FALSE(Has(events, EventCode::Accepted, kPlain));
    EXPECT_FALSE(Has(events, EventCode::Accepted, kCount));
    // Each refusal is told, with the text as typed and what the entry takes.
    const std::vector<ScriptedUi::Refusal> told = ui.Refusals();
    ASSERT_EQ(told.size(), 2u);
    for (const ScriptedUi::Refusal& refusal : told) {
        EXPECT_EQ(refusal.control, kCount);
        EXPECT_EQ(refusal.typed, "12x");
        EXPECT_EQ(refusal.what, "Type " + PictureHint("D17"));
    }
}

TEST_F(WindowTest, DateEntryShowsTheLocalesShortDateAndTakesOnlyValidDates)
{
    SetPictureLocale("en_US");
    data.count = *DayNumber(2024, 3, 5);
    auto window = Make();
    EXPECT_EQ(window->control(kCount)->screenText(), "3/5/2024");
    window->Open();
    ui.Type(kCount, "2/29/2023"); // no such day
    ui.Leave(kCount, kPlain);
    ui.Do([&](Window& w) {
        EXPECT_EQ(w.focus(), kCount);
        EXPECT_EQ(data.count, *DayNumber(2024, 3, 5));
    });
    ui.Type(kCount, "12/31/1999");
    ui.Leave(kCount, kPlain);
    ui.Type(kCount, "");
    ui.Leave(kCount, kPlain);
    ui.Do([&](Window& w) { EXPECT_EQ(w.control(kCount)->screenText(), "") << "a zero date shows empty"; });
    std::vector<std::int32_t> written;
    while (window->NextEvent())
        if (window->AcceptedControl() == kCount)
            written.push_back(data.count);
    EXPECT_EQ(written, (std::vector<std::int32_t>{*DayNumber(1999, 12, 31), 0}));
    SetPictureLocale("");
}

TEST_F(WindowTest, RequiredDateEntryWithZeroCountsAsBlank)
{
    WindowDefinition d;
    d.module = "tests$window";
    d.name = "REQDATE";
    d.width = 100;
    d.height = 50;
    d.controls = {Def("?DATE", ControlKind::Entry, "D17", kCtlReq), Def("?GO", ControlKind::Button, "&Go", kCtlReq)};
    RegisterWindowDefinition(d);
    std::int32_t day = 0;
    auto window = NewWindow("tests$window", "REQDATE", {BoundVariable::Long(&day)});
    window->Open();
    window->Select(2);
    ui.Press(2);
    ui.Do([](Window& w) { EXPECT_EQ(w.focus(), 1); });
    ui.Do([&](Window&) { day = 80000; });
    ui.Press(2);
    EXPECT_TRUE(Has(Run(*window), EventCode::Accepted, 2));
}

TEST_F(WindowTest, DisabledAndHiddenControlsAreNotAccepted)
{
    auto window = Make();
    window->Open();
    window->Enable(kPlain, 0, false);
    window->Hide(kFlag, true);
    ui.Press(kPlain);
    ui.Press(kFlag);
    ui.Do([](Window& w) { w.Enable(kOk, 0, false); });
    ui.Key(kName, keys::kEnter); // the default button is disabled now
    ui.Do([](Window& w) { w.Enable(kPlain, 0, true); });
    ui.Press(kPlain);
    const auto events = Run(*window);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].code, EventCode::Accepted);
    EXPECT_EQ(events[0].control, kPlain);
    EXPECT_EQ(data.flag, 0);
}

TEST_F(WindowTest, SelectingAPromptSelectsTheControlItNamesSoTypingReachesTheVariable)
{
    auto window = Make();
    window->Open();
    window->Select(kCity);
    window->Select(kNamePrompt);
    EXPECT_EQ(window->focus(), kName);
    window->Select(kRegion); // nothing after it takes the focus: the selection stays
    EXPECT_EQ(window->focus(), kName);

    ui.Do([](Window& w) { w.UserEdit(w.focus(), "Ada"); }); // typed where the keyboard is
    ui.Press(kPlain);
    Run(*window);
    EXPECT_EQ(data.name.Clipped(), "Ada");
}

// The focus leaves a disabled control; enabled again within the same request (a button busy while
// it works), the control has it back, but not once the window took another event.
TEST_F(WindowTest, DisablingTheFocusedControlTakesTheFocusAwayUntilTheRequestEnablesItAgain)
{
    auto window = Make();
    window->Open();
    window->Select(kCity);
    window->Enable(kName, kCity, false);
    EXPECT_EQ(window->focus(), 0);
    window->Enable(kName, 0, true);
    EXPECT_EQ(window->focus(), 0) << "only the control that had the focus takes it back";
    window->Enable(kCity, 0, true);
    EXPECT_EQ(window->focus(), kCity);

    window->Enable(kCity, 0, false);
    ASSERT_TRUE(window->NextEvent()); // OpenWindow: the request ends
    window->Enable(kCity, 0, true);
    EXPECT_EQ(window->focus(), 0);
}

TEST_F(WindowTest, EnterPressesTheDefaultButtonAndCheckBoxToggles)
{
    auto window = Make();
    window->Open();
    ui.Key(kName, keys::kEnter);
    ui.Press(kFlag);
    ui.Do([&](Window& w) { EXPECT_TRUE(w.control(kFlag)->checked()); });
    ui.Press(kFlag);
    const auto events = Run(*window);
    EXPECT_TRUE(Has(events, EventCode::Accepted, kOk));
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const Event& e) { return e.code == EventCode::Accepted && e.control == kFlag; }),
              2);
    EXPECT_EQ(data.flag, 0);
}

TEST_F(WindowTest, CreatedControlsTakeTheNextNumberOnlyForLinkedKinds)
{
    auto window = Make();
    window->Open();
    const int made = CreateControl(0, ControlKind::Button, 0, -1);
    EXPECT_EQ(made, kRegion + 1);
    ASSERT_NE(window->control(made), nullptr);
    EXPECT_EQ(CreateControl(made, ControlKind::Button, 0, -1), 0) << "number taken";

    UnlinkAllControlKinds();
    LinkButtonControlKind();
    EXPECT_EQ(CreateControl(0, ControlKind::Ole, 0, -1), 0);
    EXPECT_EQ(window->LastNumber(), made);

    {
        ModalDialogScope modal;
        EXPECT_EQ(CreateControl(0, ControlKind::Button, 0, -1), 0);
        EXPECT_EQ(RuntimeError(), kSystemIsModal);
    }
    window->Close();
    EXPECT_EQ(CreateControl(0, ControlKind::Button, 0, -1), 0) << "no current window";
}

TEST_F(WindowTest, KindNotLinkedIsNotMadeFromTheDefinition)
{
    UnlinkAllControlKinds();
    LinkEntryControlKind();
    LinkButtonControlKind();
    auto window = Make();
    EXPECT_EQ(window->control(kNamePrompt), nullptr);
    EXPECT_EQ(window->control(kRows), nullptr);
    ASSERT_NE(window->control(kCity), nullptr);
    EXPECT_EQ(window->control(kCity)->label(), "?CITY"); // numbers stay those of the definition
    EXPECT_EQ(window->control(kFlag), nullptr);
}

TEST_F(WindowTest, DestroyRemovesControlsAndTheirChildren)
{
    auto window = Make();
    window->Open();
    const int sheet = window->Create(20, ControlKind::Sheet, 0);
    const int tab = window->Create(21, ControlKind::Tab, sheet);
    const int onTab = window->Create(22, ControlKind::Entry, tab);
    ASSERT_EQ(onTab, 22);
    DestroyControls(sheet, 0);
    EXPECT_EQ(window->control(sheet), nullptr);
    EXPECT_EQ(window->control(tab), nullptr);
    EXPECT_EQ(window->control(onTab), nullptr);
    DestroyControls(kPlain, kOk);
    EXPECT_EQ(window->control(kPlain), nullptr);
    EXPECT_EQ(window->control(kOk), nullptr);
    EXPECT_NE(window->control(kFlag), nullptr);
    DestroyControls(99, 0); // names no control: nothing
    EXPECT_EQ(window->Controls().size(), 8u);
}

TEST_F(WindowTest, PropertiesByNumber)
{
    auto window = Make();
    window->Open();
    const auto get = [](int control, int property) {
        return GetControlProperty(control, 0, nullptr, std::to_string(property));
    };
    const auto set = [](int control, int property, std::string_view value) {
        SetControlPropertyText(control, 0, nullptr, std::to_string(property), value);
    };
    EXPECT_EQ(get(0, prop::kText), "Test Window");
    set(0, prop::kText, "Renamed");
    EXPECT_EQ(window->title(), "Renamed");

    // The region's geometry as defined, as decimal integers.
    EXPECT_EQ(get(kRegion, prop::kXpos), "9");
    EXPECT_EQ(get(kRegion, prop::kYpos), "127");
    EXPECT_EQ(get(kRegion, prop::kWidth), "34");
    EXPECT_EQ(get(kRegion, prop::kHeight), "14");
    EXPECT_EQ(get(kRegion, prop::kHide), "1");

    std::int32_t width = 77;
    SetControlProperty(kName, BoundVariable::Long(&width), 0, nullptr, std::to_string(prop::kWidth));
    EXPECT_EQ(window->control(kName)->width(), 77);

    set(kName, prop::kHide, "1");
    EXPECT_FALSE(window->control(kName)->Visible());
    set(kCity, prop::kReadOnly, "1");
    EXPECT_TRUE(window->control(kCity)->readOnly());
    set(kPlain, prop::kReq, "1");
    EXPECT_TRUE(window->control(kPlain)->required());
    set(kRows, prop::kAlrt, std::to_string(keys::kInsert));
    EXPECT_TRUE(window->control(kRows)->IsAlertKey(keys::kInsert));

    set(0, prop::kMinWidth, "250");
    EXPECT_EQ(window->width(), 200) << "a minimum alone does not resize";
    set(0, prop::kWidth, "100");
    EXPECT_EQ(window->width(), 250);
    set(0, prop::kMaxHeight, "120");
    set(0, prop::kHeight, "400");
    EXPECT_EQ(window->height(), 120);

    EXPECT_EQ(get(99, prop::kXpos), "");
    EXPECT_EQ(get(kName, 0x7FFF), "");
    EXPECT_EQ(GetControlProperty(kName, 0, nullptr, "not a number"), "");

    // Another window's property, read while this one is current.
    auto other = Make();
    other->SetTitle("Other");
    EXPECT_EQ(GetControlProperty(0, 0, other.get(), std::to_string(prop::kText)), "Other");
}

TEST_F(WindowTest, UnsetGeometryIsFilledInByTheRuntime)
{
    auto window = Make();
    const Control& prompt = *window->control(kNamePrompt); // "&Name:": 5 characters shown
    EXPECT_EQ(prompt.width(), 4 * 5 + 4);
    EXPECT_GT(prompt.height(), 0);
    const Control& city = *window->control(kCity); // below ?NAME
    EXPECT_EQ(city.x(), 40);
    EXPECT_GT(city.y(), 4 + 10);
}

TEST_F(WindowTest, ListShowsRowsThroughItsFormatAndReportsSelectionAndAlertKeys)
{
    for (const auto& [name, size] : {std::pair{"alpha", "1"}, {"a-very-long-name", "12345678"}, {"gamma", "3"}}) {
        data.rows.SetText(1, name);
        data.rows.SetText(2, size);
        data.rows.Add();
    }
    auto window = Make();
    const Control& list = *window->control(kRows);
    ASSERT_EQ(list.listFormat().columns.size(), 2u);
    EXPECT_EQ(list.listFormat().columns[1].alignment, Alignment::Right);
    EXPECT_EQ(list.listFormat().columns[1].headerAlignment, Alignment::Left);
    EXPECT_EQ(list.RowCount(), 3);
    EXPECT_EQ(list.RowTexts(2), (std::vector<std::string>{"a-very-lon", "12345"}));
    EXPECT_EQ(list.currentRow(), 1);

    window->control(kRows)->AddAlertKey(keys::kMouseRight);
    window->Open();
    ui.PickRow(kRows, 3);
    ui.Key(kRows, keys::kMouseRight);
    ui.Key(kRows, keys::kDelete); // not an alert key of the list: nothing
    ui.Scroll(kRows, EventCode::ScrollDown);
    const auto events = Run(*window);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].code, EventCode::NewSelection);
    EXPECT_EQ(list.currentRow(), 3);
    EXPECT_EQ(events[1].code, EventCode::AlertKey);
    EXPECT_EQ(events[1].control, kRows);
    EXPECT_EQ(events[1].key, keys::kMouseRight);
    EXPECT_EQ(events[2].code, EventCode::ScrollDown);
}

TEST_F(WindowTest, ListFollowsItsQueueOnDisplay)
{
    auto window = Make();
    window->Open();
    EXPECT_EQ(window->control(kRows)->currentRow(), 0);
    data.rows.SetText(1, "one");
    data.rows.Add();
    DisplayControls(kRows, 0);
    EXPECT_EQ(window->control(kRows)->RowCount(), 1);
    EXPECT_EQ(window->control(kRows)->currentRow(), 1);
    data.rows.Free();
    DisplayControls(0, 0);
    EXPECT_EQ(window->control(kRows)->currentRow(), 0);
}

TEST_F(WindowTest, CloseBoxAndEscapePostCloseWindowAndItsDefaultClosesTheWindow)
{
    for (const bool escape : {true, false}) {
        auto window = Make();
        window->Open();
        if (escape) {
            ui.Key(kName, keys::kEscape);
        } else {
            ui.CloseBox();
            ui.Press(kPlain); // never played: the window is closed by then
        }
        ASSERT_TRUE(window->NextEvent());
        EXPECT_EQ(window->currentEvent().code, EventCode::OpenWindow);
        ASSERT_TRUE(window->NextEvent());
        EXPECT_EQ(window->currentEvent().code, EventCode::CloseWindow);
        EXPECT_FALSE(window->NextEvent());
        EXPECT_FALSE(window->IsOpen());
        EXPECT_EQ(ui.PendingActions(), escape ? 0u : 1u);
    }
}

TEST_F(WindowTest, CloseWindowWithSkippedDefaultKeepsTheWindowOpen)
{
    auto window = Make();
    window->Open();
    ui.CloseBox();
    ui.Press(kPlain);
    std::vector<EventCode> codes;
    while (window->NextEvent()) {
        codes.push_back(window->currentEvent().code);
        if (window->currentEvent().code == EventCode::CloseWindow)
            window->SkipDefault();
    }
    EXPECT_EQ(codes, (std::vector<EventCode>{EventCode::OpenWindow, EventCode::CloseWindow, EventCode::Accepted}));
}

// The window manager may ask any window to close: one without a close box leaves as its close
// button does, the first that can be pressed, and stays where it has none. Escape, the close box's
// key, does nothing there.
TEST_F(WindowTest, AWindowWithoutCloseBoxAskedToCloseLeavesByItsCloseButton)
{
    WindowDefinition d = TestDefinition();
    d.name = "NOSYSTEM";
    d.attributes = kWinDouble;
    RegisterWindowDefinition(d);
    struct Case {
        const char* what;
        std::vector<int> closeButtons;
        int disabled;
        int pressed; // 0: none
    } const cases[] = {
        {"no close button", {}, 0, 0},
        {"a close button", {kPlain}, 0, kPlain},
        {"the first that is enabled", {kPlain, kOk}, kPlain, kOk},
        {"a close button that is disabled", {kPlain}, kPlain, 0},
    };
    for (const Case& c : cases) {
        auto window = NewWindow("tests$window", "NOSYSTEM", {});
        for (const int button : c.closeButtons)
            window->MarkCloseButton(button);
        window->Open();
        if (c.disabled != 0)
            window->Enable(c.disabled, 0, false);
        ui.Key(0, keys::kEscape);
        ui.CloseBox();
        const std::vector<Event> events = Run(*window);
        ASSERT_EQ(events.size(), c.pressed != 0 ? 1u : 0u) << c.what;
        if (c.pressed != 0) {
            EXPECT_EQ(events[0].code, EventCode::Accepted) << c.what;
            EXPECT_EQ(events[0].control, c.pressed) << c.what;
        }
    }
}

TEST_F(WindowTest, NestedWindowRunsItsOwnLoopAndBlocksTheOneUnderIt)
{
    auto outer = Make();
    outer->Open();
    std::vector<EventCode> innerCodes;
    int innerAccepted = 0;
    ui.Press(kPlain); // opens the nested window
    // Played into the nested window's loop:
    ui.Do([&](Window& w) {
        EXPECT_NE(&w, outer.get());
        EXPECT_FALSE(outer->AcceptsUserActions());
        outer->UserPress(kOk); // the window under a nested one takes no action
    });
    ui.Press(kOk);
    ui.CloseBox();
    // Back in the outer loop:
    ui.Press(kFlag);
    std::vector<Event> outerEvents;
    while (outer->NextEvent()) {
        outerEvents.push_back(outer->currentEvent());
        if (outer->AcceptedControl() == kPlain) {
            auto inner = Make();
            inner->Open(outer.get());
            EXPECT_EQ(CurrentWindow(), inner.get());
            while (inner->NextEvent()) {
                innerCodes.push_back(inner->currentEvent().code);
                if (inner->AcceptedControl() == kOk)
                    ++innerAccepted;
            }
            EXPECT_EQ(CurrentWindow(), outer.get());
        }
    }
    EXPECT_EQ(innerAccepted, 1);
    EXPECT_EQ(innerCodes.back(), EventCode::CloseWindow);
    EXPECT_FALSE(Has(outerEvents, EventCode::Accepted, kOk));
    EXPECT_TRUE(Has(outerEvents, EventCode::Accepted, kFlag));
    const auto shown = ui.ShownWindows();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_FALSE(shown[0].modal);
    EXPECT_TRUE(shown[1].modal);
}

TEST_F(WindowTest, AcceptedControlAndPostEventOnTheCurrentWindow)
{
    auto window = Make();
    window->Open();
    ui.Press(kPlain);
    ASSERT_TRUE(window->NextEvent()); // OpenWindow
    EXPECT_EQ(GetAcceptedControl(), 0);
    ASSERT_TRUE(window->NextEvent());
    EXPECT_EQ(GetAcceptedControl(), kPlain);
    PostEvent(EventCode::CloseWindow);
    ASSERT_TRUE(window->NextEvent());
    EXPECT_EQ(window->currentEvent().code, EventCode::CloseWindow);
    EXPECT_EQ(GetAcceptedControl(), 0);
    EXPECT_FALSE(window->NextEvent());
}

TEST_F(WindowTest, CompleteChecksRequiredEntriesBeforeTheCompletionEvent)
{
    auto window = Make();
    window->Open();
    EXPECT_FALSE(window->Complete());
    EXPECT_EQ(window->focus(), kName);
    data.name = "Ann";
    data.city = "Bern";
    EXPECT_TRUE(window->Complete());
    ASSERT_TRUE(window->NextEvent()); // OpenWindow
    ASSERT_TRUE(window->NextEvent());
    EXPECT_EQ(window->currentEvent().code, EventCode::Completed);
}

// Leaving checks no picture, so an entry can be left showing a text its picture refused; when the
// window is then completed, that entry is checked too: the focus goes to it, the user is told,
// and nothing is completed.
TEST_F(WindowTest, CompleteChecksEveryEntryThatStillShowsARefusedText)
{
    data.name = "Ann";
    data.city = "Bern";
    data.count = 7;
    auto window = Make();
    window->Open();
    ui.Type(kCount, "12x");
    ui.Do([](Window& w) {
        EXPECT_TRUE(w.TakeTypedForLeaving());
        w.Select(kName); // where a form puts the focus when the user stays
    });
    bool completed = true;
    int focus = 0;
    ui.Do([&](Window& w) {
        completed = w.Complete();
        focus = w.focus();
    });
    const auto events = Run(*window);
    EXPECT_FALSE(completed);
    EXPECT_EQ(focus, kCount);
    EXPECT_EQ(data.count, 7);
    EXPECT_TRUE(Has(events, EventCode::Rejected, kCount));
    EXPECT_FALSE(Has(events, EventCode::Completed, 0));
    ASSERT_EQ(ui.Refusals().size(), 1u);
    EXPECT_EQ(ui.Refusals()[0].control, kCount);
}

TEST_F(WindowTest, HelpAsksForTheWindowsHelpId)
{
    auto window = Make();
    window->Open();
    ui.Key(kName, keys::kF1);
    Run(*window);
    EXPECT_EQ(ui.HelpRequests(), std::vector<std::string>{"TestHelp"});
    ASSERT_EQ(ui.MessageCount(), 1u);
    EXPECT_EQ(ui.LastMessage().text, "No help is available for \"TestHelp\".");
    EXPECT_EQ(ui.LastMessage().buttons, button::kOk);
}

TEST_F(WindowTest, UnknownDefinitionMakesNoWindow)
{
    EXPECT_EQ(NewWindow("tests$window", "MISSING", {}), nullptr);
    EXPECT_EQ(RuntimeError(), kInvalidRecordDeclaration);
    std::unique_ptr<Window> none;
    DisposeWindow(none); // nothing to dispose: no harm
}

TEST_F(WindowTest, SheetShowsItsFirstTabAndFollowsTheFocusAndTheUser)
{
    WindowDefinition d;
    d.module = "tests$window";
    d.name = "SHEET";
    d.width = 358;
    d.height = 182;
    d.controls = {Def("?SHEET", ControlKind::Sheet, ""), Def("?TAB:1", ControlKind::Tab, "&1) General"),
                  Def("?A", ControlKind::Entry, "s5"),       Def("?TAB:2", ControlKind::Tab, "&2) More"),
                  Def("?B", ControlKind::Entry, "s5", kCtlReq), Def("?OK", ControlKind::Button, "&OK", kCtlReq)};
    d.controls[0].x = 4;
    d.controls[0].y = 4;
    d.controls[0].width = 350;
    d.controls[0].height = 156;
    d.controls[1].parent = 1;
    d.controls[2].parent = 2;
    d.controls[3].parent = 1;
    d.controls[4].parent = 4;
    RegisterWindowDefinition(d);
    FixedText<5> a, b;
    auto window = NewWindow("tests$window", "SHEET", {BoundVariable::Of(a), BoundVariable::Of(b)});
    const Control& sheet = *window->control(1);
    EXPECT_EQ(sheet.currentTab(), 2);
    EXPECT_EQ(window->control(4)->x(), 4) << "tabs share the sheet's area";
    EXPECT_EQ(window->control(4)->width(), 350);

    window->Open();
    ui.Press(6); // ?B on the second tab is blank and required
    ui.Do([&](Window& w) {
        EXPECT_EQ(w.focus(), 5);
        EXPECT_EQ(sheet.currentTab(), 4) << "the focus brought its tab forward";
    });
    ui.PickTab(1, 2);
    ui.PickTab(1, 3); // not a tab of the sheet: nothing
    const auto events = Run(*window);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].code, EventCode::NewSelection);
    EXPECT_EQ(events[0].control, 1);
    EXPECT_EQ(sheet.currentTab(), 2);
}

TEST_F(WindowTest, ListColumnsShowDatesAndTimesThroughTheirPictures)
{
    SetPictureLocale("de_DE");
    WindowDefinition d;
    d.module = "tests$window";
    d.name = "BROWSE";
    d.width = 330;
    d.height = 150;
    d.controls = {Def("?LIST", ControlKind::List, "", kCtlImm | kCtlVScroll)};
    d.controls[0].listFormat = "49R(2)|M~Date~L@D17@34R(2)|M~Time~L@T7@85L(2)|M~Account~@s20@";
    RegisterWindowDefinition(d);
    Queue rows(RecordLayout("Browse", {{"DATE", FieldType::Long}, {"TIME", FieldType::Long},
                                       {"ACCOUNT", FieldType::Text, 20}, {"EXTRA", FieldType::Text, 10}}));
    rows.SetLong(1, *DayNumber(2024, 2, 29));
    rows.SetLong(2, *ClockTime(13, 5));
    rows.SetText(3, "user");
    rows.SetText(4, "not shown");
    rows.Add();
    rows.ClearBuffer(); // a row of zeros shows empty date and time
    rows.Add();
    auto window = NewWindow("tests$window", "BROWSE", {BoundVariable::Of(rows)});
    const Control& list = *window->control(1);
    EXPECT_EQ(list.RowTexts(1), (std::vector<std::string>{"29.02.2024", "13:05", "user"}));
    EXPECT_EQ(list.RowTexts(2), (std::vector<std::string>{"", "", ""}));
    EXPECT_TRUE(list.RowTexts(3).empty());
    SetPictureLocale("");
}

TEST(ListFormatTest, ParsesTheColumnsOfAFormat)
{
    const ListFormat f = ListFormat::Parse(
        "49R(2)|M~Date~L@D17@34R(2)|M~Time~L@T7@85L(2)|M~Account~@s20@80L(2)|M~Password~@s20@1020L(2)~Email~@s255@");
    ASSERT_EQ(f.columns.size(), 5u);
    const ListColumn& date = f.columns[0];
    EXPECT_EQ(date.width, 49);
    EXPECT_EQ(date.alignment, Alignment::Right);
    EXPECT_EQ(date.indent, 2);
    EXPECT_TRUE(date.rightBorder);
    EXPECT_TRUE(date.resizable);
    EXPECT_EQ(date.header, "Date");
    EXPECT_EQ(date.headerAlignment, Alignment::Left);
    EXPECT_EQ(date.picture, "D17");
    const ListColumn& email = f.columns[4];
    EXPECT_EQ(email.width, 1020);
    EXPECT_FALSE(email.rightBorder);
    EXPECT_EQ(email.headerAlignment, Alignment::Left);
    EXPECT_EQ(email.picture, "s255");

    EXPECT_TRUE(ListFormat::Parse("").columns.empty());
    EXPECT_EQ(ListFormat::Parse("20L~Unclosed").columns.size(), 1u); // a broken tail gives what it has
    EXPECT_EQ(ListFormat::Parse("20L@s5").columns[0].picture, "s5");
}

} // namespace
} // namespace quorin
