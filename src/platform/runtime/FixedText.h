#pragma once
// Fixed-length, blank-padded 8-bit texts, as record fields and window variables hold them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorin {

// Without trailing blanks.
std::string_view Clip(std::string_view text);

// Equal when they differ only in trailing blanks.
bool TextEquals(std::string_view a, std::string_view b);

// Assigns into a field of `width` bytes: cut at the width (never inside a UTF-8 character), blanks after.
void AssignText(char* field, std::size_t width, std::string_view text);

// Assigns into a zero-terminated buffer of `size` bytes: at most size - 1 bytes, never inside a character.
void AssignCString(char* buffer, std::size_t size, std::string_view text);

// Length of a zero-terminated text; 0 for null.
std::size_t CStringLength(const char* text);

// Decimal form, "-" in front when negative.
std::string NumberToText(std::int64_t value);

// A fixed-length text of N bytes; its bytes are exactly the field's image.
template <std::size_t N>
class FixedText {
public:
    static constexpr std::size_t kWidth = N;

    FixedText() { bytes_.fill(' '); }
    FixedText(std::string_view text) { Assign(text); } // NOLINT: texts assign implicitly

    FixedText& operator=(std::string_view text)
    {
        Assign(text);
        return *this;
    }
    void Assign(std::string_view text) { AssignText(bytes_.data(), N, text); }
    void Clear() { bytes_.fill(' '); }

    std::string_view View() const { return {bytes_.data(), N}; }
    std::string_view Clipped() const { return Clip(View()); }
    std::string Str() const { return std::string(Clipped()); }
    bool IsBlank() const { return Clipped().empty(); }

    char* Data() { return bytes_.data(); }
    const char* Data() const { return bytes_.data(); }

    friend bool operator==(const FixedText& a, const FixedText& b) { return TextEquals(a.View(), b.View()); }
    friend bool operator==(const FixedText& a, std::string_view b) { return TextEquals(a.View(), b); }

private:
    std::array<char, N> bytes_;
};

} // namespace quorin
