#include "platform/classlib/FuzzyMatcher.h"

#include <atomic>
#include <cctype>
#include <string>

namespace quorin {

namespace {
std::atomic<FuzzyMatcher*> g_current{nullptr};

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }
} // namespace

FuzzyMatcher::FuzzyMatcher()
{
    for (int c = 0; c < 256; ++c)
        fold_[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

void FuzzyMatcher::Init()
{
    noCase_ = 0;
    wordOnly_ = 0;
    g_current = this;
}

void FuzzyMatcher::SetOption(std::uint8_t option, std::uint8_t value)
{
    if (option == kOptionNoCase)
        noCase_ = value;
    else if (option == kOptionWordOnly)
        wordOnly_ = value;
}

FuzzyMatcher* FuzzyMatcher::Current() { return g_current.load(); }

int FuzzyMatcher::Match(std::string_view text, std::string_view pattern) const
{
    if (pattern.empty() || text.empty())
        return 0;
    auto same = [&](char a, char b) {
        if (!noCase_)
            return a == b;
        return fold_[static_cast<unsigned char>(a)] == fold_[static_cast<unsigned char>(b)];
    };
    // The pattern as a whole, at a word boundary when asked: the best score.
    for (std::size_t at = 0; at + pattern.size() <= text.size(); ++at) {
        bool whole = true;
        for (std::size_t i = 0; i < pattern.size() && whole; ++i)
            whole = same(text[at + i], pattern[i]);
        if (!whole)
            continue;
        const bool startsWord = at == 0 || !IsWordChar(text[at - 1]);
        const std::size_t end = at + pattern.size();
        const bool endsWord = end == text.size() || !IsWordChar(text[end]);
        if (!wordOnly_ || (startsWord && endsWord))
            return 100;
    }
    if (wordOnly_)
        return 0;
    // Otherwise the share of the pattern's characters found in order.
    std::size_t found = 0;
    std::size_t at = 0;
    for (char p : pattern) {
        while (at < text.size() && !same(text[at], p))
            ++at;
        if (at == text.size())
            break;
        ++found;
        ++at;
    }
    return static_cast<int>(found * 99 / pattern.size());
}

} // namespace quorin
