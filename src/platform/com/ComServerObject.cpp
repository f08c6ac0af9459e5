#include "platform/com/ComServerObject.h"

namespace quorin::com {

ComServerObject::~ComServerObject() = default;

HRESULT ComServerObject::QueryInterface(REFIID riid, void** object) { return IUNKNOWN.QueryInterface(riid, object); }

ULONG ComServerObject::AddRef() { return static_cast<ULONG>(CREF.fetch_add(1) + 1); }

ULONG ComServerObject::Release()
{
    const std::int32_t left = CREF.fetch_sub(1) - 1;
    if (left == 0) {
        delete this;
        return 0;
    }
    return static_cast<ULONG>(left);
}

HRESULT ComServerObject::UnknownQueryInterface(REFIID riid, void** object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    if (riid == IID_IUnknown && IUNK != nullptr) {
        IUNK->AddRef();
        *object = IUNK;
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG ComServerObject::UnknownAddRef() { return AddRef(); }
ULONG ComServerObject::UnknownRelease() { return Release(); }

void ComServerObject::InitServer()
{
    IUNK = &IUNKNOWN;
    AddRef();
}

} // namespace quorin::com
