// A toolbar band for the browser stand-in's tests. It records every call it receives, in order,
// to the file named by LUMORA_TESTBAND_LOG, and acts on marked addresses the way the product's
// band does: "cancel-me" is cancelled, "redirect-me" is cancelled, stopped and replaced by a POST
// of block.html, a frame "badframe" is cancelled and gets Stop, Refresh and Quit.
#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>
#include <olectl.h>
#include <servprov.h>
#include <shlguid.h>
#include <shobjidl.h>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include <initguid.h>  // defines the identifiers below, after every system header
#include "TestBandIds.h"

namespace {

HINSTANCE gModule = nullptr;
LONG gObjects = 0;
LONG gLocks = 0;
int gNextBand = 1;

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n,
                            nullptr, nullptr);
    return out;
}

std::wstring Env(const wchar_t* name)
{
    wchar_t value[1024] = {};
    DWORD n = GetEnvironmentVariableW(name, value, 1024);
    return n > 0 && n < 1024 ? std::wstring(value) : std::wstring();
}

void Log(const char* format, ...)
{
    char line[8192];
    int prefix = snprintf(line, 64, "[%lu] ", GetCurrentProcessId());
    va_list args;
    va_start(args, format);
    int n = vsnprintf(line + prefix, sizeof(line) - prefix - 3, format, args);
    va_end(args);
    size_t length = n < 0 ? 0 : static_cast<size_t>(prefix + n);
    if (length > sizeof(line) - 3)
        length = sizeof(line) - 3;
    line[length++] = '\r';
    line[length++] = '\n';
    std::wstring path = Env(L"LUMORA_TESTBAND_LOG");
    if (path.empty())
        return;
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
}

std::string Hex(const BYTE* data, size_t size)
{
    std::string out;
    char two[4];
    for (size_t i = 0; i < size; ++i) {
        snprintf(two, sizeof(two), i ? " %02X" : "%02X", data[i]);
        out += two;
    }
    return out;
}

std::string Escape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

std::wstring Bstr(const VARIANT* v)
{
    if (v && v->vt == (VT_BYREF | VT_VARIANT))
        v = v->pvarVal;
    if (!v || v->vt != VT_BSTR || !v->bstrVal)
        return std::wstring();
    return std::wstring(v->bstrVal, SysStringLen(v->bstrVal));
}

BSTR MakeBstr(const std::wstring& text)
{
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

// Navigate2 with a text address, optional flags/target and a form body.
HRESULT NavigateTo(IWebBrowser2* browser, const std::wstring& url, long flags,
                   const std::wstring& target, const std::string& body)
{
    VARIANT vUrl, vFlags, vTarget, vPost, vHeaders;
    VariantInit(&vUrl);
    vUrl.vt = VT_BSTR;
    vUrl.bstrVal = MakeBstr(url);
    VariantInit(&vFlags);
    vFlags.vt = VT_I4;
    vFlags.lVal = flags;
    VariantInit(&vTarget);
    if (!target.empty()) {
        vTarget.vt = VT_BSTR;
        vTarget.bstrVal = MakeBstr(target);
    }
    VariantInit(&vPost);
    VariantInit(&vHeaders);
    if (!body.empty()) {
        SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(body.size()));
        void* data = nullptr;
        if (array && SUCCEEDED(SafeArrayAccessData(array, &data))) {
            memcpy(data, body.data(), body.size());
            SafeArrayUnaccessData(array);
        }
        vPost.vt = VT_ARRAY | VT_UI1;
        vPost.parray = array;
        vHeaders.vt = VT_BSTR;
        vHeaders.bstrVal = MakeBstr(L"Content-Type: application/x-www-form-urlencoded\r\n");
    }
    HRESULT hr = browser->Navigate2(&vUrl, &vFlags, &vTarget, &vPost, &vHeaders);
    VariantClear(&vHeaders);
    VariantClear(&vPost);
    VariantClear(&vTarget);
    VariantClear(&vFlags);
    VariantClear(&vUrl);
    return hr;
}

class CTestBand : public IDeskBand, public IObjectWithSite, public IDispatch {
public:
    explicit CTestBand(bool failSiting) : failing(failSiting), number(gNextBand++)
    {
        InterlockedIncrement(&gObjects);
        Log("band#%d created kind=%s", number, failing ? "failing" : "recording");
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (riid == IID_IUnknown || riid == IID_IOleWindow || riid == IID_IDockingWindow ||
            riid == IID_IDeskBand)
            *out = static_cast<IDeskBand*>(this);
        else if (riid == IID_IObjectWithSite)
            *out = static_cast<IObjectWithSite*>(this);
        else if (riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2)
            *out = static_cast<IDispatch*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG n = InterlockedDecrement(&refs);
        if (n == 0) {
            Log("band#%d destroyed", number);
            delete this;
        }
        return n;
    }

    // IOleWindow
    STDMETHODIMP GetWindow(HWND* out) override
    {
        Log("band#%d GetWindow", number);
        if (!out)
            return E_POINTER;
        *out = window;
        return window ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return S_OK; }

    // IDockingWindow
    STDMETHODIMP ShowDW(BOOL show) override
    {
        Log("band#%d ShowDW %d", number, show ? 1 : 0);
        if (window)
            ShowWindow(window, show ? SW_SHOW : SW_HIDE);
        return S_OK;
    }
    STDMETHODIMP CloseDW(DWORD reserved) override
    {
        Log("band#%d CloseDW %lu", number, reserved);
        if (window) {
            DestroyWindow(window);
            window = nullptr;
        }
        return S_OK;
    }
    STDMETHODIMP ResizeBorderDW(LPCRECT, IUnknown*, BOOL) override
    {
        Log("band#%d ResizeBorderDW", number);
        return E_NOTIMPL;
    }

    // IDeskBand
    STDMETHODIMP GetBandInfo(DWORD id, DWORD mode, DESKBANDINFO* info) override
    {
        if (!info)
            return E_INVALIDARG;
        Log("band#%d GetBandInfo id=%lu mode=%lu mask=0x%lX", number, id, mode, info->dwMask);
        if (info->dwMask & DBIM_MINSIZE) {
            info->ptMinSize.x = 200;
            info->ptMinSize.y = 25;
        }
        if (info->dwMask & DBIM_MAXSIZE) {
            info->ptMaxSize.x = 0;
            info->ptMaxSize.y = -1;
        }
        if (info->dwMask & DBIM_INTEGRAL) {
            info->ptIntegral.x = 1;
            info->ptIntegral.y = 1;
        }
        if (info->dwMask & DBIM_ACTUAL) {
            info->ptActual.x = 200;
            info->ptActual.y = 25;
        }
        if (info->dwMask & DBIM_TITLE)
            info->wszTitle[0] = 0;
        if (info->dwMask & DBIM_MODEFLAGS)
            info->dwModeFlags = DBIMF_VARIABLEHEIGHT | DBIMF_USECHEVRON;
        info->dwMask &= ~static_cast<DWORD>(DBIM_BKCOLOR);
        return S_OK;
    }

    // IObjectWithSite
    STDMETHODIMP SetSite(IUnknown* site) override
    {
        if (!site) {
            Log("band#%d SetSite NULL", number);
            Unsite();
            return S_OK;
        }
        if (failing) {
            Log("band#%d SetSite site -> refused", number);
            return E_FAIL;
        }
        IInputObjectSite* input = nullptr;
        IServiceProvider* provider = nullptr;
        IOleWindow* oleWindow = nullptr;
        site->QueryInterface(IID_IInputObjectSite, reinterpret_cast<void**>(&input));
        site->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(&provider));
        site->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&oleWindow));
        HWND rebar = nullptr;
        if (oleWindow)
            oleWindow->GetWindow(&rebar);
        HRESULT browserResult = E_NOINTERFACE;
        if (provider)
            browserResult = provider->QueryService(SID_SWebBrowserApp, IID_IWebBrowser2,
                                                   reinterpret_cast<void**>(&browser));
        SHANDLE_PTR browserWindow = 0;
        if (browser)
            browser->get_HWND(&browserWindow);
        bool sameWindow = rebar && reinterpret_cast<HWND>(browserWindow) == GetAncestor(rebar, GA_ROOT);
        if (browser)
            Advise();
        if (rebar)
            CreateBandWindow(rebar);
        Log("band#%d SetSite site input=%d provider=%d olewindow=%d rebar=%s browser=0x%08lX "
            "hwnd-match=%d advise=%d window=%d",
            number, input ? 1 : 0, provider ? 1 : 0, oleWindow ? 1 : 0, rebar ? "yes" : "no",
            browserResult, sameWindow ? 1 : 0, cookie ? 1 : 0, window ? 1 : 0);
        inputSite = input;
        if (oleWindow)
            oleWindow->Release();
        if (provider)
            provider->Release();
        return browser && rebar ? S_OK : E_FAIL;
    }
    STDMETHODIMP GetSite(REFIID riid, void** out) override
    {
        if (out)
            *out = nullptr;
        if (!inputSite)
            return E_FAIL;
        return inputSite->QueryInterface(riid, out);
    }

    // IDispatch: the DWebBrowserEvents2 sink
    STDMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        if (count)
            *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override
    {
        if (!params)
            return E_INVALIDARG;
        std::string types;
        for (UINT i = 0; i < params->cArgs; ++i) {
            char t[8];
            snprintf(t, sizeof(t), i ? ",%04X" : "%04X", params->rgvarg[i].vt);
            types += t;
        }
        VARIANTARG* a = params->rgvarg;
        if (id == DISPID_BEFORENAVIGATE2 && params->cArgs == 7)
            OnBeforeNavigate2(types, a);
        else if ((id == DISPID_NAVIGATECOMPLETE2 || id == DISPID_DOCUMENTCOMPLETE) && params->cArgs == 2)
            Log("band#%d event %ld argc=2 vt=%s disp=%s url=%s", number, id, types.c_str(),
                Identify(a[1].vt == VT_DISPATCH ? a[1].pdispVal : nullptr).c_str(),
                Utf8(Bstr(&a[0])).c_str());
        else if (id == DISPID_WINDOWSTATECHANGED && params->cArgs == 2)
            Log("band#%d event 283 argc=2 vt=%s flags=%ld mask=%ld", number, types.c_str(),
                a[1].lVal, a[0].lVal);
        else
            Log("band#%d event %ld argc=%u vt=%s", number, id, params->cArgs, types.c_str());
        return S_OK;
    }

private:
    virtual ~CTestBand() { InterlockedDecrement(&gObjects); }

    void Advise()
    {
        IConnectionPointContainer* container = nullptr;
        if (FAILED(browser->QueryInterface(IID_IConnectionPointContainer,
                                           reinterpret_cast<void**>(&container))))
            return;
        if (SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point)) &&
            FAILED(point->Advise(static_cast<IDispatch*>(this), &cookie))) {
            point->Release();
            point = nullptr;
            cookie = 0;
        }
        container->Release();
    }

    void Unsite()
    {
        if (point) {
            point->Unadvise(cookie);
            point->Release();
            point = nullptr;
            cookie = 0;
        }
        for (auto it = seen.rbegin(); it != seen.rend(); ++it)
            (*it)->Release();
        seen.clear();
        if (browser) {
            browser->Release();
            browser = nullptr;
        }
        if (inputSite) {
            inputSite->Release();
            inputSite = nullptr;
        }
    }

    // "top" for the sited browser, "frame#k" for other browser objects (k by first sight).
    std::string Identify(IDispatch* dispatch)
    {
        if (!dispatch)
            return "none";
        IUnknown* identity = nullptr;
        IUnknown* topIdentity = nullptr;
        dispatch->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
        if (browser)
            browser->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&topIdentity));
        std::string name = "unknown";
        if (identity && identity == topIdentity) {
            name = "top";
        } else if (identity) {
            size_t k = 0;
            while (k < seen.size() && seen[k] != identity)
                ++k;
            if (k == seen.size()) {
                identity->AddRef();
                seen.push_back(identity);
            }
            name = "frame#" + std::to_string(k + 1);
        }
        if (topIdentity)
            topIdentity->Release();
        if (identity)
            identity->Release();
        return name;
    }

    void OnBeforeNavigate2(const std::string& types, VARIANTARG* a)
    {
        IDispatch* dispatch = a[6].vt == VT_DISPATCH ? a[6].pdispVal : nullptr;
        std::wstring url = Bstr(&a[5]);
        long flags = a[4].vt == (VT_BYREF | VT_VARIANT) && a[4].pvarVal->vt == VT_I4 ? a[4].pvarVal->lVal : -1;
        std::wstring target = Bstr(&a[3]);
        std::string post = "(none)";
        unsigned postType = 0;
        if (a[2].vt == (VT_BYREF | VT_VARIANT) && a[2].pvarVal) {
            VARIANT* inner = a[2].pvarVal;
            postType = inner->vt;
            if (inner->vt == (VT_ARRAY | VT_UI1) && inner->parray) {
                LONG lower = 0, upper = -1;
                SafeArrayGetLBound(inner->parray, 1, &lower);
                SafeArrayGetUBound(inner->parray, 1, &upper);
                void* data = nullptr;
                if (SUCCEEDED(SafeArrayAccessData(inner->parray, &data))) {
                    post = Hex(static_cast<BYTE*>(data), static_cast<size_t>(upper - lower + 1));
                    SafeArrayUnaccessData(inner->parray);
                }
            }
        }
        std::wstring headers = Bstr(&a[1]);
        VARIANT_BOOL* cancel = a[0].vt == (VT_BYREF | VT_BOOL) ? a[0].pboolVal : nullptr;
        std::string who = Identify(dispatch);
        Log("band#%d event 250 argc=7 vt=%s disp=%s url=%s flags=%ld target=%s postvt=%04X post=%s "
            "headers=%s",
            number, types.c_str(), who.c_str(), Utf8(url).c_str(), flags, Utf8(target).c_str(),
            postType, post.c_str(), Escape(Utf8(headers)).c_str());
        if (!cancel)
            return;
        if (who == "top" && url.find(L"cancel-me") != std::wstring::npos) {
            *cancel = VARIANT_TRUE;
            Log("band#%d cancelled %s", number, Utf8(url).c_str());
        } else if (who == "top" && url.find(L"redirect-me") != std::wstring::npos) {
            *cancel = VARIANT_TRUE;
            browser->Stop();
            std::wstring block = url.substr(0, url.rfind(L'/') + 1) + L"block.html";
            std::string body = "Lumora=NoCheck&url=" + Utf8(url) + "&malCode=121013";
            HRESULT hr = NavigateTo(browser, block, 0, std::wstring(), body);
            Log("band#%d redirected %s to %s hr=0x%08lX", number, Utf8(url).c_str(),
                Utf8(block).c_str(), hr);
        } else if (who.compare(0, 6, "frame#") == 0 && url.find(L"badframe") != std::wstring::npos) {
            *cancel = VARIANT_TRUE;
            IWebBrowser2* frame = nullptr;
            if (SUCCEEDED(dispatch->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&frame)))) {
                frame->Stop();
                frame->Refresh();
                frame->Quit();
                frame->Release();
            }
            Log("band#%d frame stopped %s", number, Utf8(url).c_str());
        }
    }

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        CTestBand* band = reinterpret_cast<CTestBand*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (message == WM_COMMAND && band && HIWORD(wParam) == BN_CLICKED) {
            if (LOWORD(wParam) == kPopupButtonId)
                band->OpenPopup();
            else if (LOWORD(wParam) == kNewTabButtonId)
                band->OpenNewTab();
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    void CreateBandWindow(HWND rebar)
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = gModule;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = L"LumoraTestBandWindow";
        RegisterClassW(&wc);
        window = CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 200, 25,
                                 rebar, nullptr, gModule, nullptr);
        if (!window)
            return;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        CreateWindowExW(0, L"BUTTON", L"팝업", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 2, 1, 90, 23,
                        window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPopupButtonId)), gModule,
                        nullptr);
        CreateWindowExW(0, L"BUTTON", L"새 탭", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 96, 1, 90, 23,
                        window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kNewTabButtonId)), gModule,
                        nullptr);
    }

    // The product's pop-up browser: a new InternetExplorer.Application out of process.
    void OpenPopup()
    {
        std::wstring url = Env(L"LUMORA_TESTBAND_POPUP");
        IWebBrowser2* app = nullptr;
        HRESULT hr = CoCreateInstance(CLSID_InternetExplorer, nullptr, CLSCTX_LOCAL_SERVER,
                                      IID_IWebBrowser2, reinterpret_cast<void**>(&app));
        Log("band#%d popup CoCreateInstance hr=0x%08lX", number, hr);
        if (FAILED(hr) || !app)
            return;
        app->put_ToolBar(0);
        app->put_StatusBar(VARIANT_FALSE);
        app->put_Width(630);
        app->put_Height(770);
        app->put_Resizable(VARIANT_FALSE);
        SHANDLE_PTR handle = 0;
        HRESULT hwndResult = app->get_HWND(&handle);
        HWND popupWindow = reinterpret_cast<HWND>(handle);
        bool isWindow = SUCCEEDED(hwndResult) && IsWindow(popupWindow);
        if (isWindow)
            SetWindowPos(popupWindow, HWND_TOPMOST, 100, 100, 0, 0, SWP_NOSIZE);
        app->put_Width(830);
        app->put_Height(640);
        app->put_Visible(VARIANT_TRUE);
        hr = NavigateTo(app, url, 0, std::wstring(), std::string());
        DWORD otherProcess = 0;
        if (isWindow)
            GetWindowThreadProcessId(popupWindow, &otherProcess);
        Log("band#%d popup navigate hr=0x%08lX hwnd=%d other-process=%d", number, hr, isWindow ? 1 : 0,
            otherProcess != 0 && otherProcess != GetCurrentProcessId() ? 1 : 0);
        app->Release();
    }

    void OpenNewTab()
    {
        if (!browser)
            return;
        HRESULT hr = NavigateTo(browser, Env(L"LUMORA_TESTBAND_NEWTAB"), 2048, L"_blank", std::string());
        Log("band#%d new tab hr=0x%08lX", number, hr);
    }

    LONG refs = 1;
    bool failing;
    int number;
    HWND window = nullptr;
    IWebBrowser2* browser = nullptr;
    IInputObjectSite* inputSite = nullptr;
    IConnectionPoint* point = nullptr;
    DWORD cookie = 0;
    std::vector<IUnknown*> seen;  // identities of frame browser objects, counted
};

class CFactory : public IClassFactory {
public:
    explicit CFactory(bool failingBands) : failing(failingBands) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        CTestBand* band = new CTestBand(failing);
        HRESULT hr = band->QueryInterface(riid, out);
        band->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override
    {
        if (lock)
            InterlockedIncrement(&gLocks);
        else
            InterlockedDecrement(&gLocks);
        return S_OK;
    }

private:
    bool failing;
};

CFactory gRecordingFactory(false);
CFactory gFailingFactory(true);

const wchar_t kToolbarKey[] = L"SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";

bool RegisterClass(const wchar_t* clsid, const wchar_t* name)
{
    wchar_t path[MAX_PATH] = {};
    if (!GetModuleFileNameW(gModule, path, MAX_PATH - 1))
        return false;
    std::wstring keyName = std::wstring(L"Software\\Classes\\CLSID\\") + clsid;
    HKEY key = nullptr, server = nullptr, toolbar = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(name),
                   static_cast<DWORD>((wcslen(name) + 1) * sizeof(wchar_t)));
    bool ok = RegCreateKeyExW(key, L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr, &server,
                              nullptr) == ERROR_SUCCESS;
    if (ok) {
        const wchar_t model[] = L"Apartment";
        RegSetValueExW(server, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                       static_cast<DWORD>((wcslen(path) + 1) * sizeof(wchar_t)));
        RegSetValueExW(server, L"ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(model),
                       sizeof(model));
        RegCloseKey(server);
    }
    RegCloseKey(key);
    if (ok && RegCreateKeyExW(HKEY_LOCAL_MACHINE, kToolbarKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                              &toolbar, nullptr) == ERROR_SUCCESS) {
        RegSetValueExW(toolbar, clsid, 0, REG_SZ, reinterpret_cast<const BYTE*>(name),
                       static_cast<DWORD>((wcslen(name) + 1) * sizeof(wchar_t)));
        RegCloseKey(toolbar);
    } else {
        ok = false;
    }
    return ok;
}

void UnregisterClass(const wchar_t* clsid)
{
    HKEY toolbar = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kToolbarKey, 0, KEY_WRITE, &toolbar) == ERROR_SUCCESS) {
        RegDeleteValueW(toolbar, clsid);
        RegCloseKey(toolbar);
    }
    std::wstring keyName = std::wstring(L"Software\\Classes\\CLSID\\") + clsid;
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (keyName + L"\\InprocServer32").c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, keyName.c_str());
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        gModule = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (clsid == CLSID_LumoraTestBand)
        return gRecordingFactory.QueryInterface(riid, out);
    if (clsid == CLSID_LumoraFailingBand)
        return gFailingFactory.QueryInterface(riid, out);
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT WINAPI DllCanUnloadNow()
{
    return gObjects == 0 && gLocks == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT WINAPI DllRegisterServer()
{
    bool ok = RegisterClass(TESTBAND_CLSID_TEXT, L"Lumora Test Band") &&
              RegisterClass(FAILINGBAND_CLSID_TEXT, L"Lumora Failing Band");
    return ok ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT WINAPI DllUnregisterServer()
{
    UnregisterClass(TESTBAND_CLSID_TEXT);
    UnregisterClass(FAILINGBAND_CLSID_TEXT);
    return S_OK;
}
