#include "platform/com/ErrorInfo.h"

#include <atomic>
#include <new>
#include <string>

#include "platform/com/Bstr.h"

namespace quorin::com {
namespace {

class ErrorInfoObject final : public IErrorInfo {
public:
    ErrorInfoObject(std::u16string_view description, std::u16string_view source, const GUID& guid)
        : description_(description), source_(source), guid_(guid)
    {
    }
    ErrorInfoObject(const ErrorInfoObject&) = delete;
    ErrorInfoObject& operator=(const ErrorInfoObject&) = delete;

    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IErrorInfo) {
            *object = static_cast<IErrorInfo*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++count_; }
    ULONG Release() override
    {
        const ULONG left = --count_;
        if (left == 0) {
            delete this;
        }
        return left;
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
    ~ErrorInfoObject() = default;

    static HRESULT Give(std::u16string_view text, BSTR* out)
    {
        if (out == nullptr) {
            return E_INVALIDARG;
        }
        *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return *out == nullptr ? E_OUTOFMEMORY : S_OK;
    }

    std::atomic<ULONG> count_{1};
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
