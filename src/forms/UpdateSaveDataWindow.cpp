#include "forms/UpdateSaveDataWindow.h"

#include <string>

#include "forms/UpdateSaveDataResizer.h"
#include "frame/DataDictionary.h"
#include "frame/Program.h"
#include "platform/runtime/Control.h"
#include "platform/runtime/Date.h"
#include "platform/runtime/Event.h"
#include "platform/runtime/FixedText.h"
#include "platform/runtime/Window.h"

namespace quorin::forms {

namespace {

constexpr const char* kProcedure = "UpdateSaveData";
constexpr int kHistoryKey = keys::kCtrl + 'H'; // 0x248

// The field history: each control with its field's position in the record.
struct HistoryPair {
    int control;
    int field;
};
constexpr HistoryPair kHistory[] = {
    {quick::kDate, sav::kDate},
    {quick::kTime, sav::kTime},
    {quick::kEmail, sav::kEmail},
    {quick::kAccount, sav::kAccount},
    {quick::kPassword, sav::kPassword},
    {quick::kFirstName, sav::kFirstName},
    {quick::kLastName, sav::kLastName},
    {quick::kBirthDate, sav::kBirthDate},
    {quick::kBooksChk, sav::kBooksChk},
    {quick::kMagazinesChk, sav::kMagazinesChk},
    {quick::kNewspapersChk, sav::kNewspapersChk},
    {quick::kCountry, sav::kCountry},
    {quick::kAddlInfo, sav::kAddlInfo},
};

// Every entry; the multi-line text stays editable in a view.
constexpr int kViewReadOnly[] = {quick::kDate,      quick::kTime,     quick::kEmail,     quick::kAccount,
                                 quick::kPassword,  quick::kFirstName, quick::kLastName, quick::kBirthDate,
                                 quick::kBooksChk,  quick::kMagazinesChk, quick::kNewspapersChk, quick::kCountry};

std::string PropertyNumber(int property) { return std::to_string(property); }

} // namespace

Level UpdateSaveDataWindow::Init()
{
    GlobalErrorManager().SetProcedureName(kProcedure, 0);
    REQUEST = *GlobalRequest;
    WindowManager::Init();
    FIRSTFIELD = quick::kDatePrompt;
    VCRREQUEST = &*GlobalVcrRequest;
    ERRORS = &GlobalErrorManager();
    *GlobalRequest = 0;
    *GlobalResponse = 0;
    SetToolbar(*context_.toolbar);
    HISTORYKEY = kHistoryKey;
    FileDeclaration& file = PdfFormSaveData();
    SetHistoryRecords(file.Record(), PdfFormSaveDataLayout(), file.RecordSize(), UpdateSaveDataHistory(),
                      PdfFormSaveDataLayout(), PdfFormSaveDataLayout().Size());
    for (const HistoryPair& pair : kHistory) {
        AddHistoryField(pair.control, pair.field);
    }
    AddFile(*AccessPdfFormSaveData());
    AddCloseButton(quick::kCancel, response::kCancelled);
    RelatePdfFormSaveData()->Open(0); // unchecked: a file that can be neither opened nor created ends the program
    FILESOPENED = 1;
    PRIMARY = RelatePdfFormSaveData();
    if (ViewMode()) {
        INSERTACTION = 1;
        DELETEACTION = 1;
        CHANGEACTION = 1;
        CANCELACTION = 0;
        OKCONTROL = 0;
    } else {
        CHANGEACTION = 2;
        CANCELACTION = 2;
        OKCONTROL = quick::kOk;
        if (PrimeUpdate() != 0) {
            return level::kNotify;
        }
    }
    Open(*context_.window);
    UpdateSaveDataInitHook();
    if (REQUEST == request::kView) {
        for (const int control : kViewReadOnly) {
            SetControlPropertyText(control, 0, nullptr, PropertyNumber(prop::kReadOnly), "1");
        }
    }
    context_.resizer->Init(resize::kProportional, 1, 0);
    SetResizer(*context_.resizer);
    GlobalIniManager().RestoreWindow(kProcedure, *context_.window);
    context_.resizer->Resize();
    SetAlertKeys();
    return 0;
}

void UpdateSaveDataWindow::ProcessEvents()
{
    const char* title = "";
    switch (REQUEST) {
    case request::kView: title = "View Record"; break;
    case request::kInsert: title = "Record Will Be Added"; break;
    case request::kChange: title = "Record Will Be Changed"; break;
    default: break;
    }
    AssignCString(context_.actionMessage, UpdateSaveDataContext::kActionMessageSize, title);
    SetControlProperty(0, BoundVariable::CString(context_.actionMessage, UpdateSaveDataContext::kActionMessageSize),
                       0, context_.window, PropertyNumber(prop::kText));
    WindowManager::ProcessEvents();
}

void UpdateSaveDataWindow::PrimeFields()
{
    char* record = PdfFormSaveData().Record();
    PdfFormSaveDataLayout().SetLong(record, sav::kDate, GetTodayDate());
    PdfFormSaveDataLayout().SetLong(record, sav::kTime, GetClockTime());
    WindowManager::PrimeFields();
}

Level UpdateSaveDataWindow::HandleAccepted()
{
    const Level level = WindowManager::HandleAccepted();
    if (GetAcceptedControl() == quick::kOk) {
        UpdateComponents();
        if (ViewMode()) {
            PostEvent(EventCode::CloseWindow, 0, 0);
        }
    }
    return level;
}

std::uint8_t UpdateSaveDataWindow::Run()
{
    const std::uint8_t result = WindowManager::Run();
    return REQUEST == request::kView ? response::kCancelled : result;
}

Level UpdateSaveDataWindow::Kill()
{
    if (const Level level = WindowManager::Kill(); level != 0) {
        return level;
    }
    if (FILESOPENED != 0) {
        RelatePdfFormSaveData()->Close(0);
    }
    if (OPENED != 0) {
        GlobalIniManager().SaveWindow(kProcedure, *context_.window);
    }
    GlobalErrorManager().SetProcedureName("", 1);
    return 0;
}

Level UpdateSaveDataWindow::UpdateSaveDataInitHook() { return 0; }

} // namespace quorin::forms
