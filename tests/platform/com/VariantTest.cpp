#include <gtest/gtest.h>

#include <cmath>

#include "CountedObject.h"
#include "platform/com/Dispatch.h"
#include "platform/com/Variant.h"

namespace quorin::com {
namespace {

VARIANT Long(LONG value)
{
    VARIANT v{};
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT Text(std::string_view text)
{
    VARIANT v{};
    v.vt = VT_BSTR;
    v.bstrVal = BstrFromAnsi(text);
    return v;
}

VARIANT Real(double value)
{
    VARIANT v{};
    v.vt = VT_R8;
    v.dblVal = value;
    return v;
}

TEST(Variant, IsSixteenBytesAndInitLeavesTheValue)
{
    static_assert(sizeof(VARIANT) == 16);
    VARIANT v = Long(5);
    VariantInit(&v);
    EXPECT_EQ(v.vt, VT_EMPTY);
}

TEST(Variant, ClearReleasesWhatItOwnsButNotByReference)
{
    bool destroyed = false;
    auto* object = new testing::CountedObject({}, &destroyed);
    object->AddRef();
    VARIANT v{};
    v.vt = VT_DISPATCH;
    v.pdispVal = object;
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);
    EXPECT_EQ(object->Count(), 1u);

    BSTR owned = BstrFromAnsi("kept");
    VARIANT ref{};
    ref.vt = VT_BSTR | VT_BYREF;
    ref.pbstrVal = &owned;
    EXPECT_EQ(VariantClear(&ref), S_OK);
    EXPECT_EQ(BstrView(owned), u"kept"); // a reference owns nothing
    SysFreeString(owned);

    VARIANT text = Text("freed"); // LeakSanitizer checks that the BSTR goes
    EXPECT_EQ(VariantClear(&text), S_OK);

    VARIANT bad{};
    bad.vt = 0x0FFE;
    EXPECT_EQ(VariantClear(&bad), DISP_E_BADVARTYPE);
    object->Release();
    EXPECT_TRUE(destroyed);
}

TEST(Variant, CopyDuplicatesTextsAndAddsReferences)
{
    VARIANT source = Text("abc");
    VARIANT copy{};
    VariantInit(&copy);
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    EXPECT_NE(copy.bstrVal, source.bstrVal);
    EXPECT_EQ(BstrView(copy.bstrVal), u"abc");
    VariantClear(&source);
    VariantClear(&copy);

    auto* object = new testing::CountedObject();
    VARIANT unknown{};
    unknown.vt = VT_UNKNOWN;
    unknown.punkVal = object;
    VARIANT second{};
    VariantInit(&second);
    ASSERT_EQ(VariantCopy(&second, &unknown), S_OK);
    EXPECT_EQ(object->Count(), 2u);
    VariantClear(&second);
    VariantClear(&unknown); // the last reference
}

struct Change {
    VARIANT (*make)();
    VARTYPE to;
    HRESULT expected;
    double value; // numeric result when S_OK
};

TEST(Variant, ChangeTypeConvertsChecksRangeAndRefusesNonNumbers)
{
    const Change table[] = {
        {[] { return Text("42"); }, VT_I4, S_OK, 42},
        {[] { return Text("  -7 "); }, VT_I4, S_OK, -7},
        {[] { return Text("2.5"); }, VT_I4, S_OK, 2},   // half to even
        {[] { return Text("3.5"); }, VT_I4, S_OK, 4},
        {[] { return Text("abc"); }, VT_I4, DISP_E_TYPEMISMATCH, 0},
        {[] { return Text(""); }, VT_I4, DISP_E_TYPEMISMATCH, 0},
        {[] { return Text("2147483648"); }, VT_I4, DISP_E_OVERFLOW, 0},
        {[] { return Text("99999999999999999999"); }, VT_I4, DISP_E_OVERFLOW, 0},
        {[] { return Long(256); }, VT_UI1, DISP_E_OVERFLOW, 0},
        {[] { return Long(-1); }, VT_UI4, DISP_E_OVERFLOW, 0},
        {[] { return Long(-32768); }, VT_I2, S_OK, -32768},
        {[] { return Real(1e10); }, VT_I4, DISP_E_OVERFLOW, 0},
        {[] { return Real(-0.4); }, VT_I4, S_OK, 0},
        {[] { return Long(3); }, VT_R8, S_OK, 3},
        {[] { return Text("true"); }, VT_BOOL, S_OK, VARIANT_TRUE},
        {[] { return VARIANT{}; }, VT_I4, S_OK, 0}, // empty is zero
        {[] { VARIANT v{}; v.vt = VT_NULL; return v; }, VT_I4, DISP_E_TYPEMISMATCH, 0},
        {[] { return Long(1); }, VT_DISPATCH, DISP_E_TYPEMISMATCH, 0},
    };
    for (const Change& c : table) {
        VARIANT source = c.make();
        VARIANT out{};
        VariantInit(&out);
        const HRESULT hr = VariantChangeType(&out, &source, 0, c.to);
        EXPECT_EQ(hr, c.expected) << "to " << c.to;
        if (hr == S_OK) {
            EXPECT_EQ(out.vt, c.to);
            VARIANT asReal{};
            VariantInit(&asReal);
            ASSERT_EQ(VariantChangeType(&asReal, &out, 0, VT_R8), S_OK);
            EXPECT_EQ(asReal.dblVal, c.value);
        } else {
            EXPECT_EQ(out.vt, VT_EMPTY); // untouched on failure
        }
        VariantClear(&out);
        VariantClear(&source);
    }
}

TEST(Variant, ChangeTypeToTextAndInPlace)
{
    VARIANT v = Long(-12);
    ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_BSTR), S_OK);
    EXPECT_EQ(BstrView(v.bstrVal), u"-12");
    ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK); // frees the text it came from
    EXPECT_EQ(v.lVal, -12);

    VARIANT flag{};
    flag.vt = VT_BOOL;
    flag.boolVal = VARIANT_TRUE;
    VARIANT text{};
    VariantInit(&text);
    ASSERT_EQ(VariantChangeType(&text, &flag, 0, VT_BSTR), S_OK);
    EXPECT_EQ(BstrView(text.bstrVal), u"True");
    VariantClear(&text);
}

TEST(Variant, ChangeTypeReadsThroughAReference)
{
    LONG cell = 9;
    VARIANT ref{};
    ref.vt = VT_I4 | VT_BYREF;
    ref.plVal = &cell;
    VARIANT out{};
    VariantInit(&out);
    ASSERT_EQ(VariantChangeType(&out, &ref, 0, VT_BSTR), S_OK);
    EXPECT_EQ(BstrView(out.bstrVal), u"9");
    VariantClear(&out);
}

// DispGetParam: DISPPARAMS hold the parameters last first.
class DispGetParamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        args_[0] = Long(30);     // third parameter (position 2)
        args_[1] = Text("name"); // second (position 1)
        args_[2] = Text("12");   // first (position 0)
        params_ = {args_, nullptr, 3, 0};
        VariantInit(&out_);
    }
    void TearDown() override
    {
        for (VARIANT& v : args_) {
            VariantClear(&v);
        }
        VariantClear(&out_);
    }
    VARIANT args_[3];
    DISPPARAMS params_;
    VARIANT out_;
};

TEST_F(DispGetParamTest, CountsPositionsFromTheFirstParameter)
{
    ASSERT_EQ(DispGetParam(&params_, 0, VT_I4, &out_, nullptr), S_OK);
    EXPECT_EQ(out_.lVal, 12);
    ASSERT_EQ(DispGetParam(&params_, 1, VT_BSTR, &out_, nullptr), S_OK);
    EXPECT_EQ(BstrView(out_.bstrVal), u"name");
    EXPECT_NE(out_.bstrVal, args_[1].bstrVal); // the caller's own copy
    ASSERT_EQ(DispGetParam(&params_, 2, VT_I4, &out_, nullptr), S_OK);
    EXPECT_EQ(out_.lVal, 30);
}

TEST_F(DispGetParamTest, MissingParameterLeavesTheErrorCellAlone)
{
    UINT argErr = 77;
    EXPECT_EQ(DispGetParam(&params_, 3, VT_I4, &out_, &argErr), DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(argErr, 77u);
}

TEST_F(DispGetParamTest, MismatchGivesTheArgumentIndexWhenACellIsGiven)
{
    UINT argErr = 77;
    EXPECT_EQ(DispGetParam(&params_, 1, VT_I4, &out_, &argErr), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 1u); // index in rgvarg
    EXPECT_EQ(DispGetParam(&params_, 1, VT_I4, &out_, nullptr), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(out_.vt, VT_EMPTY);
}

TEST_F(DispGetParamTest, NamedArgumentsComeFirstAndAreFoundById)
{
    DISPID named[] = {2};
    params_.rgdispidNamedArgs = named;
    params_.cNamedArgs = 1; // args_[0] is parameter 2 by name; the positional ones are args_[1..2]
    ASSERT_EQ(DispGetParam(&params_, 2, VT_I4, &out_, nullptr), S_OK);
    EXPECT_EQ(out_.lVal, 30);
    ASSERT_EQ(DispGetParam(&params_, 0, VT_I4, &out_, nullptr), S_OK);
    EXPECT_EQ(out_.lVal, 12);
}

} // namespace
} // namespace quorin::com
