#include "platform/com/ComObject.h"

#include "platform/com/ClassRegistry.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/OleObject.h"

namespace quorin::com {

ComObject::~ComObject() = default;

HRESULT ComObject::CreateInstance(REFCLSID clsid, DWORD context, REFIID riid)
{
    if (IUNK != nullptr) {
        return 1;
    }
    void* object = nullptr;
    HRESULT hr = CoCreateInstance(clsid, nullptr, context, riid, &object);
    if (Failed(hr)) {
        return hr;
    }
    IUNK = static_cast<IUnknown*>(object);
    hr = OleRun(IUNK);
    return Failed(hr) ? hr : 0;
}

HRESULT ComObject::QueryInterface(REFIID riid, void** object)
{
    if (IUNK == nullptr) {
        if (object != nullptr) {
            *object = nullptr;
        }
        return E_POINTER;
    }
    return IUNK->QueryInterface(riid, object);
}

ULONG ComObject::AddRef() { return IUNK == nullptr ? 0 : IUNK->AddRef(); }

ULONG ComObject::Release()
{
    if (IUNK == nullptr) {
        return 0;
    }
    const ULONG left = IUNK->Release();
    if (left == 0) {
        IUNK = nullptr;
    }
    return left;
}

HRESULT ComObject::AttachInterface(IUnknown* pointer, int notOwned)
{
    if (pointer == nullptr || IUNK != nullptr) {
        return 1;
    }
    IUNK = pointer;
    if (notOwned == 1) {
        FPREINSTANTIATED = 1;
    }
    return 0;
}

void ComObject::Reserved() {}

void ComObject::ReleaseOwned()
{
    if (FPREINSTANTIATED == 0) {
        Release();
    }
}

namespace {

// The connection point for `iid` of `source`, or the failing result; S_OK with null when the
// source has no container.
HRESULT FindPoint(IUnknown* source, REFIID iid, IConnectionPoint** point)
{
    *point = nullptr;
    if (source == nullptr) {
        return S_OK;
    }
    void* raw = nullptr;
    HRESULT hr = source->QueryInterface(IID_IConnectionPointContainer, &raw);
    if (Failed(hr)) {
        return hr;
    }
    auto* container = static_cast<IConnectionPointContainer*>(raw);
    if (container == nullptr) {
        return S_OK;
    }
    hr = container->FindConnectionPoint(iid, point);
    container->Release();
    if (Failed(hr)) {
        *point = nullptr;
    }
    return hr;
}

} // namespace

HRESULT ComObject::Advise(IUnknown* source, REFIID iid, IUnknown* sink, DWORD* cookie)
{
    IConnectionPoint* point = nullptr;
    HRESULT hr = FindPoint(source, iid, &point);
    if (Failed(hr) || point == nullptr) {
        return hr;
    }
    hr = point->Advise(sink, cookie);
    point->Release();
    return hr;
}

HRESULT ComObject::Unadvise(IUnknown* source, REFIID iid, DWORD cookie)
{
    IConnectionPoint* point = nullptr;
    HRESULT hr = FindPoint(source, iid, &point);
    if (Failed(hr) || point == nullptr) {
        return hr;
    }
    hr = point->Unadvise(cookie);
    point->Release();
    return hr;
}

} // namespace quorin::com
