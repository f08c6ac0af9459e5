#pragma once
// The file dialogs of this layer: always Qt's own dialog (a native one cannot be driven by tests
// and differs between desktops), an open dialog for an existing file or a save dialog that asks
// before it overwrites.
#include <QStringList>
#include <optional>
#include <string>
#include <string_view>

#include "platform/runtime/UserInterface.h"

class QWidget;

namespace quorin::ui {


// Qt name filters of a mask string; "*.*" means every file. An empty mask string gives "All Files".
QStringList NameFilters(std::string_view masks);

// Object name of the dialogs this layer shows, so a test can find them.
inline constexpr const char* kFileDialogObjectName = "quorinFileDialog";

// Runs the dialog modally; the chosen name as a native absolute path (UTF-8), several joined by
// "|"; nothing when cancelled.
std::optional<std::string> AskFileName(QWidget* parent, const FileDialogRequest& request);

} // namespace quorin::ui
