#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/classlib/FileLookup.h"

namespace quorin {
namespace {

namespace fs = std::filesystem;

// Answers file dialogs from a queue and records what was asked and where the program stood.
class DialogUser : public UserInterface {
public:
    std::deque<std::optional<std::string>> answers;
    std::vector<FileDialogRequest> asked;
    std::vector<fs::path> askedIn;

    int ShowMessageBox(const MessageBoxRequest& request) override { return request.defaultButton; }
    std::optional<std::string> AskFile(const FileDialogRequest& request) override
    {
        asked.push_back(request);
        askedIn.push_back(fs::current_path());
        if (answers.empty()) {
            return std::nullopt;
        }
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class FileLookupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        home_ = fs::current_path();
        root_ = fs::temp_directory_path() / ("lookup-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "forms");
        std::ofstream(root_ / "forms" / "form1.pdf") << "%PDF";
        fs::current_path(root_);
    }
    void TearDown() override
    {
        fs::current_path(home_);
        fs::remove_all(root_);
    }

    fs::path home_;
    fs::path root_;
    DialogUser user_;
    ScopedUserInterface scope_{user_};
};

TEST_F(FileLookupTest, InitAndMasksMakeTheDialogsTitleAndTypeList)
{
    FileLookup lookup;
    lookup.Init();
    EXPECT_STREQ(lookup.WINDOWTITLE, "Select A File");
    EXPECT_EQ(lookup.FLAGS, 0x10);
    EXPECT_EQ(lookup.Request().mask, "All Files|*.*"); // no type added yet

    lookup.AddMask("PDF Files   ", "*.pdf");
    lookup.AddMask("Text", "*.txt;*.js");
    EXPECT_STREQ(lookup.MASKSTRING, "PDF Files|*.pdf|Text|*.txt;*.js");
    EXPECT_EQ(lookup.Request().mask, "PDF Files|*.pdf|Text|*.txt;*.js");
}

TEST_F(FileLookupTest, FlagsChooseTheKindOfDialog)
{
    struct Case {
        std::uint8_t flags;
        bool save, noOverwritePrompt, mustExist, multiple, folder;
    };
    const Case cases[] = {
        {0x10, false, false, true, false, false}, // open: only an existing file
        {0x11, true, false, false, false, false}, // save: asks before overwriting
        {0x15, true, true, false, false, false},  // save without the question
        {0x14, false, false, false, false, false}, // open any name
        {0x18, false, false, true, true, false},
        {0x30, false, false, true, false, true},
    };
    for (const auto& c : cases) {
        FileLookup lookup;
        lookup.Init();
        lookup.FLAGS = c.flags;
        lookup.DEFAULTFILE = "form1.pdf";
        const FileDialogRequest r = lookup.Request();
        EXPECT_EQ(r.save, c.save) << int(c.flags);
        EXPECT_EQ(r.noOverwritePrompt, c.noOverwritePrompt) << int(c.flags);
        EXPECT_EQ(r.mustExist, c.mustExist) << int(c.flags);
        EXPECT_EQ(r.multiple, c.multiple) << int(c.flags);
        EXPECT_EQ(r.folder, c.folder) << int(c.flags);
        EXPECT_EQ(r.startName, "form1.pdf");
    }
}

TEST_F(FileLookupTest, AnsweredGivesTheFullPathAndKeepsTheWorkingDirectory)
{
    FileLookup lookup;
    lookup.Init();
    AssignCString(lookup.DEFAULTDIRECTORY, sizeof lookup.DEFAULTDIRECTORY, (root_ / "forms").string());
    user_.answers.push_back(std::string("form1.pdf")); // relative to the folder the dialog was in

    EXPECT_EQ(lookup.Ask(1), (root_ / "forms" / "form1.pdf").string());
    EXPECT_EQ(lookup.DIALOGCANCELLED, 0);
    ASSERT_EQ(user_.askedIn.size(), 1u);
    EXPECT_EQ(user_.askedIn[0], root_ / "forms"); // the dialog starts in the default folder
    EXPECT_EQ(fs::current_path(), root_);         // and the program's folder is back

    // Without keep-directory the program stays in the folder the dialog used.
    user_.answers.push_back((root_ / "forms" / "form1.pdf").string());
    lookup.Ask(0);
    EXPECT_EQ(fs::current_path(), root_ / "forms");
}

TEST_F(FileLookupTest, CancelledGivesBlankOrTheDefaultAndRestoresTheDirectory)
{
    for (std::uint8_t clear : {std::uint8_t{1}, std::uint8_t{0}}) {
        FileLookup lookup;
        lookup.Init();
        lookup.CLEARONCANCEL = clear;
        lookup.DEFAULTFILE = "C:\\Morvek20\\form1.pdf";
        AssignCString(lookup.DEFAULTDIRECTORY, sizeof lookup.DEFAULTDIRECTORY, (root_ / "forms").string());
        user_.answers.push_back(std::nullopt);
        EXPECT_EQ(lookup.Ask(1), clear ? "" : "C:\\Morvek20\\form1.pdf");
        EXPECT_EQ(lookup.DIALOGCANCELLED, 1);
        EXPECT_EQ(fs::current_path(), root_);
    }
}

TEST_F(FileLookupTest, AnAnswerTheDialogShouldHaveRefusedCountsAsCancelled)
{
    struct Case {
        std::uint8_t flags;
        std::string answer;
        bool accepted;
    };
    const Case cases[] = {
        {0x10, "forms/form1.pdf", true},
        {0x10, "forms/missing.pdf", false},  // open: the file must exist
        {0x14, "forms/missing.pdf", true},   // unless 4 is set
        {0x11, "forms/new.pdf", true},       // save: a new name in an existing folder
        {0x11, "nofolder/new.pdf", false},
        {0x30, "forms", true},
        {0x30, "forms/form1.pdf", false},    // a folder was asked for
    };
    for (const auto& c : cases) {
        FileLookup lookup;
        lookup.Init();
        lookup.FLAGS = c.flags;
        lookup.CLEARONCANCEL = 1;
        user_.answers.push_back(c.answer);
        const std::string got = lookup.Ask(1);
        EXPECT_EQ(lookup.DIALOGCANCELLED, c.accepted ? 0 : 1) << c.answer;
        EXPECT_EQ(got.empty(), !c.accepted) << c.answer;
    }
}

} // namespace
} // namespace quorin
