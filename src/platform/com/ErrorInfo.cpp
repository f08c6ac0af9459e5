#include "platform/com/ErrorInfo.h"

#include <new>
#include <string>

#include "platform/com/Bstr.h"
#include "platform/com/CountedUnknown.h"

namespace quorin::com {
namespace {

class ErrorInfoObject final : public CountedUnknown<ErrorInfoObject, IErrorInfo, IID_IErrorInfo> {
public:
    ErrorInfoObject(std::u16string_view description, std::u16string_view source, const GUID& guid)
        : description_(description), source_(source), guid_(guid)
    {
    }

    HRESULT GetGUID(GUID* guid) override
    {
        if (guid == nullptr) {
            return E_INVALIDARG;
        }
        *guid = guid_;
        return S_OK;
    }
    HRESULT GetSource(BSTR* source) override { return Give(source_, source); }
    HRESULT GetDescription(BSTR* description) override { return Give(description_, description); }
    HRESULT GetHelpFile(BSTR* helpFile) override { return Give(u"", helpFile); }
    HRESULT GetHelpContext(DWORD* helpContext) override
    {
        if (helpContext == nullptr) {
            return E_INVALIDARG;
        }
        *helpContext = 0;
        return S_OK;
    }

private:
    friend CountedUnknown;
    ~ErrorInfoObject() = default;

    static HRESULT Give(std::u16string_view text, BSTR* out)
    {
        if (out == nullptr) {
            return E_INVALIDARG;
        }
        *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return *out == nullptr ? E_OUTOFMEMORY : S_OK;
    }

    std::u16string description_;
    std::u16string source_;
    GUID guid_;
};

// The thread's slot; its reference is released when the thread ends.
struct ThreadSlot {
    IErrorInfo* info = nullptr;
    ThreadSlot() = default;
    ThreadSlot(const ThreadSlot&) = delete;
    ThreadSlot& operator=(const ThreadSlot&) = delete;
    ~ThreadSlot() { SafeRelease(info); }
};

ThreadSlot& Slot()
{
    thread_local ThreadSlot slot;
    return slot;
}

} // namespace

HRESULT SetErrorInfo(DWORD /*reserved*/, IErrorInfo* info)
{
    ThreadSlot& slot = Slot();
    if (info != nullptr) {
        info->AddRef();
    }
    IErrorInfo* old = slot.info;
    slot.info = info;
    if (old != nullptr) {
        old->Release();
    }
    return S_OK;
}

HRESULT GetErrorInfo(DWORD /*reserved*/, IErrorInfo** info)
{
    if (info == nullptr) {
        return E_INVALIDARG;
    }
    ThreadSlot& slot = Slot();
    *info = slot.info;
    slot.info = nullptr;
    return *info != nullptr ? S_OK : S_FALSE;
}

IErrorInfo* CreateErrorInfoObject(std::u16string_view description, std::u16string_view source, const GUID& guid)
{
    return new (std::nothrow) ErrorInfoObject(description, source, guid);
}

void SetErrorDescription(std::u16string_view description, std::u16string_view source, const GUID& guid)
{
    IErrorInfo* info = CreateErrorInfoObject(description, source, guid);
    SetErrorInfo(0, info);
    SafeRelease(info);
}

} // namespace quorin::com
