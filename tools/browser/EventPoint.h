// The DWebBrowserEvents2 connection point of a top-level browser object: keeps the advised sinks
// and calls them through IDispatch::Invoke.
#pragma once
#include <windows.h>
#include <ocidl.h>
#include <vector>

class CEventPoint : public IConnectionPoint {
public:
    explicit CEventPoint(IConnectionPointContainer* container);
    // The container goes away: GetConnectionPointContainer fails from now on.
    void DetachContainer();
    // Calls Invoke(dispid, params) on every sink (on a copy of the list, since a sink may
    // unadvise while it is called); returns the number of sinks called.
    int Fire(DISPID dispid, DISPPARAMS* params);
    int SinkCount() const { return static_cast<int>(sinks.size()); }
    // Drops every sink (the browser window closes).
    void ReleaseSinks();

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** out) override;

private:
    virtual ~CEventPoint();
    struct Sink {
        DWORD cookie;
        IDispatch* dispatch;
    };
    LONG refs = 1;
    IConnectionPointContainer* container;  // not counted: the container owns this object
    std::vector<Sink> sinks;
    DWORD nextCookie = 1;
};
