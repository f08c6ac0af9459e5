#include "forms/MainWindow.h"

#include <string>

#include "forms/MainBrowse.h"
#include "forms/MainBrowseView.h"
#include "forms/MainContext.h"
#include "forms/MainViewer.h"
#include "forms/MainWindowDefinition.h"
#include "forms/UpdateSaveData.h"
#include "frame/DataDictionary.h"
#include "frame/Program.h"
#include "platform/runtime/Control.h"

namespace quorin::forms {

namespace {

constexpr std::string_view kIniSection = "Main";

// A field of the calling thread's saved form record buffer.
char* SavField(int number)
{
    return PdfFormSaveData().Record() + PdfFormSaveDataLayout().Field(number).offset;
}

std::int32_t* SavLong(int number) { return reinterpret_cast<std::int32_t*>(SavField(number)); }

void InitPdfLookup(FileLookup& dialog, std::uint8_t saveFlag, std::string_view title)
{
    dialog.Init();
    dialog.CLEARONCANCEL = 1;
    dialog.FLAGS = dialog.FLAGS | lookup::kLongNames;
    if (saveFlag != 0) {
        dialog.FLAGS = dialog.FLAGS | saveFlag;
    }
    dialog.AddMask("PDF Files", "*.pdf");
    AssignCString(dialog.WINDOWTITLE, sizeof dialog.WINDOWTITLE, title);
}

} // namespace

Level MainInitHook() { return 0; }

Level MainWindow::Init()
{
    GlobalErrorManager().SetProcedureName("Main", 0);
    REQUEST = *GlobalRequest;
    const Level level = WindowManager::Init();
    if (level != 0) {
        return level;
    }
    FIRSTFIELD = mainctl::kPdfFileNamePrompt;
    VCRREQUEST = &*GlobalVcrRequest;
    ERRORS = &GlobalErrorManager();
    *GlobalRequest = 0;
    *GlobalResponse = 0;
    SetToolbar(main_.toolbar);
    AddCloseButton(mainctl::kClose, REQUEST == request::kSelect ? response::kCancelled : response::kCompleted);
    RelatePdfFormSaveData()->Open(0);
    FILESOPENED = 1;
    main_.browse->Init(mainctl::kList, main_.browseRow.VIEWPOSITION.Data(), decltype(MainBrowseRow::VIEWPOSITION)::kWidth,
                       MainBrowseView(), *main_.browseQueue, *RelatePdfFormSaveData(), *this);
    Open(*main_.window);
    main_.formName = "C:\\Morvek20\\form1.pdf";
    main_.saveAsName = "C:\\Morvek20\\form1-filled.pdf";
    DisplayControls(0, 0);
    MainInitHook();
    main_.viewer->InitInRegion(mainctl::kRegion1, nullptr);
    if (const std::int32_t host = main_.viewer->GetOleControl(); host != 0) {
        SetControlPropertyText(host, 0, nullptr, std::to_string(prop::kHide), "1");
    }
    main_.viewer->SetFlagProperty("Documents.UseStreamsDirectly", 0);
    main_.browse->Q = &*main_.browseQueue;
    main_.browse->AddSortOrder(0, SavByDateTime());
    main_.browse->AddLocator(*main_.locator);
    {
        const BoundVariable located = BoundVariable::Long(SavLong(sav::kDate));
        main_.locator->Init(0, located, 1, *main_.browse);
    }
    main_.browse->AddLongField(SavLong(sav::kDate), &main_.browseRow.SAVDATE);
    main_.browse->AddLongField(SavLong(sav::kTime), &main_.browseRow.SAVTIME);
    main_.browse->AddStringField(20, SavField(sav::kAccount), 20, main_.browseRow.SAVACCOUNT.Data());
    main_.browse->AddStringField(20, SavField(sav::kPassword), 20, main_.browseRow.SAVPASSWORD.Data());
    main_.browse->AddStringField(256, SavField(sav::kEmail), 256, main_.browseRow.SAVEMAIL.Data());
    main_.browse->AddStringField(1024, SavField(sav::kAddlInfo), 1024, main_.browseRow.SAVADDLINFO.Data());
    GlobalIniManager().RestoreWindow(kIniSection, *main_.window);
    InitPdfLookup(*main_.formNameLookup, 0, "Select PDF Form to extract...");
    InitPdfLookup(*main_.saveAsLookup, lookup::kSave, "Select Save As PDF File Name");
    main_.browse->ASKPROCEDURE = 1;
    main_.browse->AddToolbarTarget(main_.toolbar);
    SetAlertKeys();
    return level;
}

Level MainWindow::Kill()
{
    main_.viewer->Kill();
    if (const Level level = WindowManager::Kill(); level != 0) {
        return level;
    }
    if (FILESOPENED != 0) {
        RelatePdfFormSaveData()->Close(0);
    }
    if (OPENED != 0) {
        GlobalIniManager().SaveWindow(kIniSection, *main_.window);
    }
    GlobalErrorManager().SetProcedureName("", 1);
    return 0;
}

std::uint8_t MainWindow::RunProcedure(std::int32_t procedure, std::uint8_t request)
{
    WindowManager::RunProcedure(procedure, request);
    if (REQUEST == request::kView) {
        return response::kCancelled;
    }
    *GlobalRequest = request;
    UpdateSaveData();
    return *GlobalResponse;
}

} // namespace quorin::forms
