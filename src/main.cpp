#include "frame/DataDictionary.h"
#include "frame/DataDictionary.h"
#include "frame/Program.h"
#include "platform/runtime/Module.h"
#include "platform/ui/qt/QtApplication.h"

int main(int argc, char** argv)
{
    // The desktop backend shows every window, box and dialog of the program.
    quorin::ui::QtApplication qt(argc, argv);

    // The data dictionary's per-thread files and managers; `Main` joins the hooks when it lands.
    quorin::InstallDataDictionary(quorin::Hooks());
    quorin::InstallDataDictionary(quorin::Hooks());

    // The program's modules in start-up order; the main module comes first.
    quorin::ModuleTable modules({quorin::ProgramModule()});
    return modules.Run([] {
        quorin::RunProgram();
        return 0;
    });
}
