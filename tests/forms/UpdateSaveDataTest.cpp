// The record form inside the running program, over its own data file: each request with its
// actions, title, read-only entries and result; the primed new record; the duplicate key; the
// cancel question; the delete without a window; the view that writes nothing; the field history
// per thread; the resizer's limits and the form's place in the INI file.
#include "forms/RecordFormProgram.h"
#include "forms/UpdateSaveData.h"
#include "forms/UpdateSaveDataResizer.h"
#include "forms/UpdateSaveDataWindow.h"
#include "frame/DataDictionary.h"
#include "frame/Program.h"
#include "platform/classlib/Toolbar.h"
#include "platform/runtime/ControlKinds.h"
#include "platform/runtime/DataFile.h"
#include "platform/runtime/RuntimeError.h"
#include "platform/runtime/Date.h"
#include "platform/runtime/Picture.h"
#include "platform/runtime/Window.h"
#include "platform/ui/scripted/ScriptedUi.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace quorin::forms {
namespace {

namespace fs = std::filesystem;

constexpr int kCtrlH = 0x248;
constexpr int kHistoryControls[] = {quick::kDate,      quick::kTime,          quick::kEmail,     quick::kAccount,
                                    quick::kPassword,  quick::kFirstName,     quick::kLastName,  quick::kBirthDate,
                                    quick::kBooksChk,  quick::kMagazinesChk,  quick::kNewspapersChk,
                                    quick::kCountry,   quick::kAddlInfo};
const std::vector<int> kEntries = {4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 25, 27};

const RecordLayout& Layout() { return PdfFormSaveDataLayout(); }
char* Record() { return PdfFormSaveData().Record(); }

// The field a history control edits, by the position of its field in the record.
int FieldOf(int control)
{
    static const std::vector<std::pair<int, int>> pairs = {
        {4, sav::kDate},       {6, sav::kTime},          {8, sav::kEmail},          {10, sav::kAccount},
        {12, sav::kPassword},  {14, sav::kFirstName},    {16, sav::kLastName},      {18, sav::kBirthDate},
        {20, sav::kBooksChk},  {22, sav::kMagazinesChk}, {25, sav::kNewspapersChk}, {27, sav::kCountry},
        {30, sav::kAddlInfo}};
    for (auto [c, f] : pairs) {
        if (c == control) {
            return f;
        }
    }
    return 0;
}

std::string Field(const char* record, int field) { return Layout().FieldAsText(record, field); }

// Another program on the same data file, in a process of its own. On each command it opens the
// file, finds the record of the date and time given and changes its e-mail to "theirs" or deletes
// it, closes the file and answers whether it wrote. Commands and answers go through pipes.
class OtherProgram {
public:
    enum Write : char { kNothing = 0, kChanges = 'c', kDeletes = 'd' };

    OtherProgram()
    {
        int commands[2], answers[2];
        if (::pipe(commands) != 0 || ::pipe(answers) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(commands[1]);
            ::close(answers[0]);
            Serve(commands[0], answers[1]); // nothing of the test framework runs in the child
        }
        ::close(commands[0]);
        ::close(answers[1]);
        commands_ = commands[1];
        answers_ = answers[0];
    }
    ~OtherProgram()
    {
        ::close(commands_); // the other program ends at the end of its commands
        ::close(answers_);
        if (pid_ > 0) {
            ::waitpid(pid_, nullptr, 0);
        }
    }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

    // True when the other program wrote; the wait is bounded only against a hang.
    bool Do(Write write, std::int32_t date, std::int32_t time) const
    {
        const Command command{write, date, time};
        if (::write(commands_, &command, sizeof command) != sizeof command) {
            return false;
        }
        pollfd p{answers_, POLLIN, 0};
        char answer = 0;
        return ::poll(&p, 1, 120000) == 1 && ::read(answers_, &answer, 1) == 1 && answer == 'y';
    }

private:
    struct Command {
        Write write;
        std::int32_t date, time;
    };

    [[noreturn]] static void Serve(int commands, int answers)
    {
        Command command{};
        while (::read(commands, &command, sizeof command) == sizeof command) {
            DataFile file({&Layout(), {{"SAV:BYDATETIME", {sav::kDate, sav::kTime}, kKeyOpt | kKeyNoCase | kKeyPrimary}}, 0});
            std::string record(Layout().Size(), ' ');
            Layout().SetLong(record.data(), sav::kDate, command.date);
            Layout().SetLong(record.data(), sav::kTime, command.time);
            int rc = file.Open("form1.tps", kAccessReadWrite | kShareDenyNone);
            if (rc == kNoError) {
                rc = file.Get(0, record.data(), record.data());
            }
            if (rc == kNoError && command.write == kChanges) {
                Layout().SetText(record.data(), sav::kEmail, "theirs");
                rc = file.Put(record.data());
            } else if (rc == kNoError) {
                rc = file.Delete();
            }
            file.Close();
            const char answer = rc == kNoError ? 'y' : 'n';
            if (::write(answers, &answer, 1) != 1) {
                break;
            }
        }
        ::_exit(0);
    }

    pid_t pid_ = -1;
    int commands_ = -1;
    int answers_ = -1;
};

class UpdateSaveDataTest : public ::testing::Test {
protected:
    void TearDown() override { Hooks() = ProgramHooks{}; }

    void RunWithForm(const std::function<void()>& body)
    {
        testing::RunProgramWithRecordForm(body);
        EXPECT_EQ(ui_.PendingActions(), 0u);
    }
    static std::uint8_t Form(std::uint8_t requested) { return testing::RecordForm(requested); }

    static void Put(std::int32_t date, std::int32_t time, std::string_view email)
    {
        Layout().Clear(Record());
        Layout().SetLong(Record(), sav::kDate, date);
        Layout().SetLong(Record(), sav::kTime, time);
        Layout().SetText(Record(), sav::kEmail, email);
        ASSERT_EQ(AccessPdfFormSaveData()->Insert(), 0);
    }
    // The stored records in key order.
    static std::vector<DataRecord> Stored()
    {
        std::vector<DataRecord> rows;
        EXPECT_EQ(AccessPdfFormSaveData()->UseFile(use::kUse), 0); // a lazily opened file opens at its first use
        EXPECT_EQ(AccessPdfFormSaveData()->Keyed()->ReadPage(0, ReadDirection::Forward, nullptr, 0, 100, rows), 0);
        return rows;
    }
    static DataRecord Find(std::int32_t date)
    {
        for (DataRecord& row : Stored()) {
            if (Layout().GetLong(row.image.data(), sav::kDate) == date) {
                return row;
            }
        }
        ADD_FAILURE() << "no record of day " << date;
        return {};
    }
    // As the browse does before a change, a view or a delete.
    static void Load(const DataRecord& row)
    {
        std::memcpy(Record(), row.image.data(), row.image.size());
        AccessPdfFormSaveData()->SetCurrent(row.id);
    }

    std::vector<std::string> Captions() const
    {
        std::vector<std::string> captions;
        for (const MessageBoxRequest& m : ui_.Messages()) {
            captions.push_back(m.caption);
        }
        return captions;
    }
    static std::vector<int> ReadOnlyControls(const Window& w)
    {
        std::vector<int> numbers;
        for (const ScriptedUi::ControlLook& look : ScriptedUi::Look(w)) {
            if (look.readOnly) {
                numbers.push_back(look.number);
            }
        }
        return numbers;
    }

    const std::int32_t day_ = *DayNumber(2024, 3, 5);
    const std::int32_t time_ = *ClockTime(10, 30);
    quorin::testing::ScratchFolder folder_{"quorin-record-form"};
    ScriptedUi ui_;
    ScopedUserInterface installed_{ui_};
};

TEST_F(UpdateSaveDataTest, TheRequestDecidesActionsTitleReadOnlyEntriesAndResult)
{
    struct Case {
        std::uint8_t request;
        std::uint8_t insertAction, changeAction, deleteAction, cancelAction;
        std::int32_t okControl;
        bool opens;
        std::string title;
        std::vector<int> readOnly;
        std::uint8_t result; // after ?OK (and ?CANCEL when OK leaves the window open)
    };
    const Case cases[] = {
        {request::kInsert, 2, 2, 2, 2, quick::kOk, true, "Record Will Be Added", {}, response::kCompleted},
        {request::kChange, 2, 2, 2, 2, quick::kOk, true, "Record Will Be Changed", {}, response::kCompleted},
        {request::kDelete, 2, 2, 2, 2, quick::kOk, false, "", {}, response::kCompleted},
        {request::kView, 1, 1, 1, 0, 0, true, "View Record", kEntries, response::kCancelled},
        {request::kSelect, 2, 2, 2, 2, quick::kOk, true, "", {}, response::kCancelled},
    };
    RunWithForm([&] {
        for (const Case& c : cases) {
            SCOPED_TRACE(static_cast<int>(c.request));
            ui_.ClearMessages();
            const std::size_t shownBefore = ui_.ShownWindows().size();
            const std::size_t helpBefore = ui_.HelpRequests().size();
            Put(day_ + c.request, time_, "case");
            if (c.request == request::kInsert) {
                Layout().Clear(Record());
            } else {
                Load(Find(day_ + c.request));
            }

            // The form's window manager made and run as the procedure makes and runs it, so that
            // its settings can be read afterwards.
            std::unique_ptr<Window> window = NewWindow("quorin20$quorin20002", "P1$QUICKWINDOW", {});
            ASSERT_NE(window, nullptr);
            std::array<char, UpdateSaveDataContext::kActionMessageSize> message{};
            Toolbar toolbar;
            UpdateSaveDataContext context{window.get(), &toolbar, nullptr, message.data()};
            UpdateSaveDataWindow manager(context);
            UpdateSaveDataResizer resizer(context);
            context.resizer = &resizer;

            if (c.opens) {
                ui_.Press(quick::kHelp);
                ui_.Do([&](Window& w) {
                    EXPECT_EQ(w.title(), c.title);
                    EXPECT_EQ(ReadOnlyControls(w), c.readOnly);
                    EXPECT_EQ(GlobalErrorManager().ProcedureName(), "UpdateSaveData");
                });
                ui_.Press(quick::kOk);
                if (c.request == request::kSelect) { // OK completes nothing here
                    ui_.Do([&](Window& w) { EXPECT_TRUE(w.IsOpen()); });
                    ui_.Press(quick::kCancel);
                }
            } else {
                ui_.QueueAnswer(button::kYes);
            }
            *GlobalRequest = c.request;
            *GlobalResponse = 9;
            EXPECT_EQ(manager.Run(), c.result);
            EXPECT_EQ(*GlobalRequest, 0);
            EXPECT_EQ(*GlobalResponse, 0);
            EXPECT_EQ(manager.INSERTACTION, c.insertAction);
            EXPECT_EQ(manager.CHANGEACTION, c.changeAction);
            EXPECT_EQ(manager.DELETEACTION, c.deleteAction);
            EXPECT_EQ(manager.CANCELACTION, c.cancelAction);
            EXPECT_EQ(manager.OKCONTROL, c.okControl);
            EXPECT_EQ(manager.HISTORYKEY, kCtrlH);
            EXPECT_EQ(manager.FIRSTFIELD, quick::kDatePrompt);
            EXPECT_EQ(manager.OPENED != 0, c.opens);
            EXPECT_EQ(ui_.ShownWindows().size(), shownBefore + (c.opens ? 1 : 0));
            if (c.opens) {
                EXPECT_EQ(ui_.ShownWindows().back().title, c.title);
                EXPECT_EQ(ui_.HelpRequests().size(), helpBefore + 1);
                EXPECT_EQ(ui_.HelpRequests().back(), "UpdateSaveData");
            } else {
                EXPECT_EQ(Captions(), (std::vector<std::string>{"Confirm Delete"}));
            }
            EXPECT_EQ(GlobalErrorManager().ProcedureName(), "");
            DisposeWindow(window);
        }
    });
}

TEST_F(UpdateSaveDataTest, AnInsertStartsAtTheMomentItOpensAndIsStoredOnOk)
{
    RunWithForm([&] {
        // The primed date and time show when the window opens and are no edits: Cancel closes at once.
        const std::int32_t today = GetTodayDate();
        const std::int32_t before = GetClockTime();
        Layout().Clear(Record());
        ui_.Do([&](Window& w) {
            const std::int32_t date = Layout().GetLong(Record(), sav::kDate);
            const std::int32_t time = Layout().GetLong(Record(), sav::kTime);
            EXPECT_TRUE(date == today || date == GetTodayDate());
            EXPECT_TRUE(time >= before || date != today); // unless midnight passed
            EXPECT_EQ(w.control(quick::kDate)->screenText(), FormatDate(date));
            EXPECT_EQ(w.control(quick::kTime)->screenText(), FormatTime(time));
            EXPECT_FALSE(w.control(quick::kDate)->screenText().empty());
        });
        ui_.Press(quick::kCancel);
        EXPECT_EQ(Form(request::kInsert), response::kCancelled);
        EXPECT_EQ(ui_.MessageCount(), 0u);
        EXPECT_TRUE(Stored().empty());

        Layout().Clear(Record());
        ui_.Type(quick::kEmail, "new@example.org");
        ui_.Type(quick::kAddlInfo, "line one\nline two");
        ui_.Press(quick::kOk);
        EXPECT_EQ(Form(request::kInsert), response::kCompleted);
        EXPECT_EQ(ui_.MessageCount(), 0u);
        const std::vector<DataRecord> rows = Stored();
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(Field(rows[0].image.data(), sav::kEmail), "new@example.org");
        EXPECT_EQ(Field(rows[0].image.data(), sav::kAddlInfo), "line one\nline two");
        EXPECT_NE(Layout().GetLong(rows[0].image.data(), sav::kDate), 0);
        // The written record stays in the buffer and current, for the browse to list and select.
        EXPECT_EQ(std::string(Record(), rows[0].image.size()), rows[0].image);
        EXPECT_EQ(AccessPdfFormSaveData()->Current(), rows[0].id);
    });
}

TEST_F(UpdateSaveDataTest, ARecordAddedOnOkSurvivesTheProcessKilledRightAfter)
{
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        RunWithForm([&] {
            Layout().Clear(Record());
            ui_.Type(quick::kEmail, "survivor");
            ui_.Press(quick::kOk);
            if (Form(request::kInsert) == response::kCompleted) {
                ::raise(SIGKILL); // nothing of the program's shut-down runs
            }
        });
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the form did not complete the insert";
    RunWithForm([&] {
        const std::vector<DataRecord> rows = Stored();
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(Field(rows[0].image.data(), sav::kEmail), "survivor");
    });
}

TEST_F(UpdateSaveDataTest, ADuplicateDateAndTimeKeepTheFormOpenWithNothingLost)
{
    RunWithForm([&] {
        Put(day_, time_, "first");
        const std::int32_t later = *ClockTime(10, 31);
        Layout().Clear(Record());
        ui_.Type(quick::kDate, FormatDate(day_));
        ui_.Type(quick::kTime, FormatTime(time_));
        ui_.Type(quick::kEmail, "second");
        ui_.Press(quick::kOk);
        ui_.Do([&](Window& w) {
            EXPECT_TRUE(w.IsOpen());
            EXPECT_EQ(w.focus(), quick::kDate) << "control 3, the prompt, passes the selection to its entry";
            EXPECT_EQ(w.control(quick::kEmail)->screenText(), "second");
            EXPECT_EQ(Field(Record(), sav::kEmail), "second");
        });
        ui_.Type(quick::kTime, FormatTime(later));
        ui_.Press(quick::kOk);
        EXPECT_EQ(Form(request::kInsert), response::kCompleted);

        ASSERT_EQ(ui_.MessageCount(), 1u);
        EXPECT_EQ(ui_.LastMessage().caption, "Duplicate Key Error");
        EXPECT_EQ(ui_.LastMessage().text, "Adding this record creates a duplicate entry for the key: SAV:ByDateTime");
        const std::vector<DataRecord> rows = Stored();
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(Field(rows[0].image.data(), sav::kEmail), "first");
        EXPECT_EQ(Layout().GetLong(rows[0].image.data(), sav::kTime), time_);
        EXPECT_EQ(Field(rows[1].image.data(), sav::kEmail), "second");
        EXPECT_EQ(Layout().GetLong(rows[1].image.data(), sav::kTime), later);
    });
}

TEST_F(UpdateSaveDataTest, AChangeIsStoredOnOkAndCancellingAnEditAsksFirst)
{
    RunWithForm([&] {
        Put(day_, time_, "old");
        Load(Stored()[0]);
        ui_.Type(quick::kCountry, "Iceland");
        ui_.Press(quick::kOk);
        EXPECT_EQ(Form(request::kChange), response::kCompleted);
        EXPECT_EQ(Field(Stored()[0].image.data(), sav::kCountry), "Iceland");

        // Without an edit Cancel closes at once; after one, by the button or the close box, it asks
        // and No keeps the window with its edit.
        Load(Stored()[0]);
        ui_.Press(quick::kCancel);
        EXPECT_EQ(Form(request::kChange), response::kCancelled);
        EXPECT_EQ(ui_.MessageCount(), 0u);
        for (const bool byCloseBox : {false, true}) {
            ui_.ClearMessages();
            Load(Stored()[0]);
            auto close = [&] { byCloseBox ? ui_.CloseBox() : ui_.Press(quick::kCancel); };
            ui_.Type(quick::kEmail, "unsaved");
            ui_.QueueAnswer(button::kNo);
            close();
            ui_.Do([&](Window& w) {
                EXPECT_TRUE(w.IsOpen());
                EXPECT_EQ(w.focus(), quick::kDate) << "control 3, the prompt, passes the selection to its entry";
                EXPECT_EQ(w.control(quick::kEmail)->screenText(), "unsaved");
            });
            ui_.QueueAnswer(button::kYes);
            close();
            EXPECT_EQ(Form(request::kChange), response::kCancelled);
            EXPECT_EQ(Captions(), (std::vector<std::string>{"Changes will be lost!", "Changes will be lost!"}));
            EXPECT_EQ(ui_.LastMessage().text, "Are you sure you want to cancel?");
            EXPECT_EQ(Field(Stored()[0].image.data(), sav::kEmail), "old");
        }
    });
}

TEST_F(UpdateSaveDataTest, TypedDatesAndTimesAreStoredOrRefusedWithTheFocusKept)
{
    struct Case {
        int control;
        const char* typed;
        std::optional<std::int32_t> stored; // none: refused
        const char* shown;                  // how the taken value shows
    } const cases[] = {
        {quick::kDate, "3/5/2024", DayNumber(2024, 3, 5), "3/5/2024"},
        {quick::kDate, "03/05/2025", DayNumber(2025, 3, 5), "3/5/2025"},
        {quick::kDate, "12/31/2026", DayNumber(2026, 12, 31), "12/31/2026"},
        {quick::kDate, "99/99/9999", {}, ""},
        {quick::kDate, "2/30/2024", {}, ""},
        {quick::kDate, "abc", {}, ""},
        {quick::kTime, "13:45", ClockTime(13, 45), "1:45 PM"},
        {quick::kTime, "1345", ClockTime(13, 45), "1:45 PM"},
        {quick::kTime, "1:45pm", ClockTime(13, 45), "1:45 PM"},
        {quick::kTime, "1:45 PM", ClockTime(13, 45), "1:45 PM"},
        {quick::kTime, "9", ClockTime(9, 0), "9:00 AM"},
        {quick::kTime, "25:99", {}, ""},
        {quick::kTime, "abc", {}, ""},
        {quick::kTime, "24:00", {}, ""},
    };
    SetPictureLocale("en_US");
    RunWithForm([&] {
        int n = 0;
        for (const Case& c : cases) {
            SCOPED_TRACE(c.typed);
            ++n;
            ui_.ClearMessages();
            ui_.ClearRefusals();
            Layout().Clear(Record());
            // The other of date and time differs from case to case, so that no key repeats.
            const bool date = c.control == quick::kDate;
            ui_.Type(date ? quick::kTime : quick::kDate,
                     date ? "10:" + std::to_string(10 + n) + " AM" : "1/" + std::to_string(n) + "/2001");
            ui_.Type(c.control, c.typed);
            ui_.Leave(c.control, quick::kEmail); // Tab
            ui_.Do([&](Window& w) {
                if (c.stored) {
                    EXPECT_EQ(w.focus(), quick::kEmail);
                    EXPECT_EQ(w.control(c.control)->screenText(), c.shown) << "shown back in the picture's form";
                    EXPECT_TRUE(ui_.Refusals().empty());
                    return;
                }
                EXPECT_EQ(w.focus(), c.control);
                EXPECT_EQ(w.control(c.control)->screenText(), c.typed);
                const std::vector<ScriptedUi::Refusal> told = ui_.Refusals();
                ASSERT_EQ(told.size(), 1u);
                EXPECT_EQ(told[0].control, c.control);
                EXPECT_EQ(told[0].typed, c.typed);
                EXPECT_EQ(told[0].what, date ? "Type a date like 12/31/" + std::to_string(DateOfDay(GetTodayDate())->year)
                                             : std::string("Type a time like 1:45 PM"));
            });
            if (c.stored) {
                ui_.Press(quick::kOk);
                EXPECT_EQ(Form(request::kInsert), response::kCompleted);
                const std::vector<DataRecord> rows = Stored();
                const auto added = std::find_if(rows.begin(), rows.end(), [](const DataRecord& row) {
                    return row.id == AccessPdfFormSaveData()->Current();
                });
                ASSERT_NE(added, rows.end());
                EXPECT_EQ(Layout().GetLong(added->image.data(), date ? sav::kDate : sav::kTime), *c.stored);
                EXPECT_EQ(ui_.MessageCount(), 0u);
                continue;
            }
            // OK is refused the same way; nothing is stored and the form stays until Cancel.
            const std::size_t before = Stored().size();
            ui_.Press(quick::kOk);
            ui_.Do([&](Window& w) {
                EXPECT_TRUE(w.IsOpen());
                EXPECT_EQ(w.focus(), c.control);
                EXPECT_EQ(ui_.Refusals().size(), 2u);
            });
            ui_.QueueAnswer(button::kYes);
            ui_.Press(quick::kCancel);
            EXPECT_EQ(Form(request::kInsert), response::kCancelled);
            EXPECT_EQ(Stored().size(), before);
            EXPECT_EQ(ui_.Refusals().size(), 2u) << "Cancel checks no picture";
        }
    });
    SetPictureLocale("");
}

TEST_F(UpdateSaveDataTest, CancelCloseBoxAndEscapeLeaveFromEveryRefusedStateAskingWhereTypingWouldBeLost)
{
    // How the form is left, and the state it is in then.
    enum class Way { Cancel, CloseBox, Escape };
    struct State {
        const char* name;
        std::function<void()> reach;
        bool asks;
    };
    auto typeBack = [&](int control) {
        ui_.Do([control](Window& w) {
            const std::int32_t primed = Layout().GetLong(Record(), control == quick::kDate ? sav::kDate : sav::kTime);
            w.UserEdit(control, control == quick::kDate ? FormatDate(primed) : FormatTime(primed));
        });
    };
    const State states[] = {
        {"date refused on Tab", [&] { ui_.Type(quick::kDate, "99/99/9999"), ui_.Leave(quick::kDate, quick::kTime); }, true},
        {"time refused on OK", [&] { ui_.Type(quick::kTime, "25:99"), ui_.Press(quick::kOk); }, true},
        {"time typed, not left", [&] { ui_.Type(quick::kTime, "abc"); }, true},
        {"refused, then the shown date typed back",
         [&] {
             ui_.Type(quick::kDate, "abc");
             ui_.Leave(quick::kDate, quick::kTime);
             typeBack(quick::kDate);
         },
         false},
        {"a valid time typed after a refused one",
         [&] {
             ui_.Type(quick::kTime, "abc");
             ui_.Press(quick::kOk);
             ui_.Do([](Window& w) { w.UserEdit(quick::kTime, "3:15 AM"); });
         },
         true},
    };
    SetPictureLocale("en_US");
    RunWithForm([&] {
        for (const Way way : {Way::Cancel, Way::CloseBox, Way::Escape}) {
            for (const State& state : states) {
                SCOPED_TRACE(std::string(state.name) + " / way " + std::to_string(static_cast<int>(way)));
                ui_.ClearMessages();
                Layout().Clear(Record());
                state.reach();
                std::size_t refusals = 0;
                ui_.Do([&](Window&) { refusals = ui_.Refusals().size(); });
                if (state.asks) {
                    ui_.QueueAnswer(button::kYes);
                }
                switch (way) {
                case Way::Cancel: ui_.Press(quick::kCancel); break;
                case Way::CloseBox: ui_.CloseBox(); break;
                case Way::Escape: ui_.Key(quick::kTime, keys::kEscape); break;
                }
                EXPECT_EQ(Form(request::kInsert), response::kCancelled);
                EXPECT_EQ(ui_.Refusals().size(), refusals) << "leaving checks no picture";
                EXPECT_EQ(Captions(), state.asks ? std::vector<std::string>{"Changes will be lost!"}
                                                 : std::vector<std::string>{});
                EXPECT_EQ(ui_.PendingAnswers(), 0u);
                EXPECT_TRUE(Stored().empty());
            }
        }
        // No to the question keeps the form with the refused text; Escape again and Yes leave it.
        ui_.ClearMessages();
        Layout().Clear(Record());
        ui_.Type(quick::kDate, "99/99/9999");
        ui_.QueueAnswer(button::kNo);
        ui_.Key(quick::kDate, keys::kEscape);
        ui_.Do([](Window& w) {
            EXPECT_TRUE(w.IsOpen());
            EXPECT_EQ(w.control(quick::kDate)->screenText(), "99/99/9999");
        });
        ui_.QueueAnswer(button::kYes);
        ui_.Key(quick::kDate, keys::kEscape);
        EXPECT_EQ(Form(request::kInsert), response::kCancelled);
        EXPECT_EQ(ui_.MessageCount(), 2u);
        EXPECT_TRUE(Stored().empty());
    });
    SetPictureLocale("");
}

// No to the question moves the focus to the first field; OK then still finds the time its picture
// refused, however the form was to be left: the form stays with the focus on the time, and the
// primed time is not stored under "25:99".
TEST_F(UpdateSaveDataTest, OkAfterNoToTheQuestionStillRefusesTheTimeItShows)
{
    enum class Way { Cancel, CloseBox, Escape };
    SetPictureLocale("en_US");
    RunWithForm([&] {
        for (const Way way : {Way::Cancel, Way::CloseBox, Way::Escape}) {
            SCOPED_TRACE(static_cast<int>(way));
            ui_.ClearMessages();
            ui_.ClearRefusals();
            Layout().Clear(Record());
            ui_.Type(quick::kTime, "25:99");
            ui_.QueueAnswer(button::kNo);
            switch (way) {
            case Way::Cancel: ui_.Press(quick::kCancel); break;
            case Way::CloseBox: ui_.CloseBox(); break;
            case Way::Escape: ui_.Key(quick::kTime, keys::kEscape); break;
            }
            ui_.Press(quick::kOk);
            ui_.Do([](Window& w) {
                EXPECT_TRUE(w.IsOpen());
                EXPECT_EQ(w.focus(), quick::kTime);
                EXPECT_EQ(w.control(quick::kTime)->screenText(), "25:99");
            });
            ui_.QueueAnswer(button::kYes);
            ui_.Press(quick::kCancel);
            EXPECT_EQ(Form(request::kInsert), response::kCancelled);
            ASSERT_EQ(ui_.Refusals().size(), 1u);
            EXPECT_EQ(ui_.Refusals()[0].control, quick::kTime);
            EXPECT_TRUE(Stored().empty());
        }
    });
    SetPictureLocale("");
}

// Another program changes or deletes a record after this one read it: this program's change or
// delete writes nothing and says so, naming the file; the form keeps what was typed, and opened
// again it shows the other program's values. With nobody else writing the change is stored.
TEST_F(UpdateSaveDataTest, ARecordAnotherProgramChangedOrDeletedSinceItWasReadIsNeverOverwritten)
{
    struct Case {
        OtherProgram::Write other;
        std::uint8_t request;
        const char* left; // the stored e-mail afterwards; null when the record is gone
    };
    const Case cases[] = {
        {OtherProgram::kNothing, request::kChange, "mine"}, {OtherProgram::kChanges, request::kChange, "theirs"},
        {OtherProgram::kDeletes, request::kChange, nullptr}, {OtherProgram::kNothing, request::kDelete, nullptr},
        {OtherProgram::kChanges, request::kDelete, "theirs"}, {OtherProgram::kDeletes, request::kDelete, nullptr},
    };
    const std::string refused =
        "This record was changed or deleted by another program since it was read. Nothing was written.|File: form1.tps";
    const OtherProgram other; // made before the program runs: a child of a bare process
    RunWithForm([&] {
        std::int32_t day = day_;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.other == OtherProgram::kNothing ? "nobody" : c.other == OtherProgram::kChanges ? "changed" : "deleted") +
                         ", then " + (c.request == request::kChange ? "change" : "delete"));
            ui_.ClearMessages();
            Put(++day, time_, "read");
            Load(Find(day));
            const bool touched = c.other != OtherProgram::kNothing;
            std::vector<std::string> captions;
            if (c.request == request::kChange) {
                ui_.Type(quick::kEmail, "mine");
                if (touched) { // while the form is open, before OK
                    ui_.Do([&](Window&) { EXPECT_TRUE(other.Do(c.other, day, time_)); });
                }
                ui_.Press(quick::kOk);
                if (touched) {
                    ui_.Do([&](Window& w) {
                        EXPECT_TRUE(w.IsOpen());
                        EXPECT_EQ(w.control(quick::kEmail)->screenText(), "mine");
                        EXPECT_EQ(Field(Record(), sav::kEmail), "mine");
                    });
                    ui_.QueueAnswer(button::kYes);
                    ui_.Press(quick::kCancel);
                    captions = {"Record Changed", "Changes will be lost!"};
                }
            } else {
                if (touched) {
                    EXPECT_TRUE(other.Do(c.other, day, time_));
                }
                ui_.QueueAnswer(button::kYes);
                captions = {"Confirm Delete"};
                if (touched) {
                    captions.push_back("Record Changed");
                }
            }
            EXPECT_EQ(Form(c.request), touched ? response::kCancelled : response::kCompleted);
            EXPECT_EQ(Captions(), captions);
            for (const MessageBoxRequest& m : ui_.Messages()) {
                if (m.caption == "Record Changed") {
                    EXPECT_EQ(m.text, refused);
                }
            }

            std::vector<std::string> left;
            for (const DataRecord& row : Stored()) {
                if (Layout().GetLong(row.image.data(), sav::kDate) == day) {
                    left.push_back(Field(row.image.data(), sav::kEmail));
                }
            }
            EXPECT_EQ(left, c.left != nullptr ? std::vector<std::string>{c.left} : std::vector<std::string>{});

            if (c.request == request::kChange && c.other == OtherProgram::kChanges) {
                // Opened again, as the browse reads it anew: the other program's values, and an OK
                // without edits goes through.
                Load(Find(day));
                ui_.Do([&](Window& w) { EXPECT_EQ(w.control(quick::kEmail)->screenText(), "theirs"); });
                ui_.Press(quick::kOk);
                EXPECT_EQ(Form(request::kChange), response::kCompleted);
            }
        }
    });
}

TEST_F(UpdateSaveDataTest, ADeleteAsksWithoutOpeningTheWindowOrTouchingTheIniFile)
{
    struct Case {
        int answer;
        std::uint8_t response;
        std::size_t left;
    };
    const Case cases[] = {{button::kNo, response::kCancelled, 1}, {button::kYes, response::kCompleted, 0}};
    RunWithForm([&] {
        Put(day_, time_, "doomed");
        for (const Case& c : cases) {
            ui_.ClearMessages();
            Load(Stored()[0]);
            ui_.QueueAnswer(c.answer);
            EXPECT_EQ(Form(request::kDelete), c.response);
            EXPECT_EQ(Captions(), (std::vector<std::string>{"Confirm Delete"}));
            EXPECT_EQ(ui_.LastMessage().defaultButton, button::kYes);
            EXPECT_EQ(Stored().size(), c.left);
        }
        EXPECT_TRUE(ui_.ShownWindows().empty());
        EXPECT_FALSE(GlobalIniManager().HasSection("UpdateSaveData"));
        EXPECT_FALSE(fs::exists("quorin20.INI"));
    });
}

TEST_F(UpdateSaveDataTest, AViewWritesNothingEvenAfterTypingInTheTextBox)
{
    RunWithForm([&] {
        Put(day_, time_, "shown");
        const std::string image = Stored()[0].image;
        for (const int closer : {quick::kOk, quick::kCancel}) {
            Load(Stored()[0]);
            ui_.Type(quick::kAddlInfo, "typed in a view");
            ui_.Type(quick::kEmail, "refused");
            ui_.Do([&](Window& w) {
                EXPECT_EQ(w.control(quick::kAddlInfo)->screenText(), "typed in a view");
                EXPECT_EQ(w.control(quick::kEmail)->screenText(), "shown");
            });
            ui_.Press(closer);
            EXPECT_EQ(Form(request::kView), response::kCancelled);
        }
        EXPECT_EQ(ui_.MessageCount(), 0u);
        ASSERT_EQ(Stored().size(), 1u);
        EXPECT_EQ(Stored()[0].image, image);
    });
}

TEST_F(UpdateSaveDataTest, CtrlHRecallsEachFieldOfTheLastRecordAddedOnThisThread)
{
    auto pressHistoryEverywhere = [&] {
        for (const int control : kHistoryControls) {
            ui_.Key(control, kCtrlH);
        }
    };
    RunWithForm([&] {
        Put(day_, time_, "stored");
        for (int field = sav::kAccount; field <= sav::kCountry; ++field) {
            Layout().SetText(Record(), field, "was " + std::to_string(field));
        }
        ASSERT_EQ(AccessPdfFormSaveData()->Update(), 0);
        const DataRecord stored = Stored()[0];

        // The thread's first run: every field comes back blank or 0, shown so; a view writes none of it.
        Load(stored);
        pressHistoryEverywhere();
        ui_.Do([&](Window& w) {
            for (const int control : kHistoryControls) {
                EXPECT_EQ(Field(Record(), FieldOf(control)), Layout().Field(FieldOf(control)).type == FieldType::Long ? "0" : "")
                    << control;
                EXPECT_EQ(w.control(control)->screenText(), "") << control;
            }
        });
        ui_.Press(quick::kOk);
        EXPECT_EQ(Form(request::kView), response::kCancelled);
        EXPECT_EQ(Stored()[0].image, stored.image);

        // A record added through the form becomes the history, recalled in a later change.
        Layout().Clear(Record());
        for (const int control : kHistoryControls) {
            if (control != quick::kDate && control != quick::kTime) {
                ui_.Type(control, "new " + std::to_string(control));
            }
        }
        ui_.Press(quick::kOk);
        EXPECT_EQ(Form(request::kInsert), response::kCompleted);
        std::string added;
        for (const DataRecord& row : Stored()) {
            if (row.id != stored.id) {
                added = row.image;
            }
        }
        ASSERT_FALSE(added.empty());
        Load(stored);
        pressHistoryEverywhere();
        ui_.Do([&](Window& w) {
            EXPECT_EQ(std::string(Record(), added.size()), added);
            EXPECT_EQ(w.control(quick::kFirstName)->screenText(), "new 14");
            EXPECT_EQ(w.control(quick::kDate)->screenText(), FormatDate(Layout().GetLong(added.data(), sav::kDate)));
        });
        ui_.QueueAnswer(button::kYes); // drop the recalled values
        ui_.Press(quick::kCancel);
        EXPECT_EQ(Form(request::kChange), response::kCancelled);
        EXPECT_EQ(Captions(), (std::vector<std::string>{"Changes will be lost!"}));

        // Another thread has its own history, empty on its first run.
        std::thread([&] {
            ASSERT_EQ(RelatePdfFormSaveData()->Open(0), 0);
            Load(stored);
            ui_.Key(quick::kFirstName, kCtrlH);
            ui_.Do([&](Window&) { EXPECT_EQ(Field(Record(), sav::kFirstName), ""); });
            ui_.Press(quick::kOk);
            EXPECT_EQ(Form(request::kView), response::kCancelled);
            RelatePdfFormSaveData()->Close(0);
        }).join();
        EXPECT_EQ(std::string(UpdateSaveDataHistory(), added.size()), added);
    });
}

TEST_F(UpdateSaveDataTest, TheFormKeepsItsMinimumSizeHasNoMaximumAndRemembersItsPlace)
{
    RunWithForm([&] {
        Put(day_, time_, "sized");
        Load(Stored()[0]);
        int okX = 0;
        ui_.Do([&](Window& w) {
            EXPECT_TRUE(w.resizable());
            EXPECT_EQ(w.minWidth(), 358);
            EXPECT_EQ(w.minHeight(), 182);
            EXPECT_EQ(w.maxWidth(), 0);
            EXPECT_EQ(w.maxHeight(), 0);
            okX = w.control(quick::kOk)->x();
        });
        ui_.Resize(100, 50);
        ui_.Do([&](Window& w) {
            EXPECT_EQ(w.width(), 358);
            EXPECT_EQ(w.height(), 182);
        });
        ui_.Resize(716, 364);
        ui_.Do([&](Window& w) {
            EXPECT_EQ(w.width(), 716);
            EXPECT_EQ(w.height(), 364);
            EXPECT_EQ(w.control(quick::kOk)->x(), 2 * okX); // the controls follow the window
            EXPECT_EQ(w.control(quick::kOk)->height(), 14);
            EXPECT_EQ(w.control(quick::kCurrentTab)->width(), 700);
        });
        ui_.Press(quick::kCancel);
        EXPECT_EQ(Form(request::kChange), response::kCancelled);
        EXPECT_EQ(GlobalIniManager().Fetch("UpdateSaveData", "Width"), "716");
        EXPECT_EQ(GlobalIniManager().Fetch("UpdateSaveData", "Height"), "364");

        // The next call opens at the stored size with the controls laid out for it.
        Load(Stored()[0]);
        ui_.Do([&](Window& w) {
            EXPECT_EQ(w.width(), 716);
            EXPECT_EQ(w.control(quick::kOk)->x(), 2 * okX);
        });
        ui_.Press(quick::kCancel);
        EXPECT_EQ(Form(request::kView), response::kCancelled);
    });
}

TEST_F(UpdateSaveDataTest, TheWindowHoldsItsControlsOnThreeTabsWithTheKindsItsModuleLinks)
{
    UnlinkAllControlKinds(); // only the form's module links what its window needs
    RunWithForm([&] {
        const WindowDefinition* d = FindWindowDefinition("quorin20$quorin20002", "P1$QUICKWINDOW");
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->title, "Update Category");
        EXPECT_EQ(d->width, 358);
        EXPECT_EQ(d->height, 182);
        EXPECT_FALSE(d->x.has_value());
        EXPECT_EQ(d->attributes, kWinResize | kWinSystem | kWinGray);
        EXPECT_EQ(d->helpId, "UpdateSaveData");
        EXPECT_EQ(d->font.typeface, "MS Sans Serif");
        EXPECT_EQ(d->font.points, 8);

        Put(day_, time_, "tabs");
        Load(Stored()[0]);
        ui_.Do([&](Window& w) {
            const std::vector<std::string> labels = {
                "?CURRENTTAB", "?TAB:1", "?SAV:DATE:PROMPT", "?SAV:DATE", "?SAV:TIME:PROMPT", "?SAV:TIME",
                "?SAV:EMAIL:PROMPT", "?SAV:EMAIL", "?SAV:ACCOUNT:PROMPT", "?SAV:ACCOUNT", "?SAV:PASSWORD:PROMPT",
                "?SAV:PASSWORD", "?SAV:FIRSTNAME:PROMPT", "?SAV:FIRSTNAME", "?SAV:LASTNAME:PROMPT", "?SAV:LASTNAME",
                "?SAV:BIRTHDATE:PROMPT", "?SAV:BIRTHDATE", "?SAV:BOOKSCHK:PROMPT", "?SAV:BOOKSCHK",
                "?SAV:MAGAZINESCHK:PROMPT", "?SAV:MAGAZINESCHK", "?TAB:2", "?SAV:NEWSPAPERSCHK:PROMPT",
                "?SAV:NEWSPAPERSCHK", "?SAV:COUNTRY:PROMPT", "?SAV:COUNTRY", "?TAB:3", "?SAV:ADDLINFO:PROMPT",
                "?SAV:ADDLINFO", "?OK", "?CANCEL", "?HELP"};
            std::vector<std::string> made;
            for (const Control* c : w.Controls()) {
                made.push_back(c->label());
                const int n = c->number();
                const int tab = n >= 3 && n <= 22 ? 2 : n >= 24 && n <= 27 ? 23 : n >= 29 && n <= 30 ? 28 : 0;
                if (c->kind() == ControlKind::Tab) {
                    EXPECT_EQ(c->parent(), quick::kCurrentTab) << n;
                } else {
                    EXPECT_EQ(c->parent(), tab) << n;
                }
                if (c->kind() == ControlKind::Entry) {
                    EXPECT_EQ(c->x(), 72) << n;
                    EXPECT_EQ((c->attributes() & kCtlRight) != 0, n == quick::kDate || n == quick::kTime) << n;
                }
            }
            EXPECT_EQ(made, labels);
            EXPECT_EQ(w.control(quick::kDate)->picture(), "D17");
            EXPECT_EQ(w.control(quick::kTime)->picture(), "T7");
            EXPECT_EQ(w.control(quick::kEmail)->picture(), "s255");
            EXPECT_EQ(w.control(quick::kAddlInfo)->kind(), ControlKind::Text);
            EXPECT_EQ(w.control(quick::kEmail)->screenText(), "tabs");
            EXPECT_TRUE(w.control(quick::kOk)->isDefault());
            EXPECT_NE(w.control(quick::kHelp)->attributes() & kCtlStdHelp, 0u);
            EXPECT_EQ(w.control(quick::kCurrentTab)->currentTab(), quick::kTab1);
        });
        ui_.Press(quick::kCancel);
        EXPECT_EQ(Form(request::kView), response::kCancelled);

        struct ButtonCase {
            int control;
            const char* caption;
            const char* icon;
            const char* tip;
            int x;
        };
        for (const ButtonCase& b : {ButtonCase{quick::kOk, "&OK", "WAOK.ICO", "Accept data and close the window", 199},
                                    ButtonCase{quick::kCancel, "&Cancel", "WACANCEL.ICO", "Cancel operation", 252},
                                    ButtonCase{quick::kHelp, "&Help", "WAHELP.ICO", "See Help Window", 305}}) {
            const ControlDefinition& c = d->controls[b.control - 1];
            EXPECT_EQ(c.caption, b.caption);
            EXPECT_EQ(c.icon, b.icon);
            EXPECT_EQ(c.tip, b.tip);
            EXPECT_EQ(c.msg, b.tip);
            EXPECT_EQ(c.x, b.x);
            EXPECT_EQ(c.y, 164);
        }
    });
}

} // namespace
} // namespace quorin::forms
