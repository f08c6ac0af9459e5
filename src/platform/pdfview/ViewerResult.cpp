#include "platform/pdfview/ViewerResult.h"

namespace quorin::pdfview {

std::int32_t ViewerErrorNumber(std::int32_t resultCode) {
  const auto bits = static_cast<std::uint32_t>(resultCode);
  if ((bits & 0xFFFFFF00u) != kViewerResultBase) {
    return 0;
  }
  const auto n = static_cast<std::int32_t>(bits & 0xFFu);
  return n >= 1 && n <= static_cast<std::int32_t>(ViewerError::DestinationExists) ? n : 0;
}

const char* ViewerErrorText(ViewerError e) {
  switch (e) {
  case ViewerError::None: return "No error";
  case ViewerError::FileNotFound: return "The file cannot be found or read";
  case ViewerError::NotAPdf: return "The file is not a PDF document";
  case ViewerError::DamagedPdf: return "The PDF document is damaged";
  case ViewerError::WrongPassword: return "The password is not correct";
  case ViewerError::UnknownDocument: return "No open document has this id";
  case ViewerError::ScriptSyntax: return "The script has a syntax error";
  case ViewerError::ScriptRuntime: return "The script failed";
  case ViewerError::ScriptTimeout: return "The script ran too long";
  case ViewerError::ScriptMemory: return "The script used too much memory";
  case ViewerError::SaveFailed: return "The document could not be saved";
  case ViewerError::UnknownProperty: return "Unknown property";
  case ViewerError::BadFlags: return "Flags or options not supported";
  case ViewerError::BadArgument: return "Invalid argument";
  case ViewerError::DestinationExists: return "The destination exists";
  }
  return "Unknown error";
}

} // namespace quorin::pdfview
