#pragma once
// IUnknown for a heap object that implements one interface itself: QueryInterface answers
// IID_IUnknown and the `answered` ids with that interface, the count is atomic and starts at 1 (the
// creator's reference), and the last Release deletes the object as `Derived`, since the interfaces
// have no virtual destructor. `Derived` keeps its destructor private and befriends this class.
#include <atomic>

#include "platform/com/Unknown.h"

namespace quorin::com {

template <class Derived, class Interface, const IID&... answered>
class CountedUnknown : public Interface {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || ((riid == answered) || ...)) {
            *object = static_cast<Interface*>(this);
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
            delete static_cast<Derived*>(this);
        }
        return left;
    }

protected:
    CountedUnknown() = default;
    CountedUnknown(const CountedUnknown&) = delete;
    CountedUnknown& operator=(const CountedUnknown&) = delete;
    ~CountedUnknown() = default;

    ULONG References() const { return count_; }

private:
    std::atomic<ULONG> count_{1};
};

} // namespace quorin::com
