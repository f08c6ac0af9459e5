#include <gtest/gtest.h>

#include <cstring>

#include "platform/runtime/CodePage.h"
#include "platform/runtime/FixedText.h"
#include "platform/runtime/RecordLayout.h"

namespace quorin {
namespace {

TEST(FixedText, AssignCutsAtWidthNeverInsideACharacter)
{
    struct Case {
        std::string_view text;
        std::string_view expected; // the whole field image
    };
    // "é" is two bytes, "€" three: a cut that would split one drops the whole character.
    const Case cases[] = {
        {"abc", "abc  "},
        {"abcdefg", "abcde"},
        {"abcdé", "abcd "},
        {"ab€x", "ab€"},
        {"a€bc", "a€b"},
        {"", "     "},
    };
    for (const auto& c : cases) {
        char field[6] = {};
        AssignText(field, 5, c.text);
        EXPECT_EQ(std::string_view(field, 5), c.expected) << c.text;
    }
    FixedText<3> t;
    t = "x€";
    EXPECT_EQ(t.View(), "x  ");
}

TEST(FixedText, ZeroTerminatedBufferKeepsOneByteForTheTerminator)
{
    char buffer[4];
    std::memset(buffer, 'z', sizeof buffer);
    AssignCString(buffer, sizeof buffer, "abcdef");
    EXPECT_STREQ(buffer, "abc");
    AssignCString(buffer, sizeof buffer, "aé€");
    EXPECT_STREQ(buffer, "aé");
    EXPECT_EQ(CStringLength(nullptr), 0u);
}

TEST(FixedText, ComparisonIgnoresTrailingBlanksOnly)
{
    EXPECT_TRUE(TextEquals("abc   ", "abc"));
    EXPECT_FALSE(TextEquals(" abc", "abc"));
    EXPECT_EQ(FixedText<8>("Jo"), FixedText<8>("Jo  "));
    EXPECT_EQ(Clip("  a b  "), "  a b");
    EXPECT_EQ(NumberToText(-42), "-42");
}

TEST(CodePage, RoundTripsAndReplacesMalformedInput)
{
    const std::string text = "Zoë € 𝄞";
    EXPECT_EQ(WideToAnsi(AnsiToWide(text)), text);
    EXPECT_EQ(AnsiToWide("𝄞").size(), 2u); // a surrogate pair
    EXPECT_EQ(AnsiToWide("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(AnsiToWide("\xE2\x82"), u"\uFFFD\uFFFD"); // truncated sequence
    EXPECT_EQ(WideToAnsi(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(RecordLayout, FieldsBackToBackWithClearingAndAccess)
{
    const RecordLayout layout("R", {{"R:NUM", FieldType::Long},
                                    {"R:NAME", FieldType::Text, 6},
                                    {"R:FLAG", FieldType::Byte},
                                    {"R:PATH", FieldType::CString, 5}});
    EXPECT_EQ(layout.Size(), 16u);
    EXPECT_EQ(layout.Field(3).offset, 10u);
    EXPECT_EQ(layout.Find("r:name"), 2);
    EXPECT_EQ(layout.Find("R:NONE"), 0);

    unsigned char rec[16];
    std::memset(rec, 0xAA, sizeof rec);
    layout.Clear(rec);
    EXPECT_EQ(layout.GetLong(rec, 1), 0);
    EXPECT_EQ(layout.GetText(rec, 2), "      ");
    EXPECT_EQ(layout.GetText(rec, 4), "");
    EXPECT_TRUE(layout.IsZeroOrBlank(rec, {1, 2, 3}));

    layout.SetLong(rec, 1, -2);
    EXPECT_EQ(rec[0], 0xFE); // little-endian image
    EXPECT_EQ(rec[3], 0xFF);
    EXPECT_EQ(layout.GetLong(rec, 1), -2);
    layout.SetText(rec, 2, "Anna");
    EXPECT_EQ(layout.FieldAsText(rec, 2), "Anna");
    EXPECT_EQ(layout.FieldAsText(rec, 1), "-2");
    EXPECT_FALSE(layout.IsZeroOrBlank(rec, {1}));
    EXPECT_THROW(layout.Field(5), std::out_of_range);
}

} // namespace
} // namespace quorin
