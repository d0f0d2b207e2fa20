#include "EventPoint.h"

#include <exdisp.h>
#include <olectl.h>

#include "Transcript.h"

CEventPoint::CEventPoint(IConnectionPointContainer* owner) : container(owner) {}

CEventPoint::~CEventPoint()
{
    ReleaseSinks();
}

void CEventPoint::DetachContainer()
{
    container = nullptr;
}

void CEventPoint::ReleaseSinks()
{
    std::vector<Sink> old;
    old.swap(sinks);
    for (auto it = old.rbegin(); it != old.rend(); ++it)
        it->dispatch->Release();
}

int CEventPoint::Fire(DISPID dispid, DISPPARAMS* params)
{
    std::vector<IDispatch*> targets;
    for (const Sink& s : sinks) {
        s.dispatch->AddRef();
        targets.push_back(s.dispatch);
    }
    for (IDispatch* d : targets) {
        HRESULT hr = d->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, params,
                               nullptr, nullptr, nullptr);
        if (FAILED(hr))
            TranscriptWrite(L"sink Invoke %ld failed 0x%08lX", dispid, hr);
    }
    for (IDispatch* d : targets)
        d->Release();
    return static_cast<int>(targets.size());
}

STDMETHODIMP CEventPoint::QueryInterface(REFIID riid, void** out)
{
    if (!out)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CEventPoint::AddRef()
{
    return InterlockedIncrement(&refs);
}

STDMETHODIMP_(ULONG) CEventPoint::Release()
{
    LONG n = InterlockedDecrement(&refs);
    if (n == 0)
        delete this;
    return n;
}

STDMETHODIMP CEventPoint::GetConnectionInterface(IID* iid)
{
    if (!iid)
        return E_POINTER;
    *iid = DIID_DWebBrowserEvents2;
    return S_OK;
}

STDMETHODIMP CEventPoint::GetConnectionPointContainer(IConnectionPointContainer** out)
{
    if (!out)
        return E_POINTER;
    *out = container;
    if (!container)
        return E_UNEXPECTED;
    container->AddRef();
    return S_OK;
}

STDMETHODIMP CEventPoint::Advise(IUnknown* sink, DWORD* cookie)
{
    if (!sink || !cookie)
        return E_POINTER;
    *cookie = 0;
    // The sink answers for the event interface itself, or at least for IDispatch.
    IDispatch* dispatch = nullptr;
    HRESULT hr = sink->QueryInterface(DIID_DWebBrowserEvents2, reinterpret_cast<void**>(&dispatch));
    if (FAILED(hr) || !dispatch)
        hr = sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    if (FAILED(hr) || !dispatch) {
        TranscriptWrite(L"advise refused: sink has no IDispatch");
        return CONNECT_E_CANNOTCONNECT;
    }
    *cookie = nextCookie++;
    sinks.push_back(Sink{*cookie, dispatch});
    TranscriptWrite(L"advise cookie=%lu sinks=%d", *cookie, SinkCount());
    return S_OK;
}

STDMETHODIMP CEventPoint::Unadvise(DWORD cookie)
{
    for (auto it = sinks.begin(); it != sinks.end(); ++it) {
        if (it->cookie == cookie) {
            IDispatch* d = it->dispatch;
            sinks.erase(it);
            d->Release();
            TranscriptWrite(L"unadvise cookie=%lu sinks=%d", cookie, SinkCount());
            return S_OK;
        }
    }
    TranscriptWrite(L"unadvise unknown cookie=%lu", cookie);
    return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP CEventPoint::EnumConnections(IEnumConnections** out)
{
    if (out)
        *out = nullptr;
    return E_NOTIMPL;
}
