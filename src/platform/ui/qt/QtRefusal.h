#pragma once
// Telling the user that an entry's picture refused its text.
#include <QString>

class QWidget;

namespace quorin::ui {

// The system's beep, the entry's text selected, and a tooltip at the entry saying what it takes,
// once the focus has come back to it (a focus move hides a tooltip).
void TellRefusedEntry(QWidget* entry, const QString& what);

} // namespace quorin::ui
