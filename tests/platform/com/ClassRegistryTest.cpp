#include <gtest/gtest.h>

#include "CountedObject.h"
#include "platform/com/Bstr.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/ComObject.h"
#include "platform/com/OleObject.h"
#include "platform/runtime/Registry.h"

namespace quorin::com {
namespace {

constexpr CLSID kClass{0xA1B2C3D4, 0x1234, 0x5678, {0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78}};
constexpr const char* kKey = "CLSID\\{A1B2C3D4-1234-5678-9ABC-DEF012345678}";

ClassCreator MakeCounted(int* made)
{
    return [made](IUnknown*, REFIID riid, void** object) {
        ++*made;
        auto* o = new testing::CountedObject();
        const HRESULT hr = o->QueryInterface(riid, object);
        o->Release();
        return hr;
    };
}

TEST(ClassRegistry, CreatesThroughTheRegisteredFactory)
{
    int made = 0;
    {
        ClassRegistration registration(kClass, "Test.Counted.1", "Counted", "counted.so", MakeCounted(&made));
        ASSERT_EQ(registration.Result(), S_OK);
        void* object = nullptr;
        ASSERT_EQ(CoCreateInstance(kClass, nullptr, CLSCTX_ALL, IID_IDispatch, &object), S_OK);
        auto* dispatch = static_cast<testing::CountedObject*>(static_cast<IDispatch*>(object));
        EXPECT_EQ(dispatch->Count(), 1u); // the caller's one reference
        dispatch->Release();

        const IID unknownIid{7, 7, 7, {}};
        object = reinterpret_cast<void*>(1);
        EXPECT_EQ(CoCreateInstance(kClass, nullptr, CLSCTX_ALL, unknownIid, &object), E_NOINTERFACE);
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(CoCreateInstance(kClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
        EXPECT_EQ(made, 2);
    }
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(kClass, nullptr, CLSCTX_ALL, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
}

TEST(ClassRegistry, EntersAndRemovesItsRegistryEntries)
{
    int made = 0;
    {
        ClassRegistration registration(kClass, "Test.Counted.1", "Counted", "counted.so", MakeCounted(&made));
        EXPECT_EQ(GetRegistryValue(HKEY_CLASSES_ROOT, std::string(kKey) + "\\InprocServer32"), "counted.so");
        EXPECT_EQ(GetRegistryValue(HKEY_CLASSES_ROOT, std::string(kKey) + "\\ProgID"), "Test.Counted.1");

        LPOLESTR progId = nullptr;
        ASSERT_EQ(ProgIDFromCLSID(kClass, &progId), S_OK);
        EXPECT_EQ(std::u16string_view(progId), u"Test.Counted.1");
        CoTaskMemFree(progId);

        CLSID found{};
        EXPECT_EQ(CLSIDFromProgID(u"test.counted.1", &found), S_OK); // names ignore case
        EXPECT_EQ(found, kClass);
        EXPECT_EQ(CLSIDFromString(u"{a1b2c3d4-1234-5678-9abc-def012345678}", &found), S_OK);
        EXPECT_EQ(CLSIDFromString(u"Test.Counted.1", &found), S_OK);
        EXPECT_EQ(found, kClass);
        EXPECT_EQ(CLSIDFromString(u"{not a guid}", &found), CO_E_CLASSSTRING);
    }
    EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, kKey));
    LPOLESTR progId = reinterpret_cast<LPOLESTR>(1);
    EXPECT_EQ(ProgIDFromCLSID(kClass, &progId), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(progId, nullptr);
    CLSID found{};
    EXPECT_EQ(CLSIDFromProgID(u"Test.Counted.1", &found), CO_E_CLASSSTRING);
}

TEST(ClassRegistry, NewerRegistrationStandsInFrontUntilRevoked)
{
    int first = 0;
    int second = 0;
    ClassRegistration older(kClass, "", "Older", "older.so", MakeCounted(&first));
    void* object = nullptr;
    {
        ClassRegistration newer(kClass, "", "Newer", "newer.so", MakeCounted(&second));
        ASSERT_EQ(CoCreateInstance(kClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), S_OK);
        static_cast<IUnknown*>(object)->Release();
    }
    ASSERT_EQ(CoCreateInstance(kClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), S_OK);
    static_cast<IUnknown*>(object)->Release();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(CoRevokeClassObject(0xFFFF), E_INVALIDARG);
}

// An object with a start step.
class Runnable final : public IRunnableObjectLite {
public:
    explicit Runnable(HRESULT answer) : answer_(answer) {}
    Runnable(const Runnable&) = delete;
    Runnable& operator=(const Runnable&) = delete;
    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IUnknown || riid == IID_IRunnableObjectLite) {
            *object = static_cast<IRunnableObjectLite*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++count; }
    ULONG Release() override
    {
        const ULONG left = --count;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT Run() override
    {
        ++runs;
        return answer_;
    }
    BOOL IsRunning() override { return runs > 0; }
    ULONG count = 1;
    int runs = 0;

private:
    ~Runnable() = default;
    HRESULT answer_;
};

TEST(OleRun, RunsARunnableObjectAndPassesOthers)
{
    auto* runnable = new Runnable(S_OK);
    EXPECT_EQ(OleRun(runnable), S_OK);
    EXPECT_EQ(runnable->runs, 1);
    EXPECT_EQ(runnable->count, 1u);
    runnable->Release();

    auto* failing = new Runnable(E_ABORT);
    EXPECT_EQ(OleRun(failing), E_ABORT);
    failing->Release();

    auto* plain = new testing::CountedObject();
    EXPECT_EQ(OleRun(plain), S_OK);
    plain->Release();
    EXPECT_EQ(OleRun(nullptr), E_INVALIDARG);
}

TEST(ComObject, CreateInstanceRunsTheObjectAndKeepsOneHold)
{
    int made = 0;
    ClassRegistration registration(kClass, "", "Counted", "counted.so", MakeCounted(&made));
    ComObject holder;
    EXPECT_EQ(holder.CreateInstance(kClass, CLSCTX_ALL, IID_IDispatch), 0);
    ASSERT_NE(holder.GetInterface(), nullptr);
    EXPECT_EQ(holder.CreateInstance(kClass, CLSCTX_ALL, IID_IDispatch), 1); // already holding
    EXPECT_EQ(made, 1);
    EXPECT_EQ(holder.AddRef(), 2u);
    EXPECT_EQ(holder.Release(), 1u);
    EXPECT_NE(holder.GetInterface(), nullptr);
    EXPECT_EQ(holder.Release(), 0u); // cleared at the last reference
    EXPECT_EQ(holder.GetInterface(), nullptr);
    EXPECT_EQ(holder.Release(), 0u);

    const CLSID missing{9, 9, 9, {}};
    EXPECT_EQ(holder.CreateInstance(missing, CLSCTX_ALL, IID_IUnknown), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(holder.GetInterface(), nullptr);
}

} // namespace
} // namespace quorin::com
