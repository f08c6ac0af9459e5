// The data dictionary inside the running program: built by the body on the first thread and by the
// per-thread start-up on any other, torn down at each thread's end.
#include "frame/DataDictionary.h"
#include "frame/Program.h"
#include "platform/ui/scripted/ScriptedUi.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

namespace quorin {
namespace {

namespace fs = std::filesystem;

TEST(DictionaryProgramTest, EveryThreadBuildsAndTearsDownItsOwnDictionary)
{
    std::string templ = (fs::temp_directory_path() / "quorin-dictprog-XXXXXX").string();
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    const fs::path saved = fs::current_path();
    fs::current_path(templ);
    ScriptedUi ui;
    ScopedUserInterface installed(ui);
    InstallDataDictionary(Hooks());

    bool ready = false, laterOwn = false, laterGone = false;
    Hooks().main = [&] {
        ready = RelatePdfFormSaveData() != nullptr && RelateJavaScriptFile() != nullptr &&
                AccessPdfFormSaveData() != nullptr && AccessJavaScriptFile() != nullptr &&
                AccessPdfFormSaveData()->ERRORS == &GlobalErrorManager() && GlobalScriptFileName().IsBlank() &&
                PdfFormSaveDataLayout().IsZeroOrBlank(PdfFormSaveData().Record(), {1, 2, 3, 13});
        ASSERT_EQ(RelatePdfFormSaveData()->Open(0), 0);
        PdfFormSaveDataLayout().SetLong(PdfFormSaveData().Record(), sav::kDate, 80000);
        PdfFormSaveDataLayout().SetLong(PdfFormSaveData().Record(), sav::kTime, 1);
        EXPECT_EQ(AccessPdfFormSaveData()->Insert(), 0);
        const FileManager* mine = AccessPdfFormSaveData();
        const char* myBuffer = PdfFormSaveData().Record();
        std::thread([&] {
            (void)*GlobalRequest; // the first use of a per-thread variable runs the thread's start-up
            laterOwn = AccessPdfFormSaveData() != nullptr && AccessPdfFormSaveData() != mine &&
                       PdfFormSaveData().Record() != myBuffer &&
                       PdfFormSaveDataLayout().GetLong(PdfFormSaveData().Record(), sav::kDate) == 0;
        }).join();
        laterGone = AccessPdfFormSaveData() == mine; // the other thread's end left this one alone
        RelatePdfFormSaveData()->Close(0);
    };
    ModuleTable table({ProgramModule()});
    EXPECT_EQ(table.Run([] {
        RunProgram();
        return 0;
    }), 0);
    Hooks() = ProgramHooks{};

    EXPECT_TRUE(ready);
    EXPECT_TRUE(laterOwn);
    EXPECT_TRUE(laterGone);
    EXPECT_TRUE(fs::exists("form1.tps"));
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(RelatePdfFormSaveData(), nullptr);
    EXPECT_EQ(AccessPdfFormSaveData(), nullptr);
    EXPECT_TRUE(FileManager::ThreadFileManagers().empty());
    fs::current_path(saved);
    fs::remove_all(templ);
}

} // namespace
} // namespace quorin
