#pragma once
// The variable a control shows and edits: a typed reference to storage its owner keeps alive for
// the window's life. A list's variable is a source of rows (a queue) described by a record layout.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/runtime/RecordLayout.h"

namespace quorin {

// Rows of a list: positions count from 1.
class RowSource {
public:
    virtual ~RowSource() = default;
    virtual int RowCount() const = 0;
    // The image of row `position` (1..RowCount()), laid out as RowLayout() says; null when out of range.
    virtual const void* RowImage(int position) const = 0;
    virtual const RecordLayout& RowLayout() const = 0;
};

class BoundVariable {
public:
    enum class Type : std::uint8_t { None, Text, CString, Byte, Long, Rows };

    BoundVariable() = default;
    static BoundVariable Text(char* field, std::size_t width);    // blank-padded text of width bytes
    static BoundVariable CString(char* buffer, std::size_t size); // zero-terminated in size bytes
    static BoundVariable Byte(std::uint8_t* value);
    static BoundVariable Long(std::int32_t* value);
    static BoundVariable Rows(const RowSource* rows);
    template <class Fixed>
    static BoundVariable Of(Fixed& text) // a FixedText<N>
    {
        return Text(text.Data(), Fixed::kWidth);
    }

    Type type() const { return type_; }
    bool IsSet() const { return type_ != Type::None; }
    const RowSource* rows() const { return rows_; }

    // The value as text: texts clipped, numbers in decimal.
    std::string GetText() const;
    void SetText(std::string_view text) const;   // texts cut to the width; numbers parse decimal
    std::int64_t GetNumber() const;              // texts: their decimal value, else 0
    void SetNumber(std::int64_t value) const;

private:
    Type type_ = Type::None;
    void* address_ = nullptr;
    std::size_t size_ = 0;
    const RowSource* rows_ = nullptr;
};

} // namespace quorin
