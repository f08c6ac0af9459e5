#include "platform/runtime/TextFile.h"
#include "platform/runtime/DataFile.h"
#include "platform/runtime/RuntimeError.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>

namespace quorin {
namespace {

namespace fs = std::filesystem;

const RecordLayout& LineLayout()
{
    static const RecordLayout layout("JSF", {{"JSF:LINE", FieldType::Text, 16}});
    return layout;
}

using testing::Slurp;

class TextFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string templ = (fs::temp_directory_path() / "quorin-textfile-XXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        dir_ = templ;
        path_ = (dir_ / "script.js").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
    std::string path_;
};

TEST_F(TextFileTest, AddsClippedLinesWithCrLfAndReadsThemBack)
{
    TextFile file(LineLayout());
    EXPECT_EQ(file.Open(path_, 0x42), kFileNotFound);
    ASSERT_EQ(file.Create(path_), 0);
    EXPECT_EQ(Slurp(path_), "");
    ASSERT_EQ(file.Open(path_, 0x42), 0);
    char line[16];
    for (const char* text : {"var a = 1;   ", "", "   ", "  indented", "this one is far too long"}) {
        LineLayout().SetText(line, 1, text);
        ASSERT_EQ(file.Add(line), 0);
    }
    file.Close();
    // Trailing blanks never reach the file, an all-blank record is an empty line, no end mark.
    EXPECT_EQ(Slurp(path_), "var a = 1;\r\n\r\n\r\n  indented\r\nthis one is far\r\n");

    ASSERT_EQ(file.Open(path_, 0x40), 0);
    EXPECT_EQ(file.Add(line), kAccessDenied);
    std::vector<std::string> read;
    while (file.Next(line) == 0) {
        read.push_back(LineLayout().FieldAsText(line, 1));
    }
    EXPECT_EQ(RuntimeError(), kRecordNotAvailable);
    EXPECT_EQ(read, (std::vector<std::string>{"var a = 1;", "", "", "  indented", "this one is far"}));
}

TEST_F(TextFileTest, CreateLeavesAnExistingFileAndReadsLinesWithoutCr)
{
    std::ofstream(path_, std::ios::binary) << "one\ntwo\r\nlast";
    TextFile file(LineLayout());
    ASSERT_EQ(file.Create(path_), 0);
    ASSERT_EQ(file.Open(path_, 0x42), 0);
    char line[16];
    std::vector<std::string> read;
    while (file.Next(line) == 0) {
        read.push_back(LineLayout().FieldAsText(line, 1));
    }
    EXPECT_EQ(read, (std::vector<std::string>{"one", "two", "last"}));
    EXPECT_EQ(file.Create((dir_ / "missing" / "x.js").string()), kPathNotFound);
    EXPECT_EQ(file.Create(""), kInvalidFilename);

    file.Close();
    ::chmod(path_.c_str(), 0444);
    EXPECT_EQ(file.Open(path_, 0x42), kAccessDenied);
}

} // namespace
} // namespace quorin
