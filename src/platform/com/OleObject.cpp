#include "platform/com/OleObject.h"

namespace quorin::com {

HRESULT OleRun(IUnknown* object)
{
    if (object == nullptr) {
        return E_INVALIDARG;
    }
    void* raw = nullptr;
    if (Failed(object->QueryInterface(IID_IRunnableObjectLite, &raw)) || raw == nullptr) {
        return S_OK;
    }
    auto* runnable = static_cast<IRunnableObjectLite*>(raw);
    const HRESULT hr = runnable->Run();
    runnable->Release();
    return hr;
}

} // namespace quorin::com
