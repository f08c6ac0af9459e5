// The window "PDF Form Filling" of the built program under Xvfb: opening and closing (also by the
// window manager's Alt+F4), "Save To Form" with the exported script, a master form that is not
// there, bad input in the working folder, and the browse's popup menu, by a right click or
// Shift+F10, deleting the row it highlights.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "e2e/ProgramFixture.h"
#include "support/TestFiles.h"

namespace quorin::e2e {
namespace {

using quorin::testing::Slurp;

void Write(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> CrLfLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
        lines.push_back(text.substr(at, end - at));
    }
    if (at != text.size()) {
        lines.push_back(text.substr(at)); // an unterminated rest: shows up as a wrong line
    }
    return lines;
}

// A line of xprop's account of a window's property that starts with `label`, without it.
std::string PropertyLine(const std::string& display, WindowId window, const std::string& property,
                         const std::string& label)
{
    SpawnOptions options;
    options.environment["DISPLAY"] = display;
    options.captureOutput = true;
    Child xprop({"xprop", "-id", window.text(), property}, options);
    std::istringstream lines(xprop.Output(kWindowBound));
    xprop.Wait(kWindowBound);
    for (std::string line; std::getline(lines, line);) {
        if (const auto at = line.find(label); at != std::string::npos) {
            return line.substr(at + label.size());
        }
    }
    return {};
}

TEST_F(DesktopTest, CloseEndsTheProgramAndKeepsTheWindowsSection)
{
    PutMasterForm();
    Session([&](WindowId main) {
        // A fixed frame: the window manager is told one size as both the least and the most.
        const std::string least = PropertyLine(x_->display(), main, "WM_NORMAL_HINTS", "minimum size: ");
        EXPECT_FALSE(least.empty());
        EXPECT_EQ(PropertyLine(x_->display(), main, "WM_NORMAL_HINTS", "maximum size: "), least);
    });
    const auto sections = IniSections();
    EXPECT_NE(std::find(sections.begin(), sections.end(), "Main"), sections.end())
        << "quorin20.INI:\n" << Slurp(work_ / "quorin20.INI");
}

// The window has no close box of its own: the window manager's close (Alt+F4 under openbox) acts as
// its "Close" button, so the program ends as it does there.
using WindowCloseKeyTest = WindowManagerTest;

TEST_P(WindowCloseKeyTest, AltF4EndsTheProgramAndKeepsTheWindowsSection)
{
    PutMasterForm();
    program_ = Start();
    const WindowId main = MainWindow();
    ASSERT_TRUE(main);
    ASSERT_NO_FATAL_FAILURE(DriveAsAPerson(main));
    ASSERT_TRUE(xdo_->Keys(main, {"alt+F4"}));
    const auto status = program_->Wait(kExitBound);
    EXPECT_TRUE(ExitedWith(status, 0)) << DescribeStatus(status);
    const auto sections = IniSections();
    EXPECT_NE(std::find(sections.begin(), sections.end(), "Main"), sections.end())
        << "quorin20.INI:\n" << Slurp(work_ / "quorin20.INI");
}

INSTANTIATE_TEST_SUITE_P(Desktop, WindowCloseKeyTest, ::testing::Values(true), WindowManagerName);

TEST_F(DesktopTest, SaveToFormWritesTheFilledCopyAndTheExportedScript)
{
    PutMasterForm();
    const auto master = driveC_ / "Morvek20" / "form1.pdf";
    const auto filled = driveC_ / "Morvek20" / "form1-filled.pdf";
    const std::string masterBytes = Slurp(master);
    Session([&](WindowId main) {
        ASSERT_TRUE(xdo_->Keys(main, {"alt+x"}));
        ASSERT_TRUE(xdo_->Keys(main, {"alt+t"}));
        ASSERT_TRUE(WaitForFile(filled)) << "no filled copy";
    });
    EXPECT_EQ(Slurp(master), masterBytes) << "the master form changed";

    // The script as exported: the function, then one call per sample pair.
    const std::vector<std::string> lines = CrLfLines(Slurp(work_ / "quorin36.js"));
    ASSERT_EQ(lines.size(), 95u);
    EXPECT_EQ(lines[0], "function loadfield( fldName, fldValue ) {");
    EXPECT_EQ(lines[45], "loadfield(\"Country\",\"South Africa\");");
    std::map<std::string, std::string> pairs; // a later pair for the same field wins
    for (std::size_t i = 45; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::string head = "loadfield(\"", tail = "\");", between = "\",\"";
        const auto split = line.find(between);
        ASSERT_TRUE(line.starts_with(head) && line.ends_with(tail) && split != std::string::npos) << line;
        pairs[line.substr(head.size(), split - head.size())] =
            line.substr(split + between.size(), line.size() - tail.size() - split - between.size());
    }
    ASSERT_EQ(pairs.size(), 49u);
    EXPECT_EQ(pairs["Account"], "1234567890");
    EXPECT_EQ(pairs["NewspapersChk"], "Off");
    EXPECT_EQ(pairs["Text40"], "Text40");

    // Every field of the filled copy, read by pypdf, holds its pair's value.
    auto values = FormFields(filled);
    ASSERT_TRUE(values) << "pypdf could not read the filled copy";
    for (const auto& [name, value] : pairs) {
        const bool check = name.size() > 3 && name.compare(name.size() - 3, 3, "Chk") == 0;
        EXPECT_EQ((*values)[name], check ? "/" + value : value) << name;
    }
}

TEST_F(DesktopTest, WithoutTheMasterFormTheWindowOpensAndSaveToFormSaysSo)
{
    Session([&](WindowId main) {
        ASSERT_TRUE(xdo_->Keys(main, {"alt+t"}));
        const WindowId box = xdo_->Find("Viewer Error");
        ASSERT_TRUE(box) << "no \"Viewer Error\" box";
        ASSERT_TRUE(xdo_->Keys(box, {"Return"}));
        ASSERT_TRUE(WaitWindowGone(x_->display(), box)) << "Return left the box open";
    });
    EXPECT_FALSE(std::filesystem::exists(driveC_ / "Morvek20" / "form1-filled.pdf"));
}

TEST_F(DesktopTest, AGarbledIniFileLeavesThePlacingToThePlatform)
{
    PutMasterForm();
    Write(work_ / "quorin20.INI", std::string("\xff\xfe[Main\nXPos=-99999x\n[Main]\nXPos=--3\nYPos=\x01\x02\n"
                                              "Width=wide\nHeight=\nMaximize=maybe\n=====\n[[[\n\0\0\0", 80));
    Session([&](WindowId main) { ExpectOnScreen(main); });
}

TEST_F(DesktopTest, ADataFileOfAnotherKindEndsTheProgramAndStaysAsItWas)
{
    PutMasterForm();
    std::string foreign = "Not a data file of this program.\n";
    for (int i = 0; i < 200; ++i) {
        foreign += static_cast<char>(i * 37);
    }
    Write(work_ / "form1.tps", foreign);
    auto program = Start();
    const WindowId message = xdo_->Find("Invalid File");
    ASSERT_TRUE(message) << "no data-file message";
    ASSERT_TRUE(xdo_->Keys(message, {"Return"}));
    const auto status = program->Wait(kExitBound);
    ASSERT_TRUE(status) << "the program goes on after the message";
    EXPECT_FALSE(ExitedWith(status, 0)) << DescribeStatus(status);
    EXPECT_TRUE(WIFEXITED(*status)) << DescribeStatus(status);
    EXPECT_EQ(Slurp(work_ / "form1.tps"), foreign);
}

TEST_F(DesktopTest, AReadOnlyWorkingFolderIsShownReadOnlyAndKeptAsItWas)
{
    PutMasterForm();
    const Typed typed{"read.only@example.org", "ACC-0444"};
    Session([&](WindowId main) { AddRecord(main, typed); });
    const std::string data = Slurp(work_ / "form1.tps");
    const std::string ini = Slurp(work_ / "quorin20.INI");
    for (const char* name : {"form1.tps", "quorin20.INI"}) {
        ::chmod((work_ / name).c_str(), 0444);
    }
    ::chmod(work_.c_str(), 0555);

    Session(
        [&](WindowId main) {
            const WindowId denied = xdo_->Find("Access Denied");
            ASSERT_TRUE(denied) << "no word that the data file opens read-only";
            ASSERT_TRUE(xdo_->Keys(denied, {"Return"}));
            ASSERT_TRUE(WaitWindowGone(x_->display(), denied));
            ExpectListed(main);
        },
        /*unprivileged=*/true);
    EXPECT_EQ(Slurp(work_ / "form1.tps"), data);
    EXPECT_EQ(Slurp(work_ / "quorin20.INI"), ini);
    ExpectStored(typed);
}

// ---- the browse's popup menu ----

using BrowsePopupTest = WindowManagerTest;

// Six records, the fifth highlighted; a right click on the second, "&Delete" from its popup menu and
// Yes. The row the list highlights while "Confirm Delete" asks is the clicked one, and the one the
// stored file loses.
TEST_P(BrowsePopupTest, DeleteFromTheMenuDeletesTheRowHighlightedWhenTheBoxAsks)
{
    PutMasterForm();
    int asked = 0; // the row highlighted while the box asked, from 1
    Session([&](WindowId main) {
        ASSERT_NO_FATAL_FAILURE(DriveAsAPerson(main));
        const BrowseRows rows = ListRows(main, 6);
        ASSERT_FALSE(HasFailure());

        ASSERT_TRUE(xdo_->ClickAt(main, 80, rows.At(5))); // apart from the list's own click at 40
        ASSERT_TRUE(xdo_->Keys(main, {"F1"}));
        ASSERT_EQ(rows.Of(HighlightedWhileAsked(main, "Help", "Return")), 5) << "a left click highlights its row";

        PopupWatch popup(x_->display());
        ASSERT_TRUE(xdo_->ClickAt(main, 40, rows.At(2), 3));
        ASSERT_TRUE(popup.Wait()) << "a right click opened no popup menu";
        ASSERT_TRUE(xdo_->Keys(main, {"d"})); // "&Delete"
        asked = rows.Of(HighlightedWhileAsked(main, "Confirm Delete", "alt+y"));
    });
    const std::vector<std::string> left = StoredAccounts();
    std::vector<std::string> expected;
    for (int i = 1; i <= 6; ++i) {
        if (i != asked) {
            expected.push_back("ACC" + std::to_string(i));
        }
    }
    EXPECT_EQ(left, expected) << "the row deleted is not the one highlighted when the box asked (row " << asked << ")";
    EXPECT_EQ(asked, 2) << "the right-clicked row is not the one the box asked about";
}

// Shift+F10 opens the popup menu on the highlighted row as a right click does; "&Delete" chosen there
// by its access key or by the arrows and Return, answered Yes, deletes that row.
TEST_P(BrowsePopupTest, ShiftF10OpensTheMenuAndDeleteThereDeletesTheHighlightedRow)
{
    PutMasterForm();
    const std::vector<std::vector<std::string>> ways = {{"d"}, {"Down", "Down", "Down", "Return"}};
    std::vector<std::string> expected = {"ACC1", "ACC2", "ACC3", "ACC4"};
    Session([&](WindowId main) {
        ASSERT_NO_FATAL_FAILURE(DriveAsAPerson(main));
        const BrowseRows rows = ListRows(main, 4);
        ASSERT_FALSE(HasFailure());
        int x = 40;
        for (const auto& way : ways) {
            SCOPED_TRACE("\"&Delete\" by " + way.front());
            // Each round a little further along the row: single clicks, never joined into a double.
            x += 40;
            ASSERT_TRUE(xdo_->ClickAt(main, x, rows.At(2)));
            PopupWatch popup(x_->display());
            ASSERT_TRUE(xdo_->Keys(main, {"shift+F10"}));
            ASSERT_TRUE(popup.Wait()) << "Shift+F10 opened no popup menu";
            ASSERT_TRUE(xdo_->Keys(main, way));
            ASSERT_EQ(rows.Of(HighlightedWhileAsked(main, "Confirm Delete", "alt+y")), 2);
            expected.erase(expected.begin() + 1);
        }
    });
    EXPECT_EQ(StoredAccounts(), expected);
}

INSTANTIATE_TEST_SUITE_P(Desktop, BrowsePopupTest, ::testing::Bool(), WindowManagerName);

} // namespace
} // namespace quorin::e2e
