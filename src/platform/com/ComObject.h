#pragma once
// The runtime's holder of one COM interface pointer, the base of the system's COM classes.
#include <cstdint>

#include "platform/com/Unknown.h"

namespace quorin::com {

class ComObject {
public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    // Virtual operations, in table order.
    // Empty: a holder does not release on destruction by itself; its owner calls ReleaseOwned.
    virtual ~ComObject();
    // 1 and nothing when an interface is held; else CoCreateInstance and OleRun, the object kept in
    // IUNK; the first failing result or 0. An object that fails to run is still held (and released
    // by ReleaseOwned), so the failure costs no leak.
    virtual HRESULT CreateInstance(REFCLSID clsid, DWORD context, REFIID riid);
    virtual HRESULT QueryInterface(REFIID riid, void** object); // on IUNK; E_POINTER without one
    virtual ULONG AddRef();                                      // on IUNK; 0 without one
    // Releases IUNK when held and clears it once the count reaches 0; the count (0 without one).
    virtual ULONG Release();
    // 1 and nothing for null or while holding; else keeps `pointer` without AddRef, not owned when
    // `notOwned` is 1 (its release at ReleaseOwned is then skipped); 0.
    virtual HRESULT AttachInterface(IUnknown* pointer, int notOwned);
    virtual void Reserved(); // the seventh entry: nothing

    // IUNK := null, nothing released.
    void ClearInterface() { IUNK = nullptr; }
    IUnknown* GetInterface() const { return IUNK; }
    // Unless the pointer was attached as not owned, Release through the table.
    void ReleaseOwned();

    static bool SameGuid(const GUID& a, const GUID& b) { return a == b; }
    // Connects `sink` to the connection point for `iid` of `source`: QueryInterface for
    // IConnectionPointContainer, FindConnectionPoint, Advise; each object released after use. The
    // first failing result, else Advise's. A source without a container (or null) gives 0.
    static HRESULT Advise(IUnknown* source, REFIID iid, IUnknown* sink, DWORD* cookie);
    // The same road, ending in Unadvise(cookie).
    static HRESULT Unadvise(IUnknown* source, REFIID iid, DWORD cookie);

    IUnknown* IUNK = nullptr;
    std::uint8_t FPREINSTANTIATED = 0;
};

} // namespace quorin::com
