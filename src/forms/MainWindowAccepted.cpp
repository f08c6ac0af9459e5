// The window's own buttons: the two file dialogs, "&Select to Form" and "Save &To Form".
#include <string>

#include "forms/BuildFillScript.h"
#include "forms/FillSampleFields.h"
#include "forms/MainContext.h"
#include "forms/MainViewer.h"
#include "forms/MainWindow.h"
#include "forms/MainWindowDefinition.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComStrings.h"
#include "platform/com/ErrorInfo.h"
#include "platform/runtime/UserInterface.h"
#include "platform/runtime/Window.h"

namespace quorin::forms {

namespace {

constexpr std::string_view kViewerError = "Viewer Error";

} // namespace

Level MainWindow::HandleAccepted()
{
    const Level level = WindowManager::HandleAccepted();
    switch (GetAcceptedControl()) {
    case mainctl::kLookupFile:
        UpdateComponents();
        main_.formName = main_.formNameLookup->Ask(1);
        DisplayControls(0, 0);
        SelectControl(mainctl::kPdfMaster, 0, 0);
        break;
    case mainctl::kLookupFile2:
        UpdateComponents();
        main_.saveAsName = main_.saveAsLookup->Ask(1);
        DisplayControls(0, 0);
        break;
    case mainctl::kSelect:
        UpdateComponents();
        DisplayControls(0, 0);
        break;
    case mainctl::kToForm:
        return SaveToForm(level);
    default:
        break;
    }
    return level;
}

// The "Save &To Form" request. The button stays disabled while the viewer works. A failed run or
// save is reported like a form that does not open: otherwise the window looks the same after a
// failed fill as after a good one and the user takes the copy for written.
Level MainWindow::SaveToForm(Level baseLevel)
{
    MainViewer& viewer = *main_.viewer;
    UpdateComponents();
    DisableControls(mainctl::kToForm, 0);
    DisplayControls(mainctl::kToForm, 0);
    FillSampleFields(main_);
    if (viewer.OpenDocumentFile(main_.formName.View(), "", main_.documentId, 0) == 0) {
        ShowMessage("Open document Failed|" + main_.formName.Str(), kViewerError);
        EnableControls(mainctl::kToForm, 0);
        DisplayControls(mainctl::kToForm, 0);
        return level::kNotify;
    }
    BuildFillScript(main_);
    main_.resultQueue->Free();
    com::SetErrorInfo(0, nullptr); // a description taken below belongs to this request's failure
    std::string failure;
    std::string description;
    if (viewer.RunScriptLines(main_.documentId, *main_.scriptQueue, *main_.resultQueue, 0) != 0) {
        if (viewer.SaveDocumentAs(main_.documentId, main_.saveAsName.View(), 1) == 0) {
            failure = "Save document Failed|";
            description = ViewerDescription();
        }
    } else {
        failure = "Run script Failed|";
        description = ViewerDescription();
    }
    viewer.CloseDocument(main_.documentId, 2);
    if (!failure.empty()) {
        ReportViewerFailure(failure, description);
    }
    EnableControls(mainctl::kToForm, 0);
    DisplayControls(mainctl::kToForm, 0);
    return baseLevel;
}

// What the viewer said about its latest failure, clipped; empty when it said nothing.
std::string MainWindow::ViewerDescription()
{
    com::BSTR text = nullptr;
    main_.viewer->GetErrorDescription(&text);
    std::string description(Clip(com::AnsiFromWide(text)));
    com::FreeBstr(text);
    return description;
}

void MainWindow::ReportViewerFailure(std::string_view what, std::string_view description)
{
    std::string text = std::string(what) + main_.saveAsName.Str();
    if (!description.empty()) {
        text += "|" + std::string(description);
    }
    ShowMessage(text, kViewerError);
}

} // namespace quorin::forms
