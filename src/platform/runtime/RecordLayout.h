#pragma once
// The description of a record or row image: each field's type, offset and size, numbered from 1.
// Files, keys, browse field pairs, the field history and control binding all read this one description.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace quorin {

enum class FieldType : std::uint8_t {
    Long,    // signed 32-bit, little-endian
    Short,   // signed 16-bit, little-endian
    Byte,    // unsigned 8-bit
    Text,    // blank-padded text of `size` bytes
    CString, // zero-terminated text in a buffer of `size` bytes
};

struct FieldSpec {
    std::string name; // with the file's prefix, e.g. "SAV:DATE"
    FieldType type;
    std::size_t size = 0; // for texts; numbers take their natural size when 0
};

struct FieldDesc {
    std::string name;
    FieldType type;
    std::size_t offset;
    std::size_t size;
    int number; // from 1
};

class RecordLayout {
public:
    RecordLayout() = default;
    // Fields back to back in the given order.
    RecordLayout(std::string name, std::initializer_list<FieldSpec> fields);
    RecordLayout(std::string name, const std::vector<FieldSpec>& fields);

    const std::string& Name() const { return name_; }
    std::size_t Size() const { return size_; }
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    const FieldDesc& Field(int number) const; // number from 1
    const std::vector<FieldDesc>& Fields() const { return fields_; }
    // Number of the field of that name (case-insensitive), 0 when none.
    int Find(std::string_view name) const;

    // Texts blank, numbers zero, zero-terminated texts empty.
    void Clear(void* record) const;
    void ClearField(void* record, int number) const;
    // True when every listed field is zero or blank.
    bool IsZeroOrBlank(const void* record, const std::vector<int>& numbers) const;

    std::int32_t GetLong(const void* record, int number) const; // Long, Short and Byte fields
    void SetLong(void* record, int number, std::int32_t value) const;
    std::string_view GetText(const void* record, int number) const; // the whole field, unclipped
    void SetText(void* record, int number, std::string_view text) const;
    // Any field shown as text: numbers in decimal, texts clipped.
    std::string FieldAsText(const void* record, int number) const;

    // Same field types and sizes in the same order; names do not count.
    bool SameShape(const RecordLayout& other) const;
    // A stable text of the layout, e.g. to recognise a stored file made by another layout.
    std::string Signature() const;

private:
    void Add(const FieldSpec& spec);

    std::string name_;
    std::vector<FieldDesc> fields_;
    std::size_t size_ = 0;
};

} // namespace quorin
