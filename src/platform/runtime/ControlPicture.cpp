#include "platform/runtime/ControlPicture.h"

#include <cctype>
#include <charconv>

#include "platform/runtime/CodePage.h"
#include "platform/runtime/FixedText.h"
#include "platform/runtime/Picture.h"

namespace quorin {

namespace {

char PictureLetter(std::string_view picture)
{
    return picture.empty() ? '\0' : static_cast<char>(std::toupper(static_cast<unsigned char>(picture[0])));
}

int PictureNumber(std::string_view picture)
{
    int value = 0;
    std::size_t at = 1;
    while (at < picture.size() && !std::isdigit(static_cast<unsigned char>(picture[at])))
        ++at;
    std::from_chars(picture.data() + at, picture.data() + picture.size(), value);
    return value;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    return Clip(text);
}

std::string ShowNumber(char letter, std::int64_t value)
{
    // Dates and times in the locale's short formats.
    if (letter == 'D' || letter == 'T') {
        if (value < INT32_MIN || value > INT32_MAX)
            return {};
        const auto v = static_cast<std::int32_t>(value);
        return letter == 'D' ? FormatDate(v) : FormatTime(v);
    }
    return NumberToText(value);
}

std::optional<std::int64_t> TakeNumber(char letter, std::string_view text)
{
    if (letter == 'D' || letter == 'T') {
        const std::optional<std::int32_t> v = letter == 'D' ? ParseDate(text) : ParseTime(text);
        if (!v)
            return std::nullopt;
        return *v;
    }
    text = Trim(text);
    if (text.empty())
        return 0;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

int PictureMaxLength(std::string_view picture)
{
    return PictureLetter(picture) == 'S' ? PictureNumber(picture) : 0;
}

std::string ShowThroughPicture(std::string_view picture, const BoundVariable& variable)
{
    const char letter = PictureLetter(picture);
    if (letter == 'D' || letter == 'T')
        return ShowNumber(letter, variable.GetNumber());
    std::string text = variable.GetText();
    if (letter == 'S') {
        const int n = PictureNumber(picture);
        if (n > 0)
            text = std::string(Utf8Prefix(text, static_cast<std::size_t>(n)));
    }
    return text;
}

bool TakeThroughPicture(std::string_view picture, std::string_view text, const BoundVariable& variable)
{
    const char letter = PictureLetter(picture);
    if (letter == 'D' || letter == 'T') {
        const auto value = TakeNumber(letter, text);
        if (!value)
            return false;
        variable.SetNumber(*value);
        return true;
    }
    if (letter == 'S') {
        const int n = PictureNumber(picture);
        if (n > 0)
            text = Utf8Prefix(text, static_cast<std::size_t>(n));
    }
    if (variable.type() == BoundVariable::Type::Byte || variable.type() == BoundVariable::Type::Long) {
        const auto value = TakeNumber('N', text);
        if (!value)
            return false;
        variable.SetNumber(*value);
        return true;
    }
    variable.SetText(text);
    return true;
}

std::string ShowFieldThroughPicture(std::string_view picture, const RecordLayout& layout, const void* row,
                                    int field)
{
    if (row == nullptr || field < 1 || field > layout.FieldCount())
        return {};
    const FieldDesc& desc = layout.Field(field);
    const char letter = PictureLetter(picture);
    const bool number = desc.type == FieldType::Long || desc.type == FieldType::Short || desc.type == FieldType::Byte;
    if ((letter == 'D' || letter == 'T') && number)
        return ShowNumber(letter, layout.GetLong(row, field));
    std::string text = layout.FieldAsText(row, field);
    if (letter == 'S') {
        const int n = PictureNumber(picture);
        if (n > 0)
            text = std::string(Utf8Prefix(text, static_cast<std::size_t>(n)));
    }
    return text;
}

} // namespace quorin
