#pragma once
// Base of COM objects that implement an interface themselves: an embedded IUnknown and an atomic
// reference count. Such objects live on the heap; the last Release deletes them.
#include <atomic>

#include "platform/com/ComObject.h"

namespace quorin::com {

class ComServerObject : public ComObject {
public:
    ComServerObject() : IUNKNOWN(*this) {}

    // Replace the holder's three: they act on this object itself.
    HRESULT QueryInterface(REFIID riid, void** object) override; // the embedded IUnknown's
    ULONG AddRef() override;                                     // atomic; the new count
    ULONG Release() override;                                    // atomic; deletes at 0 and gives 0

    // The embedded IUnknown's three entries. QueryInterface answers IID_IUnknown only: IUNK with one
    // more reference when IUNK is set; anything else a null pointer and E_NOINTERFACE.
    virtual HRESULT UnknownQueryInterface(REFIID riid, void** object);
    virtual ULONG UnknownAddRef();
    virtual ULONG UnknownRelease();

    // IUNK := the embedded IUnknown, then one AddRef through the table (the creator's reference).
    void InitServer();

    class EmbeddedUnknown final : public IUnknown {
    public:
        explicit EmbeddedUnknown(ComServerObject& owner) : owner_(owner) {}
        HRESULT QueryInterface(REFIID riid, void** object) override { return owner_.UnknownQueryInterface(riid, object); }
        ULONG AddRef() override { return owner_.UnknownAddRef(); }
        ULONG Release() override { return owner_.UnknownRelease(); }

    private:
        ComServerObject& owner_;
    };

    EmbeddedUnknown IUNKNOWN;
    std::atomic<std::int32_t> CREF{0};

protected:
    ~ComServerObject() override;
};

} // namespace quorin::com
