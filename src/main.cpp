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

    // The data dictionary's per-thread files and managers; `Main` joins the hooks when it lands.
    quorin::InstallDataDictionary(quorin::Hooks());

    // The viewer control is a registered component of the platform, so it starts before the
    // program's group; in that group the main module comes first.
    quorin::Module viewer{"viewer"};
    viewer.moduleInit = quorin::viewer::ViewerModuleInit;
    quorin::ModuleTable modules({quorin::pdfview::ViewerControlModule(), quorin::ProgramModule(), viewer});
    return modules.Run([] {
        quorin::RunProgram();
        return 0;
    });
}
