#include "platform/runtime/BoundVariable.h"

#include <charconv>
#include <cstring>

#include "platform/runtime/FixedText.h"

namespace quorin {

namespace {

std::int64_t ParseDecimal(std::string_view text)
{
    text = Clip(text);
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    std::int64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

} // namespace

BoundVariable BoundVariable::Text(char* field, std::size_t width) { return {Type::Text, field, width}; }

BoundVariable BoundVariable::CString(char* buffer, std::size_t size) { return {Type::CString, buffer, size}; }

BoundVariable BoundVariable::Byte(std::uint8_t* value) { return {Type::Byte, value, 1}; }

BoundVariable BoundVariable::Long(std::int32_t* value) { return {Type::Long, value, 4}; }

BoundVariable BoundVariable::List(const quorin::Queue& queue)
{
    BoundVariable v;
    v.type_ = Type::Queue;
    v.queue_ = &queue;
    return v;
}

std::string BoundVariable::GetText() const
{
    switch (type_) {
    case Type::Text:
        return std::string(Clip({static_cast<const char*>(address_), size_}));
    case Type::CString: {
        const char* text = static_cast<const char*>(address_);
        return std::string(text, strnlen(text, size_));
    }
    case Type::Byte:
    case Type::Long:
        return NumberToText(GetNumber());
    default:
        return {};
    }
}

void BoundVariable::SetText(std::string_view text) const
{
    switch (type_) {
    case Type::Text:
        AssignText(static_cast<char*>(address_), size_, text);
        break;
    case Type::CString:
        AssignCString(static_cast<char*>(address_), size_, text);
        break;
    case Type::Byte:
    case Type::Long:
        SetNumber(ParseDecimal(text));
        break;
    default:
        break;
    }
}

std::int64_t BoundVariable::GetNumber() const
{
    switch (type_) {
    case Type::Byte:
        return *static_cast<const std::uint8_t*>(address_);
    case Type::Long: {
        std::int32_t value;
        std::memcpy(&value, address_, 4);
        return value;
    }
    case Type::Text:
    case Type::CString:
        return ParseDecimal(GetText());
    default:
        return 0;
    }
}

void BoundVariable::SetNumber(std::int64_t value) const
{
    switch (type_) {
    case Type::Byte:
        *static_cast<std::uint8_t*>(address_) = static_cast<std::uint8_t>(value);
        break;
    case Type::Long: {
        const auto v = static_cast<std::int32_t>(value);
        std::memcpy(address_, &v, 4);
        break;
    }
    case Type::Text:
    case Type::CString:
        SetText(NumberToText(value));
        break;
    default:
        break;
    }
}

} // namespace quorin
