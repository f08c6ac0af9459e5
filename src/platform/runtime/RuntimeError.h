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
    kCreatesDuplicateKey = 40,
    kInvalidFilename = 45,
    kKeyFileMustBeRebuilt = 46,
    kInvalidRecordDeclaration = 47,
    kRecursiveStaticInit = 411,
    kSystemIsModal = 541,
};

// Per thread, as each thread runs its own operations.
int RuntimeError();
void SetRuntimeError(int code);
void ClearRuntimeError();

// The runtime's text for a code ("File Not Found", ...); a generic text for unlisted codes.
std::string_view RuntimeErrorText(int code);

} // namespace quorin
