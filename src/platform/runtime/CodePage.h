#pragma once
// The platform's "ANSI code page" is UTF-8; the COM side speaks UTF-16.
#include <cstddef>
#include <string>
#include <string_view>

namespace quorin {

// Longest prefix of `text` of at most `maxBytes` bytes that does not end inside a UTF-8 sequence.
std::string_view Utf8Prefix(std::string_view text, std::size_t maxBytes);

// ANSI (UTF-8) to UTF-16. Malformed bytes become U+FFFD, so no input is lost silently.
std::u16string AnsiToWide(std::string_view text);

// UTF-16 to ANSI (UTF-8). An unpaired surrogate becomes U+FFFD.
std::string WideToAnsi(std::u16string_view text);

} // namespace quorin
