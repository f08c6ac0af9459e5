#pragma once
// What the tests of the form-filling window share: a scratch working folder with drive C mapped
// into it, the scripted user, and the program run with `Main` as its body, its modules as the
// program's start lists them.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "forms/Main.h"
#include "forms/MainContext.h"
#include "forms/UpdateSaveData.h"
#include "frame/DataDictionary.h"
#include "frame/Program.h"
#include "platform/com/ErrorInfo.h"
#include "platform/runtime/Module.h"
#include "platform/runtime/Window.h"
#include "platform/ui/scripted/ScriptedUi.h"
#include "support/MessageTexts.h"
#include "support/ScratchFolder.h"
#include "viewer/ViewerModule.h"

namespace quorin::forms::testing {

namespace fs = std::filesystem;

class MainFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        scratch_.emplace("quorin-forms");
        dir_ = scratch_->path();
        drive_ = dir_ / "drive-c";
        fs::create_directories(drive_ / "Morvek20");
        if (const char* before = std::getenv("QUORIN_DRIVE_C")) {
            savedDrive_ = before;
        }
        ::setenv("QUORIN_DRIVE_C", drive_.c_str(), 1);
        com::SetErrorInfo(0, nullptr);
    }

    void TearDown() override
    {
        Hooks() = ProgramHooks{};
        com::SetErrorInfo(0, nullptr);
        if (savedDrive_) {
            ::setenv("QUORIN_DRIVE_C", savedDrive_->c_str(), 1);
        } else {
            ::unsetenv("QUORIN_DRIVE_C");
        }
        scratch_.reset();
    }

    // Runs the program: `before` inside the body, then `Main` `times` times; the global response
    // after each `Main` goes to responses_. The program's exit status.
    int RunMain(std::function<void()> before = {}, int times = 1)
    {
        InstallDataDictionary(Hooks());
        Hooks().main = [this, before, times] {
            if (before) {
                before();
            }
            for (int i = 0; i < times; ++i) {
                Main();
                responses_.push_back(*GlobalResponse);
            }
        };
        Module recordForm{"quorin20002"};
        recordForm.moduleInit = UpdateSaveDataModuleInit;
        Module viewerModule{"viewer"};
        viewerModule.moduleInit = viewer::ViewerModuleInit;
        ModuleTable table({ProgramModule(), MainWindowModule(), recordForm, viewerModule});
        return table.Run([] {
            RunProgram();
            return 0;
        });
    }

    // The master form's and the filled copy's places under drive C.
    fs::path MasterPath() const { return drive_ / "Morvek20" / "form1.pdf"; }
    fs::path FilledPath() const { return drive_ / "Morvek20" / "form1-filled.pdf"; }

    // A saved form record added through the thread's file manager (inside the program body).
    static void AddRecord(std::int32_t date, std::int32_t time, std::string_view account, std::string_view addlInfo)
    {
        char* record = PdfFormSaveData().Record();
        const RecordLayout& layout = PdfFormSaveDataLayout();
        layout.Clear(record);
        layout.SetLong(record, sav::kDate, date);
        layout.SetLong(record, sav::kTime, time);
        layout.SetText(record, sav::kAccount, account);
        layout.SetText(record, sav::kPassword, "pw-" + std::string(account));
        layout.SetText(record, sav::kEmail, std::string(account) + "@example.com");
        layout.SetText(record, sav::kAddlInfo, addlInfo);
        ASSERT_EQ(RelatePdfFormSaveData()->Open(0), 0);
        EXPECT_EQ(AccessPdfFormSaveData()->Insert(), 0);
        RelatePdfFormSaveData()->Close(0);
    }

    static Control& C(Window& w, int number) { return *w.control(number); }

    std::vector<std::string> Boxes() const { return quorin::testing::MessageTexts(ui_); }

    ScriptedUi ui_;
    ScopedUserInterface scoped_{ui_};
    std::vector<std::uint8_t> responses_;
    fs::path dir_;
    fs::path drive_;

private:
    std::optional<quorin::testing::ScratchFolder> scratch_;
    std::optional<std::string> savedDrive_;
};

} // namespace quorin::forms::testing
