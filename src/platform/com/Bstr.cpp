#include "platform/com/Bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/runtime/CodePage.h"

namespace quorin::com {
namespace {

constexpr std::size_t kPrefix = sizeof(std::uint32_t);

std::byte* Base(BSTR text) { return reinterpret_cast<std::byte*>(text) - kPrefix; }

} // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT length)
{
    if (length > (std::numeric_limits<std::uint32_t>::max() - kPrefix) / sizeof(OLECHAR) - 1) {
        return nullptr;
    }
    const std::size_t bytes = std::size_t{length} * sizeof(OLECHAR);
    auto* base = static_cast<std::byte*>(std::malloc(kPrefix + bytes + sizeof(OLECHAR)));
    if (base == nullptr) {
        return nullptr;
    }
    const std::uint32_t prefix = static_cast<std::uint32_t>(bytes);
    std::memcpy(base, &prefix, kPrefix);
    auto* chars = reinterpret_cast<OLECHAR*>(base + kPrefix);
    if (text != nullptr) {
        std::memcpy(chars, text, bytes);
    } else {
        std::memset(chars, 0, bytes);
    }
    chars[length] = 0;
    return chars;
}

BSTR SysAllocString(const OLECHAR* text) { return SysAllocStringLen(text, WideLength(text)); }

UINT SysStringByteLen(BSTR text)
{
    if (text == nullptr) {
        return 0;
    }
    std::uint32_t prefix = 0;
    std::memcpy(&prefix, Base(text), kPrefix);
    return prefix;
}

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }

void SysFreeString(BSTR text)
{
    if (text != nullptr) {
        std::free(Base(text));
    }
}

UINT WideLength(const OLECHAR* text)
{
    if (text == nullptr) {
        return 0;
    }
    UINT n = 0;
    while (text[n] != 0) {
        ++n;
    }
    return n;
}

BSTR BstrFromAnsi(std::string_view text)
{
    const std::u16string wide = AnsiToWide(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string AnsiFromWide(const OLECHAR* text)
{
    return WideToAnsi(std::u16string_view(text == nullptr ? u"" : text, WideLength(text)));
}

std::u16string_view BstrView(BSTR text)
{
    if (text == nullptr) {
        return {};
    }
    return {text, SysStringLen(text)};
}

} // namespace quorin::com
