#pragma once
// The record form of the saved form records: adds, changes or shows one record of
// `PdfFormSaveData`, or deletes the current one after a confirmation without opening its window.

namespace quorin {
class Toolbar;
class Window;
} // namespace quorin

namespace quorin::forms {

class UpdateSaveDataResizer;

// Control numbers of the form's window `P1$QUICKWINDOW`.
namespace quick {
inline constexpr int kCurrentTab = 1, kTab1 = 2, kDatePrompt = 3, kDate = 4, kTime = 6, kEmail = 8, kAccount = 10,
                     kPassword = 12, kFirstName = 14, kLastName = 16, kBirthDate = 18, kBooksChk = 20,
                     kMagazinesChk = 22, kTab2 = 23, kNewspapersChk = 25, kCountry = 27, kTab3 = 28, kAddlInfo = 30,
                     kOk = 31, kCancel = 32, kHelp = 33;
} // namespace quick

// Reads the request from the thread's global request; leaves 1 (completed) or 2 in its global response.
void UpdateSaveData();

// Start-up step of the record form's module: links the control kinds its window uses.
void UpdateSaveDataModuleInit();

// The thread's history record: the last record added or changed through the form on this thread,
// blanks and zeros before the first. It has the saved form record's layout.
char* UpdateSaveDataHistory();

// Where the form's window manager and resizer reach the locals of one call of `UpdateSaveData`.
struct UpdateSaveDataContext {
    Window* window = nullptr;
    Toolbar* toolbar = nullptr;
    UpdateSaveDataResizer* resizer = nullptr;
    char* actionMessage = nullptr; // the title for the request, zero-terminated in kActionMessageSize
    static constexpr int kActionMessageSize = 40;
};

} // namespace quorin::forms
