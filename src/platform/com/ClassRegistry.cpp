#include "platform/com/ClassRegistry.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "platform/com/Bstr.h"
#include "platform/com/CountedUnknown.h"
#include "platform/runtime/CodePage.h"
#include "platform/runtime/Registry.h"

namespace quorin::com {
namespace {

struct Entry {
    DWORD cookie;
    CLSID clsid;
    DWORD context;
    IUnknown* factory;
};

struct Table {
    std::mutex mutex;
    std::vector<Entry> entries;
    DWORD nextCookie = 1;
};

Table& TheTable()
{
    static Table table;
    return table;
}

// The factory of the newest registration that serves one of the asked contexts, with a reference.
IUnknown* FindFactory(const CLSID& clsid, DWORD context)
{
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    for (auto it = table.entries.rbegin(); it != table.entries.rend(); ++it) {
        if (it->clsid == clsid && (it->context & context) != 0) {
            it->factory->AddRef();
            return it->factory;
        }
    }
    return nullptr;
}

class FunctionFactory final : public CountedUnknown<FunctionFactory, IClassFactory, IID_IClassFactory> {
public:
    explicit FunctionFactory(ClassCreator creator) : creator_(std::move(creator)) {}

    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override
    {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        return creator_(outer, riid, object);
    }
    HRESULT LockServer(BOOL /*lock*/) override { return S_OK; }

private:
    friend CountedUnknown;
    ~FunctionFactory() = default;
    ClassCreator creator_;
};

std::string ClassKey(const CLSID& clsid) { return "CLSID\\" + FormatGuid(clsid); }

} // namespace

HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* factory, DWORD context, DWORD /*flags*/, DWORD* cookie)
{
    if (factory == nullptr || cookie == nullptr) {
        return E_INVALIDARG;
    }
    factory->AddRef();
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    *cookie = table.nextCookie++;
    table.entries.push_back({*cookie, clsid, context, factory});
    return S_OK;
}

HRESULT CoRevokeClassObject(DWORD cookie)
{
    IUnknown* factory = nullptr;
    {
        Table& table = TheTable();
        std::lock_guard lock(table.mutex);
        for (auto it = table.entries.begin(); it != table.entries.end(); ++it) {
            if (it->cookie == cookie) {
                factory = it->factory;
                table.entries.erase(it);
                break;
            }
        }
    }
    if (factory == nullptr) {
        return E_INVALIDARG;
    }
    factory->Release(); // outside the lock: a factory may end objects that revoke in turn
    return S_OK;
}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* /*reserved*/, REFIID riid, void** object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    IUnknown* factory = FindFactory(clsid, context);
    if (factory == nullptr) {
        return REGDB_E_CLASSNOTREG;
    }
    const HRESULT hr = factory->QueryInterface(riid, object);
    factory->Release();
    return hr;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    void* raw = nullptr;
    HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, &raw);
    if (Failed(hr)) {
        return hr;
    }
    auto* factory = static_cast<IClassFactory*>(raw);
    hr = factory->CreateInstance(outer, riid, object);
    factory->Release();
    if (Failed(hr)) {
        *object = nullptr;
    }
    return hr;
}

HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid)
{
    if (progId == nullptr || clsid == nullptr) {
        return E_INVALIDARG;
    }
    const std::string name = AnsiFromWide(progId);
    const std::string text = name.empty() ? std::string() : GetRegistryValue(HKEY_CLASSES_ROOT, name + "\\CLSID");
    const std::optional<GUID> guid = ParseGuid(text);
    if (!guid) {
        *clsid = GUID_NULL;
        return CO_E_CLASSSTRING;
    }
    *clsid = *guid;
    return S_OK;
}

HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId)
{
    if (progId == nullptr) {
        return E_INVALIDARG;
    }
    *progId = nullptr;
    const std::string name = GetRegistryValue(HKEY_CLASSES_ROOT, ClassKey(clsid) + "\\ProgID");
    if (name.empty()) {
        return REGDB_E_CLASSNOTREG;
    }
    const std::u16string wide = AnsiToWide(name);
    auto* out = static_cast<OLECHAR*>(CoTaskMemAlloc((wide.size() + 1) * sizeof(OLECHAR)));
    if (out == nullptr) {
        return E_OUTOFMEMORY;
    }
    std::memcpy(out, wide.data(), wide.size() * sizeof(OLECHAR));
    out[wide.size()] = 0;
    *progId = out;
    return S_OK;
}

HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid)
{
    if (text == nullptr || clsid == nullptr) {
        return E_INVALIDARG;
    }
    const std::u16string_view view(text, WideLength(text));
    if (!view.empty() && view.front() == u'{') {
        const std::optional<GUID> guid = ParseGuid(view);
        *clsid = guid.value_or(GUID_NULL);
        return guid ? S_OK : CO_E_CLASSSTRING;
    }
    return CLSIDFromProgID(text, clsid);
}

void* CoTaskMemAlloc(std::size_t size) { return std::malloc(size == 0 ? 1 : size); }

void CoTaskMemFree(void* block) { std::free(block); }

ClassRegistration::ClassRegistration(const CLSID& clsid, std::string_view progId, std::string_view name,
                                     std::string_view serverPath, ClassCreator creator)
    : clsid_(clsid), progId_(progId), result_(E_OUTOFMEMORY)
{
    const std::string key = ClassKey(clsid);
    SetRegistryString(HKEY_CLASSES_ROOT, key, "", name);
    SetRegistryString(HKEY_CLASSES_ROOT, key + "\\InprocServer32", "", serverPath);
    if (!progId_.empty()) {
        SetRegistryString(HKEY_CLASSES_ROOT, key + "\\ProgID", "", progId_);
        SetRegistryString(HKEY_CLASSES_ROOT, progId_, "", name);
        SetRegistryString(HKEY_CLASSES_ROOT, progId_ + "\\CLSID", "", FormatGuid(clsid));
    }
    auto* factory = new (std::nothrow) FunctionFactory(std::move(creator));
    if (factory != nullptr) {
        result_ = CoRegisterClassObject(clsid, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
        factory->Release();
    }
}

ClassRegistration::~ClassRegistration()
{
    if (cookie_ != 0) {
        CoRevokeClassObject(cookie_);
    }
    DeleteRegistryKey(HKEY_CLASSES_ROOT, ClassKey(clsid_));
    if (!progId_.empty()) {
        DeleteRegistryKey(HKEY_CLASSES_ROOT, progId_);
    }
}

} // namespace quorin::com
