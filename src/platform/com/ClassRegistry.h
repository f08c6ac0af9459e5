#pragma once
// Object creation: class factories registered for a class id in this process, and the registry
// entries that name them (ProgID to class id and back, the in-process server's path).
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/com/Unknown.h"

namespace quorin::com {

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
inline constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
inline constexpr DWORD CLSCTX_ALL = 0x17;

inline constexpr DWORD REGCLS_MULTIPLEUSE = 1;

class IClassFactory : public IUnknown {
public:
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;

protected:
    ~IClassFactory() = default;
};

// Enters `factory` (a reference is taken) as the maker of `clsid` for the contexts in `context`.
// A later registration of the same class id stands in front of the earlier one until revoked.
HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* factory, DWORD context, DWORD flags, DWORD* cookie);
// Removes that registration and releases the factory; E_INVALIDARG for an unknown cookie.
HRESULT CoRevokeClassObject(DWORD cookie);
HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* reserved, REFIID riid, void** object);

// Asks the class's factory for a new object as `riid`. REGDB_E_CLASSNOTREG when no factory of a
// matching context is registered; *object is null on every failure.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** object);

// Through the registry's entries "<ProgID>\CLSID" and "CLSID\{...}\ProgID" under HKEY_CLASSES_ROOT.
HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid);
// The ProgID as a new zero-terminated text from CoTaskMemAlloc (the caller frees it with
// CoTaskMemFree); REGDB_E_CLASSNOTREG when the class has none.
HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId);
// The braced form or a ProgID.
HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid);

void* CoTaskMemAlloc(std::size_t size);
void CoTaskMemFree(void* block); // null does nothing

// Makes an object of the class for `riid`; the factory answers with what it returns.
using ClassCreator = std::function<HRESULT(IUnknown* outer, REFIID riid, void** object)>;

// One class made known to this process: its registry entries ("CLSID\{...}" with its name, ProgID
// and "InprocServer32" path, and "<ProgID>\CLSID") and a class factory around `creator`. The
// destructor revokes the factory and removes the entries again. Tests register a double this way.
class ClassRegistration {
public:
    ClassRegistration(const CLSID& clsid, std::string_view progId, std::string_view name,
                      std::string_view serverPath, ClassCreator creator);
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;
    ~ClassRegistration();

    HRESULT Result() const { return result_; } // of the factory's registration

private:
    CLSID clsid_;
    std::string progId_;
    DWORD cookie_ = 0;
    HRESULT result_;
};

} // namespace quorin::com
