#pragma once
// Result codes of the viewer control. Every failure the control produces is one of these
// HRESULT-style codes (severity bit set, interface facility); its "own number" is the low byte,
// which GetTextFromResult hands back.
#include <cstdint>
#include <string>

namespace quorin::pdfview {

enum class ViewerError : std::int32_t {
  None = 0,
  FileNotFound = 1,      // the file does not exist or cannot be read
  NotAPdf = 2,           // the bytes are not a PDF file
  DamagedPdf = 3,        // a PDF that cannot be read to its end (truncated, broken cross-references)
  WrongPassword = 4,     // an encrypted PDF and a password that opens it neither as user nor owner
  UnknownDocument = 5,   // no open document has that id
  ScriptSyntax = 6,      // the script does not compile
  ScriptRuntime = 7,     // the script threw
  ScriptTimeout = 8,     // the script ran past the time limit
  ScriptMemory = 9,      // the script went over the memory cap
  SaveFailed = 10,       // the destination could not be written; it was left as it was
  UnknownProperty = 11,  // SetProperty with a name the control does not know
  BadFlags = 12,         // flags or options the call does not accept
  BadArgument = 13,      // a value of the wrong type or range, or a missing out-cell
  DestinationExists = 14 // save without the replace flag onto an existing file
};

inline constexpr std::uint32_t kViewerResultBase = 0x80040A00u;

constexpr std::int32_t ToResultCode(ViewerError e) {
  return e == ViewerError::None ? 0
                                : static_cast<std::int32_t>(kViewerResultBase | static_cast<std::uint32_t>(e));
}

// The control's own number for a code it produced (1..14), or 0 for any other code.
std::int32_t ViewerErrorNumber(std::int32_t resultCode);

// A fixed short text for the error kind; descriptions of single failures add the detail.
const char* ViewerErrorText(ViewerError e);

// An operation's outcome: the error kind and a description for the caller's error information.
struct ViewerStatus {
  ViewerError error = ViewerError::None;
  std::string description;

  bool ok() const { return error == ViewerError::None; }
  std::int32_t code() const { return ToResultCode(error); }
  static ViewerStatus Ok() { return {}; }
  static ViewerStatus Fail(ViewerError e, std::string text) { return {e, std::move(text)}; }
};

} // namespace quorin::pdfview
