#include "platform/runtime/RuntimeError.h"

#include <cerrno>

namespace quorin {

namespace {
thread_local int t_error = 0;
} // namespace

int RuntimeError() { return t_error; }
void SetRuntimeError(int code) { t_error = code; }
void ClearRuntimeError() { t_error = 0; }

int RuntimeErrorFromErrno(int err)
{
    switch (err) {
    case ENOENT: return kFileNotFound;
    case ENOTDIR: return kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return kAccessDenied;
    case ENAMETOOLONG: return kInvalidFilename;
    case ENOMEM: return kInsufficientMemory;
    default: return kFileSystemError;
    }
}

std::string_view RuntimeErrorText(int code)
{
    switch (code) {
    case kNoError: return "";
    case kFileNotFound: return "File Not Found";
    case kPathNotFound: return "Path Not Found";
    case kAccessDenied: return "Access Denied";
    case kInsufficientMemory: return "Insufficient Memory";
    case kEntryNotFound: return "Entry Not Found";
    case kFileLocked: return "File Is Already Locked";
    case kRecordNotAvailable: return "Record Not Available";
    case kRecordChanged: return "Record Changed Since It Was Read";
    case kRecordNotFound: return "Record Not Found";
    case kFileNotOpen: return "File Not Open";
    case kCreatesDuplicateKey: return "Creates Duplicate Key";
    case kInvalidFilename: return "Invalid Filename";
    case kKeyFileMustBeRebuilt: return "Key File Must Be Rebuilt";
    case kInvalidRecordDeclaration: return "Invalid Record Declaration";
    case kFileSystemError: return "File System Error";
    case kRecursiveStaticInit: return "Recursive call into initialization of static data";
    case kSystemIsModal: return "Unable to create control (system is MODAL)";
    default: return "Unknown Error";
    }
}

} // namespace quorin
