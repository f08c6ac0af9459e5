#include "platform/com/Variant.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "platform/com/Unknown.h"
#include "platform/runtime/CodePage.h"

namespace quorin::com {
namespace {

bool IsKnownPlainType(VARTYPE vt)
{
    switch (vt) {
    case VT_EMPTY: case VT_NULL: case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_BSTR:
    case VT_DISPATCH: case VT_ERROR: case VT_BOOL: case VT_UNKNOWN: case VT_I1: case VT_UI1:
    case VT_UI2: case VT_UI4: case VT_I8: case VT_UI8: case VT_INT: case VT_UINT:
        return true;
    default:
        return false;
    }
}

// A number read from a VARIANT: exact integers stay integers.
struct Number {
    bool isReal = false;
    long double integer = 0; // wide enough for every 64-bit value
    double real = 0;
};

enum class ReadResult { Ok, Mismatch, Overflow };

ReadResult ReadText(std::u16string_view wide, Number& out)
{
    std::string text = WideToAnsi(wide);
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return ReadResult::Mismatch;
    }
    const std::size_t last = text.find_last_not_of(" \t");
    text = text.substr(first, last - first + 1);
    std::string lower;
    for (char c : text) {
        lower += static_cast<char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
    }
    if (lower == "true") {
        out.integer = -1;
        return ReadResult::Ok;
    }
    if (lower == "false") {
        out.integer = 0;
        return ReadResult::Ok;
    }
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (*begin == '+') {
        ++begin;
    }
    std::int64_t whole = 0;
    auto [p, ec] = std::from_chars(begin, end, whole);
    if (ec == std::errc() && p == end) {
        out.integer = static_cast<long double>(whole);
        return ReadResult::Ok;
    }
    if (ec == std::errc::result_out_of_range) {
        return ReadResult::Overflow;
    }
    double real = 0;
    auto [q, ec2] = std::from_chars(begin, end, real);
    if (ec2 == std::errc::result_out_of_range) {
        return ReadResult::Overflow;
    }
    if (ec2 != std::errc() || q != end || !std::isfinite(real)) {
        return ReadResult::Mismatch;
    }
    out.isReal = true;
    out.real = real;
    return ReadResult::Ok;
}

ReadResult ReadNumber(const VARIANT& v, Number& out)
{
    switch (v.vt) {
    case VT_EMPTY: out.integer = 0; return ReadResult::Ok;
    case VT_I1: out.integer = v.cVal; return ReadResult::Ok;
    case VT_UI1: out.integer = v.bVal; return ReadResult::Ok;
    case VT_I2: out.integer = v.iVal; return ReadResult::Ok;
    case VT_UI2: out.integer = v.uiVal; return ReadResult::Ok;
    case VT_I4: out.integer = v.lVal; return ReadResult::Ok;
    case VT_INT: out.integer = v.intVal; return ReadResult::Ok;
    case VT_UI4: out.integer = v.ulVal; return ReadResult::Ok;
    case VT_UINT: out.integer = v.uintVal; return ReadResult::Ok;
    case VT_I8: out.integer = static_cast<long double>(v.llVal); return ReadResult::Ok;
    case VT_UI8: out.integer = static_cast<long double>(v.ullVal); return ReadResult::Ok;
    case VT_BOOL: out.integer = v.boolVal == 0 ? 0 : -1; return ReadResult::Ok;
    case VT_R4: out.isReal = true; out.real = v.fltVal; return ReadResult::Ok;
    case VT_R8: out.isReal = true; out.real = v.dblVal; return ReadResult::Ok;
    case VT_BSTR: return ReadText(BstrView(v.bstrVal), out);
    default: return ReadResult::Mismatch;
    }
}

// Whole value of a number for an integer type: reals round half to even, as COM does.
bool WholeValue(const Number& n, long double& out)
{
    if (!n.isReal) {
        out = n.integer;
        return true;
    }
    if (!std::isfinite(n.real)) {
        return false;
    }
    out = std::nearbyint(static_cast<long double>(n.real));
    return true;
}

template <class T>
bool Fits(long double value)
{
    return value >= static_cast<long double>(std::numeric_limits<T>::min()) &&
           value <= static_cast<long double>(std::numeric_limits<T>::max());
}

std::string NumberText(const Number& n)
{
    if (!n.isReal) {
        return std::to_string(static_cast<long long>(n.integer));
    }
    char buffer[64];
    auto [p, ec] = std::to_chars(buffer, buffer + sizeof buffer, n.real);
    return ec == std::errc() ? std::string(buffer, p) : std::string();
}

HRESULT ToNumber(const Number& n, VARTYPE vt, VARIANT& out)
{
    out.vt = vt;
    if (vt == VT_R8 || vt == VT_R4) {
        const double value = n.isReal ? n.real : static_cast<double>(n.integer);
        if (vt == VT_R4) {
            if (std::fabs(value) > std::numeric_limits<float>::max()) {
                return DISP_E_OVERFLOW;
            }
            out.fltVal = static_cast<float>(value);
        } else {
            out.dblVal = value;
        }
        return S_OK;
    }
    if (vt == VT_BOOL) {
        const bool zero = n.isReal ? n.real == 0 : n.integer == 0;
        out.boolVal = zero ? VARIANT_FALSE : VARIANT_TRUE;
        return S_OK;
    }
    long double whole = 0;
    if (!WholeValue(n, whole)) {
        return DISP_E_OVERFLOW;
    }
    switch (vt) {
    case VT_I1: if (!Fits<std::int8_t>(whole)) return DISP_E_OVERFLOW; out.cVal = static_cast<char>(whole); return S_OK;
    case VT_UI1: if (!Fits<std::uint8_t>(whole)) return DISP_E_OVERFLOW; out.bVal = static_cast<BYTE>(whole); return S_OK;
    case VT_I2: if (!Fits<std::int16_t>(whole)) return DISP_E_OVERFLOW; out.iVal = static_cast<SHORT>(whole); return S_OK;
    case VT_UI2: if (!Fits<std::uint16_t>(whole)) return DISP_E_OVERFLOW; out.uiVal = static_cast<USHORT>(whole); return S_OK;
    case VT_I4: if (!Fits<std::int32_t>(whole)) return DISP_E_OVERFLOW; out.lVal = static_cast<LONG>(whole); return S_OK;
    case VT_INT: if (!Fits<std::int32_t>(whole)) return DISP_E_OVERFLOW; out.intVal = static_cast<INT>(whole); return S_OK;
    case VT_UI4: if (!Fits<std::uint32_t>(whole)) return DISP_E_OVERFLOW; out.ulVal = static_cast<ULONG>(whole); return S_OK;
    case VT_UINT: if (!Fits<std::uint32_t>(whole)) return DISP_E_OVERFLOW; out.uintVal = static_cast<UINT>(whole); return S_OK;
    case VT_I8: if (!Fits<std::int64_t>(whole)) return DISP_E_OVERFLOW; out.llVal = static_cast<std::int64_t>(whole); return S_OK;
    case VT_UI8: if (!Fits<std::uint64_t>(whole)) return DISP_E_OVERFLOW; out.ullVal = static_cast<std::uint64_t>(whole); return S_OK;
    default: return DISP_E_BADVARTYPE;
    }
}

// The referenced value of a by-reference VARIANT, as a plain VARIANT sharing its contents.
HRESULT Dereference(const VARIANT& src, VARIANT& out)
{
    out = VARIANT{};
    if ((src.vt & VT_BYREF) == 0) {
        out = src;
        return S_OK;
    }
    if (src.byref == nullptr) {
        return E_INVALIDARG;
    }
    const VARTYPE vt = static_cast<VARTYPE>(src.vt & ~VT_BYREF);
    out.vt = vt;
    switch (vt) {
    case VT_I1: case VT_UI1: out.bVal = *src.pbVal; return S_OK;
    case VT_I2: case VT_UI2: case VT_BOOL: out.iVal = *src.piVal; return S_OK;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_ERROR: out.lVal = *src.plVal; return S_OK;
    case VT_R4: out.fltVal = *src.pfltVal; return S_OK;
    case VT_R8: out.dblVal = *src.pdblVal; return S_OK;
    case VT_I8: case VT_UI8: out.llVal = *static_cast<const std::int64_t*>(src.byref); return S_OK;
    case VT_BSTR: out.bstrVal = *src.pbstrVal; return S_OK;
    case VT_UNKNOWN: out.punkVal = *src.ppunkVal; return S_OK;
    case VT_DISPATCH: out.pdispVal = *src.ppdispVal; return S_OK;
    case VT_VARIANT:
        if ((src.pvarVal->vt & VT_BYREF) != 0) {
            return DISP_E_BADVARTYPE; // one level of reference only
        }
        out = *src.pvarVal;
        return S_OK;
    default: return DISP_E_BADVARTYPE;
    }
}

} // namespace

void VariantInit(VARIANT* v)
{
    if (v != nullptr) {
        v->vt = VT_EMPTY;
    }
}

HRESULT VariantClear(VARIANT* v)
{
    if (v == nullptr) {
        return E_INVALIDARG;
    }
    if ((v->vt & VT_BYREF) == 0) {
        if (!IsKnownPlainType(v->vt)) {
            return DISP_E_BADVARTYPE;
        }
        if (v->vt == VT_BSTR) {
            SysFreeString(v->bstrVal);
        } else if (v->vt == VT_UNKNOWN && v->punkVal != nullptr) {
            v->punkVal->Release();
        } else if (v->vt == VT_DISPATCH && v->pdispVal != nullptr) {
            v->pdispVal->Release();
        }
    }
    v->vt = VT_EMPTY;
    v->llVal = 0;
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src)
{
    if (dest == nullptr || src == nullptr) {
        return E_INVALIDARG;
    }
    if ((src->vt & VT_BYREF) == 0 && !IsKnownPlainType(src->vt)) {
        return DISP_E_BADVARTYPE;
    }
    if (dest == src) {
        return S_OK;
    }
    VARIANT copy = *src;
    if (copy.vt == VT_BSTR && copy.bstrVal != nullptr) {
        copy.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
        if (copy.bstrVal == nullptr) {
            return E_OUTOFMEMORY;
        }
    } else if (copy.vt == VT_UNKNOWN && copy.punkVal != nullptr) {
        copy.punkVal->AddRef();
    } else if (copy.vt == VT_DISPATCH && copy.pdispVal != nullptr) {
        copy.pdispVal->AddRef();
    }
    VariantClear(dest);
    *dest = copy;
    return S_OK;
}

HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src)
{
    if (dest == nullptr || src == nullptr) {
        return E_INVALIDARG;
    }
    VARIANT plain;
    const HRESULT hr = Dereference(*src, plain);
    if (Failed(hr)) {
        return hr;
    }
    VARIANT copy;
    VariantInit(&copy);
    const HRESULT copied = VariantCopy(&copy, &plain);
    if (Failed(copied)) {
        return copied;
    }
    VariantClear(dest);
    *dest = copy;
    return S_OK;
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT /*flags*/, VARTYPE vt)
{
    if (dest == nullptr || src == nullptr) {
        return E_INVALIDARG;
    }
    if (vt == VT_VARIANT) {
        return VariantCopyInd(dest, src);
    }
    if ((vt & VT_BYREF) != 0 || !IsKnownPlainType(vt)) {
        return DISP_E_BADVARTYPE;
    }
    VARIANT from;
    HRESULT hr = Dereference(*src, from);
    if (Failed(hr)) {
        return hr;
    }
    VARIANT out{};
    VariantInit(&out);
    if (from.vt == vt) {
        hr = VariantCopy(&out, &from);
    } else if (vt == VT_EMPTY) {
        hr = S_OK;
    } else if (from.vt == VT_NULL || vt == VT_NULL || vt == VT_ERROR || from.vt == VT_ERROR) {
        hr = DISP_E_TYPEMISMATCH;
    } else if (vt == VT_UNKNOWN || vt == VT_DISPATCH) {
        hr = DISP_E_TYPEMISMATCH;
        if (vt == VT_UNKNOWN && from.vt == VT_DISPATCH) {
            out.vt = VT_UNKNOWN;
            out.punkVal = from.pdispVal;
            if (out.punkVal != nullptr) {
                out.punkVal->AddRef();
            }
            hr = S_OK;
        } else if (vt == VT_DISPATCH && from.vt == VT_UNKNOWN && from.punkVal != nullptr) {
            void* dispatch = nullptr;
            if (Succeeded(from.punkVal->QueryInterface(IID_IDispatch, &dispatch)) && dispatch != nullptr) {
                out.vt = VT_DISPATCH;
                out.pdispVal = static_cast<IDispatch*>(dispatch);
                hr = S_OK;
            }
        }
    } else if (vt == VT_BSTR) {
        Number n;
        if (from.vt == VT_BOOL) {
            out.bstrVal = BstrFromAnsi(from.boolVal == 0 ? "False" : "True");
            hr = S_OK;
        } else if (from.vt == VT_EMPTY) {
            out.bstrVal = SysAllocStringLen(nullptr, 0);
            hr = S_OK;
        } else if (ReadNumber(from, n) == ReadResult::Ok) {
            out.bstrVal = BstrFromAnsi(NumberText(n));
            hr = S_OK;
        } else {
            hr = DISP_E_TYPEMISMATCH;
        }
        if (hr == S_OK) {
            out.vt = VT_BSTR;
            if (out.bstrVal == nullptr) {
                hr = E_OUTOFMEMORY;
                out.vt = VT_EMPTY;
            }
        }
    } else {
        Number n;
        switch (ReadNumber(from, n)) {
        case ReadResult::Ok: hr = ToNumber(n, vt, out); break;
        case ReadResult::Overflow: hr = DISP_E_OVERFLOW; break;
        case ReadResult::Mismatch: hr = DISP_E_TYPEMISMATCH; break;
        }
        if (Failed(hr)) {
            out.vt = VT_EMPTY;
        }
    }
    if (Failed(hr)) {
        return hr;
    }
    VariantClear(dest); // after the conversion, since dest may be src
    *dest = out;
    return S_OK;
}

} // namespace quorin::com
