#include <gtest/gtest.h>

#include <thread>

#include "CountedObject.h"
#include "platform/com/ComObject.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/ErrorInfo.h"

namespace quorin::com {
namespace {

constexpr IID kEvents{0x12345678, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};

// An event source with one connection point for kEvents.
class Source final : public IConnectionPointContainer {
public:
    Source() : point(this, kEvents) {}
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;
    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IUnknown || riid == IID_IConnectionPointContainer) {
            *object = static_cast<IConnectionPointContainer*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++count; }
    ULONG Release() override { return --count; } // lives on the test's stack
    HRESULT EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** out) override
    {
        if (riid != kEvents) {
            *out = nullptr;
            return CONNECT_E_NOCONNECTION;
        }
        *out = &point;
        point.AddRef();
        return S_OK;
    }
    ULONG count = 1;
    ConnectionPoint point;
};

TEST(ConnectionPoint, AdviseHoldsTheSinkUntilUnadvise)
{
    Source source;
    auto* sink = new testing::CountedObject({kEvents});
    DWORD cookie = 0;
    ASSERT_EQ(ComObject::Advise(&source, kEvents, sink, &cookie), S_OK);
    EXPECT_NE(cookie, 0u);
    EXPECT_EQ(sink->Count(), 2u);
    EXPECT_EQ(source.count, 1u); // every object of the road released again

    for (IDispatch* s : source.point.Sinks()) {
        s->Invoke(5, GUID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr);
        s->Release();
    }
    EXPECT_EQ(sink->invoked, std::vector<DISPID>{5});

    EXPECT_EQ(ComObject::Unadvise(&source, kEvents, cookie + 1), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(ComObject::Unadvise(&source, kEvents, cookie), S_OK);
    EXPECT_EQ(sink->Count(), 1u);
    EXPECT_EQ(ComObject::Unadvise(&source, kEvents, cookie), CONNECT_E_NOCONNECTION);
    sink->Release();
}

TEST(ConnectionPoint, RoadReportsTheFirstFailure)
{
    Source source;
    auto* plain = new testing::CountedObject(); // does not answer kEvents
    DWORD cookie = 99;
    EXPECT_EQ(ComObject::Advise(&source, kEvents, plain, &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(cookie, 0u);
    const IID other{1, 2, 3, {}};
    EXPECT_EQ(ComObject::Advise(&source, other, plain, &cookie), CONNECT_E_NOCONNECTION);

    auto* noContainer = new testing::CountedObject();
    EXPECT_EQ(ComObject::Advise(noContainer, kEvents, plain, &cookie), E_NOINTERFACE);
    EXPECT_EQ(ComObject::Advise(nullptr, kEvents, plain, &cookie), S_OK); // no source, nothing to do
    EXPECT_EQ(plain->Count(), 1u);
    EXPECT_EQ(source.count, 1u);
    noContainer->Release();
    plain->Release();
}

TEST(ConnectionPoint, CloseDropsEveryConnection)
{
    Source source;
    auto* a = new testing::CountedObject({kEvents});
    auto* b = new testing::CountedObject({kEvents});
    DWORD ca = 0;
    DWORD cb = 0;
    source.point.Advise(a, &ca);
    source.point.Advise(b, &cb);
    EXPECT_NE(ca, cb);
    EXPECT_EQ(source.point.Count(), 2u);
    source.point.Close();
    EXPECT_EQ(a->Count(), 1u);
    EXPECT_EQ(b->Count(), 1u);
    a->Release();
    b->Release();
}

TEST(ErrorInfo, GetHandsOverAndClears)
{
    SetErrorDescription(u"broken", u"source");
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    ASSERT_NE(info, nullptr);
    BSTR text = nullptr;
    EXPECT_EQ(info->GetDescription(&text), S_OK);
    EXPECT_EQ(BstrView(text), u"broken");
    SysFreeString(text);
    info->Release();

    IErrorInfo* second = reinterpret_cast<IErrorInfo*>(1);
    EXPECT_EQ(GetErrorInfo(0, &second), S_FALSE); // a second reading finds none
    EXPECT_EQ(second, nullptr);
}

TEST(ErrorInfo, SetReplacesAndNullClears)
{
    SetErrorDescription(u"first");
    SetErrorDescription(u"second"); // the first is released (LeakSanitizer)
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    BSTR text = nullptr;
    info->GetDescription(&text);
    EXPECT_EQ(BstrView(text), u"second");
    SysFreeString(text);
    info->Release();

    SetErrorDescription(u"dropped");
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(GetErrorInfo(0, &info), S_FALSE);
}

TEST(ErrorInfo, BelongsToOneThread)
{
    SetErrorDescription(u"mine");
    HRESULT seen = S_OK;
    std::thread other([&] {
        IErrorInfo* info = nullptr;
        seen = GetErrorInfo(0, &info);
        SetErrorDescription(u"left at thread end"); // released when the thread ends
    });
    other.join();
    EXPECT_EQ(seen, S_FALSE);
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    info->Release();
}

} // namespace
} // namespace quorin::com
