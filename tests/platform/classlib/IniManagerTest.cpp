#include "platform/classlib/IniManager.h"

#include <gtest/gtest.h>

#include "support/Unprivileged.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace quorin {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class IniManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("quorin-ini-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        saved_ = fs::current_path();
        fs::current_path(dir_);
    }
    void TearDown() override
    {
        fs::current_path(saved_);
        fs::permissions(dir_, fs::perms::owner_all);
        fs::remove_all(dir_);
    }
    void Write(const std::string& text) { std::ofstream(dir_ / "quorin20.INI", std::ios::binary) << text; }
    fs::path dir_;
    fs::path saved_;
};

TEST_F(IniManagerTest, EntriesIgnoreCaseAndWritingKeepsTheRest)
{
    Write("; window places\n[Main]\nXPos=10\nYPos=20\n\n[Other]\nkeep=me\n");
    IniManager ini;
    ini.Init(".\\quorin20.INI");
    EXPECT_EQ(ini.Fetch("MAIN", "xpos"), "10");
    EXPECT_TRUE(ini.HasSection("other"));
    EXPECT_FALSE(ini.TryFetch("Main", "Width"));
    ASSERT_TRUE(ini.Update("main", "XPOS", "15"));
    ASSERT_TRUE(ini.Update("UpdateSaveData", "Width", "300"));
    const std::string text = ReadAll(dir_ / "quorin20.INI");
    EXPECT_NE(text.find("; window places"), std::string::npos);
    EXPECT_NE(text.find("keep=me"), std::string::npos);
    EXPECT_NE(text.find("YPos=20"), std::string::npos);
    EXPECT_EQ(ini.Fetch("Main", "XPos"), "15");
    EXPECT_EQ(ini.Fetch("updatesavedata", "width"), "300");
}

TEST_F(IniManagerTest, KillWritesSectorsBackAfterLoadingThem)
{
    Write("[__Dont_Touch_Me__]\nSectors=2\nSectors_1=Main,XPos,LONG\nSectors_2=x,y,z\n[Main]\nXPos=1\n");
    IniManager ini;
    ini.Init(".\\quorin20.INI");
    const auto sectors = ini.Sectors();
    ASSERT_TRUE(sectors);
    ASSERT_EQ(sectors->size(), 2u);
    EXPECT_EQ((*sectors)[0].family, "Main");
    EXPECT_EQ((*sectors)[0].type, "LONG");
    ini.AddSector(IniSector{FixedText<100>("a"), FixedText<100>("b"), FixedText<100>("c")});
    ASSERT_TRUE(ini.Kill());
    EXPECT_FALSE(ini.Sectors());
    EXPECT_EQ(ini.Fetch("__dont_touch_me__", "Sectors"), "3");
    EXPECT_EQ(ini.Fetch("__Dont_Touch_Me__", "Sectors_3"), "a,b,c");
    EXPECT_EQ(ini.Fetch("Main", "XPos"), "1");
    EXPECT_TRUE(ini.Kill()); // no list any more: nothing to write
}

TEST_F(IniManagerTest, MissingFileReadsEmptyAndKillCreatesIt)
{
    IniManager ini;
    ini.Init(".\\quorin20.INI");
    EXPECT_EQ(ini.Sectors()->size(), 0u);
    EXPECT_FALSE(ini.HasSection("Main"));
    ASSERT_TRUE(ini.Kill());
    EXPECT_EQ(ini.Fetch("__Dont_Touch_Me__", "Sectors"), "0");
    EXPECT_FALSE(ini.TryFetch("__Dont_Touch_Me__", "Sectors_1"));
}

TEST_F(IniManagerTest, GarbledFileReadsEmptyWithoutCrash)
{
    const std::string garbage[] = {
        std::string("[Main\nXPos=\x01\x02\0\xff\xfe[[[", 20),
        "=====\n[\n]\n[]=x\n\xc3\x28\n[__Dont_Touch_Me__]\nSectors=-5\n",
        "[__Dont_Touch_Me__]\nSectors=99999999999\nSectors_1=only\n",
    };
    for (const std::string& g : garbage) {
        Write(g);
        IniManager ini;
        ini.Init(".\\quorin20.INI");
        ASSERT_TRUE(ini.Sectors());
        EXPECT_LE(ini.Sectors()->size(), 1u);
        EXPECT_FALSE(ini.TryFetch("Main", "XPos"));
        EXPECT_TRUE(ini.Kill());
    }
}

TEST_F(IniManagerTest, UnwritableFileIsAClearFailureAndLosesNothing)
{
    // A folder where the file should be: no user may write it.
    IniManager blocked;
    fs::create_directory(dir_ / "blocked.INI");
    blocked.Init(".\\blocked.INI");
    EXPECT_FALSE(blocked.Update("Main", "XPos", "1"));
    EXPECT_FALSE(blocked.Kill());
    EXPECT_TRUE(fs::is_directory(dir_ / "blocked.INI"));
}

TEST_F(IniManagerTest, ReadOnlyFolderIsAClearFailureAndLosesNothing)
{
    Write("[Main]\nXPos=10\n");
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    EXPECT_TRUE(testing::RunUnprivileged([] {
        IniManager ini;
        ini.Init(".\\quorin20.INI");
        return ini.Fetch("Main", "XPos") == "10" && !ini.Update("Main", "XPos", "99") && !ini.Kill();
    }));
    EXPECT_EQ(ReadAll(dir_ / "quorin20.INI"), "[Main]\nXPos=10\n");
}

} // namespace
} // namespace quorin
