#pragma once
// The fuzzy text matcher: scores how well a text matches a pattern, with options for ignoring case
// and matching whole words only. Init makes it the class library's current matcher.
#include <array>
#include <cstdint>
#include <string_view>

namespace quorin {

class FuzzyMatcher {
public:
    static constexpr std::uint8_t kOptionNoCase = 1;
    static constexpr std::uint8_t kOptionWordOnly = 2;

    // Fills the fixed scoring tables.
    FuzzyMatcher();

    // Both options off; the matcher becomes the current one.
    void Init();
    // Option 1 ignore case, option 2 whole words only; others are ignored.
    void SetOption(std::uint8_t option, std::uint8_t value);
    // Does nothing.
    void Kill() {}

    std::uint8_t NoCase() const { return noCase_; }
    std::uint8_t WordOnly() const { return wordOnly_; }

    // 0 for no match, up to 100 for the pattern found as it is.
    int Match(std::string_view text, std::string_view pattern) const;

    // The class library's current matcher, null before any `Init`.
    static FuzzyMatcher* Current();

private:
    std::uint8_t noCase_ = 0;
    std::uint8_t wordOnly_ = 0;
    std::array<std::uint8_t, 256> fold_{}; // case folding table
};

} // namespace quorin
