#pragma once
// The PDF viewer control's COM surface: its class, its main (dual) interface and its event
// interface. Method positions in IPDFview's table are fixed (callers reach methods by position):
// 0-2 IUnknown, 3-6 IDispatch, then the control's own methods. Slots the system never calls keep
// their place as reserved entries that answer E_NOTIMPL unless an implementation gives them a use.
#include "platform/com/Dispatch.h"

namespace quorin::pdfview {

using com::BSTR;
using com::HRESULT;
using com::VARIANT;

inline constexpr com::CLSID CLSID_PDFview{
    0x441CE133, 0x66BA, 0x49D1, {0x9D, 0x81, 0x08, 0xF2, 0x40, 0x3E, 0xAC, 0xCD}};
inline constexpr com::IID IID_IPDFview{
    0x731C97DD, 0xC836, 0x4136, {0x81, 0x0E, 0xDA, 0x79, 0x5F, 0x62, 0xA4, 0x40}};
inline constexpr com::IID IID__IPDFviewEvents{
    0xF448D26C, 0x3558, 0x4CE6, {0xAD, 0x6F, 0x7A, 0x65, 0xEA, 0x09, 0x3F, 0x02}};

// The ProgID under which the control registers itself (com::ClassRegistration with CLSID_PDFview);
// the OLE host creates it by this name.
inline constexpr const char* kPDFviewProgId = "QuorinPdfView.Viewer.1";

// The main interface. IDispatch comes first, so the object's IDispatch pointer is this interface.
class IPDFview : public com::IDispatch {
public:
    virtual HRESULT Reserved07() { return com::E_NOTIMPL; } // 7
    // 8: a text for a failed result code; the out-cell is 32 bits wide and the caller sets it to 0.
    virtual HRESULT GetTextFromResult(HRESULT code, std::int32_t* text) = 0;
    virtual HRESULT Reserved09() { return com::E_NOTIMPL; } // 9
    virtual HRESULT Reserved10() { return com::E_NOTIMPL; } // 10
    // 11: opens a file; the new document's id goes to *documentId.
    virtual HRESULT OpenDocument(BSTR fileName, BSTR password, std::int32_t* documentId, std::int32_t flags) = 0;
    // 12
    virtual HRESULT CloseDocument(std::int32_t documentId, std::int32_t flags) = 0;
    virtual HRESULT Reserved13() { return com::E_NOTIMPL; } // 13
    virtual HRESULT Reserved14() { return com::E_NOTIMPL; } // 14
    virtual HRESULT Reserved15() { return com::E_NOTIMPL; } // 15
    // 16
    virtual HRESULT SaveDocument(std::int32_t documentId, BSTR fileName, std::int32_t saveOption, std::int32_t flags) = 0;
    virtual HRESULT Reserved17() { return com::E_NOTIMPL; } // 17
    virtual HRESULT Reserved18() { return com::E_NOTIMPL; } // 18
    virtual HRESULT Reserved19() { return com::E_NOTIMPL; } // 19
    virtual HRESULT Reserved20() { return com::E_NOTIMPL; } // 20
    virtual HRESULT Reserved21() { return com::E_NOTIMPL; } // 21
    virtual HRESULT Reserved22() { return com::E_NOTIMPL; } // 22
    virtual HRESULT Reserved23() { return com::E_NOTIMPL; } // 23
    virtual HRESULT Reserved24() { return com::E_NOTIMPL; } // 24
    // 25: runs a script in an open document; *result receives null or a new BSTR the caller frees.
    virtual HRESULT RunJavaScript(BSTR script, BSTR* result, std::int32_t documentId, std::int32_t flags) = 0;
    virtual HRESULT Reserved26() { return com::E_NOTIMPL; } // 26
    virtual HRESULT Reserved27() { return com::E_NOTIMPL; } // 27
    // 28: the VARIANT travels by value; the control copies what it keeps.
    virtual HRESULT SetProperty(BSTR name, VARIANT value, std::int32_t options) = 0;

protected:
    ~IPDFview() = default;
};

// Dispatch id of the one event method.
inline constexpr com::DISPID DISPID_OnEvent = 1;

// The event interface. Its sinks are reached through IDispatch::Invoke with DISPID_OnEvent and the
// five parameters in reverse order in DISPPARAMS: type (VT_I4), name (VT_BSTR), two VARIANTs the
// receiver does not read, flags (VT_I4).
class _IPDFviewEvents : public com::IDispatch {
public:
    virtual HRESULT OnEvent(std::int32_t type, BSTR name, VARIANT* first, VARIANT* second, std::int32_t flags) = 0; // 7

protected:
    ~_IPDFviewEvents() = default;
};

} // namespace quorin::pdfview
