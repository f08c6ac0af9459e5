#include "viewer/ViewerEventSink.h"

#include <string>

#include "platform/com/ComStrings.h"
#include "platform/runtime/FixedText.h"
#include "platform/runtime/UserInterface.h"
#include "viewer/IPDFviewClass.h"

namespace quorin::viewer {

com::VARTYPE GetVariantType(int runtimeTypeCode)
{
    switch (runtimeTypeCode) {
    case 1: return com::VT_UI1;
    case 2: return com::VT_I2;
    case 3: return com::VT_UI2;
    case 6: return com::VT_I4;
    case 7: return com::VT_UI4;
    case 8: case 13: return com::VT_R4;
    case 9: case 14: return com::VT_R8;
    case 42: return com::VT_BSTR;
    case 45: return com::VT_VARIANT;
    default: return com::VT_EMPTY;
    }
}

namespace {
constexpr int kSignedLongTypeCode = 6; // the runtime's type code of the event-type variable
} // namespace

ViewerEventSink::ViewerEventSink() : _IPDFVIEWEVENTS(*this) {}

ViewerEventSink::~ViewerEventSink() = default;

void ViewerEventSink::Init()
{
    InitServer();
    DEBUG = 1;
}

HRESULT ViewerEventSink::QueryInterface(com::REFIID riid, void** object)
{
    if (object == nullptr) {
        return com::E_POINTER;
    }
    *object = nullptr;
    if (SameGuid(riid, pdfview::IID__IPDFviewEvents) || SameGuid(riid, com::IID_IUnknown) ||
        SameGuid(riid, com::IID_IDispatch)) {
        *object = EventsInterface();
        AddRef();
        return com::S_OK;
    }
    if (IUNK == nullptr) {
        return com::E_NOINTERFACE;
    }
    return IUNK->QueryInterface(riid, object);
}

HRESULT ViewerEventSink::EventsQueryInterface(com::REFIID riid, void** object) { return QueryInterface(riid, object); }
com::ULONG ViewerEventSink::EventsAddRef() { return AddRef(); }
com::ULONG ViewerEventSink::EventsRelease() { return Release(); }

HRESULT ViewerEventSink::EventsGetTypeInfoCount(com::UINT*) { return com::E_NOTIMPL; }
HRESULT ViewerEventSink::EventsGetTypeInfo(com::UINT, com::LCID, com::ITypeInfo**) { return com::E_NOTIMPL; }
HRESULT ViewerEventSink::EventsGetIDsOfNames(com::REFIID, com::LPOLESTR*, com::UINT, com::LCID, com::DISPID*)
{
    return com::E_NOTIMPL;
}

HRESULT ViewerEventSink::EventsInvoke(com::DISPID member, com::REFIID /*riid*/, com::LCID /*lcid*/, com::WORD flags,
                                      com::DISPPARAMS* params, VARIANT* /*result*/, com::EXCEPINFO* /*excepInfo*/,
                                      com::UINT* argErr)
{
    if ((flags & 0xFFF0) != 0) {
        return com::E_INVALIDARG;
    }
    com::UINT ownArgErr = 0;
    if (argErr == nullptr) {
        argErr = &ownArgErr;
    }
    VARIANT parameter;
    com::VariantInit(&parameter);
    if (member != pdfview::DISPID_OnEvent) {
        com::VariantClear(&parameter);
        return com::DISP_E_MEMBERNOTFOUND;
    }

    HRESULT hr = com::DispGetParam(params, 0, GetVariantType(kSignedLongTypeCode), &parameter, argErr);
    if (hr != com::S_OK) {
        ReportComError("_IPDFviewEvents.Invoke(OnEvent_Type)", hr, 1);
        com::VariantClear(&parameter);
        return hr;
    }
    const std::int32_t type = parameter.lVal;
    com::VariantClear(&parameter);

    hr = com::DispGetParam(params, 1, com::VT_BSTR, &parameter, argErr);
    if (hr != com::S_OK) {
        ReportComError("_IPDFviewEvents.Invoke(OnEvent_Name)", hr, 1);
        com::VariantClear(&parameter);
        return hr;
    }

    VARIANT flagsParameter;
    com::VariantInit(&flagsParameter);
    hr = com::DispGetParam(params, 4, com::VT_I4, &flagsParameter, argErr);
    if (hr != com::S_OK) {
        ReportComError("_IPDFviewEvents.Invoke(OnEvent_Flags)", hr, 1);
        com::VariantClear(&parameter);
        com::VariantClear(&flagsParameter);
        return hr;
    }

    VARIANT first;
    VARIANT second;
    com::VariantInit(&first);
    com::VariantInit(&second);
    hr = _IPDFVIEWEVENTS.OnEvent(type, parameter.bstrVal, &first, &second, flagsParameter.lVal);
    com::VariantClear(&parameter);
    com::VariantClear(&flagsParameter);
    return hr;
}

HRESULT ViewerEventSink::EventsOnEvent(std::int32_t type, BSTR name, VARIANT* first, VARIANT* second,
                                       std::int32_t flags)
{
    return ForwardEvent(type, name, first, second, flags);
}

HRESULT ViewerEventSink::Connect(com::IUnknown* source)
{
    return Advise(source, pdfview::IID__IPDFviewEvents, EventsInterface(), &DWCOOKIE);
}

HRESULT ViewerEventSink::Disconnect(com::IUnknown* source)
{
    return Unadvise(source, pdfview::IID__IPDFviewEvents, DWCOOKIE);
}

std::int32_t ViewerEventSink::ReportComError(std::string_view name, HRESULT code, std::uint8_t flag)
{
    if (DEBUG == 0 && flag == 1) {
        return 0;
    }
    ShowMessageIcon(std::string(name) + " failed (" + FormatHResult(code) + ")", "COM Error", icon::kAsterisk);
    return 0;
}

std::int32_t ViewerEventSink::ForwardEvent(std::int32_t type, BSTR name, VARIANT* /*first*/, VARIANT* /*second*/,
                                           std::int32_t flags)
{
    com::NarrowString text;
    text.FromWide(name, true, false);
    const std::size_t size = text.Text() != nullptr ? CStringLength(text.Text()) + 1 : 0;
    if (AHOST == nullptr) {
        return 0;
    }
    switch (type) {
    case 0:
    case 1: AHOST->OnEventType1(text.Text(), size, flags); break;
    case 3: AHOST->OnEventType3(text.Text(), size, flags); break;
    case 4: AHOST->OnEventType4(text.Text(), size, flags); break;
    default: break;
    }
    return 0;
}

} // namespace quorin::viewer
