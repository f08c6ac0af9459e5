// The form-filling window on the scripted backend, with the viewer control double in the viewer's
// place: its set-up, its ways out, its place in the INI file, view mode, the file dialogs, a second
// run on the same thread, and the per-thread end.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "forms/MainBrowseView.h"
#include "forms/MainWindow.h"
#include "forms/MainWindowDefinition.h"
#include "forms/MainFixture.h"
#include "platform/classlib/IniManager.h"
#include "platform/runtime/Date.h"
#include "platform/runtime/ListFormat.h"
#include "platform/runtime/Picture.h"
#include "support/TestFiles.h"
#include "support/ViewerControlDouble.h"

namespace quorin::forms::testing {
namespace {

class MainWindowTest : public MainFixture {
protected:
    // What the window shows, control by control, as one text to compare.
    static std::string Snapshot(const Window& w)
    {
        std::ostringstream out;
        for (const ScriptedUi::ControlLook& c : ScriptedUi::Look(w)) {
            out << c.number << c.label << '=' << c.text << (c.enabled ? "+e" : "-e") << (c.visible ? "+v" : "-v")
                << (c.focus ? "+f" : "") << ';';
        }
        return out.str();
    }

    quorin::testing::ViewerDoubleRegistration control_;
};

std::vector<std::string> Headers(const Control& list)
{
    std::vector<std::string> headers;
    for (const ListColumn& column : list.listFormat().columns) {
        headers.push_back(column.header);
    }
    return headers;
}

TEST_F(MainWindowTest, OpensWithDefaultNamesTheRecordsInKeyOrderAndTheViewerHidden)
{
    const std::int32_t day1 = *DayNumber(2024, 3, 5);
    const std::int32_t day2 = *DayNumber(2024, 11, 20);
    const std::int32_t morning = *ClockTime(9, 30);
    const std::int32_t afternoon = *ClockTime(14, 5);
    bool looked = false;
    ui_.Do([&](Window& w) {
        looked = true;
        EXPECT_EQ(w.title(), "PDF Form Filling");
        EXPECT_FALSE(w.hasCloseBox());
        EXPECT_FALSE(w.resizable());
        EXPECT_EQ(C(w, mainctl::kPdfMaster).screenText(), "C:\\Morvek20\\form1.pdf");
        EXPECT_EQ(C(w, mainctl::kPdfSaveAs).screenText(), "C:\\Morvek20\\form1-filled.pdf");
        EXPECT_EQ(C(w, mainctl::kList1).RowCount(), 0);
        EXPECT_EQ(Headers(C(w, mainctl::kList1)), (std::vector<std::string>{"Field Name", "Field Data"}));

        Control& browse = C(w, mainctl::kList);
        EXPECT_EQ(Headers(browse), (std::vector<std::string>{"Date", "Time", "Account", "Password", "Email"}));
        ASSERT_EQ(browse.RowCount(), 3);
        const std::vector<std::vector<std::string>> rows = {browse.RowTexts(1), browse.RowTexts(2), browse.RowTexts(3)};
        EXPECT_EQ(rows[0], (std::vector<std::string>{FormatDate(day1, "D17"), FormatTime(morning, "T7"), "alice",
                                                     "pw-alice", "alice@example.com"}));
        EXPECT_EQ(rows[1][2], "bob");
        EXPECT_EQ(rows[1][1], FormatTime(afternoon, "T7"));
        EXPECT_EQ(rows[2][2], "carol");
        EXPECT_EQ(rows[2][0], FormatDate(day2, "D17"));
        // The additional information rides along in each row but no column shows it.
        const Queue& queue = *browse.variable().queue();
        EXPECT_EQ(Clip(MainBrowseRowLayout().GetText(queue.Row(1), 6)), "note for alice");
        for (const auto& row : rows) {
            for (const std::string& text : row) {
                EXPECT_EQ(text.find("note"), std::string::npos);
            }
        }

        EXPECT_FALSE(C(w, mainctl::kRegion1).Visible());
        int hosts = 0;
        for (const Control* c : w.Controls()) {
            if (c->kind() == ControlKind::Ole) {
                ++hosts;
                EXPECT_FALSE(c->Visible());
            }
        }
        EXPECT_EQ(hosts, 1);
    });
    ui_.Press(mainctl::kClose);

    EXPECT_EQ(RunMain([&] {
        AddRecord(day2, morning, "carol", "note for carol");
        AddRecord(day1, afternoon, "bob", "note for bob");
        AddRecord(day1, morning, "alice", "note for alice");
    }),
              0);
    EXPECT_TRUE(looked);
    EXPECT_EQ(responses_, std::vector<std::uint8_t>{1});
    const std::vector<quorin::testing::ViewerCall> properties = control_->CallsOf("SetProperty");
    ASSERT_EQ(properties.size(), 1u);
    EXPECT_EQ(properties[0].texts[0], u"Documents.UseStreamsDirectly");
    EXPECT_EQ(properties[0].variantType, com::VT_I4);
    EXPECT_EQ(properties[0].variantLong, 0);
    EXPECT_EQ(properties[0].numbers, std::vector<std::int64_t>{0});
    EXPECT_TRUE(Boxes().empty());
    // The viewer went with the window.
    EXPECT_EQ(control_->instances, 0);
}

// The window has no close box, but the window manager may still ask it to close (Alt+F4, its
// menu, a session that ends): that leaves as "Close" does.
TEST_F(MainWindowTest, TheResponseFollowsTheRequestAndTheWayOut)
{
    enum class Way { Close, WindowManager, None };
    struct Case {
        const char* name;
        std::uint8_t request;
        Way way;
        std::uint8_t response;
    };
    const Case cases[] = {
        {"Close", 0, Way::Close, 1},
        {"Close when asked to select", 4, Way::Close, 2},
        {"Close in view mode", 6, Way::Close, 1},
        {"the window manager's close request", 0, Way::WindowManager, 1},
        {"closed without a response", 0, Way::None, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        responses_.clear();
        if (c.way == Way::Close) {
            ui_.Press(mainctl::kClose);
        } else if (c.way == Way::WindowManager) {
            ui_.CloseBox();
        }
        EXPECT_EQ(RunMain([&] { *GlobalRequest = c.request; }), 0);
        EXPECT_EQ(responses_, std::vector<std::uint8_t>{c.response});
        EXPECT_EQ(ui_.PendingActions(), 0u);
    }
}

TEST_F(MainWindowTest, ThePlaceSavedUnderMainIsUsedAndTheSizeStaysTheDefinitions)
{
    std::ofstream(dir_ / "quorin20.INI") << "[Main]\r\nXPos=40\r\nYPos=30\r\nWidth=500\r\nHeight=400\r\n"
                                            "Maximize=0\r\nMinimize=0\r\n";
    ui_.Do([&](Window& w) {
        EXPECT_EQ(w.x(), 40);
        EXPECT_EQ(w.y(), 30);
        EXPECT_EQ(w.width(), 330);
        EXPECT_EQ(w.height(), 345);
        w.UserMove(55, 66);
    });
    ui_.Press(mainctl::kClose);
    RunMain();

    IniManager ini;
    ini.Init(".\\quorin20.INI");
    EXPECT_EQ(ini.Fetch("Main", "XPos"), "55");
    EXPECT_EQ(ini.Fetch("Main", "YPos"), "66");
    EXPECT_EQ(ini.Fetch("Main", "Width"), "500"); // a fixed window writes no size: what was there stays
}

TEST_F(MainWindowTest, ADataFileOfAnotherKindEndsTheProgramAndStaysAsItWas)
{
    const std::string foreign = "this is not a data file of this program\n";
    std::ofstream(dir_ / "form1.tps", std::ios::binary) << foreign;
    EXPECT_NE(RunMain(), 0);
    EXPECT_TRUE(responses_.empty());
    ASSERT_EQ(ui_.MessageCount(), 1u);
    EXPECT_NE(ui_.LastMessage().text.find("Press OK to end this application"), std::string::npos);
    EXPECT_EQ(quorin::testing::Slurp(dir_ / "form1.tps"), foreign);
    EXPECT_EQ(control_->instances, 0);
}

TEST_F(MainWindowTest, InViewModeTheBrowseButtonsDoNothingAndNoRecordFormRuns)
{
    ui_.Press(mainctl::kInsert);
    ui_.Press(mainctl::kChange);
    ui_.Press(mainctl::kDelete);
    ui_.Do([&](Window& w) {
        EXPECT_EQ(ui_.ShownWindows().size(), 1u);
        EXPECT_EQ(C(w, mainctl::kList).RowCount(), 1);
        *GlobalRequest = 99;
        EXPECT_EQ(RunningMain()->windowManager->RunProcedure(1, request::kChange), response::kCancelled);
        EXPECT_EQ(*GlobalRequest, 99); // the record form was not asked
        *GlobalRequest = 0;
    });
    ui_.Press(mainctl::kClose);
    RunMain([] {
        *GlobalRequest = request::kView;
        AddRecord(*DayNumber(2024, 1, 2), 1, "alice", "");
    });
    EXPECT_EQ(responses_, std::vector<std::uint8_t>{1});
    EXPECT_TRUE(Boxes().empty());
    // The record is still there.
    EXPECT_TRUE(fs::exists(dir_ / "form1.tps"));
}

// "&Delete" under the browse: the browse loads the highlighted record and runs the record form with
// request 3, which asks before it deletes; the form's answer comes back and the list shows the file.
TEST_F(MainWindowTest, DeleteRunsTheRecordFormOnTheHighlightedRowAndTheListFollowsItsAnswer)
{
    const std::int32_t day = *DayNumber(2024, 6, 1);
    auto accounts = [](Window& w) {
        std::vector<std::string> shown;
        for (int row = 1; row <= C(w, mainctl::kList).RowCount(); ++row) {
            shown.push_back(C(w, mainctl::kList).RowTexts(row)[2]);
        }
        return shown;
    };
    struct Case {
        int answer;
        std::uint8_t response;
        std::vector<std::string> left;
        std::string highlighted;
    };
    const Case cases[] = {
        {button::kNo, response::kCancelled, {"alice", "bob", "carol", "dave"}, "bob"},
        {button::kYes, response::kCompleted, {"alice", "carol", "dave"}, "carol"},
        {button::kYes, response::kCompleted, {"alice", "dave"}, "dave"},
    };
    for (const Case& c : cases) {
        ui_.PickRow(mainctl::kList, 2);
        ui_.QueueAnswer(c.answer);
        ui_.Do([](Window&) { *GlobalResponse = 0; });
        ui_.Press(mainctl::kDelete);
        ui_.Do([&](Window& w) {
            EXPECT_EQ(*GlobalResponse, c.response) << "the record form's answer";
            EXPECT_EQ(*GlobalRequest, 0) << "the record form took the request";
            EXPECT_EQ(accounts(w), c.left);
            const int current = C(w, mainctl::kList).currentRow();
            ASSERT_GE(current, 1);
            EXPECT_EQ(C(w, mainctl::kList).RowTexts(current)[2], c.highlighted);
            EXPECT_EQ(ui_.ShownWindows().size(), 1u) << "a delete asks without opening the form";
        });
    }
    ui_.Press(mainctl::kClose);
    RunMain([&] {
        const std::vector<std::string> names = {"alice", "bob", "carol", "dave"};
        for (int i = 0; i < 4; ++i) {
            AddRecord(day, *ClockTime(9 + i, 0), names[i], "");
        }
    });
    EXPECT_EQ(Boxes(), std::vector<std::string>(3, "Are you sure you want to delete the highlighted record?"));
    for (const MessageBoxRequest& box : ui_.Messages()) {
        EXPECT_EQ(box.caption, "Confirm Delete");
    }
    EXPECT_EQ(ui_.PendingAnswers(), 0u);
    EXPECT_EQ(ui_.PendingActions(), 0u);
}

TEST_F(MainWindowTest, TheFileDialogsAskForPdfFilesAndACancelEmptiesTheName)
{
    const std::string chosen = (dir_ / "chosen.pdf").string();
    std::ofstream(chosen) << "%PDF-1.4\n";
    const std::string missing = (dir_ / "missing.pdf").string();
    struct Case {
        const char* name;
        int button;
        std::optional<std::string> answer;
        std::string shown;
        int entry;
        std::string title;
        bool save;
        int focus;
    };
    const Case cases[] = {
        {"form name chosen", mainctl::kLookupFile, chosen, chosen, mainctl::kPdfMaster,
         "Select PDF Form to extract...", false, mainctl::kPdfMaster},
        {"form name cancelled", mainctl::kLookupFile, std::nullopt, "", mainctl::kPdfMaster,
         "Select PDF Form to extract...", false, mainctl::kPdfMaster},
        {"form name that does not exist", mainctl::kLookupFile, missing, "", mainctl::kPdfMaster,
         "Select PDF Form to extract...", false, mainctl::kPdfMaster},
        {"save-as chosen", mainctl::kLookupFile2, chosen, chosen, mainctl::kPdfSaveAs,
         "Select Save As PDF File Name", true, mainctl::kLookupFile2},
        {"save-as new file", mainctl::kLookupFile2, missing, missing, mainctl::kPdfSaveAs,
         "Select Save As PDF File Name", true, mainctl::kLookupFile2},
        {"save-as cancelled", mainctl::kLookupFile2, std::nullopt, "", mainctl::kPdfSaveAs,
         "Select Save As PDF File Name", true, mainctl::kLookupFile2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui_.QueueFileAnswer(c.answer);
        ui_.Press(c.button);
        ui_.Do([&](Window& w) {
            EXPECT_EQ(C(w, c.entry).screenText(), c.shown);
            EXPECT_EQ(w.focus(), c.focus);
            EXPECT_EQ(fs::current_path(), dir_);
        });
        ui_.Press(mainctl::kClose);
        RunMain();
        ASSERT_FALSE(ui_.FileDialogs().empty());
        const FileDialogRequest asked = ui_.FileDialogs().back();
        EXPECT_EQ(asked.title, c.title);
        EXPECT_EQ(asked.mask, "PDF Files|*.pdf");
        EXPECT_EQ(asked.save, c.save);
        EXPECT_FALSE(asked.noOverwritePrompt);
        if (!c.save) {
            EXPECT_TRUE(asked.mustExist);
        }
    }
}

TEST_F(MainWindowTest, ASecondMainOnTheThreadStartsAfresh)
{
    // The first run ticks the export, fills and types a name.
    ui_.Press(mainctl::kExportScript);
    ui_.Press(mainctl::kToForm);
    ui_.Type(mainctl::kPdfSaveAs, "elsewhere.pdf");
    ui_.Press(mainctl::kClose);
    bool looked = false;
    ui_.Do([&](Window& w) {
        looked = true;
        EXPECT_EQ(RunningMain()->documentId, 0);
        EXPECT_EQ(RunningMain()->scriptQueue->Records(), 0u);
        EXPECT_EQ(C(w, mainctl::kList1).RowCount(), 0);
        EXPECT_FALSE(C(w, mainctl::kExportScript).checked());
        EXPECT_EQ(C(w, mainctl::kPdfSaveAs).screenText(), "C:\\Morvek20\\form1-filled.pdf");
        EXPECT_EQ((*RunningMain()->loadfield)[2], "for ( var i = 0; i < this.numFields; i++ ) {");
        EXPECT_EQ(MainViewUsed(), 1);
        EXPECT_EQ(MainStaticInitGuard().state, 2);
    });
    ui_.Press(mainctl::kClose);
    RunMain({}, 2);
    EXPECT_TRUE(looked);
    EXPECT_EQ(responses_, (std::vector<std::uint8_t>{1, 1}));
    EXPECT_EQ(control_->CallsOf("OpenDocument").size(), 1u);
}

TEST_F(MainWindowTest, AThreadEndClosesTheBrowseViewOnlyWhereMainRan)
{
    bool closedHere = false, keptElsewhere = false;
    RunMain([&] {
        Main(); // no user actions: the window closes at once
        MainBrowseView().MarkOpen();
        MainWindowModuleThreadTerm();
        closedHere = !MainBrowseView().IsOpen();
        std::thread([&] {
            View& view = MainBrowseView();
            view.MarkOpen();
            MainWindowModuleThreadTerm();
            keptElsewhere = view.IsOpen() && MainViewUsed() == 0;
        }).join();
    });
    EXPECT_TRUE(closedHere);
    EXPECT_TRUE(keptElsewhere);
}

TEST_F(MainWindowTest, ViewerEventsChangeNothingInTheWindow)
{
    ui_.Do([&](Window& w) {
        const std::string before = Snapshot(w);
        ASSERT_NE(control_->last, nullptr);
        for (std::int32_t type : {1, 2, 3, 4}) {
            control_->last->RaiseEvent(type, u"DocumentOpened", 2);
        }
        EXPECT_EQ(Snapshot(w), before);
        EXPECT_FALSE(w.HasPendingEvents());
    });
    ui_.Press(mainctl::kClose);
    RunMain();
    EXPECT_TRUE(Boxes().empty());
}

} // namespace
} // namespace quorin::forms::testing
