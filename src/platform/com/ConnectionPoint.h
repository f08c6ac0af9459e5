#pragma once
// Connection points: how an object hands its events to sinks that advise it.
#include <vector>

#include "platform/com/Unknown.h"

namespace quorin::com {

struct IEnumConnectionPoints; // enumerations are not offered by this layer
struct IEnumConnections;
class IConnectionPoint;

class IConnectionPointContainer : public IUnknown {
public:
    virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) = 0;
    virtual HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** point) = 0;

protected:
    ~IConnectionPointContainer() = default;
};

class IConnectionPoint : public IUnknown {
public:
    virtual HRESULT GetConnectionInterface(IID* iid) = 0;
    virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) = 0;
    virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
    virtual HRESULT Unadvise(DWORD cookie) = 0;
    virtual HRESULT EnumConnections(IEnumConnections** connections) = 0;

protected:
    ~IConnectionPoint() = default;
};

// One connection point for the event interface `iid`, embedded in the object that raises the
// events. Advise asks the sink for `iid` and keeps that reference until Unadvise or Close. The
// owner answers AddRef/Release/container for it; the point's own IUnknown forwards to `owner`.
class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer* owner, const IID& iid);
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;
    ~ConnectionPoint();

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetConnectionInterface(IID* iid) override;
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT Unadvise(DWORD cookie) override;
    HRESULT EnumConnections(IEnumConnections** connections) override;

    // The connected sinks (each as `iid`), each with one reference added for the caller, so a sink
    // that unadvises while an event is raised stays valid until the caller releases it.
    std::vector<IDispatch*> Sinks();
    std::size_t Count() const { return sinks_.size(); }
    // Drops every connection (the owner's end).
    void Close();

private:
    struct Connection {
        DWORD cookie;
        IDispatch* sink;
    };
    IConnectionPointContainer* owner_;
    IID iid_;
    DWORD nextCookie_ = 1;
    std::vector<Connection> sinks_;
};

} // namespace quorin::com
