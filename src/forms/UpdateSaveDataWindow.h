#pragma once
// The record form's window manager: turns the browse's request (insert, change, delete, view) into
// the form's actions, title, read-only entries and the priming of a new record, and sets up the
// field history, the resizer and the window's place in the INI file.
#include <cstdint>

#include "forms/UpdateSaveData.h"
#include "platform/classlib/WindowManager.h"

namespace quorin::forms {

class UpdateSaveDataWindow : public WindowManager {
public:
    explicit UpdateSaveDataWindow(UpdateSaveDataContext& context) : context_(context) {}

    void ProcessEvents() override;
    Level Init() override;
    Level Kill() override;
    void PrimeFields() override;
    std::uint8_t Run() override;
    Level HandleAccepted() override;

private:
    Level UpdateSaveDataInitHook();
    // A view shows the record only: it never completes and closes without asking.
    bool ViewMode() const { return REQUEST == request::kView && BATCHPROCESSING == 0; }

    UpdateSaveDataContext& context_;
};

} // namespace quorin::forms
