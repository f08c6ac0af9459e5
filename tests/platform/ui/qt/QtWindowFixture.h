#pragma once
// A small window definition for the Qt backend's tests, opened over the real widgets: an entry
// with its prompt, a check box, a list, buttons, a sheet with two tabs (a multi-line text on the
// second) and a date entry.
#include "ModalDriver.h"
#include "platform/runtime/ControlKinds.h"
#include "platform/runtime/FixedText.h"
#include "platform/runtime/Window.h"
#include "platform/ui/qt/DialogUnits.h"
#include "platform/ui/qt/QtUi.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace quorin::ui {


using test::ModalDriver;

enum : int {
    kNamePrompt = 1,
    kName = 2,
    kExport = 3,
    kList = 4,
    kSave = 5,
    kOk = 6,
    kCancel = 7,
    kSheet = 8,
    kTabGeneral = 9,
    kGeneralPrompt = 10,
    kTabMore = 11,
    kNotes = 12,
    kDate = 13,
};

inline ControlDefinition Make(std::string label, ControlKind kind, std::string caption, std::uint32_t attributes,
                       std::optional<int> x, std::optional<int> y, std::optional<int> w, std::optional<int> h,
                       int parent = 0)
{
    ControlDefinition d;
    d.label = std::move(label);
    d.kind = kind;
    d.caption = std::move(caption);
    d.attributes = attributes;
    d.x = x;
    d.y = y;
    d.width = w;
    d.height = h;
    d.parent = parent;
    return d;
}

inline WindowDefinition TestDefinition(std::uint32_t attributes)
{
    WindowDefinition d;
    d.module = "qttest";
    d.name = "TESTWINDOW";
    d.title = "Qt Test Window";
    d.width = 300;
    d.height = 124;
    d.attributes = attributes;
    d.controls = {
        Make("?NAME:PROMPT", ControlKind::Prompt, "&Name:", 0, 6, 7, {}, {}),
        Make("?NAME", ControlKind::Entry, "s20", kCtlReq, 40, 6, 90, 10),
        Make("?EXPORT", ControlKind::Check, " E&xport Script", 0, 40, 20, {}, {}),
        Make("?LIST", ControlKind::List, "", kCtlVScroll, 6, 34, 140, 60),
        Make("?SAVE", ControlKind::Button, "&Save", kCtlReq, 6, 102, 45, 14),
        Make("?OK", ControlKind::Button, "&OK", kCtlDefault, 56, 102, 45, 14),
        Make("?CANCEL", ControlKind::Button, "Cancel", 0, 106, 102, 45, 14),
        Make("?SHEET", ControlKind::Sheet, "", 0, 156, 6, 138, 110),
        Make("?TAB:1", ControlKind::Tab, "&General", 0, {}, {}, {}, {}, kSheet),
        Make("?GENERAL:PROMPT", ControlKind::Prompt, "All fields are kept.", 0, 162, 26, {}, {}, kTabGeneral),
        Make("?TAB:2", ControlKind::Tab, "&More", 0, {}, {}, {}, {}, kSheet),
        Make("?NOTES", ControlKind::Text, "", 0, 162, 26, 126, 84, kTabMore),
        Make("?DATE", ControlKind::Entry, "D17", kCtlRight, 110, 20, 40, 10),
    };
    d.controls[kList - 1].listFormat = "70L(2)|M~Field Name~@s20@60R(2)~Size~L@s10@";
    return d;
}

class QtWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        LinkAllControlKinds();
        Open(kWinGray | kWinDouble);
    }
    void TearDown() override
    {
        DisposeWindow(window_);
        QApplication::processEvents(); // the widgets go with deleteLater
    }

    void Open(std::uint32_t attributes)
    {
        if (window_) {
            DisposeWindow(window_);
        }
        RegisterWindowDefinition(TestDefinition(attributes));
        rows_.SetText(1, "FirstName");
        rows_.SetText(2, "30");
        rows_.Add();
        rows_.SetText(1, "LastName");
        rows_.SetText(2, "40");
        rows_.Add();
        window_ = NewWindow("qttest", "TESTWINDOW",
                            {BoundVariable::Of(name_), BoundVariable::Of(export_), BoundVariable::Of(rows_),
                             BoundVariable::Of(notes_), BoundVariable::Of(date_)});
        ASSERT_NE(window_, nullptr);
        window_->Open();
        QWidget* top = Top();
        ASSERT_NE(top, nullptr);
        QApplication::setActiveWindow(top);
    }

    QWidget* Top() const { return QtUi::WidgetOf(*window_); }
    template <class T = QWidget>
    T* Widget(int number) const
    {
        const Control* c = window_->control(number);
        return c != nullptr ? qobject_cast<T*>(QtUi::WidgetOf(*c)) : nullptr;
    }
    DialogUnits Units() const { return DialogUnits(Top()->font()); }

    // The next event the window's procedure would see, past the opening and focus events.
    Event Next()
    {
        while (window_->NextEvent()) {
            const Event e = window_->currentEvent();
            if (e.code != EventCode::OpenWindow && e.code != EventCode::Selected) {
                return e;
            }
        }
        return {};
    }

    QtUi ui_;
    ScopedUserInterface installed_{ui_};
    FixedText<20> name_{"Paul"};
    std::uint8_t export_ = 0;
    Queue rows_{RecordLayout("Row", {{"NAME", FieldType::Text, 20}, {"SIZE", FieldType::Text, 10}})};
    FixedText<200> notes_;
    std::int32_t date_ = 0;
    std::unique_ptr<Window> window_;
    ModalDriver driver_;
};

// A second window of the test definition, opened over the fixture's.
struct InnerWindow {
    FixedText<20> name{"inner"};
    std::uint8_t exportFlag = 0;
    Queue rows{RecordLayout("Row", {{"NAME", FieldType::Text, 20}, {"SIZE", FieldType::Text, 10}})};
    FixedText<200> notes;
    std::unique_ptr<Window> window = NewWindow(
        "qttest", "TESTWINDOW",
        {BoundVariable::Of(name), BoundVariable::Of(exportFlag), BoundVariable::Of(rows), BoundVariable::Of(notes)});
};

} // namespace quorin::ui
