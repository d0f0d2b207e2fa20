#include "BandSite.h"

#include <shlguid.h>

#include "Transcript.h"

namespace {
std::wstring GuidText(REFGUID guid)
{
    wchar_t text[64] = {};
    if (!StringFromGUID2(guid, text, 64))
        return L"?";
    return text;
}
}  // namespace

CBandSite::CBandSite(HWND rebarWindow, IWebBrowser2* browserObject)
    : rebar(rebarWindow), browser(browserObject)
{
    if (browser)
        browser->AddRef();
}

CBandSite::~CBandSite()
{
    Detach();
}

void CBandSite::Detach()
{
    if (browser) {
        browser->Release();
        browser = nullptr;
    }
}

STDMETHODIMP CBandSite::QueryInterface(REFIID riid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IInputObjectSite)
        *out = static_cast<IInputObjectSite*>(this);
    else if (riid == IID_IServiceProvider)
        *out = static_cast<IServiceProvider*>(this);
    else if (riid == IID_IOleWindow)
        *out = static_cast<IOleWindow*>(this);
    else {
        TranscriptWrite(L"site QueryInterface %ls: not supported", GuidText(riid).c_str());
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CBandSite::AddRef()
{
    return InterlockedIncrement(&refs);
}

STDMETHODIMP_(ULONG) CBandSite::Release()
{
    LONG n = InterlockedDecrement(&refs);
    if (n == 0)
        delete this;
    return n;
}

STDMETHODIMP CBandSite::OnFocusChangeIS(IUnknown*, BOOL focus)
{
    TranscriptWrite(L"site OnFocusChangeIS focus=%d", focus ? 1 : 0);
    return S_OK;
}

STDMETHODIMP CBandSite::QueryService(REFGUID service, REFIID riid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    HRESULT hr = E_NOINTERFACE;
    if (browser && (service == SID_SWebBrowserApp || service == SID_STopLevelBrowser ||
                    service == IID_IWebBrowser2))
        hr = browser->QueryInterface(riid, out);
    TranscriptWrite(L"site QueryService service=%ls riid=%ls hr=0x%08lX", GuidText(service).c_str(),
                    GuidText(riid).c_str(), hr);
    return hr;
}

STDMETHODIMP CBandSite::GetWindow(HWND* out)
{
    if (!out)
        return E_POINTER;
    *out = rebar;
    TranscriptWrite(L"site GetWindow");
    return rebar ? S_OK : E_FAIL;
}

STDMETHODIMP CBandSite::ContextSensitiveHelp(BOOL)
{
    return S_OK;
}
