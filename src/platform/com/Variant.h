#pragma once
// VARIANT: 16 bytes, a type tag and an 8-byte value member.
#include <cstring>

#include "platform/com/Bstr.h"
#include "platform/com/HResult.h"

namespace quorin::com {

class IUnknown;
class IDispatch;

enum : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0FFF,
};

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        std::int64_t llVal;
        std::uint64_t ullVal;
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        float fltVal;
        double dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        char cVal;
        USHORT uiVal;
        ULONG ulVal;
        INT intVal;
        UINT uintVal;
        BYTE* pbVal;
        SHORT* piVal;
        LONG* plVal;
        float* pfltVal;
        double* pdblVal;
        VARIANT_BOOL* pboolVal;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        VARIANT* pvarVal;
        void* byref;
    };
};
static_assert(sizeof(VARIANT) == 16);
using VARIANTARG = VARIANT;

// Sets the type to VT_EMPTY; the value bytes are left as they are (nothing is released).
void VariantInit(VARIANT* v);
// Releases what the VARIANT owns (BSTR freed, interfaces released; by-reference values are not
// owned) and sets it to VT_EMPTY. DISP_E_BADVARTYPE for a type this layer does not know.
HRESULT VariantClear(VARIANT* v);
// Deep copy: a BSTR is duplicated, an interface gains a reference. `dest` is cleared first.
HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);
// As VariantCopy, but a by-reference source gives its referenced value.
HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src);
// Converts `src` to type `vt` into `dest` (which may be `src`). Numbers, booleans and texts convert
// among each other; DISP_E_OVERFLOW when the value does not fit, DISP_E_TYPEMISMATCH when it cannot
// be read as that type. `dest` is unchanged on failure.
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt);

} // namespace quorin::com
