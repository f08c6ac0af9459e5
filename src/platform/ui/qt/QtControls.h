#pragma once
// The control widgets of a window: made from the model, their signals and events reported back.
#include <QIcon>
#include <string>

#include "platform/runtime/Window.h"
#include "platform/ui/qt/QtWindowWidget.h"

namespace quorin::ui {

// The filter that watches a window's control widgets; made with the window's widget.
void InstallControlFilter(WindowWidget* ww);
QObject* FilterOf(WindowWidget* ww);
void Watch(WindowWidget* ww, QWidget* widget, int number);
QIcon ButtonIcon(const std::string& name);
QWidget* MakeWidget(WindowWidget* ww, const Window& window, Control& c);

} // namespace quorin::ui
