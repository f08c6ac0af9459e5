#include "platform/com/ConnectionPoint.h"

#include <algorithm>

namespace quorin::com {

ConnectionPoint::ConnectionPoint(IConnectionPointContainer* owner, const IID& iid) : owner_(owner), iid_(iid) {}

ConnectionPoint::~ConnectionPoint() { Close(); }

HRESULT ConnectionPoint::QueryInterface(REFIID riid, void** object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG ConnectionPoint::AddRef() { return owner_->AddRef(); }
ULONG ConnectionPoint::Release() { return owner_->Release(); }

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid)
{
    if (iid == nullptr) {
        return E_POINTER;
    }
    *iid = iid_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container)
{
    if (container == nullptr) {
        return E_POINTER;
    }
    *container = owner_;
    owner_->AddRef();
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie)
{
    if (cookie == nullptr) {
        return E_POINTER;
    }
    *cookie = 0;
    if (sink == nullptr) {
        return E_POINTER;
    }
    void* events = nullptr;
    if (Failed(sink->QueryInterface(iid_, &events)) || events == nullptr) {
        return CONNECT_E_CANNOTCONNECT;
    }
    // Event interfaces are dispatch interfaces, so the pointer for `iid_` is an IDispatch.
    auto* connected = static_cast<IDispatch*>(events);
    const DWORD assigned = nextCookie_++;
    sinks_.push_back({assigned, connected});
    *cookie = assigned;
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie)
{
    auto it = std::find_if(sinks_.begin(), sinks_.end(), [&](const Connection& c) { return c.cookie == cookie; });
    if (it == sinks_.end()) {
        return CONNECT_E_NOCONNECTION;
    }
    IDispatch* sink = it->sink;
    sinks_.erase(it);
    sink->Release();
    return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** connections)
{
    if (connections != nullptr) {
        *connections = nullptr;
    }
    return E_NOTIMPL;
}

std::vector<IDispatch*> ConnectionPoint::Sinks()
{
    std::vector<IDispatch*> out;
    out.reserve(sinks_.size());
    for (const Connection& c : sinks_) {
        IDispatch* sink = c.sink;
        sink->AddRef();
        out.push_back(sink);
    }
    return out;
}

void ConnectionPoint::Close()
{
    std::vector<Connection> dropped;
    dropped.swap(sinks_);
    for (const Connection& c : dropped) {
        c.sink->Release();
    }
}

} // namespace quorin::com
