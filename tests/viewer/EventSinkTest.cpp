#include "ViewerFixture.h"

namespace quorin::viewer::testing {
namespace {

VARIANT Long(std::int32_t value)
{
    VARIANT v{};
    v.vt = com::VT_I4;
    v.lVal = value;
    return v;
}

VARIANT Text(std::u16string_view text)
{
    VARIANT v{};
    v.vt = com::VT_BSTR;
    v.bstrVal = com::SysAllocStringLen(text.data(), static_cast<com::UINT>(text.size()));
    return v;
}

class EventSinkTest : public ViewerTest {
protected:
    void SetUp() override
    {
        ViewerTest::SetUp();
        sink_ = new ObservedSink(destroyed_);
        sink_->Init();
        sink_->AHOST = &host_;
    }
    void TearDown() override
    {
        if (!destroyed_) {
            sink_->Release();
        }
        EXPECT_TRUE(destroyed_);
        ViewerTest::TearDown();
    }

    // Invoke with the parameters given first to last (stored last first, as callers pass them).
    HRESULT Invoke(com::DISPID member, com::WORD flags, std::vector<VARIANT> params, com::UINT* argErr = nullptr)
    {
        std::vector<VARIANT> reversed(params.rbegin(), params.rend());
        com::DISPPARAMS dispParams{reversed.data(), nullptr, static_cast<com::UINT>(reversed.size()), 0};
        const HRESULT hr = sink_->EventsInterface()->Invoke(member, com::GUID_NULL, 0, flags, &dispParams, nullptr,
                                                             nullptr, argErr);
        for (VARIANT& v : reversed) {
            com::VariantClear(&v);
        }
        return hr;
    }
    std::vector<VARIANT> Event(std::int32_t type, std::u16string_view name, std::int32_t flags)
    {
        VARIANT empty{};
        com::VariantInit(&empty);
        return {Long(type), Text(name), empty, empty, Long(flags)};
    }

    RecordingViewer host_;
    bool destroyed_ = false;
    ObservedSink* sink_ = nullptr;
};

TEST_F(EventSinkTest, ForwardsTypesZeroAndOneThreeAndFourOnly)
{
    struct Case {
        std::int32_t type;
        int operation; // 0: none
    };
    for (Case c : {Case{0, 1}, Case{1, 1}, Case{2, 0}, Case{3, 3}, Case{4, 4}, Case{5, 0}, Case{-1, 0}}) {
        host_.events.clear();
        EXPECT_EQ(Invoke(1, com::DISPATCH_METHOD, Event(c.type, u"abc", 0x40)), com::S_OK) << c.type;
        if (c.operation == 0) {
            EXPECT_TRUE(host_.events.empty()) << c.type;
            continue;
        }
        ASSERT_EQ(host_.events.size(), 1u) << c.type;
        EXPECT_EQ(host_.events[0].operation, c.operation);
        EXPECT_EQ(host_.events[0].name, std::optional<std::string>("abc"));
        EXPECT_EQ(host_.events[0].size, 4u);
        EXPECT_EQ(host_.events[0].flags, 0x40);
    }
    EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(EventSinkTest, EmptyNameReachesTheHostAsNullWithSizeZero)
{
    EXPECT_EQ(Invoke(1, com::DISPATCH_METHOD, Event(3, u"", 0)), com::S_OK);
    ASSERT_EQ(host_.events.size(), 1u);
    EXPECT_EQ(host_.events[0].name, std::nullopt);
    EXPECT_EQ(host_.events[0].size, 0u);
}

TEST_F(EventSinkTest, FlagsAreCheckedBeforeTheDispatchId)
{
    for (com::WORD flags : {1, 2, 3, 0xF}) {
        EXPECT_EQ(Invoke(1, flags, Event(1, u"a", 0)), com::S_OK) << flags;
    }
    EXPECT_EQ(Invoke(1, 0x10, Event(1, u"a", 0)), com::E_INVALIDARG);
    EXPECT_EQ(Invoke(2, 0x10, Event(1, u"a", 0)), com::E_INVALIDARG);
    EXPECT_EQ(Invoke(2, com::DISPATCH_METHOD, Event(1, u"a", 0)), com::DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(host_.events.size(), 4u);
    EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(EventSinkTest, MissingOrUnreadableParameterIsReportedAndRefused)
{
    struct Case {
        std::vector<VARIANT> params;
        HRESULT code;
        const char* box;
        com::UINT argErr; // 99: untouched
    };
    VARIANT empty{};
    com::VariantInit(&empty);
    VARIANT null{};
    null.vt = com::VT_NULL;
    std::vector<Case> table;
    table.push_back({{Long(1), Text(u"name"), empty, empty}, com::DISP_E_PARAMNOTFOUND,
                     "_IPDFviewEvents.Invoke(OnEvent_Flags) failed (80020004)", 99});
    table.push_back({{Text(u"x"), Text(u"name"), empty, empty, Long(0)}, com::DISP_E_TYPEMISMATCH,
                     "_IPDFviewEvents.Invoke(OnEvent_Type) failed (80020005)", 4});
    table.push_back({{Long(1), null, empty, empty, Long(0)}, com::DISP_E_TYPEMISMATCH,
                     "_IPDFviewEvents.Invoke(OnEvent_Name) failed (80020005)", 3});
    table.push_back({{Long(1), Text(u"name"), empty, empty, Text(u"not a number")}, com::DISP_E_TYPEMISMATCH,
                     "_IPDFviewEvents.Invoke(OnEvent_Flags) failed (80020005)", 0});
    table.push_back({{}, com::DISP_E_PARAMNOTFOUND, "_IPDFviewEvents.Invoke(OnEvent_Type) failed (80020004)", 99});
    for (Case& c : table) {
        ui_.ClearMessages();
        com::UINT argErr = 99;
        EXPECT_EQ(Invoke(1, com::DISPATCH_METHOD, c.params, &argErr), c.code) << c.box;
        EXPECT_EQ(argErr, c.argErr) << c.box;
        ASSERT_EQ(ui_.MessageCount(), 1u) << c.box;
        EXPECT_EQ(ui_.LastMessage().text, c.box);
        EXPECT_EQ(ui_.LastMessage().caption, "COM Error");
        EXPECT_EQ(ui_.LastMessage().icon, icon::kAsterisk);
    }
    EXPECT_TRUE(host_.events.empty());
}

TEST_F(EventSinkTest, UnreadableParameterWithoutAnErrorCellStillAnswers)
{
    VARIANT empty{};
    com::VariantInit(&empty);
    EXPECT_EQ(Invoke(1, com::DISPATCH_METHOD, {Text(u"x"), Text(u"n"), empty, empty, Long(0)}, nullptr),
              com::DISP_E_TYPEMISMATCH);
    EXPECT_TRUE(host_.events.empty());
}

TEST_F(EventSinkTest, AnswersItsThreeIdsWithOnePointerAndCounts)
{
    EXPECT_EQ(sink_->CREF.load(), 1);
    for (const com::IID& iid : {pdfview::IID__IPDFviewEvents, com::IID_IDispatch, com::IID_IUnknown}) {
        void* out = nullptr;
        const std::int32_t before = sink_->CREF.load();
        EXPECT_EQ(sink_->EventsInterface()->QueryInterface(iid, &out), com::S_OK);
        EXPECT_EQ(out, sink_->EventsInterface());
        EXPECT_EQ(sink_->CREF.load(), before + 1);
    }
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(sink_->QueryInterface(com::IID_IConnectionPoint, &out), com::E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(sink_->CREF.load(), 4);
    for (int i = 0; i < 3; ++i) {
        sink_->EventsInterface()->Release();
    }

    EXPECT_EQ(sink_->EventsInterface()->AddRef(), 2u);
    EXPECT_EQ(sink_->EventsInterface()->Release(), 1u);
    EXPECT_FALSE(destroyed_);
    EXPECT_EQ(sink_->EventsInterface()->Release(), 0u);
    EXPECT_TRUE(destroyed_);
}

TEST_F(EventSinkTest, OffersNoTypeInformation)
{
    com::UINT count = 5;
    EXPECT_EQ(sink_->EventsInterface()->GetTypeInfoCount(&count), com::E_NOTIMPL);
    EXPECT_EQ(count, 5u);
    com::ITypeInfo* info = nullptr;
    EXPECT_EQ(sink_->EventsInterface()->GetTypeInfo(0, 0, &info), com::E_NOTIMPL);
    com::DISPID id = 3;
    EXPECT_EQ(sink_->EventsInterface()->GetIDsOfNames(com::GUID_NULL, nullptr, 0, 0, &id), com::E_NOTIMPL);
    EXPECT_EQ(id, 3);
}

TEST_F(EventSinkTest, EventBeforeTheHostIsSetIsDropped)
{
    sink_->AHOST = nullptr;
    EXPECT_EQ(Invoke(1, com::DISPATCH_METHOD, Event(1, u"early", 0)), com::S_OK);
    EXPECT_TRUE(host_.events.empty());
}

TEST_F(EventSinkTest, ReceivesTheControlsEventsThroughItsConnection)
{
    auto viewer = HoldingViewer();
    ASSERT_EQ(sink_->Connect(viewer->GetInterface()), com::S_OK);
    EXPECT_NE(sink_->DWCOOKIE, 0u);
    control_->last->RaiseEvent(4, u"saved", 2);
    ASSERT_EQ(host_.events.size(), 1u);
    EXPECT_EQ(host_.events[0].operation, 4);
    EXPECT_EQ(host_.events[0].name, std::optional<std::string>("saved"));
    EXPECT_EQ(sink_->Disconnect(viewer->GetInterface()), com::S_OK);
    EXPECT_EQ(sink_->Disconnect(viewer->GetInterface()), com::CONNECT_E_NOCONNECTION);
    EXPECT_NE(sink_->DWCOOKIE, 0u); // kept
}

TEST(GetVariantType, MapsTheRuntimeTypeCodes)
{
    const std::pair<int, com::VARTYPE> table[] = {
        {1, com::VT_UI1}, {2, com::VT_I2},   {3, com::VT_UI2},   {6, com::VT_I4},      {7, com::VT_UI4},
        {8, com::VT_R4},  {13, com::VT_R4},  {9, com::VT_R8},    {14, com::VT_R8},     {42, com::VT_BSTR},
        {45, com::VT_VARIANT}, {0, com::VT_EMPTY}, {18, com::VT_EMPTY}, {-1, com::VT_EMPTY},
    };
    for (const auto& [code, vt] : table) {
        EXPECT_EQ(GetVariantType(code), vt) << code;
    }
}

} // namespace
} // namespace quorin::viewer::testing
