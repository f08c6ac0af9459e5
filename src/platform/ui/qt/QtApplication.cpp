#include "platform/ui/qt/QtApplication.h"

#include <QApplication>

namespace quorin::ui {

QtApplication::QtApplication(int& argc, char** argv)
    : app_(std::make_unique<QApplication>(argc, argv)), mapWatch_(std::make_unique<MapWatch>())
{
    // Windows close through the model's close event, never because the last one went away.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("quorin20"));
    previous_ = InstallUserInterface(&ui_);
}

QtApplication::~QtApplication()
{
    InstallUserInterface(previous_);
    // Deferred deletions of closed windows run before the application goes.
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace quorin::ui
