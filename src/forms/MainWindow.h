#pragma once
// The window manager of the form-filling window "PDF Form Filling": sets the window up (files,
// browse, the hidden viewer, file dialogs, position), runs the record form for the browse, handles
// the window's own buttons ("Save &To Form" among them) and undoes the set-up at the end.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/classlib/WindowManager.h"

namespace quorin::forms {

struct MainContext;

class MainWindow : public WindowManager {
public:
    explicit MainWindow(MainContext& main) : main_(main) {}

    Level Init() override;
    Level Kill() override;
    std::uint8_t RunProcedure(std::int32_t procedure, std::uint8_t request) override;
    Level HandleAccepted() override; // MainWindowAccepted.cpp

private:
    Level SaveToForm(Level baseLevel);
    std::string ViewerDescription();
    void ReportViewerFailure(std::string_view what, std::string_view description);

    MainContext& main_;
};

// A local step of `MainWindow::Init`; does nothing.
Level MainInitHook();

} // namespace quorin::forms
