#include "platform/com/Dispatch.h"

namespace quorin::com {

HRESULT DispGetParam(DISPPARAMS* params, UINT position, VARTYPE vtTarget, VARIANT* result, UINT* argErr)
{
    if (params == nullptr || result == nullptr) {
        return E_INVALIDARG;
    }
    if (params->cNamedArgs > params->cArgs || (params->cArgs > 0 && params->rgvarg == nullptr)) {
        return E_INVALIDARG;
    }
    UINT index = params->cArgs; // none
    for (UINT i = 0; i < params->cNamedArgs && params->rgdispidNamedArgs != nullptr; ++i) {
        if (params->rgdispidNamedArgs[i] == static_cast<DISPID>(position)) {
            index = i;
            break;
        }
    }
    if (index == params->cArgs) {
        // Positional arguments follow the named ones, the last parameter first.
        const UINT positional = params->cArgs - params->cNamedArgs;
        if (position >= positional) {
            return DISP_E_PARAMNOTFOUND;
        }
        index = params->cArgs - 1 - position;
    }
    const HRESULT hr = VariantChangeType(result, &params->rgvarg[index], 0, vtTarget);
    if ((hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW) && argErr != nullptr) {
        *argErr = index;
    }
    return hr;
}

} // namespace quorin::com
