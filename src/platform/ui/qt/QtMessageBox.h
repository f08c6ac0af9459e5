#pragma once
// Modal message boxes on Qt: the caption, the text with "|" as its line break, a system icon and
// the buttons of the request with its default.
#include <QString>
#include <string_view>

#include "platform/runtime/UserInterface.h"

class QWidget;

namespace quorin::ui {

// "|" becomes a line break; the bytes are UTF-8, the platform's ANSI code page.
QString BoxText(std::string_view text);

// Shows the box modally over `parent` (or the active window) and waits; returns the button chosen
// (a quorin::button value). Escape or the frame's close answers Cancel, No or OK, the first of
// them that the box has; else the default.
int ShowMessageBox(QWidget* parent, const MessageBoxRequest& request);

// Object name of the boxes this layer shows, so a test can tell them from other modal widgets.
inline constexpr const char* kMessageBoxObjectName = "quorinMessageBox";

} // namespace quorin::ui
