#pragma once
// A minimal dispatch object for tests: counts its references and answers the ids it was given.
#include <vector>

#include "platform/com/CountedUnknown.h"
#include "platform/com/Dispatch.h"

namespace quorin::com::testing {

class CountedObject final : public CountedUnknown<CountedObject, IDispatch, IID_IDispatch> {
public:
    explicit CountedObject(std::vector<IID> answers = {}, bool* destroyed = nullptr)
        : answers_(std::move(answers)), destroyed_(destroyed)
    {
    }

    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        bool known = riid == IID_IUnknown || riid == IID_IDispatch;
        for (const IID& iid : answers_) {
            known = known || riid == iid;
        }
        if (!known) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        invoked.push_back(member);
        return S_OK;
    }

    ULONG Count() const { return References(); }
    std::vector<DISPID> invoked;

private:
    friend CountedUnknown;
    ~CountedObject()
    {
        if (destroyed_ != nullptr) {
            *destroyed_ = true;
        }
    }
    std::vector<IID> answers_;
    bool* destroyed_;
};

} // namespace quorin::com::testing
