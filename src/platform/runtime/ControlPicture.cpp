#include "platform/runtime/ControlPicture.h"

#include <charconv>

#include "platform/runtime/FixedText.h"
#include "platform/runtime/Picture.h"

namespace quorin {

namespace {

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    return Clip(text);
}

std::optional<std::int64_t> ParseNumber(std::string_view text)
{
    text = Trim(text);
    if (text.empty())
        return 0;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool IsNumber(BoundVariable::Type type) { return type == BoundVariable::Type::Byte || type == BoundVariable::Type::Long; }

std::string ShowNumber(const PictureSpec& spec, std::string_view picture, std::int64_t value)
{
    switch (spec.kind) {
    case PictureKind::Date: return FormatDate(static_cast<std::int32_t>(value), picture);
    case PictureKind::Time: return FormatTime(static_cast<std::int32_t>(value), picture);
    default: return NumberToText(value);
    }
}

} // namespace

int PictureMaxLength(std::string_view picture)
{
    const PictureSpec spec = ReadPicture(picture);
    return spec.kind == PictureKind::Text ? spec.number : 0;
}

std::string ShowThroughPicture(std::string_view picture, const BoundVariable& variable)
{
    const PictureSpec spec = ReadPicture(picture);
    if (spec.kind == PictureKind::Date || spec.kind == PictureKind::Time)
        return ShowNumber(spec, picture, variable.GetNumber());
    const std::string text = variable.GetText();
    return spec.kind == PictureKind::Text ? FormatText(text, picture) : text;
}

bool TakeThroughPicture(std::string_view picture, std::string_view text, const BoundVariable& variable)
{
    const PictureSpec spec = ReadPicture(picture);
    std::optional<std::int64_t> number;
    switch (spec.kind) {
    case PictureKind::Date:
        if (const auto day = ParseDate(text, picture))
            number = *day;
        break;
    case PictureKind::Time:
        if (const auto time = ParseTime(text, picture))
            number = *time;
        break;
    case PictureKind::Text: {
        const std::string cut = FormatText(text, picture);
        if (!IsNumber(variable.type())) {
            variable.SetText(cut);
            return true;
        }
        number = ParseNumber(cut);
        break;
    }
    default:
        if (!IsNumber(variable.type())) {
            variable.SetText(text);
            return true;
        }
        number = ParseNumber(text);
        break;
    }
    if (!number)
        return false;
    variable.SetNumber(*number);
    return true;
}

std::string ShowFieldThroughPicture(std::string_view picture, const RecordLayout& layout, const void* row,
                                    int field)
{
    if (row == nullptr || field < 1 || field > layout.FieldCount())
        return {};
    const FieldDesc& desc = layout.Field(field);
    const PictureSpec spec = ReadPicture(picture);
    const bool number = desc.type == FieldType::Long || desc.type == FieldType::Short || desc.type == FieldType::Byte;
    if ((spec.kind == PictureKind::Date || spec.kind == PictureKind::Time) && number)
        return ShowNumber(spec, picture, layout.GetLong(row, field));
    const std::string text = layout.FieldAsText(row, field);
    return spec.kind == PictureKind::Text ? FormatText(text, picture) : text;
}

} // namespace quorin
