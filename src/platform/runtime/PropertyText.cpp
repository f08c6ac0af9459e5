#include "platform/runtime/PropertyText.h"

#include <charconv>

namespace quorin::prop {

bool ParseInt(std::string_view text, int& value)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end != text.data();
}

bool Truthy(std::string_view text)
{
    int value = 0;
    return ParseInt(text, value) && value != 0;
}

} // namespace quorin::prop
