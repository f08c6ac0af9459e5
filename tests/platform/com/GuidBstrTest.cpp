#include <gtest/gtest.h>

#include "platform/com/Bstr.h"
#include "platform/com/Guid.h"

namespace quorin::com {
namespace {

TEST(Guid, ParsesBothFormsAndFormatsBracedUpperCase)
{
    const std::optional<GUID> braced = ParseGuid(std::string_view("{441ce133-66ba-49d1-9d81-08f2403eaccd}"));
    const std::optional<GUID> bare = ParseGuid(std::string_view("441CE133-66BA-49D1-9D81-08F2403EACCD"));
    ASSERT_TRUE(braced);
    ASSERT_TRUE(bare);
    EXPECT_EQ(*braced, *bare);
    EXPECT_EQ(braced->Data1, 0x441CE133u);
    EXPECT_EQ(braced->Data2, 0x66BA);
    EXPECT_EQ(braced->Data3, 0x49D1);
    EXPECT_EQ(braced->Data4[0], 0x9D);
    EXPECT_EQ(braced->Data4[7], 0xCD);
    EXPECT_EQ(FormatGuid(*braced), "{441CE133-66BA-49D1-9D81-08F2403EACCD}");
    EXPECT_EQ(ParseGuid(FormatGuidWide(IID_IConnectionPointContainer)), IID_IConnectionPointContainer);
    EXPECT_EQ(FormatGuid(IID_IUnknown), "{00000000-0000-0000-C000-000000000046}");
}

TEST(Guid, RefusesMalformedTexts)
{
    for (const char* text : {"", "{}", "{441CE133-66BA-49D1-9D81-08F2403EACCD", "441CE133-66BA-49D1-9D81-08F2403EACCD}",
                             "{441CE133-66BA-49D1-9D81-08F2403EACCG}", "{441CE133+66BA-49D1-9D81-08F2403EACCD}",
                             "{441CE13-366BA-49D1-9D81-08F2403EACCD}", "{441CE133-66BA-49D1-9D81-08F2403EACCD0}"}) {
        EXPECT_FALSE(ParseGuid(std::string_view(text))) << text;
    }
}

TEST(Guid, ComparesAllSixteenBytes)
{
    GUID other = IID_IDispatch;
    EXPECT_TRUE(IsEqualGUID(other, IID_IDispatch));
    other.Data4[7] ^= 1;
    EXPECT_FALSE(IsEqualGUID(other, IID_IDispatch));
}

TEST(Bstr, KeepsLengthPrefixAndEmbeddedZeros)
{
    const char16_t chars[] = {u'a', 0, u'b'};
    BSTR text = SysAllocStringLen(chars, 3);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringLen(text), 3u);
    EXPECT_EQ(SysStringByteLen(text), 6u);
    EXPECT_EQ(text[3], 0); // terminated after its length
    EXPECT_EQ(BstrView(text), std::u16string_view(chars, 3));
    EXPECT_EQ(WideLength(text), 1u); // a plain zero-terminated reading stops at the zero
    SysFreeString(text);
}

TEST(Bstr, NullAndEmptyAreDistinct)
{
    BSTR empty = SysAllocString(u"");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(empty);
    SysFreeString(nullptr);

    BSTR fromNull = SysAllocString(nullptr); // a null source gives an empty text, not null
    ASSERT_NE(fromNull, nullptr);
    EXPECT_EQ(SysStringLen(fromNull), 0u);
    SysFreeString(fromNull);

    BSTR zeroed = SysAllocStringLen(nullptr, 2);
    EXPECT_EQ(SysStringLen(zeroed), 2u);
    EXPECT_EQ(zeroed[0], 0);
    SysFreeString(zeroed);
}

TEST(Bstr, ConvertsThroughTheAnsiCodePage)
{
    BSTR text = BstrFromAnsi("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC");
    EXPECT_EQ(BstrView(text), u"Grüße €");
    EXPECT_EQ(AnsiFromWide(text), "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC");
    SysFreeString(text);
    EXPECT_EQ(AnsiFromWide(nullptr), "");
}

} // namespace
} // namespace quorin::com
