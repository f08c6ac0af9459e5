#pragma once
// Arguments of IDispatch::Invoke and the reading of one of them.
#include "platform/com/Unknown.h"
#include "platform/com/Variant.h"

namespace quorin::com {

inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_VALUE = 0;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;

// The arguments in reverse order: rgvarg[cArgs - 1] is the first parameter. The named arguments
// come first in rgvarg, with their dispatch ids in rgdispidNamedArgs.
struct DISPPARAMS {
    VARIANTARG* rgvarg;
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    void* pvReserved;
    HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
    SCODE scode;
};

// Reads the parameter at `position`, counted from the first parameter of the method (0 = first):
// a named argument with that dispatch id when there is one, else the positional one. Coerces it to
// `vtTarget` into `result`, which the caller owns afterwards (and must have initialised).
// DISP_E_PARAMNOTFOUND when the call has no such parameter; DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW
// when it cannot be coerced, and then the argument's index in rgvarg goes to *argErr (when not null).
HRESULT DispGetParam(DISPPARAMS* params, UINT position, VARTYPE vtTarget, VARIANT* result, UINT* argErr);

} // namespace quorin::com
