#include "platform/runtime/Paths.h"
#include "platform/runtime/RuntimeError.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace quorin {
namespace {

namespace fs = std::filesystem;

class PathsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("quorin-paths-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        saved_ = fs::current_path();
        fs::current_path(dir_);
        ::setenv("QUORIN_DRIVE_C", "/drv/c", 1);
        ::unsetenv("QUORIN_DRIVE_D");
        ::setenv("XDG_DATA_HOME", "/xdg", 1);
    }
    void TearDown() override
    {
        fs::current_path(saved_);
        fs::remove_all(dir_);
        ::unsetenv("QUORIN_DRIVE_C");
        ::unsetenv("XDG_DATA_HOME");
    }
    fs::path dir_;
    fs::path saved_;
};

TEST_F(PathsTest, MapsWindowsStyleNames)
{
    struct Case {
        const char* name;
        const char* native;
    } const cases[] = {
        {"C:\\Morvek20\\form1.pdf", "/drv/c/Morvek20/form1.pdf"},
        {"c:\\Morvek20\\form1.pdf   ", "/drv/c/Morvek20/form1.pdf"}, // lower-case letter, blanks
        {"C:form1.pdf", "/drv/c/form1.pdf"},
        {"C:\\", "/drv/c"},
        {"D:\\a\\b.txt", "/xdg/quorin20/drives/D/a/b.txt"}, // no variable: the data folder
        {".\\quorin20.INI", "./quorin20.INI"},
        {"sub\\x.js", "sub/x.js"},
        {"/home/u/My Forms/a.pdf", "/home/u/My Forms/a.pdf"}, // native passes unchanged
        {"   ", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NativePath(c.name), c.native) << c.name;
}

TEST_F(PathsTest, DriveFolderFallsBackToHomeWithoutXdg)
{
    ::unsetenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    const std::string savedHome = home ? home : "";
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(DriveFolder('d'), "/home/someone/.local/share/quorin20/drives/D");
    ::setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(PathsTest, LongPathResolvesAgainstWorkingDirectory)
{
    const std::string cwd = fs::current_path().string();
    EXPECT_EQ(GetLongPath(""), cwd);
    EXPECT_EQ(GetLongPath(".\\quorin36.js  "), cwd + "/quorin36.js");
    EXPECT_EQ(GetLongPath("a\\..\\b\\.\\c.txt"), cwd + "/b/c.txt");
    EXPECT_EQ(GetLongPath("C:\\x\\y.pdf"), "/drv/c/x/y.pdf");
}

TEST_F(PathsTest, RemoveFileSetsOnlyTheErrorCode)
{
    std::ofstream(dir_ / "gone.js") << "x";
    EXPECT_TRUE(RemoveFile(".\\gone.js   "));
    EXPECT_EQ(RuntimeError(), kNoError);
    EXPECT_FALSE(fs::exists(dir_ / "gone.js"));

    struct Case {
        const char* name;
        int error;
    } const cases[] = {
        {"", kInvalidFilename},
        {"    ", kInvalidFilename},
        {".\\gone.js", kFileNotFound},
        {".\\nofolder\\x.js", kPathNotFound},
        {".", kAccessDenied}, // a folder is not a file
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(RemoveFile(c.name)) << c.name;
        EXPECT_EQ(RuntimeError(), c.error) << c.name;
    }
    ClearRuntimeError();
}

} // namespace
} // namespace quorin
