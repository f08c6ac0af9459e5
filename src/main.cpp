#include "platform/ui/qt/QtApplication.h"

int main(int argc, char** argv)
{
    // The desktop backend shows every window, box and dialog of the program.
    quorin::ui::QtApplication qt(argc, argv);
    return 0;
}
