#pragma once
// IUnknown and IDispatch as abstract classes: declaration order is the order of their method tables
// (slot 0 QueryInterface, 1 AddRef, 2 Release, then IDispatch's four). No virtual destructor, since
// one would add table entries; objects end themselves in Release.
#include "platform/com/Guid.h"
#include "platform/com/HResult.h"

namespace quorin::com {

struct VARIANT;
struct DISPPARAMS;
struct EXCEPINFO;
struct ITypeInfo; // never defined: type information is not offered by this layer

class IUnknown {
public:
    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    IUnknown() = default;
    IUnknown(const IUnknown&) = default;
    IUnknown& operator=(const IUnknown&) = default;
    ~IUnknown() = default;
};

inline constexpr WORD DISPATCH_METHOD = 0x1;
inline constexpr WORD DISPATCH_PROPERTYGET = 0x2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
inline constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

class IDispatch : public IUnknown {
public:
    virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
    virtual HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) = 0;
    virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) = 0;
    virtual HRESULT Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) = 0;

protected:
    ~IDispatch() = default;
};

// Releases a held pointer and sets it to null; null does nothing.
template <class T>
void SafeRelease(T*& pointer)
{
    if (pointer != nullptr) {
        T* held = pointer;
        pointer = nullptr;
        held->Release();
    }
}

} // namespace quorin::com
