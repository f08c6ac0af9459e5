#include "forms/Main.h"
#include "forms/UpdateSaveData.h"
#include "frame/DataDictionary.h"
#include "frame/Program.h"
#include "platform/pdfview/PdfViewControl.h"
#include "platform/runtime/Module.h"
#include "platform/ui/qt/QtApplication.h"
#include "viewer/ViewerModule.h"

int main(int argc, char** argv)
{
    // The desktop backend shows every window, box and dialog of the program.
    quorin::ui::QtApplication qt(argc, argv);

    // The data dictionary's per-thread files and managers, and the window the body runs.
    quorin::InstallDataDictionary(quorin::Hooks());
    quorin::Hooks().main = quorin::forms::Main;

    // The viewer control is a registered component of the platform, so it starts before the
    // program's group; in that group the main module comes first, then the two windows' modules.
    quorin::Module recordForm{"quorin20002"};
    recordForm.moduleInit = quorin::forms::UpdateSaveDataModuleInit;
    quorin::Module viewer{"viewer"};
    viewer.moduleInit = quorin::viewer::ViewerModuleInit;
    quorin::ModuleTable modules({quorin::pdfview::ViewerControlModule(), quorin::ProgramModule(),
                                 quorin::forms::MainWindowModule(), recordForm, viewer});
    return modules.Run([] {
        quorin::RunProgram();
        return 0;
    });
}
