// The site object a toolbar band gets from SetSite: IInputObjectSite, IServiceProvider (the
// browser object under SID_SWebBrowserApp) and IOleWindow (the rebar window).
#pragma once
#include <windows.h>
#include <exdisp.h>
#include <servprov.h>
#include <shobjidl.h>

class CBandSite : public IInputObjectSite, public IServiceProvider, public IOleWindow {
public:
    CBandSite(HWND rebar, IWebBrowser2* browser);
    // The window closes: QueryService fails from now on.
    void Detach();

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP OnFocusChangeIS(IUnknown* object, BOOL focus) override;
    STDMETHODIMP QueryService(REFGUID service, REFIID riid, void** out) override;
    STDMETHODIMP GetWindow(HWND* out) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;

private:
    virtual ~CBandSite();
    LONG refs = 1;
    HWND rebar;
    IWebBrowser2* browser;  // counted
};
