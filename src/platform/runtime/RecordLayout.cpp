#include "platform/runtime/RecordLayout.h"

#include <cstring>
#include <stdexcept>

#include "platform/runtime/FixedText.h"

namespace quorin {

namespace {

std::size_t NaturalSize(FieldType type)
{
    switch (type) {
    case FieldType::Long: return 4;
    case FieldType::Short: return 2;
    case FieldType::Byte: return 1;
    default: return 0;
    }
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if ((ca >= 'a' && ca <= 'z' ? ca - 32 : ca) != (cb >= 'a' && cb <= 'z' ? cb - 32 : cb)) {
            return false;
        }
    }
    return true;
}

char TypeLetter(FieldType type)
{
    switch (type) {
    case FieldType::Long: return 'L';
    case FieldType::Short: return 'S';
    case FieldType::Byte: return 'B';
    case FieldType::Text: return 'T';
    case FieldType::CString: return 'C';
    }
    return '?';
}

} // namespace

RecordLayout::RecordLayout(std::string name, std::initializer_list<FieldSpec> fields) : name_(std::move(name))
{
    for (const auto& f : fields) {
        Add(f);
    }
}

RecordLayout::RecordLayout(std::string name, const std::vector<FieldSpec>& fields) : name_(std::move(name))
{
    for (const auto& f : fields) {
        Add(f);
    }
}

void RecordLayout::Add(const FieldSpec& spec)
{
    const std::size_t size = NaturalSize(spec.type) != 0 ? NaturalSize(spec.type) : spec.size;
    if (size == 0) {
        throw std::invalid_argument("record field without a size: " + spec.name);
    }
    fields_.push_back({spec.name, spec.type, size_, size, static_cast<int>(fields_.size()) + 1});
    size_ += size;
}

const FieldDesc& RecordLayout::Field(int number) const
{
    if (number < 1 || number > FieldCount()) {
        throw std::out_of_range("no field " + std::to_string(number) + " in " + name_);
    }
    return fields_[static_cast<std::size_t>(number - 1)];
}

int RecordLayout::Find(std::string_view name) const
{
    for (const auto& f : fields_) {
        if (EqualsNoCase(f.name, name)) {
            return f.number;
        }
    }
    return 0;
}

void RecordLayout::Clear(void* record) const
{
    for (const auto& f : fields_) {
        ClearField(record, f.number);
    }
}

void RecordLayout::ClearField(void* record, int number) const
{
    const FieldDesc& f = Field(number);
    auto* p = static_cast<char*>(record) + f.offset;
    std::memset(p, f.type == FieldType::Text ? ' ' : 0, f.size);
}

bool RecordLayout::IsZeroOrBlank(const void* record, const std::vector<int>& numbers) const
{
    for (int n : numbers) {
        const FieldDesc& f = Field(n);
        if (f.type == FieldType::Text) {
            if (!Clip(GetText(record, n)).empty()) {
                return false;
            }
        } else if (f.type == FieldType::CString) {
            if (static_cast<const char*>(record)[f.offset] != '\0') {
                return false;
            }
        } else if (GetLong(record, n) != 0) {
            return false;
        }
    }
    return true;
}

std::int32_t RecordLayout::GetLong(const void* record, int number) const
{
    const FieldDesc& f = Field(number);
    const auto* p = static_cast<const unsigned char*>(record) + f.offset;
    switch (f.type) {
    case FieldType::Long:
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                         static_cast<std::uint32_t>(p[2]) << 16 |
                                         static_cast<std::uint32_t>(p[3]) << 24);
    case FieldType::Short:
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | p[1] << 8));
    case FieldType::Byte:
        return p[0];
    default:
        throw std::invalid_argument("not a number field: " + f.name);
    }
}

void RecordLayout::SetLong(void* record, int number, std::int32_t value) const
{
    const FieldDesc& f = Field(number);
    auto* p = static_cast<unsigned char*>(record) + f.offset;
    const auto v = static_cast<std::uint32_t>(value);
    switch (f.type) {
    case FieldType::Long:
        p[2] = static_cast<unsigned char>(v >> 16);
        p[3] = static_cast<unsigned char>(v >> 24);
        [[fallthrough]];
    case FieldType::Short:
        p[1] = static_cast<unsigned char>(v >> 8);
        [[fallthrough]];
    case FieldType::Byte:
        p[0] = static_cast<unsigned char>(v);
        break;
    default:
        throw std::invalid_argument("not a number field: " + f.name);
    }
}

std::string_view RecordLayout::GetText(const void* record, int number) const
{
    const FieldDesc& f = Field(number);
    const char* p = static_cast<const char*>(record) + f.offset;
    if (f.type == FieldType::CString) {
        return {p, strnlen(p, f.size)};
    }
    if (f.type != FieldType::Text) {
        throw std::invalid_argument("not a text field: " + f.name);
    }
    return {p, f.size};
}

void RecordLayout::SetText(void* record, int number, std::string_view text) const
{
    const FieldDesc& f = Field(number);
    char* p = static_cast<char*>(record) + f.offset;
    if (f.type == FieldType::Text) {
        AssignText(p, f.size, text);
    } else if (f.type == FieldType::CString) {
        AssignCString(p, f.size, text);
    } else {
        throw std::invalid_argument("not a text field: " + f.name);
    }
}

std::string RecordLayout::FieldAsText(const void* record, int number) const
{
    const FieldDesc& f = Field(number);
    if (f.type == FieldType::Text || f.type == FieldType::CString) {
        return std::string(Clip(GetText(record, number)));
    }
    return NumberToText(GetLong(record, number));
}

bool RecordLayout::SameShape(const RecordLayout& other) const { return Signature() == other.Signature(); }

std::string RecordLayout::Signature() const
{
    std::string s;
    for (const auto& f : fields_) {
        s += TypeLetter(f.type);
        s += std::to_string(f.size);
        s += ';';
    }
    return s;
}

} // namespace quorin
