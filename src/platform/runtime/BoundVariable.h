#pragma once
// The variable a control shows and edits: a typed reference to storage its owner keeps alive for
// the window's life. A list's variable is a queue; the list shows its rows.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/runtime/Queue.h"
#include "platform/runtime/RecordLayout.h"

namespace quorin {

class BoundVariable {
public:
    enum class Type : std::uint8_t { None, Text, CString, Byte, Long, Queue };

    BoundVariable() = default;
    static BoundVariable Text(char* field, std::size_t width);    // blank-padded text of width bytes
    static BoundVariable CString(char* buffer, std::size_t size); // zero-terminated in size bytes
    static BoundVariable Byte(std::uint8_t* value);
    static BoundVariable Long(std::int32_t* value);
    static BoundVariable List(const quorin::Queue& queue);
    static BoundVariable Of(const quorin::Queue& queue) { return List(queue); }
    static BoundVariable Of(quorin::Queue& queue) { return List(queue); }
    static BoundVariable Of(std::uint8_t& value) { return Byte(&value); }
    static BoundVariable Of(std::int32_t& value) { return Long(&value); }
    template <class Fixed>
    static BoundVariable Of(Fixed& text) // a FixedText<N>
    {
        return Text(text.Data(), Fixed::kWidth);
    }

    Type type() const { return type_; }
    bool IsSet() const { return type_ != Type::None; }
    const quorin::Queue* queue() const { return queue_; }
    void* address() const { return address_; }
    std::size_t size() const { return size_; }

    // The value as text: texts clipped, numbers in decimal.
    std::string GetText() const;
    void SetText(std::string_view text) const;   // texts cut to the width; numbers parse decimal
    std::int64_t GetNumber() const;              // texts: their decimal value, else 0
    void SetNumber(std::int64_t value) const;

private:
    BoundVariable(Type type, void* address, std::size_t size) : type_(type), address_(address), size_(size) {}

    Type type_ = Type::None;
    void* address_ = nullptr;
    std::size_t size_ = 0;
    const quorin::Queue* queue_ = nullptr;
};

} // namespace quorin
