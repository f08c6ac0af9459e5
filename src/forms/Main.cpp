#include "forms/Main.h"

#include <memory>

#include "forms/BuildFillScript.h"
#include "forms/MainBrowse.h"
#include "forms/MainBrowseView.h"
#include "forms/MainContext.h"
#include "forms/MainViewer.h"
#include "forms/MainWindow.h"
#include "forms/MainWindowDefinition.h"
#include "frame/Program.h"
#include "platform/runtime/ControlKinds.h"

namespace quorin::forms {

void Main()
{
    if (BeginStaticInit(MainStaticInitGuard()) == 0) {
        MainViewUsed() = 1;
        EndStaticInit(MainStaticInitGuard());
    }

    auto context = std::make_unique<MainContext>();
    MainContext& m = *context;
    m.formName.Clear();
    m.saveAsName.Clear();
    m.fieldList.emplace(FieldListEntryLayout(), &m.fieldListRow);
    m.exportFlag = 0;
    m.scriptQueue.emplace(ScriptLineRowLayout(), &m.scriptRow);
    m.resultQueue.emplace(ScriptLineRowLayout(), &m.resultRow);
    m.loadfield.emplace();
    for (std::size_t n = 0; n < kLoadFieldLines; ++n) {
        (*m.loadfield)[n] = kLoadFieldText[n];
    }
    m.browseQueue.emplace(MainBrowseRowLayout(), &m.browseRow);

    m.window = NewWindow(kMainModule, kMainWindowName,
                         {BoundVariable::Of(m.formName), BoundVariable::Of(*m.fieldList),
                          BoundVariable::Of(m.saveAsName), BoundVariable::Of(m.exportFlag),
                          BoundVariable::Of(*m.browseQueue)});
    m.viewer = std::make_unique<MainViewer>(m);
    m.documentId = 0;
    m.windowManager = std::make_unique<MainWindow>(m);
    m.toolbar = Toolbar{};
    m.formNameLookup = std::make_unique<FileLookup>();
    m.saveAsLookup = std::make_unique<FileLookup>();
    m.browse = std::make_unique<MainBrowse>(m);
    m.browse->USEPOPUP = 1;
    m.browse->EDITVIAPOPUP = 1;
    m.browse->USEWAITCURSOR = 1;
    m.locator.emplace();

    *GlobalResponse = m.windowManager->Run();

    m.locator.reset();
    m.browse.reset();
    m.saveAsLookup.reset();
    m.formNameLookup.reset();
    m.windowManager.reset();
    m.viewer.reset();
    DisposeWindow(m.window);
    m.browseQueue->Kill();
    m.browseQueue.reset();
    m.loadfield.reset();
    m.resultQueue->Kill();
    m.resultQueue.reset();
    m.scriptQueue->Kill();
    m.scriptQueue.reset();
    m.fieldList->Kill();
    m.fieldList.reset();
    m.saveAsName.Clear();
    m.formName.Clear();
}

void MainWindowModuleInit()
{
    LinkRegionControlKind();
    LinkEntryControlKind();
    LinkButtonControlKind();
    LinkPromptControlKind();
    LinkCheckControlKind();
    LinkListControlKind();
}

void MainWindowModuleThreadTerm()
{
    if (MainViewUsed() != 0) {
        CloseView(MainBrowseView());
    }
}

Module MainWindowModule()
{
    Module module;
    module.name = "quorin20001";
    module.moduleInit = [] {
        RegisterWindowDefinition(MainWindowDefinition());
        MainWindowModuleInit();
    };
    module.threadTerm = MainWindowModuleThreadTerm;
    return module;
}

} // namespace quorin::forms
