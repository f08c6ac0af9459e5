#include "platform/com/Guid.h"

namespace quorin::com {
namespace {

int HexValue(char32_t c)
{
    if (c >= '0' && c <= '9') {
        return static_cast<int>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<int>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<int>(c - 'A' + 10);
    }
    return -1;
}

template <class Char>
std::optional<GUID> Parse(std::basic_string_view<Char> text)
{
    if (text.size() == 38) {
        if (text.front() != Char('{') || text.back() != Char('}')) {
            return std::nullopt;
        }
        text = text.substr(1, 36);
    }
    if (text.size() != 36) {
        return std::nullopt;
    }
    std::array<std::uint8_t, 16> bytes{};
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != Char('-')) {
                return std::nullopt;
            }
            continue;
        }
        const int high = HexValue(static_cast<char32_t>(text[i]));
        const int low = HexValue(static_cast<char32_t>(text[i + 1]));
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes[n++] = static_cast<std::uint8_t>(high * 16 + low);
        ++i;
    }
    GUID guid{};
    guid.Data1 = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) | bytes[3];
    guid.Data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
    guid.Data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
    for (std::size_t i = 0; i < 8; ++i) {
        guid.Data4[i] = bytes[8 + i];
    }
    return guid;
}

} // namespace

std::optional<GUID> ParseGuid(std::string_view text) { return Parse(text); }
std::optional<GUID> ParseGuid(std::u16string_view text) { return Parse(text); }

std::string FormatGuid(const GUID& guid)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out = "{";
    auto put = [&](std::uint64_t value, int digits) {
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
            out += kDigits[(value >> shift) & 0xF];
        }
    };
    put(guid.Data1, 8);
    out += '-';
    put(guid.Data2, 4);
    out += '-';
    put(guid.Data3, 4);
    out += '-';
    put(guid.Data4[0], 2);
    put(guid.Data4[1], 2);
    out += '-';
    for (std::size_t i = 2; i < 8; ++i) {
        put(guid.Data4[i], 2);
    }
    out += '}';
    return out;
}

std::u16string FormatGuidWide(const GUID& guid)
{
    const std::string text = FormatGuid(guid);
    return std::u16string(text.begin(), text.end());
}

GUID GuidFromText(std::string_view text) { return ParseGuid(text).value_or(GUID_NULL); }

} // namespace quorin::com
