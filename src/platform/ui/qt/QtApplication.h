#pragma once
// The program's Qt start-up: the QApplication and the Qt backend installed as the process's user
// interface for as long as this object lives.
#include <memory>

#include "platform/runtime/UserInterface.h"
#include "platform/ui/qt/QtMapWatch.h"
#include "platform/ui/qt/QtUi.h"

class QApplication;

namespace quorin::ui {

class QtApplication {
public:
    QtApplication(int& argc, char** argv);
    ~QtApplication();
    QtApplication(const QtApplication&) = delete;
    QtApplication& operator=(const QtApplication&) = delete;

    QtUi& ui() { return ui_; }

private:
    std::unique_ptr<QApplication> app_;
    std::unique_ptr<MapWatch> mapWatch_;
    QtUi ui_;
    UserInterface* previous_ = nullptr;
};

} // namespace quorin::ui
