#include "ViewerControlDouble.h"

#include <new>

#include "platform/com/Bstr.h"
#include "platform/com/Dispatch.h"
#include "platform/com/ErrorInfo.h"

namespace quorin::testing {

namespace {

std::optional<std::u16string> TextOf(com::BSTR text)
{
    if (text == nullptr) {
        return std::nullopt;
    }
    return std::u16string(com::BstrView(text));
}

} // namespace

std::vector<std::string> ViewerDoubleState::Methods() const
{
    std::vector<std::string> out;
    for (const ViewerCall& c : calls) {
        out.push_back(c.method);
    }
    return out;
}

std::vector<ViewerCall> ViewerDoubleState::CallsOf(const std::string& method) const
{
    std::vector<ViewerCall> out;
    for (const ViewerCall& c : calls) {
        if (c.method == method) {
            out.push_back(c);
        }
    }
    return out;
}

ViewerControlDouble::ViewerControlDouble(std::shared_ptr<ViewerDoubleState> state)
    : state_(std::move(state)), point_(this, pdfview::IID__IPDFviewEvents)
{
    ++state_->instances;
    ++state_->made;
    state_->last = this;
}

ViewerControlDouble::~ViewerControlDouble()
{
    point_.Close();
    --state_->instances;
    if (state_->last == this) {
        state_->last = nullptr;
    }
}

com::HRESULT ViewerControlDouble::QueryInterface(com::REFIID riid, void** object)
{
    if (object == nullptr) {
        return com::E_POINTER;
    }
    if (riid == com::IID_IUnknown || riid == com::IID_IDispatch || riid == pdfview::IID_IPDFview) {
        *object = static_cast<pdfview::IPDFview*>(this);
    } else if (riid == com::IID_IConnectionPointContainer) {
        *object = static_cast<com::IConnectionPointContainer*>(this);
    } else if (riid == com::IID_IOleObjectLite) {
        *object = static_cast<com::IOleObjectLite*>(this);
    } else {
        *object = nullptr;
        return com::E_NOINTERFACE;
    }
    AddRef();
    return com::S_OK;
}

com::ULONG ViewerControlDouble::AddRef() { return ++count_; }

com::ULONG ViewerControlDouble::Release()
{
    const com::ULONG left = --count_;
    if (left == 0) {
        delete this;
    }
    return left;
}

com::HRESULT ViewerControlDouble::GetTypeInfoCount(com::UINT*) { return com::E_NOTIMPL; }
com::HRESULT ViewerControlDouble::GetTypeInfo(com::UINT, com::LCID, com::ITypeInfo**) { return com::E_NOTIMPL; }
com::HRESULT ViewerControlDouble::GetIDsOfNames(com::REFIID, com::LPOLESTR*, com::UINT, com::LCID, com::DISPID*)
{
    return com::E_NOTIMPL;
}
com::HRESULT ViewerControlDouble::Invoke(com::DISPID, com::REFIID, com::LCID, com::WORD, com::DISPPARAMS*,
                                         com::VARIANT*, com::EXCEPINFO*, com::UINT*)
{
    return com::E_NOTIMPL;
}

com::HRESULT ViewerControlDouble::Answer(ViewerCall call)
{
    const std::string method = call.method;
    state_->calls.push_back(std::move(call));
    if (state_->onCall) {
        state_->onCall(method);
    }
    auto it = state_->results.find(method);
    const com::HRESULT hr = it == state_->results.end() ? com::S_OK : it->second;
    if (hr != com::S_OK) {
        auto description = state_->errorDescriptions.find(method);
        if (description != state_->errorDescriptions.end()) {
            com::SetErrorDescription(description->second, u"viewer double");
        }
    }
    return hr;
}

com::HRESULT ViewerControlDouble::GetTextFromResult(com::HRESULT code, std::int32_t* text)
{
    ViewerCall call{"GetTextFromResult"};
    call.numbers = {code, text == nullptr ? -1 : *text};
    const com::HRESULT hr = Answer(std::move(call));
    if (hr == com::S_OK && text != nullptr) {
        *text = state_->textCell;
    }
    return hr;
}

com::HRESULT ViewerControlDouble::OpenDocument(com::BSTR fileName, com::BSTR password, std::int32_t* documentId,
                                               std::int32_t flags)
{
    ViewerCall call{"OpenDocument"};
    call.texts = {TextOf(fileName), TextOf(password)};
    call.numbers = {flags};
    const com::HRESULT hr = Answer(std::move(call));
    if (hr == com::S_OK && documentId != nullptr) {
        *documentId = state_->documentId;
    }
    return hr;
}

com::HRESULT ViewerControlDouble::CloseDocument(std::int32_t documentId, std::int32_t flags)
{
    ViewerCall call{"CloseDocument"};
    call.numbers = {documentId, flags};
    return Answer(std::move(call));
}

com::HRESULT ViewerControlDouble::SaveDocument(std::int32_t documentId, com::BSTR fileName, std::int32_t saveOption,
                                               std::int32_t flags)
{
    ViewerCall call{"SaveDocument"};
    call.texts = {TextOf(fileName)};
    call.numbers = {documentId, saveOption, flags};
    return Answer(std::move(call));
}

com::HRESULT ViewerControlDouble::RunJavaScript(com::BSTR script, com::BSTR* result, std::int32_t documentId,
                                                std::int32_t flags)
{
    ViewerCall call{"RunJavaScript"};
    call.texts = {TextOf(script)};
    call.numbers = {documentId, flags};
    const com::HRESULT hr = Answer(std::move(call));
    if (hr == com::S_OK && result != nullptr && state_->scriptResult) {
        *result = com::SysAllocStringLen(state_->scriptResult->data(), static_cast<com::UINT>(state_->scriptResult->size()));
    }
    return hr;
}

com::HRESULT ViewerControlDouble::SetProperty(com::BSTR name, com::VARIANT value, std::int32_t options)
{
    ViewerCall call{"SetProperty"};
    call.texts = {TextOf(name)};
    call.numbers = {options};
    call.variantType = value.vt;
    call.variantLong = value.lVal;
    return Answer(std::move(call));
}

com::HRESULT ViewerControlDouble::EnumConnectionPoints(com::IEnumConnectionPoints** points)
{
    if (points != nullptr) {
        *points = nullptr;
    }
    return com::E_NOTIMPL;
}

com::HRESULT ViewerControlDouble::FindConnectionPoint(com::REFIID riid, com::IConnectionPoint** point)
{
    if (point == nullptr) {
        return com::E_POINTER;
    }
    *point = nullptr;
    if (riid != pdfview::IID__IPDFviewEvents) {
        return com::CONNECT_E_NOCONNECTION;
    }
    if (state_->unadviseResult != com::S_OK) {
        // A point whose Unadvise fails: hand out a wrapper that refuses it.
        struct Refusing final : com::IConnectionPoint {
            ViewerControlDouble& owner;
            com::HRESULT refusal;
            std::atomic<com::ULONG> count{1};
            Refusing(ViewerControlDouble& o, com::HRESULT r) : owner(o), refusal(r) { owner.AddRef(); }
            ~Refusing() { owner.Release(); }
            com::HRESULT QueryInterface(com::REFIID, void** object) override
            {
                *object = nullptr;
                return com::E_NOINTERFACE;
            }
            com::ULONG AddRef() override { return ++count; }
            com::ULONG Release() override
            {
                const com::ULONG left = --count;
                if (left == 0) {
                    delete this;
                }
                return left;
            }
            com::HRESULT GetConnectionInterface(com::IID* iid) override { return owner.point_.GetConnectionInterface(iid); }
            com::HRESULT GetConnectionPointContainer(com::IConnectionPointContainer** c) override
            {
                return owner.point_.GetConnectionPointContainer(c);
            }
            com::HRESULT Advise(com::IUnknown* sink, com::DWORD* cookie) override { return owner.point_.Advise(sink, cookie); }
            com::HRESULT Unadvise(com::DWORD) override { return refusal; }
            com::HRESULT EnumConnections(com::IEnumConnections** e) override { return owner.point_.EnumConnections(e); }
        };
        *point = new Refusing(*this, state_->unadviseResult);
        return com::S_OK;
    }
    *point = &point_;
    point_.AddRef();
    return com::S_OK;
}

com::HRESULT ViewerControlDouble::DoVerb(com::LONG verb)
{
    ViewerCall call{"DoVerb"};
    call.numbers = {verb};
    return Answer(std::move(call));
}

com::HRESULT ViewerControlDouble::Close(com::DWORD saveOption)
{
    ViewerCall call{"Close"};
    call.numbers = {saveOption};
    const com::HRESULT hr = Answer(std::move(call));
    point_.Close();
    return hr;
}

std::vector<com::HRESULT> ViewerControlDouble::RaiseEvent(std::int32_t type, const std::u16string& name,
                                                          std::int32_t flags)
{
    std::vector<com::VARIANT> args(5);
    for (com::VARIANT& v : args) {
        com::VariantInit(&v);
    }
    // Reverse order: flags, second, first, name, type.
    args[0].vt = com::VT_I4;
    args[0].lVal = flags;
    args[3].vt = com::VT_BSTR;
    args[3].bstrVal = com::SysAllocStringLen(name.data(), static_cast<com::UINT>(name.size()));
    args[4].vt = com::VT_I4;
    args[4].lVal = type;
    return RaiseRaw(pdfview::DISPID_OnEvent, com::DISPATCH_METHOD, std::move(args), nullptr);
}

std::vector<com::HRESULT> ViewerControlDouble::RaiseRaw(com::DISPID member, com::WORD flags,
                                                        std::vector<com::VARIANT> reversedArgs, com::UINT* argErr)
{
    com::DISPPARAMS params{reversedArgs.data(), nullptr, static_cast<com::UINT>(reversedArgs.size()), 0};
    std::vector<com::HRESULT> results;
    AddRef(); // a sink may drop the last outside reference while it handles the event
    for (com::IDispatch* sink : point_.Sinks()) {
        results.push_back(sink->Invoke(member, com::GUID_NULL, 0, flags, &params, nullptr, nullptr, argErr));
        sink->Release();
    }
    for (com::VARIANT& v : reversedArgs) {
        com::VariantClear(&v);
    }
    Release();
    return results;
}

ViewerDoubleRegistration::ViewerDoubleRegistration()
    : state_(std::make_shared<ViewerDoubleState>()),
      registration_(pdfview::CLSID_PDFview, pdfview::kPDFviewProgId, "PDF viewer (test double)",
                    kViewerDoubleServerPath,
                    [state = state_](com::IUnknown* outer, com::REFIID riid, void** object) -> com::HRESULT {
                        if (outer != nullptr) {
                            return com::CLASS_E_NOAGGREGATION;
                        }
                        if (state->createResult != com::S_OK) {
                            return state->createResult;
                        }
                        auto* made = new (std::nothrow) ViewerControlDouble(state);
                        if (made == nullptr) {
                            return com::E_OUTOFMEMORY;
                        }
                        const com::HRESULT hr = made->QueryInterface(riid, object);
                        made->Release();
                        return hr;
                    })
{
}

} // namespace quorin::testing
