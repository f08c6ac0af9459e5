#pragma once
// The system's handle on one PDF viewer control: holds its main interface, the event sink connected
// to it, the window controls that host it and the result of its latest COM call.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/com/ComObject.h"
#include "platform/com/Variant.h"
#include "platform/pdfview/PdfViewInterface.h"

namespace quorin {
class Queue;
class Window;
} // namespace quorin

namespace quorin::viewer {

using com::BSTR;
using com::HRESULT;
using com::VARIANT;

class ViewerEventSink;

// Upper-case hex digits of the code taken as unsigned, most significant first, no leading zeros and
// no prefix; 0 gives the empty text.
std::string FormatHResult(HRESULT code);

// Report flag: a report shown only while DEBUG is on.
inline constexpr std::uint8_t kReportIfDebug = 1;

class IPDFviewClass : public com::ComObject {
public:
    IPDFviewClass(); // Construct
    // Destruct: kills the object when it still holds the control, then releases what it owns.
    ~IPDFviewClass() override;

    // Virtual operations after the holder's seven, in table order.
    // Creates the viewer object without a window; the value of HR at its end.
    virtual HRESULT Init();
    // Holds `pointer` as the main interface (no AddRef, no QueryInterface); E_NOINTERFACE for null.
    virtual HRESULT Attach(pdfview::IPDFview* pointer);
    // Disconnects and ends the sink, lets go of the control and destroys a host control the wrapper
    // made; E_NOINTERFACE when nothing is held.
    virtual HRESULT Kill();
    // The registered path of the control's in-process server; empty when none is registered.
    virtual std::string GetServerPath();
    // Takes the thread's error description into *description (null on entry), or leaves it null.
    virtual void GetErrorDescription(BSTR* description);
    // Shows name " failed (" detail ")" in a "COM Error" box, unless the flag is kReportIfDebug while
    // DEBUG is 0. Always 0.
    virtual std::int32_t ReportComError(std::string_view name, HRESULT code, std::uint8_t flag);
    // Hosting the control in the current window: built with the window layer (IPDFviewHosting.cpp).
    // `window` null is the current window. Each returns 0; the outcome shows in ISINITIALIZED/OLECTRL.
    virtual std::int32_t InitInRegion(std::int32_t region, Window* window);
    virtual std::int32_t CreateControl(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                                       std::int32_t withEvents);
    virtual std::int32_t InitOnControl(std::int32_t control, std::int32_t withEvents);
    virtual std::int32_t MoveToRegion(std::int32_t region, Window* window);
    virtual std::int32_t SetPosition(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);
    // Events from the sink: the name as zero-terminated text with its size (length plus one; null
    // and 0 without a name) and the flags. No behaviour here; a subclass supplies it.
    virtual void OnEventType1(const char* name, std::size_t size, std::int32_t flags);
    virtual void OnEventType3(const char* name, std::size_t size, std::int32_t flags);
    virtual void OnEventType4(const char* name, std::size_t size, std::int32_t flags);

    // Interface calls: E_FAIL without a held interface (nothing called, no report); else the
    // method's result, kept in HR and reported (flag kReportIfDebug) unless it is 0. Any value but 0
    // is a failure, S_FALSE included.
    HRESULT SetProperty(BSTR name, const VARIANT& value, std::int32_t options);
    HRESULT RunJavaScript(BSTR script, BSTR* result, std::int32_t documentId, std::int32_t flags);
    HRESULT SaveDocument(std::int32_t documentId, BSTR fileName, std::int32_t saveOption, std::int32_t flags);
    HRESULT CloseDocument(std::int32_t documentId, std::int32_t flags);
    HRESULT OpenDocument(BSTR fileName, BSTR password, std::int32_t* documentId, std::int32_t flags);
    HRESULT GetTextFromResult(HRESULT code, std::int32_t* text);

    // Convenience operations on the system's texts (trailing blanks dropped, leading kept): 1 when
    // the one interface call they make returns 0, else 0.
    std::int32_t SetFlagProperty(std::string_view name, std::uint8_t flag);
    std::int32_t SetLongProperty(std::string_view name, std::int32_t value);
    std::int32_t SaveDocumentAs(std::int32_t documentId, std::string_view fileName, std::int32_t flag);
    std::int32_t OpenDocumentFile(std::string_view fileName, std::string_view password, std::int32_t& documentId,
                                  std::int32_t flags);
    std::int32_t GetOleControl() const { return OLECTRL; }

    // Joins the rows of `script` (field 1, LINE) with a blank in front of each non-blank one, runs
    // the text, and on success replaces the rows of `result` with the returned text cut at CR LF.
    // 1 when the script ran, else 0 (and `result` untouched).
    std::int32_t RunScriptLines(std::int32_t documentId, Queue& script, Queue& result, std::int32_t flags);

    // Fields after the holder's IUNK and FPREINSTANTIATED.
    std::int32_t ISINITIALIZED = 0;
    std::int32_t DEBUG = 0;
    pdfview::IPDFview* IPDFVIEWOBJ = nullptr;
    ViewerEventSink* IPDFVIEWEVENTS = nullptr;
    HRESULT HR = 0;
    std::int32_t OLECTRL = 0;
    std::int32_t REGIONCTRLID = 0;

private:
    template <class Call>
    HRESULT CallControl(std::string_view reportName, Call call);

    // A viewer object made by Init carries the wrapper's reference (released by Kill); one taken
    // from a host control does not.
    bool ownsViewer_ = false;
    // The window in which the host control OLECTRL was made; Kill destroys the host there, whichever
    // window is current by then.
    std::weak_ptr<Window> hostWindow_;
    int reportDepth_ = 0; // a report that asks the control for a text is not nested again
};

// The width of a script or result row (the queues' field 1, LINE).
inline constexpr std::size_t kScriptLineWidth = 1024;

} // namespace quorin::viewer
