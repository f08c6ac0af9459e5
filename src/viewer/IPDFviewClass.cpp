#include "viewer/IPDFviewClass.h"

#include <string>

#include "platform/com/ClassRegistry.h"
#include "platform/com/ComStrings.h"
#include "platform/com/ErrorInfo.h"
#include "platform/runtime/FixedText.h"
#include "platform/runtime/Registry.h"
#include "platform/runtime/UserInterface.h"
#include "platform/runtime/Window.h"
#include "viewer/ViewerEventSink.h"

namespace quorin::viewer {

std::string FormatHResult(HRESULT code)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    auto value = static_cast<std::uint32_t>(code);
    std::string text;
    while (value != 0) {
        text.insert(text.begin(), kDigits[value % 16]);
        value /= 16;
    }
    return text;
}

IPDFviewClass::IPDFviewClass()
{
    ClearInterface();
    DEBUG = 0;
}

IPDFviewClass::~IPDFviewClass()
{
    if (ISINITIALIZED == 1) {
        Kill();
    }
    ReleaseOwned();
}

HRESULT IPDFviewClass::Init()
{
    void* pointer = nullptr;
    HR = com::CoCreateInstance(pdfview::CLSID_PDFview, nullptr, com::CLSCTX_ALL, pdfview::IID_IPDFview, &pointer);
    if (HR != 0) {
        ISINITIALIZED = 0;
        ReportComError("IPDFviewClass.Init: CoCreateInstance", HR, kReportIfDebug);
    } else {
        HR = Attach(static_cast<pdfview::IPDFview*>(pointer));
        ownsViewer_ = HR == 0;
    }
    return HR;
}

HRESULT IPDFviewClass::Attach(pdfview::IPDFview* pointer)
{
    if (pointer == nullptr) {
        HR = com::E_NOINTERFACE;
        return HR;
    }
    IPDFVIEWOBJ = pointer;
    IUNK = pointer;
    ownsViewer_ = false;
    ISINITIALIZED = 1;
    HR = 0;
    return 0;
}

HRESULT IPDFviewClass::Kill()
{
    if (ISINITIALIZED == 0) {
        HR = com::E_NOINTERFACE;
        return HR;
    }
    if (IPDFVIEWOBJ != nullptr) {
        if (IPDFVIEWEVENTS != nullptr) {
            IPDFVIEWEVENTS->Disconnect(GetInterface());
            // The sink ends through its count: should the control still hold it (a failed
            // disconnect), it lives on without a host and drops what arrives.
            ViewerEventSink* sink = IPDFVIEWEVENTS;
            IPDFVIEWEVENTS = nullptr;
            sink->AHOST = nullptr;
            sink->Release();
        }
        pdfview::IPDFview* viewer = IPDFVIEWOBJ;
        IUNK = nullptr;
        IPDFVIEWOBJ = nullptr;
        if (ownsViewer_) {
            ownsViewer_ = false;
            viewer->Release(); // made by Init: the wrapper held its only reference
        }
        if (OLECTRL != REGIONCTRLID) {
            if (const std::shared_ptr<Window> window = hostWindow_.lock()) {
                window->Destroy(OLECTRL, 0);
            } // else the host went with its window
        }
        hostWindow_.reset();
        OLECTRL = 0;
        REGIONCTRLID = 0;
    }
    ISINITIALIZED = 0;
    HR = 0;
    return 0;
}

std::string IPDFviewClass::GetServerPath()
{
    return GetRegistryValue(HKEY_CLASSES_ROOT, "CLSID\\" + com::FormatGuid(pdfview::CLSID_PDFview) + "\\InprocServer32");
}

void IPDFviewClass::GetErrorDescription(BSTR* description)
{
    com::IErrorInfo* info = nullptr;
    if (com::GetErrorInfo(0, &info) == com::S_OK && info != nullptr) {
        HR = info->GetDescription(description);
        info->Release();
    } else {
        com::ResetBstr(description);
    }
}

std::int32_t IPDFviewClass::ReportComError(std::string_view name, HRESULT code, std::uint8_t flag)
{
    const std::string nameCopy(name);
    if (DEBUG == 0 && flag == kReportIfDebug) {
        return 0;
    }
    BSTR description = nullptr;
    GetErrorDescription(&description);
    std::string detail(Clip(com::AnsiFromWide(description)));
    if (detail.empty()) {
        bool haveText = false;
        if (reportDepth_ == 0) {
            ++reportDepth_;
            std::int32_t cell = 0;
            if (GetTextFromResult(code, &cell) == 0) {
                detail = std::string(Clip(NumberToText(cell)));
                haveText = true;
            }
            --reportDepth_;
        }
        if (!haveText) {
            detail = FormatHResult(code);
        }
    }
    ShowMessageIcon(nameCopy + " failed (" + detail + ")", "COM Error", icon::kAsterisk, 0, 0, 0);
    com::FreeBstr(description);
    return 0;
}

void IPDFviewClass::OnEventType1(const char*, std::size_t, std::int32_t) {}
void IPDFviewClass::OnEventType3(const char*, std::size_t, std::int32_t) {}
void IPDFviewClass::OnEventType4(const char*, std::size_t, std::int32_t) {}

template <class Call>
HRESULT IPDFviewClass::CallControl(std::string_view reportName, Call call)
{
    if (ISINITIALIZED == 0) {
        HR = com::E_FAIL;
        return HR;
    }
    const HRESULT result = call(*IPDFVIEWOBJ);
    HR = result;
    if (result != 0) {
        ReportComError(reportName, result, kReportIfDebug);
    }
    return result;
}

HRESULT IPDFviewClass::SetProperty(BSTR name, const VARIANT& value, std::int32_t options)
{
    return CallControl("IPDFviewClass.SetProperty",
                       [&](pdfview::IPDFview& v) { return v.SetProperty(name, value, options); });
}

HRESULT IPDFviewClass::RunJavaScript(BSTR script, BSTR* result, std::int32_t documentId, std::int32_t flags)
{
    return CallControl("IPDFviewClass.RunJavaScript",
                       [&](pdfview::IPDFview& v) { return v.RunJavaScript(script, result, documentId, flags); });
}

HRESULT IPDFviewClass::SaveDocument(std::int32_t documentId, BSTR fileName, std::int32_t saveOption, std::int32_t flags)
{
    return CallControl("IPDFviewClass.SaveDocument",
                       [&](pdfview::IPDFview& v) { return v.SaveDocument(documentId, fileName, saveOption, flags); });
}

HRESULT IPDFviewClass::CloseDocument(std::int32_t documentId, std::int32_t flags)
{
    return CallControl("IPDFviewClass.CloseDocument",
                       [&](pdfview::IPDFview& v) { return v.CloseDocument(documentId, flags); });
}

HRESULT IPDFviewClass::OpenDocument(BSTR fileName, BSTR password, std::int32_t* documentId, std::int32_t flags)
{
    return CallControl("IPDFviewClass.OpenDocument",
                       [&](pdfview::IPDFview& v) { return v.OpenDocument(fileName, password, documentId, flags); });
}

HRESULT IPDFviewClass::GetTextFromResult(HRESULT code, std::int32_t* text)
{
    return CallControl("IPDFviewClass.GetTextFromResult",
                       [&](pdfview::IPDFview& v) { return v.GetTextFromResult(code, text); });
}

std::int32_t IPDFviewClass::SetFlagProperty(std::string_view name, std::uint8_t flag)
{
    return SetLongProperty(name, flag != 0 ? 1 : 0);
}

std::int32_t IPDFviewClass::SetLongProperty(std::string_view name, std::int32_t value)
{
    const std::string nameCopy(name);
    com::BstrString nameBstr;
    nameBstr.FromText(nameCopy, true);
    VARIANT variant{};
    com::VariantInit(&variant);
    variant.vt = com::VT_I4;
    variant.lVal = value;
    return SetProperty(nameBstr.Get(), variant, 0) == 0 ? 1 : 0;
}

std::int32_t IPDFviewClass::SaveDocumentAs(std::int32_t documentId, std::string_view fileName, std::int32_t flag)
{
    const std::string nameCopy(fileName);
    com::BstrString nameBstr;
    nameBstr.FromText(nameCopy, true);
    const std::int32_t flags = flag != 0 ? 2 : 0;
    return SaveDocument(documentId, nameBstr.Get(), 3, flags) == 0 ? 1 : 0;
}

std::int32_t IPDFviewClass::OpenDocumentFile(std::string_view fileName, std::string_view password,
                                             std::int32_t& documentId, std::int32_t flags)
{
    const std::string nameCopy(fileName);
    const std::string passwordCopy(password);
    com::BstrString nameBstr;
    nameBstr.FromText(nameCopy, true);
    com::BstrString passwordBstr;
    passwordBstr.FromText(passwordCopy, true);
    return OpenDocument(nameBstr.Get(), passwordBstr.Get(), &documentId, flags) == 0 ? 1 : 0;
}

} // namespace quorin::viewer
