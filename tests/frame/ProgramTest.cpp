#include "frame/Program.h"
#include "platform/classlib/ErrorManager.h"
#include "platform/ui/scripted/ScriptedUi.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quorin {
namespace {

namespace fs = std::filesystem;

// Runs the program with probe hooks that trace each call with the thread it ran on, in a fresh
// working folder.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("quorin-program-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        saved_ = fs::current_path();
        fs::current_path(dir_);
        ProgramHooks& h = Hooks();
        h.blankScriptFileName = [this] { Trace("blankScriptFileName"); };
        h.createThreadFiles = [this] { Trace("createThreadFiles"); };
        h.releaseThreadFiles = [this] { Trace("releaseThreadFiles"); };
        h.initDictionary = [this] { Trace("initDictionary"); };
        h.killDictionary = [this] {
            Trace("killDictionary");
            if (CurrentThreadNumber() == 1)
                sectorsAtKill_ = IniText().find("Sectors=0") != std::string::npos;
        };
        h.main = [this] { Trace("Main"); if (body_) body_(); };
    }
    void TearDown() override
    {
        Hooks() = ProgramHooks{};
        fs::current_path(saved_);
        fs::remove_all(dir_);
    }
    void Trace(const std::string& step)
    {
        std::lock_guard lock(mutex_);
        trace_.push_back(step + (CurrentThreadNumber() == 1 ? "" : "@later"));
    }
    std::string IniText() const
    {
        std::ifstream in(dir_ / "quorin20.INI");
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    int Run()
    {
        ModuleTable table({ProgramModule()});
        return table.Run([] { RunProgram(); return 0; });
    }

    ScriptedUi ui_;
    ScopedUserInterface installed_{ui_};
    std::function<void()> body_;
    std::mutex mutex_;
    std::vector<std::string> trace_;
    bool sectorsAtKill_ = false;
    fs::path dir_;
    fs::path saved_;
};

TEST_F(ProgramTest, StartsRunsAndEndsInOrderOnTheFirstThread)
{
    bool readyBeforeMain = false;
    body_ = [&] {
        readyBeforeMain = ProgramObjectsExist() && GlobalFuzzyMatcher().NoCase() == 1
                          && GlobalFuzzyMatcher().WordOnly() == 0
                          && GlobalIniManager().FileName() == ".\\quorin20.INI" && *GlobalRequest == 0
                          && *GlobalResponse == 0 && *GlobalVcrRequest == 0 && CurrentThreadDictionary();
        EXPECT_EQ(IniText(), "") << "the INI file is written only when Main has returned";
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(readyBeforeMain);
    const std::vector<std::string> expected = {
        "createThreadFiles", "blankScriptFileName",
        // the first thread's per-thread initialiser builds no managers: the body does
        "initDictionary", "Main", "killDictionary", "releaseThreadFiles"};
    EXPECT_EQ(trace_, expected);
    EXPECT_TRUE(sectorsAtKill_) << "\"Sectors\" is written before the dictionary is torn down";
    EXPECT_FALSE(ProgramObjectsExist());
    EXPECT_NE(IniText().find("[__Dont_Touch_Me__]"), std::string::npos);
}

TEST_F(ProgramTest, ALaterThreadGetsItsOwnVariablesAndDictionary)
{
    body_ = [&] {
        *GlobalRequest = 2;
        std::uint8_t laterRequest = 99;
        bool hadDictionary = false;
        std::thread([&] {
            laterRequest = *GlobalRequest; // first use: the per-thread steps run now
            hadDictionary = CurrentThreadDictionary() != nullptr;
            *GlobalRequest = 6;
            Trace("later body");
        }).join();
        EXPECT_EQ(laterRequest, 0);
        EXPECT_TRUE(hadDictionary);
        EXPECT_EQ(*GlobalRequest, 2);
    };
    EXPECT_EQ(Run(), 0);
    const std::vector<std::string> expected = {
        "createThreadFiles", "blankScriptFileName", "initDictionary", "Main",
        "createThreadFiles@later", "initDictionary@later", "later body@later", "killDictionary@later",
        "releaseThreadFiles@later",
        "killDictionary", "releaseThreadFiles"};
    EXPECT_EQ(trace_, expected);
}

TEST_F(ProgramTest, AFatalMessageEndsTheProgramWithFinalisersRun)
{
    body_ = [] { GlobalErrorManager().ThrowFile(msg::kCreateError, "form1.tps"); };
    EXPECT_NE(Run(), 0);
    ASSERT_EQ(ui_.MessageCount(), 1u);
    EXPECT_EQ(ui_.LastMessage().caption, "File Creation Error");
    EXPECT_EQ(trace_.back(), "releaseThreadFiles");
    EXPECT_EQ(trace_[trace_.size() - 2], "killDictionary");
    EXPECT_FALSE(ProgramObjectsExist());
}

TEST_F(ProgramTest, IniNameIsResolvedInTheWorkingFolderAtWriteTime)
{
    fs::create_directory(dir_ / "later");
    body_ = [&] { fs::current_path(dir_ / "later"); };
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(fs::exists(dir_ / "later" / "quorin20.INI"));
    EXPECT_FALSE(fs::exists(dir_ / "quorin20.INI"));
}

} // namespace
} // namespace quorin
