#pragma once
// The COM object that receives the viewer control's events (_IPDFviewEvents) for one wrapper, its
// host, and hands events of types 0, 1, 3 and 4 to the host's event operations.
#include <cstdint>
#include <string_view>

#include "platform/com/ComServerObject.h"
#include "platform/com/Dispatch.h"
#include "platform/pdfview/PdfViewInterface.h"

namespace quorin::viewer {

using com::BSTR;
using com::HRESULT;
using com::VARIANT;

class IPDFviewClass;

// The VARIANT type for a runtime type code (6, signed 32-bit, gives VT_I4); VT_EMPTY for others.
com::VARTYPE GetVariantType(int runtimeTypeCode);

class ViewerEventSink : public com::ComServerObject {
public:
    // A sink starts with every field zero; Init takes the host's reference. It ends through its
    // count (Release), never by delete from outside.
    ViewerEventSink();

    // Answers _IPDFviewEvents, IUnknown and IDispatch with the one event interface pointer (and a
    // reference); any other id goes to IUNK (the embedded IUnknown): E_NOINTERFACE and null.
    HRESULT QueryInterface(com::REFIID riid, void** object) override;

    // The event interface's entries, in its table order.
    virtual HRESULT EventsQueryInterface(com::REFIID riid, void** object);
    virtual com::ULONG EventsAddRef();
    virtual com::ULONG EventsRelease();
    virtual HRESULT EventsGetTypeInfoCount(com::UINT* count);
    virtual HRESULT EventsGetTypeInfo(com::UINT index, com::LCID lcid, com::ITypeInfo** info);
    virtual HRESULT EventsGetIDsOfNames(com::REFIID riid, com::LPOLESTR* names, com::UINT count, com::LCID lcid,
                                        com::DISPID* ids);
    virtual HRESULT EventsInvoke(com::DISPID member, com::REFIID riid, com::LCID lcid, com::WORD flags,
                                 com::DISPPARAMS* params, VARIANT* result, com::EXCEPINFO* excepInfo,
                                 com::UINT* argErr);
    virtual HRESULT EventsOnEvent(std::int32_t type, BSTR name, VARIANT* first, VARIANT* second, std::int32_t flags);
    // Advise / Unadvise on the source's connection point for _IPDFviewEvents.
    virtual HRESULT Connect(com::IUnknown* source);
    virtual HRESULT Disconnect(com::IUnknown* source);
    // name " failed (" hex code ")" in a "COM Error" box, unless flag 1 while DEBUG is 0. Always 0.
    virtual std::int32_t ReportComError(std::string_view name, HRESULT code, std::uint8_t flag);
    // Types 0 and 1 to OnEventType1, 3 to OnEventType3, 4 to OnEventType4, others dropped; an event
    // without a host (before the host took the sink, or after it let go) is dropped too. Always 0.
    virtual std::int32_t ForwardEvent(std::int32_t type, BSTR name, VARIANT* first, VARIANT* second,
                                      std::int32_t flags);

    // IUNK := the embedded IUnknown with one reference (CREF 1), DEBUG := 1.
    void Init();
    // The one interface pointer the sink hands out.
    pdfview::_IPDFviewEvents* EventsInterface() { return &_IPDFVIEWEVENTS; }

    class Events final : public pdfview::_IPDFviewEvents {
    public:
        explicit Events(ViewerEventSink& sink) : sink_(sink) {}
        HRESULT QueryInterface(com::REFIID riid, void** object) override { return sink_.EventsQueryInterface(riid, object); }
        com::ULONG AddRef() override { return sink_.EventsAddRef(); }
        com::ULONG Release() override { return sink_.EventsRelease(); }
        HRESULT GetTypeInfoCount(com::UINT* count) override { return sink_.EventsGetTypeInfoCount(count); }
        HRESULT GetTypeInfo(com::UINT index, com::LCID lcid, com::ITypeInfo** info) override
        {
            return sink_.EventsGetTypeInfo(index, lcid, info);
        }
        HRESULT GetIDsOfNames(com::REFIID riid, com::LPOLESTR* names, com::UINT count, com::LCID lcid,
                              com::DISPID* ids) override
        {
            return sink_.EventsGetIDsOfNames(riid, names, count, lcid, ids);
        }
        HRESULT Invoke(com::DISPID member, com::REFIID riid, com::LCID lcid, com::WORD flags, com::DISPPARAMS* params,
                       VARIANT* result, com::EXCEPINFO* excepInfo, com::UINT* argErr) override
        {
            return sink_.EventsInvoke(member, riid, lcid, flags, params, result, excepInfo, argErr);
        }
        HRESULT OnEvent(std::int32_t type, BSTR name, VARIANT* first, VARIANT* second, std::int32_t flags) override
        {
            return sink_.EventsOnEvent(type, name, first, second, flags);
        }

    private:
        ViewerEventSink& sink_;
    };

    Events _IPDFVIEWEVENTS;
    IPDFviewClass* AHOST = nullptr; // not owned
    std::int32_t DEBUG = 0;
    com::DWORD DWCOOKIE = 0;

protected:
    ~ViewerEventSink() override;
};

} // namespace quorin::viewer
