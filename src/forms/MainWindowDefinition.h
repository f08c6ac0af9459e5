#pragma once
// The window definition "P1$WINDOW" of the module "quorin20$quorin20001": the window
// "PDF Form Filling" of the procedure `Main`, and the numbers of its controls.
#include <string_view>

#include "platform/runtime/WindowDefinition.h"

namespace quorin::forms {

inline constexpr std::string_view kMainModule = "quorin20$quorin20001";
inline constexpr std::string_view kMainWindowName = "P1$WINDOW";

// Control numbers, in the order of the definition.
namespace mainctl {
inline constexpr int kPdfFileNamePrompt = 1; // ?PDFFILENAME:PROMPT
inline constexpr int kPdfMaster = 2;         // ?PDFMASTER
inline constexpr int kLookupFile = 3;        // ?LOOKUPFILE
inline constexpr int kList1 = 4;             // ?LIST1, the field list
inline constexpr int kPdfSaveAsPrompt = 5;   // ?PDFSAVEAS:PROMPT
inline constexpr int kPdfSaveAs = 6;         // ?PDFSAVEAS
inline constexpr int kLookupFile2 = 7;       // ?LOOKUPFILE:2
inline constexpr int kRegion1 = 8;           // ?REGION1
inline constexpr int kClose = 9;             // ?CLOSE
inline constexpr int kExportScript = 10;     // ?EXPORTSCRIPT
inline constexpr int kList = 11;             // ?LIST, the browse
inline constexpr int kInsert = 12;           // ?INSERT
inline constexpr int kChange = 13;           // ?CHANGE
inline constexpr int kDelete = 14;           // ?DELETE
inline constexpr int kSelect = 15;           // ?SELECT
inline constexpr int kToForm = 16;           // ?TOFORM
} // namespace mainctl

// Variables are bound by `NewWindow`: form name, field list, save-as name, export flag, browse queue.
WindowDefinition MainWindowDefinition();

} // namespace quorin::forms
