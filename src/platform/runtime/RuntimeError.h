#pragma once
// The runtime's error code: operations set it and return; callers look where they need to.
#include <string_view>

namespace quorin {

enum RuntimeErrorCode : int {
    kNoError = 0,
    kFileNotFound = 2,
    kPathNotFound = 3,
    kAccessDenied = 5,
    kInsufficientMemory = 8,
    kEntryNotFound = 30,
    kFileLocked = 32,          // another user holds the file's lock beyond the wait
    kRecordNotAvailable = 33,  // no current record, or read past either end of the file
    kRecordChanged = 34,       // the stored record is no longer the one read: another user changed or deleted it
    kRecordNotFound = 35,      // no record with the key values asked for
    kFileNotOpen = 37,
    kCreatesDuplicateKey = 40,
    kInvalidFilename = 45,
    kKeyFileMustBeRebuilt = 46,
    kInvalidRecordDeclaration = 47,
    kFileSystemError = 90,     // the storage failed (disk full, I/O error, damaged file)
    kRecursiveStaticInit = 411,
    kSystemIsModal = 541,
};

// Per thread, as each thread runs its own operations.
int RuntimeError();
void SetRuntimeError(int code);
void ClearRuntimeError();

// The code for a failed file operation's errno: a missing file or folder, no access, a bad name,
// no memory; anything else is a failure of the storage.
int RuntimeErrorFromErrno(int err);

// The runtime's text for a code ("File Not Found", ...); a generic text for unlisted codes.
std::string_view RuntimeErrorText(int code);

} // namespace quorin
