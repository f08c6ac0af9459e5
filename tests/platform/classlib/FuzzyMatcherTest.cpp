#include "platform/classlib/FuzzyMatcher.h"

#include <gtest/gtest.h>

namespace quorin {
namespace {

TEST(FuzzyMatcher, OptionsSteerTheMatch)
{
    FuzzyMatcher m;
    m.SetOption(FuzzyMatcher::kOptionNoCase, 1);
    m.Init(); // both options off again
    EXPECT_EQ(m.NoCase(), 0);
    EXPECT_EQ(FuzzyMatcher::Current(), &m);

    EXPECT_EQ(m.Match("Form Filling", "Form"), 100);
    EXPECT_LT(m.Match("Form Filling", "form"), 100);
    m.SetOption(FuzzyMatcher::kOptionNoCase, 1);
    EXPECT_EQ(m.Match("Form Filling", "form"), 100);
    EXPECT_EQ(m.Match("Formula", "form"), 100);
    m.SetOption(FuzzyMatcher::kOptionWordOnly, 1);
    EXPECT_EQ(m.Match("Formula", "form"), 0);
    EXPECT_EQ(m.Match("a form here", "FORM"), 100);
    m.SetOption(9, 1); // ignored
    EXPECT_EQ(m.Match("", "x"), 0);
}

} // namespace
} // namespace quorin
