#include "frame/DataDictionary.h"
#include "frame/Program.h"
#include "platform/ui/scripted/ScriptedUi.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <unistd.h>

namespace quorin {
namespace {

namespace fs = std::filesystem;

bool AllManagers()
{
    return RelatePdfFormSaveData() && AccessPdfFormSaveData() && RelateJavaScriptFile() && AccessJavaScriptFile();
}
bool NoManagers()
{
    return !RelatePdfFormSaveData() && !AccessPdfFormSaveData() && !RelateJavaScriptFile() && !AccessJavaScriptFile();
}

// The program with the real data dictionary: where each thread's managers come and go.
TEST(ProgramDictionary, ManagersLiveFromTheBodyOnThreadOneAndFromFirstUseOnLaterThreads)
{
    const fs::path dir = fs::temp_directory_path() / ("quorin-progdict-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path saved = fs::current_path();
    fs::current_path(dir);
    ScriptedUi ui;
    ScopedUserInterface installed(ui);

    Hooks() = ProgramHooks{};
    InstallDataDictionary(Hooks());
    bool noneBeforeBody = false;
    bool allInMain = false;
    bool laterHadAll = false;
    bool blankName = false;
    bool clearedBuffer = false;
    Hooks().main = [&] {
        allInMain = AllManagers();
        blankName = GlobalScriptFileName().View() == std::string(260, ' ');
        const RecordLayout& layout = PdfFormSaveDataLayout();
        clearedBuffer = layout.IsZeroOrBlank(PdfFormSaveData().Record(), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13});
        std::thread([&] { laterHadAll = AllManagers(); }).join();
    };
    ModuleTable table({ProgramModule()});
    const int status = table.Run([&] {
        noneBeforeBody = NoManagers();
        RunProgram();
        EXPECT_TRUE(AllManagers()) << "the dictionary stays until the thread ends";
        return 0;
    });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(noneBeforeBody);
    EXPECT_TRUE(allInMain);
    EXPECT_TRUE(laterHadAll);
    EXPECT_TRUE(blankName);
    EXPECT_TRUE(clearedBuffer);
    EXPECT_EQ(ui.MessageCount(), 0u);

    Hooks() = ProgramHooks{};
    fs::current_path(saved);
    fs::remove_all(dir);
}

} // namespace
} // namespace quorin
