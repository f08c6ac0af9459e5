#include "forms/UpdateSaveData.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "forms/UpdateSaveDataResizer.h"
#include "forms/UpdateSaveDataWindow.h"
#include "frame/DataDictionary.h"
#include "frame/Program.h"
#include "platform/classlib/Toolbar.h"
#include "platform/runtime/ControlKinds.h"
#include "platform/runtime/FixedText.h"
#include "platform/runtime/Queue.h"
#include "platform/runtime/ThreadVar.h"
#include "platform/runtime/Window.h"
#include "platform/runtime/WindowDefinition.h"

namespace quorin::forms {

namespace {

constexpr const char* kModule = "quorin20$quorin20002";
constexpr const char* kDefinition = "P1$QUICKWINDOW";

ThreadVar<std::vector<char>>& HistoryVar()
{
    static ThreadVar<std::vector<char>> history(std::vector<char>(PdfFormSaveDataLayout().Size()));
    return history;
}

ThreadVar<StaticInitGuard>& HistoryGuard()
{
    static ThreadVar<StaticInitGuard> guard;
    return guard;
}

WindowDefinition QuickWindow()
{
    WindowDefinition d;
    d.module = kModule;
    d.name = kDefinition;
    d.title = "Update Category";
    d.width = 358;
    d.height = 182;
    d.attributes = kWinResize | kWinSystem | kWinGray;
    d.helpId = "UpdateSaveData";

    auto add = [&](std::string label, ControlKind kind, std::string caption, int parent) -> ControlDefinition& {
        ControlDefinition c;
        c.label = std::move(label);
        c.kind = kind;
        c.caption = std::move(caption);
        c.parent = parent;
        d.controls.push_back(std::move(c));
        return d.controls.back();
    };
    auto at = [](ControlDefinition& c, int x, int y) -> ControlDefinition& {
        c.x = x;
        c.y = y;
        return c;
    };
    auto sized = [](ControlDefinition& c, int width, int height) {
        c.width = width;
        c.height = height;
    };
    // A prompt at x 8 and its entry at x 72 on one row of a tab; prompts size themselves to their text.
    auto row = [&](int tab, const std::string& field, const std::string& prompt, const std::string& picture, int y,
                   int width, std::uint32_t attributes = 0) {
        at(add("?SAV:" + field + ":PROMPT", ControlKind::Prompt, prompt, tab), 8, y);
        ControlDefinition& entry = at(add("?SAV:" + field, ControlKind::Entry, picture, tab), 72, y);
        sized(entry, width, 10);
        entry.attributes = attributes;
    };
    auto button = [&](std::string label, std::string caption, int x, std::string icon, std::string tip) {
        ControlDefinition& b = at(add(std::move(label), ControlKind::Button, std::move(caption), 0), x, 164);
        sized(b, 49, 14);
        b.icon = std::move(icon);
        b.msg = tip;
        b.tip = std::move(tip);
        return &b;
    };

    sized(at(add("?CURRENTTAB", ControlKind::Sheet, "", 0), 4, 4), 350, 156);
    add("?TAB:1", ControlKind::Tab, "&1) General", quick::kCurrentTab);
    row(quick::kTab1, "DATE", "Date:", "D17", 20, 104, kCtlRight);
    row(quick::kTab1, "TIME", "Time:", "T7", 34, 104, kCtlRight);
    row(quick::kTab1, "EMAIL", "Email:", "s255", 48, 278);
    row(quick::kTab1, "ACCOUNT", "Account:", "s20", 62, 84);
    row(quick::kTab1, "PASSWORD", "Password:", "s20", 76, 84);
    row(quick::kTab1, "FIRSTNAME", "First Name:", "s30", 90, 124);
    row(quick::kTab1, "LASTNAME", "Last Name:", "s30", 104, 124);
    row(quick::kTab1, "BIRTHDATE", "Birthdate:", "s10", 118, 44);
    row(quick::kTab1, "BOOKSCHK", "Books Chk:", "s3", 132, 40);
    row(quick::kTab1, "MAGAZINESCHK", "Magazines Chk:", "s3", 146, 40);
    add("?TAB:2", ControlKind::Tab, "&2) General (cont.)", quick::kCurrentTab);
    row(quick::kTab2, "NEWSPAPERSCHK", "Newspapers Chk:", "s3", 20, 40);
    row(quick::kTab2, "COUNTRY", "Country:", "s30", 34, 124);
    add("?TAB:3", ControlKind::Tab, "&3) AddlInfo", quick::kCurrentTab);
    at(add("?SAV:ADDLINFO:PROMPT", ControlKind::Prompt, "Addl Info:", quick::kTab3), 8, 20);
    sized(at(add("?SAV:ADDLINFO", ControlKind::Text, "", quick::kTab3), 72, 20), 278, 136);
    button("?OK", "&OK", 199, "WAOK.ICO", "Accept data and close the window")->attributes = kCtlDefault;
    button("?CANCEL", "&Cancel", 252, "WACANCEL.ICO", "Cancel operation");
    button("?HELP", "&Help", 305, "WAHELP.ICO", "See Help Window")->attributes = kCtlStdHelp;
    return d;
}

// A typed reference to one field of a record image, for binding a control to it.
BoundVariable FieldVariable(char* record, const RecordLayout& layout, int number)
{
    const FieldDesc& field = layout.Field(number);
    char* at = record + field.offset;
    if (field.type == FieldType::Long) {
        return BoundVariable::Long(reinterpret_cast<std::int32_t*>(at));
    }
    return BoundVariable::Text(at, field.size);
}

// The locals' sizes as the procedure makes them.
using UnusedText = FixedText<80>;
using ActionMessage = std::array<char, UpdateSaveDataContext::kActionMessageSize>;

} // namespace

char* UpdateSaveDataHistory() { return HistoryVar()->data(); }

void UpdateSaveData()
{
    char* history = UpdateSaveDataHistory();
    char* record = PdfFormSaveData().Record();
    const RecordLayout& layout = PdfFormSaveDataLayout();

    // 1. The history record starts empty once per thread and then keeps the last added or changed record.
    if (BeginStaticInit(*HistoryGuard()) == 0) {
        layout.Clear(history);
        EndStaticInit(*HistoryGuard());
    }

    // 2.
    auto unused = std::make_unique<UnusedText>();
    auto actionMessage = std::make_unique<ActionMessage>();
    (*actionMessage)[0] = '\0';

    // 3. The controls edit the thread's record buffer, in the order of their controls.
    std::vector<BoundVariable> fields;
    for (const int number : {sav::kDate, sav::kTime, sav::kEmail, sav::kAccount, sav::kPassword, sav::kFirstName,
                             sav::kLastName, sav::kBirthDate, sav::kBooksChk, sav::kMagazinesChk,
                             sav::kNewspapersChk, sav::kCountry, sav::kAddlInfo}) {
        fields.push_back(FieldVariable(record, layout, number));
    }
    std::unique_ptr<Window> window = NewWindow(kModule, kDefinition, std::move(fields));
    if (!window) {
        // The module was never started, so the form has no window: refuse rather than act unseen.
        *GlobalRequest = 0;
        *GlobalResponse = response::kCancelled;
        return;
    }

    // 4.
    UpdateSaveDataContext context;
    context.window = window.get();
    context.actionMessage = actionMessage->data();
    auto windowManager = std::make_unique<UpdateSaveDataWindow>(context);
    Toolbar toolbar;
    context.toolbar = &toolbar;
    auto resizer = std::make_unique<UpdateSaveDataResizer>(context);
    context.resizer = resizer.get();
    Queue localQueue(RecordLayout("", {{"FEQ", FieldType::Long}, {"OLDCOLOR", FieldType::Long}}));

    // 5.
    *GlobalResponse = windowManager->Run();

    // 6.
    localQueue.Kill();
    resizer.reset();
    windowManager.reset();
    DisposeWindow(window);
    actionMessage.reset();
    unused.reset();
}

void UpdateSaveDataModuleInit()
{
    LinkEntryControlKind();
    LinkButtonControlKind();
    LinkPromptControlKind();
    LinkTextControlKind();
    LinkSheetControlKind();
    LinkTabControlKind();
    RegisterWindowDefinition(QuickWindow());
}

} // namespace quorin::forms
