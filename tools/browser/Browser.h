// The browser object: IWebBrowser2 of one tab (top level) or of one embedded frame of a page.
// A top-level object owns the DWebBrowserEvents2 connection point; a frame object sends its
// events through the connection point of the top-level object it belongs to, with itself as the
// dispatch argument, as the real browser does.
#pragma once
#include <windows.h>
#include <exdisp.h>
#include <ocidl.h>
#include <servprov.h>
#include <string>
#include <vector>

#include "Events.h"

class CEventPoint;
class CFrameWindow;

class CBrowser : public IWebBrowser2, public IConnectionPointContainer, public IServiceProvider {
public:
    // A tab's browser; shown in `frame`.
    static CBrowser* CreateTop(CFrameWindow* frame);

    // Starts a navigation: BeforeNavigate2 now, the load from the message loop unless a sink
    // cancelled it. "_blank" or navOpenInNewTab open a new tab, navOpenInNewWindow a new window.
    void StartNavigation(const NavigationRequest& request);
    // Runs the load queued by StartNavigation (posted message); stale serials are ignored.
    void RunLoad(int serial);
    // The current page declares a frame (from its HTML or from a script): a frame object of its
    // own is created and navigated.
    void NavigateFrame(const std::wstring& url, const std::wstring& name);
    // The window closes: no more events, no more UI.
    void Detach();

    bool IsTop() const { return topBrowser == nullptr; }
    bool Busy() const { return loadPending; }
    const std::wstring& Name() const { return name; }
    const std::wstring& Location() const { return location; }
    const std::wstring& PageText() const { return pageText; }
    CFrameWindow* Frame() const { return frame; }
    CEventPoint* EventPoint() const;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IDispatch (from the registered browser type library)
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                               DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argError) override;
    // IWebBrowser
    STDMETHODIMP GoBack() override;
    STDMETHODIMP GoForward() override;
    STDMETHODIMP GoHome() override;
    STDMETHODIMP GoSearch() override;
    STDMETHODIMP Navigate(BSTR url, VARIANT* flags, VARIANT* target, VARIANT* post,
                          VARIANT* headers) override;
    STDMETHODIMP Refresh() override;
    STDMETHODIMP Refresh2(VARIANT* level) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP get_Application(IDispatch** out) override;
    STDMETHODIMP get_Parent(IDispatch** out) override;
    STDMETHODIMP get_Container(IDispatch** out) override;
    STDMETHODIMP get_Document(IDispatch** out) override;
    STDMETHODIMP get_TopLevelContainer(VARIANT_BOOL* out) override;
    STDMETHODIMP get_Type(BSTR* out) override;
    STDMETHODIMP get_Left(LONG* out) override;
    STDMETHODIMP put_Left(LONG value) override;
    STDMETHODIMP get_Top(LONG* out) override;
    STDMETHODIMP put_Top(LONG value) override;
    STDMETHODIMP get_Width(LONG* out) override;
    STDMETHODIMP put_Width(LONG value) override;
    STDMETHODIMP get_Height(LONG* out) override;
    STDMETHODIMP put_Height(LONG value) override;
    STDMETHODIMP get_LocationName(BSTR* out) override;
    STDMETHODIMP get_LocationURL(BSTR* out) override;
    STDMETHODIMP get_Busy(VARIANT_BOOL* out) override;
    // IWebBrowserApp
    STDMETHODIMP Quit() override;
    STDMETHODIMP ClientToWindow(int* cx, int* cy) override;
    STDMETHODIMP PutProperty(BSTR property, VARIANT value) override;
    STDMETHODIMP GetProperty(BSTR property, VARIANT* value) override;
    STDMETHODIMP get_Name(BSTR* out) override;
    STDMETHODIMP get_HWND(SHANDLE_PTR* out) override;
    STDMETHODIMP get_FullName(BSTR* out) override;
    STDMETHODIMP get_Path(BSTR* out) override;
    STDMETHODIMP get_Visible(VARIANT_BOOL* out) override;
    STDMETHODIMP put_Visible(VARIANT_BOOL value) override;
    STDMETHODIMP get_StatusBar(VARIANT_BOOL* out) override;
    STDMETHODIMP put_StatusBar(VARIANT_BOOL value) override;
    STDMETHODIMP get_StatusText(BSTR* out) override;
    STDMETHODIMP put_StatusText(BSTR value) override;
    STDMETHODIMP get_ToolBar(int* out) override;
    STDMETHODIMP put_ToolBar(int value) override;
    STDMETHODIMP get_MenuBar(VARIANT_BOOL* out) override;
    STDMETHODIMP put_MenuBar(VARIANT_BOOL value) override;
    STDMETHODIMP get_FullScreen(VARIANT_BOOL* out) override;
    STDMETHODIMP put_FullScreen(VARIANT_BOOL value) override;
    // IWebBrowser2
    STDMETHODIMP Navigate2(VARIANT* url, VARIANT* flags, VARIANT* target, VARIANT* post,
                           VARIANT* headers) override;
    STDMETHODIMP QueryStatusWB(OLECMDID command, OLECMDF* status) override;
    STDMETHODIMP ExecWB(OLECMDID command, OLECMDEXECOPT option, VARIANT* in, VARIANT* out) override;
    STDMETHODIMP ShowBrowserBar(VARIANT* clsid, VARIANT* show, VARIANT* size) override;
    STDMETHODIMP get_ReadyState(READYSTATE* out) override;
    STDMETHODIMP get_Offline(VARIANT_BOOL* out) override;
    STDMETHODIMP put_Offline(VARIANT_BOOL value) override;
    STDMETHODIMP get_Silent(VARIANT_BOOL* out) override;
    STDMETHODIMP put_Silent(VARIANT_BOOL value) override;
    STDMETHODIMP get_RegisterAsBrowser(VARIANT_BOOL* out) override;
    STDMETHODIMP put_RegisterAsBrowser(VARIANT_BOOL value) override;
    STDMETHODIMP get_RegisterAsDropTarget(VARIANT_BOOL* out) override;
    STDMETHODIMP put_RegisterAsDropTarget(VARIANT_BOOL value) override;
    STDMETHODIMP get_TheaterMode(VARIANT_BOOL* out) override;
    STDMETHODIMP put_TheaterMode(VARIANT_BOOL value) override;
    STDMETHODIMP get_AddressBar(VARIANT_BOOL* out) override;
    STDMETHODIMP put_AddressBar(VARIANT_BOOL value) override;
    STDMETHODIMP get_Resizable(VARIANT_BOOL* out) override;
    STDMETHODIMP put_Resizable(VARIANT_BOOL value) override;
    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override;
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** out) override;
    // IServiceProvider
    STDMETHODIMP QueryService(REFGUID service, REFIID riid, void** out) override;

private:
    CBrowser(CFrameWindow* frame, CBrowser* top, const std::wstring& frameName);
    virtual ~CBrowser();
    void LoadPage(const NavigationRequest& request);
    void LoadFrames(const std::string& html, int serial);
    IDispatch* AsDispatch() { return static_cast<IWebBrowser2*>(this); }
    void SaveHtml(const std::string& html);

    LONG refs = 1;
    CFrameWindow* frame;     // null once detached
    CBrowser* topBrowser;    // counted; null for a top-level object
    CEventPoint* events = nullptr;  // top level only
    std::wstring name;       // "top#N" or "frame#N" in the transcript
    std::wstring frameName;  // the frame's name in the page
    std::wstring location;
    std::wstring pageTitle;
    std::wstring pageText;
    std::wstring statusText;
    NavigationRequest pending;
    bool loadPending = false;
    int serial = 0;
    std::vector<CBrowser*> frames;  // frame objects of the current page, counted
    bool registerAsBrowser = false;
    bool registerAsDropTarget = true;
    bool silent = false;
    bool offline = false;
    bool theaterMode = false;
    bool addressBar = true;
    bool menuBar = true;
    bool fullScreen = false;
};

// Where fetched pages are saved as HTML ("page-<pid>-<n>.html"); empty: not saved.
void SetPageSaveDirectory(const std::wstring& directory);
