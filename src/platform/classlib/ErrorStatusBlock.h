#pragma once
// The error manager's per-thread status: what the current message is about and the saved error codes.
#include "platform/runtime/FixedText.h"

#include <cstdint>
#include <string>

namespace quorin {

struct ErrorBuffer {
    std::int32_t id = 0;
    std::string message; // the text as shown, placeholders substituted
    std::string title;
    std::int32_t fatality = 0; // the message's level
    std::int32_t category = 0;
    std::int32_t prevErrorId = 0;
};

// Constructed with texts blank and numbers 0.
struct ErrorStatusBlock {
    FixedText<1024> fieldName;
    FixedText<1024> fileName;
    FixedText<1024> keyName;
    FixedText<1024> messageText;
    FixedText<1024> saveError;      // the runtime's error text at `SetErrors`
    std::int32_t saveErrorCode = 0; // the runtime's error code at `SetErrors`
    FixedText<1024> saveFileError;
    std::int32_t saveFileErrorCode = 0;
    ErrorBuffer errorBuffer;
};

} // namespace quorin
