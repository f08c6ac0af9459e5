#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/classlib/IniManager.h"
#include "platform/runtime/ControlKinds.h"
#include "platform/runtime/Window.h"
#include "platform/ui/scripted/ScriptedUi.h"

namespace quorin {
namespace {

namespace fs = std::filesystem;

WindowDefinition Definition(const char* name, bool resizable)
{
    WindowDefinition d;
    d.module = "test$ini";
    d.name = name;
    d.x = 10;
    d.y = 20;
    d.width = 300;
    d.height = 150;
    d.attributes = kWinSystem | (resizable ? kWinResize : 0u);
    return d;
}

class IniWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LinkAllControlKinds();
        RegisterWindowDefinition(Definition("FIXED", false));
        RegisterWindowDefinition(Definition("SIZABLE", true));
        folder_ = fs::temp_directory_path() /
                  ("ini-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        path_ = (folder_ / "test.INI").string();
        ini_.Init(path_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::unique_ptr<Window> Make(const char* name)
    {
        std::unique_ptr<Window> w = NewWindow("test$ini", name, {});
        w->Open();
        return w;
    }
    std::string FileText() const
    {
        std::ifstream in(path_);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    ScriptedUi ui_;
    ScopedUserInterface scope_{ui_};
    fs::path folder_;
    std::string path_;
    IniManager ini_;
};

TEST_F(IniWindowTest, PositionAndSizeComeBackThroughTheFile)
{
    struct Case {
        const char* window;
        bool sizeKept;
    };
    for (const Case c : {Case{"SIZABLE", true}, Case{"FIXED", false}}) {
        std::unique_ptr<Window> first = Make(c.window);
        first->SetGeometry(40, 50, 500, 260);
        ASSERT_TRUE(ini_.SaveWindow(c.window, *first));
        EXPECT_EQ(ini_.Fetch(c.window, "XPos"), "40");
        EXPECT_EQ(ini_.Fetch(c.window, "Maximize"), "0");
        EXPECT_EQ(ini_.TryFetch(c.window, "Width").has_value(), c.sizeKept);
        DisposeWindow(first);

        std::unique_ptr<Window> next = Make(c.window);
        ini_.RestoreWindow(c.window, *next);
        EXPECT_EQ(next->x(), 40) << c.window;
        EXPECT_EQ(next->y(), 50) << c.window;
        EXPECT_EQ(next->width(), c.sizeKept ? 500 : 300) << c.window;
        EXPECT_EQ(next->height(), c.sizeKept ? 260 : 150) << c.window;
        EXPECT_FALSE(next->maximized());
        DisposeWindow(next);
    }
}

TEST_F(IniWindowTest, AMaximisedWindowKeepsItsStateButNotItsPlace)
{
    std::unique_ptr<Window> w = Make("SIZABLE");
    w->SetGeometry(40, 50, 500, 260);
    ini_.SaveWindow("SIZABLE", *w);
    w->SetProperty(0, prop::kMaximize, "1");
    ini_.SaveWindow("SIZABLE", *w);
    EXPECT_EQ(ini_.Fetch("SIZABLE", "Maximize"), "1");
    EXPECT_EQ(ini_.Fetch("SIZABLE", "XPos"), "40"); // the place from before stays
    DisposeWindow(w);

    std::unique_ptr<Window> next = Make("SIZABLE");
    ini_.RestoreWindow("SIZABLE", *next);
    EXPECT_TRUE(next->maximized());
    DisposeWindow(next);
}

TEST_F(IniWindowTest, AMissingSectionOrAGarbledEntryChangesNothing)
{
    std::ofstream(path_) << "[SIZABLE]\nXPos=abc\nYPos=70\nWidth=-5\nHeight=x\n";
    std::unique_ptr<Window> w = Make("SIZABLE");
    ini_.RestoreWindow("SIZABLE", *w);
    EXPECT_EQ(w->x(), 10);  // not a number: kept
    EXPECT_EQ(w->y(), 70);
    EXPECT_EQ(w->width(), 300);
    ini_.RestoreWindow("NoSuchWindow", *w);
    EXPECT_EQ(w->y(), 70);
    EXPECT_EQ(FileText(), "[SIZABLE]\nXPos=abc\nYPos=70\nWidth=-5\nHeight=x\n"); // restoring writes nothing
    DisposeWindow(w);
}

} // namespace
} // namespace quorin
