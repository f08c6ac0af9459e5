#include "platform/runtime/FixedText.h"

#include <cstring>

#include "platform/runtime/CodePage.h"

namespace quorin {

std::string_view Clip(std::string_view text)
{
    const auto end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
}

bool TextEquals(std::string_view a, std::string_view b) { return Clip(a) == Clip(b); }

void AssignText(char* field, std::size_t width, std::string_view text)
{
    const std::string_view kept = Utf8Prefix(text, width);
    std::memmove(field, kept.data(), kept.size());
    std::memset(field + kept.size(), ' ', width - kept.size());
}

void AssignCString(char* buffer, std::size_t size, std::string_view text)
{
    if (size == 0) {
        return;
    }
    const std::string_view kept = Utf8Prefix(text.substr(0, text.find('\0')), size - 1);
    std::memmove(buffer, kept.data(), kept.size());
    buffer[kept.size()] = '\0';
}

std::size_t CStringLength(const char* text) { return text == nullptr ? 0 : std::strlen(text); }

std::string NumberToText(std::int64_t value) { return std::to_string(value); }

} // namespace quorin
