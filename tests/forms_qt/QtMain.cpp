// The Qt tests' own main: the offscreen platform unless a display is asked for, one QApplication,
// and the watchdog that ends a hung run.
#include "platform/ui/qt/QtTestMain.cpp"
