#include "Browser.h"

#include <oleauto.h>
#include <olectl.h>
#include <shlguid.h>
#include <wininet.h>
#include <cwchar>

#include "EventPoint.h"
#include "FrameWindow.h"
#include "HtmlText.h"
#include "PageFetch.h"
#include "Transcript.h"
#include "TypeInfo.h"
#include "VariantArgs.h"

namespace {

int gNextBrowserNumber = 1;
int gNextPageNumber = 1;
std::wstring gPageSaveDirectory;

std::wstring Widen(const std::string& bytes, UINT codePage)
{
    if (bytes.empty())
        return std::wstring();
    int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], n);
    return text;
}

UINT PageCodePage(const std::string& charset)
{
    if (charset == "utf-8" || charset == "utf8")
        return CP_UTF8;
    if (charset == "iso-8859-1" || charset == "latin1" || charset == "us-ascii")
        return 28591;
    return 949;  // euc-kr, ks_c_5601-1987 and pages that name no charset
}

std::string PageTitle(const std::string& html)
{
    std::string lower = html;
    for (char& c : lower)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    size_t begin = lower.find("<title");
    if (begin == std::string::npos)
        return std::string();
    begin = lower.find('>', begin);
    size_t end = begin == std::string::npos ? begin : lower.find("</title", begin);
    if (end == std::string::npos)
        return std::string();
    return html.substr(begin + 1, end - begin - 1);
}

bool EqualsNoCase(const std::wstring& a, const wchar_t* b)
{
    return _wcsicmp(a.c_str(), b) == 0;
}

std::wstring ResolveAddress(const std::wstring& base, const std::wstring& relative)
{
    wchar_t combined[2084] = {};
    DWORD size = 2083;
    if (InternetCombineUrlW(base.c_str(), relative.c_str(), combined, &size, ICU_NO_ENCODE))
        return combined;
    return relative;
}

HRESULT ReturnBstr(const std::wstring& text, BSTR* out)
{
    if (!out)
        return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT ReturnBool(bool value, VARIANT_BOOL* out)
{
    if (!out)
        return E_POINTER;
    *out = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

const wchar_t* BoolText(VARIANT_BOOL value)
{
    return value ? L"true" : L"false";
}

}  // namespace

void SetPageSaveDirectory(const std::wstring& directory)
{
    gPageSaveDirectory = directory;
}

CBrowser* CBrowser::CreateTop(CFrameWindow* frame)
{
    return new CBrowser(frame, nullptr, std::wstring());
}

CBrowser::CBrowser(CFrameWindow* owner, CBrowser* top, const std::wstring& nameInPage)
    : frame(owner), topBrowser(top), frameName(nameInPage)
{
    wchar_t text[32];
    _snwprintf(text, 32, L"%ls#%d", top ? L"frame" : L"top", gNextBrowserNumber++);
    text[31] = 0;
    name = text;
    if (top)
        top->AddRef();
    else
        events = new CEventPoint(static_cast<IConnectionPointContainer*>(this));
    TranscriptWrite(L"browser object %ls created%ls%ls", name.c_str(), top ? L" in " : L"",
                    top ? top->name.c_str() : L"");
}

CBrowser::~CBrowser()
{
    for (auto it = frames.rbegin(); it != frames.rend(); ++it)
        (*it)->Release();
    frames.clear();
    if (events) {
        events->DetachContainer();
        events->Release();
    }
    if (topBrowser)
        topBrowser->Release();
}

CEventPoint* CBrowser::EventPoint() const
{
    return topBrowser ? topBrowser->events : events;
}

void CBrowser::Detach()
{
    frame = nullptr;
    ++serial;
    loadPending = false;
    for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
        (*it)->Detach();
        (*it)->Release();
    }
    frames.clear();
    if (events)
        events->ReleaseSinks();
}

void CBrowser::StartNavigation(const NavigationRequest& request)
{
    if (!frame) {
        TranscriptWrite(L"navigation ignored (window closed) %ls url=%ls", name.c_str(),
                        request.url.c_str());
        return;
    }
    const long openInNewWindow = 0x1, openInNewTab = 0x800, openInBackgroundTab = 0x1000;
    if (IsTop()) {
        bool blank = EqualsNoCase(request.target, L"_blank");
        if (blank || (request.flags & (openInNewTab | openInBackgroundTab))) {
            NavigationRequest inner = request;
            inner.flags &= ~(openInNewTab | openInBackgroundTab | openInNewWindow);
            inner.target.clear();
            CBrowser* tab = frame->AddTab();
            TranscriptWrite(L"new tab %ls from %ls url=%ls flags=%ld target=%ls", tab->name.c_str(),
                            name.c_str(), request.url.c_str(), request.flags,
                            request.target.c_str());
            tab->StartNavigation(inner);
            return;
        }
        if (request.flags & openInNewWindow) {
            NavigationRequest inner = request;
            inner.flags &= ~openInNewWindow;
            CFrameWindow* window = CFrameWindow::Create(true);
            if (!window) {
                TranscriptWrite(L"new window failed url=%ls", request.url.c_str());
                return;
            }
            TranscriptWrite(L"new window %d from %ls url=%ls", window->Number(), name.c_str(),
                            request.url.c_str());
            window->MainBrowser()->StartNavigation(inner);
            return;
        }
        if (!request.target.empty() && !EqualsNoCase(request.target, L"_self") &&
            !EqualsNoCase(request.target, L"_top") && !EqualsNoCase(request.target, L"_parent")) {
            for (CBrowser* f : frames) {
                if (EqualsNoCase(f->frameName, request.target.c_str())) {
                    NavigationRequest inner = request;
                    inner.target.clear();
                    f->StartNavigation(inner);
                    return;
                }
            }
        }
    }
    bool cancelled = FireBeforeNavigate2(EventPoint(), AsDispatch(), name, request);
    if (cancelled) {
        TranscriptWrite(L"navigation cancelled %ls url=%ls", name.c_str(), request.url.c_str());
        return;
    }
    if (!frame)
        return;  // the window closed while the event was handled
    ++serial;
    pending = request;
    loadPending = true;
    TranscriptWrite(L"navigation queued %ls url=%ls", name.c_str(), request.url.c_str());
    frame->PostLoad(this, serial);
}

void CBrowser::RunLoad(int loadSerial)
{
    if (!frame || !loadPending || loadSerial != serial) {
        TranscriptWrite(L"load skipped %ls (stopped or replaced)", name.c_str());
        return;
    }
    loadPending = false;
    NavigationRequest request = pending;
    LoadPage(request);
}

void CBrowser::SaveHtml(const std::string& html)
{
    if (gPageSaveDirectory.empty())
        return;
    wchar_t file[MAX_PATH];
    _snwprintf(file, MAX_PATH, L"%ls\\page-%lu-%d.html", gPageSaveDirectory.c_str(),
               GetCurrentProcessId(), gNextPageNumber++);
    file[MAX_PATH - 1] = 0;
    HANDLE h = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        TranscriptWrite(L"page not saved %ls error=%lu", file, GetLastError());
        return;
    }
    DWORD written = 0;
    BOOL ok = html.empty() || WriteFile(h, html.data(), static_cast<DWORD>(html.size()), &written,
                                        nullptr);
    CloseHandle(h);
    TranscriptWrite(L"page saved %ls as %ls bytes=%lu%ls", name.c_str(), file,
                    static_cast<unsigned long>(html.size()), ok ? L"" : L" (write failed)");
}

void CBrowser::LoadPage(const NavigationRequest& request)
{
    int loadSerial = serial;
    std::string html;
    std::wstring text;
    if (IsHttpAddress(request.url)) {
        FetchResult result = FetchPage(request.url, request.post, request.hasPost, request.headers);
        if (!result.ok) {
            TranscriptWrite(L"fetch failed %ls url=%ls error=%lu", name.c_str(), request.url.c_str(),
                            result.error);
            if (FireNavigateError(EventPoint(), AsDispatch(), name, request.url, frameName,
                                  static_cast<long>(result.error)))
                return;
            wchar_t line[128];
            _snwprintf(line, 128, L"(이 페이지를 표시할 수 없습니다: 오류 %lu)", result.error);
            line[127] = 0;
            text = line;
        } else {
            html = result.body;
            TranscriptWrite(L"fetched %ls url=%ls status=%lu bytes=%lu method=%ls", name.c_str(),
                            request.url.c_str(), result.status,
                            static_cast<unsigned long>(html.size()),
                            request.hasPost ? L"POST" : L"GET");
            if (result.status >= 400 &&
                FireNavigateError(EventPoint(), AsDispatch(), name, request.url, frameName,
                                  static_cast<long>(result.status)))
                return;
            UINT codePage = PageCodePage(FindCharset(result.contentType, html));
            text = Widen(HtmlToText(html), codePage);
            pageTitle = Widen(PageTitle(html), codePage);
        }
    } else {
        TranscriptWrite(L"not fetched (no http address) %ls url=%ls", name.c_str(),
                        request.url.c_str());
    }
    if (!frame)
        return;
    location = request.url;
    pageText = text;
    if (!html.empty() || IsHttpAddress(request.url))
        SaveHtml(html);
    if (IsTop()) {
        for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
            (*it)->Detach();
            (*it)->Release();
        }
        frames.clear();
        frame->PageChanged(this);
    }
    FireNavigateComplete2(EventPoint(), AsDispatch(), name, request.url);
    if (loadSerial != serial || !frame)
        return;  // a sink started another navigation or stopped this one
    if (IsTop()) {
        LoadFrames(html, loadSerial);
        if (loadSerial != serial || !frame)
            return;
    }
    FireDocumentComplete(EventPoint(), AsDispatch(), name, request.url);
}

void CBrowser::LoadFrames(const std::string& html, int loadSerial)
{
    for (const FrameDeclaration& declaration : FindFrames(html)) {
        if (loadSerial != serial || !frame)
            return;
        std::wstring src = Widen(declaration.src, CP_UTF8);
        NavigateFrame(ResolveAddress(location, src), Widen(declaration.name, CP_UTF8));
    }
}

void CBrowser::NavigateFrame(const std::wstring& url, const std::wstring& nameInPage)
{
    if (!IsTop()) {
        topBrowser->NavigateFrame(url, nameInPage);
        return;
    }
    if (!frame)
        return;
    CBrowser* child = new CBrowser(frame, this, nameInPage);
    frames.push_back(child);
    NavigationRequest request;
    request.url = url;
    request.target = nameInPage;
    bool cancelled = FireBeforeNavigate2(events, child->AsDispatch(), child->name, request);
    if (cancelled) {
        TranscriptWrite(L"navigation cancelled %ls url=%ls", child->name.c_str(), url.c_str());
        return;
    }
    if (!child->frame) {
        TranscriptWrite(L"frame %ls gone before its load", child->name.c_str());
        return;
    }
    child->AddRef();
    child->LoadPage(request);
    child->Release();
}

// IUnknown

STDMETHODIMP CBrowser::QueryInterface(REFIID riid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IWebBrowser ||
        riid == IID_IWebBrowserApp || riid == IID_IWebBrowser2)
        *out = static_cast<IWebBrowser2*>(this);
    else if (riid == IID_IConnectionPointContainer && IsTop())
        *out = static_cast<IConnectionPointContainer*>(this);
    else if (riid == IID_IServiceProvider)
        *out = static_cast<IServiceProvider*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CBrowser::AddRef()
{
    return InterlockedIncrement(&refs);
}

STDMETHODIMP_(ULONG) CBrowser::Release()
{
    LONG n = InterlockedDecrement(&refs);
    if (n == 0)
        delete this;
    return n;
}

// IDispatch

STDMETHODIMP CBrowser::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = WebBrowserTypeInfo() ? 1 : 0;
    return S_OK;
}

STDMETHODIMP CBrowser::GetTypeInfo(UINT index, LCID, ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    ITypeInfo* typeInfo = WebBrowserTypeInfo();
    if (!typeInfo)
        return E_NOTIMPL;
    typeInfo->AddRef();
    *info = typeInfo;
    return S_OK;
}

STDMETHODIMP CBrowser::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    ITypeInfo* typeInfo = WebBrowserTypeInfo();
    if (!typeInfo)
        return E_NOTIMPL;
    return DispGetIDsOfNames(typeInfo, names, count, ids);
}

STDMETHODIMP CBrowser::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* exception, UINT* argError)
{
    ITypeInfo* typeInfo = WebBrowserTypeInfo();
    if (!typeInfo)
        return E_NOTIMPL;
    return DispInvoke(static_cast<IWebBrowser2*>(this), typeInfo, id, flags, params, result,
                      exception, argError);
}

// IWebBrowser

STDMETHODIMP CBrowser::GoBack()
{
    TranscriptWrite(L"call GoBack %ls (no history)", name.c_str());
    return E_FAIL;
}

STDMETHODIMP CBrowser::GoForward()
{
    TranscriptWrite(L"call GoForward %ls (no history)", name.c_str());
    return E_FAIL;
}

STDMETHODIMP CBrowser::GoHome()
{
    TranscriptWrite(L"call GoHome %ls", name.c_str());
    NavigationRequest request;
    request.url = L"about:blank";
    StartNavigation(request);
    return S_OK;
}

STDMETHODIMP CBrowser::GoSearch()
{
    TranscriptWrite(L"call GoSearch %ls", name.c_str());
    return E_NOTIMPL;
}

STDMETHODIMP CBrowser::Navigate(BSTR url, VARIANT* flags, VARIANT* target, VARIANT* post,
                                VARIANT* headers)
{
    VARIANT address;
    VariantInit(&address);
    address.vt = VT_BSTR;
    address.bstrVal = url;  // borrowed for the call
    return Navigate2(&address, flags, target, post, headers);
}

STDMETHODIMP CBrowser::Refresh()
{
    TranscriptWrite(L"call Refresh %ls url=%ls", name.c_str(), location.c_str());
    if (IsTop() && frame && IsHttpAddress(location)) {
        FetchResult result = FetchPage(location, std::vector<BYTE>(), false, std::wstring());
        if (result.ok) {
            pageText = Widen(HtmlToText(result.body),
                             PageCodePage(FindCharset(result.contentType, result.body)));
            frame->PageChanged(this);
        }
    }
    return S_OK;
}

STDMETHODIMP CBrowser::Refresh2(VARIANT* level)
{
    TranscriptWrite(L"call Refresh2 %ls level=%ld", name.c_str(), VariantLong(level, 0));
    return Refresh();
}

STDMETHODIMP CBrowser::Stop()
{
    TranscriptWrite(L"call Stop %ls pending=%d", name.c_str(), loadPending ? 1 : 0);
    ++serial;
    loadPending = false;
    return S_OK;
}

STDMETHODIMP CBrowser::get_Application(IDispatch** out)
{
    if (!out)
        return E_POINTER;
    CBrowser* application = topBrowser ? topBrowser : this;
    *out = application->AsDispatch();
    (*out)->AddRef();
    return S_OK;
}

STDMETHODIMP CBrowser::get_Parent(IDispatch** out)
{
    return get_Application(out);
}

STDMETHODIMP CBrowser::get_Container(IDispatch** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!topBrowser)
        return S_OK;
    *out = topBrowser->AsDispatch();
    (*out)->AddRef();
    return S_OK;
}

STDMETHODIMP CBrowser::get_Document(IDispatch** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;  // no document object model in this browser
    return S_OK;
}

STDMETHODIMP CBrowser::get_TopLevelContainer(VARIANT_BOOL* out)
{
    return ReturnBool(IsTop(), out);
}

STDMETHODIMP CBrowser::get_Type(BSTR* out)
{
    return ReturnBstr(L"HTML Document", out);
}

namespace {

HRESULT WindowEdge(CFrameWindow* frame, int which, LONG* out)
{
    if (!out)
        return E_POINTER;
    if (!frame)
        return E_FAIL;
    RECT r;
    if (!GetWindowRect(frame->Window(), &r))
        return E_FAIL;
    switch (which) {
    case 0: *out = r.left; break;
    case 1: *out = r.top; break;
    case 2: *out = r.right - r.left; break;
    default: *out = r.bottom - r.top; break;
    }
    return S_OK;
}

HRESULT MoveWindowEdge(CFrameWindow* frame, int which, LONG value)
{
    if (!frame)
        return E_FAIL;
    RECT r;
    if (!GetWindowRect(frame->Window(), &r))
        return E_FAIL;
    int x = r.left, y = r.top, cx = r.right - r.left, cy = r.bottom - r.top;
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    switch (which) {
    case 0: x = value; flags |= SWP_NOSIZE; break;
    case 1: y = value; flags |= SWP_NOSIZE; break;
    case 2: cx = value; flags |= SWP_NOMOVE; break;
    default: cy = value; flags |= SWP_NOMOVE; break;
    }
    return SetWindowPos(frame->Window(), nullptr, x, y, cx, cy, flags) ? S_OK : E_FAIL;
}

}  // namespace

STDMETHODIMP CBrowser::get_Left(LONG* out) { return WindowEdge(frame, 0, out); }
STDMETHODIMP CBrowser::get_Top(LONG* out) { return WindowEdge(frame, 1, out); }
STDMETHODIMP CBrowser::get_Width(LONG* out) { return WindowEdge(frame, 2, out); }
STDMETHODIMP CBrowser::get_Height(LONG* out) { return WindowEdge(frame, 3, out); }

STDMETHODIMP CBrowser::put_Left(LONG value)
{
    TranscriptWrite(L"call put_Left %ls %ld", name.c_str(), value);
    return MoveWindowEdge(frame, 0, value);
}

STDMETHODIMP CBrowser::put_Top(LONG value)
{
    TranscriptWrite(L"call put_Top %ls %ld", name.c_str(), value);
    return MoveWindowEdge(frame, 1, value);
}

STDMETHODIMP CBrowser::put_Width(LONG value)
{
    TranscriptWrite(L"call put_Width %ls %ld", name.c_str(), value);
    return MoveWindowEdge(frame, 2, value);
}

STDMETHODIMP CBrowser::put_Height(LONG value)
{
    TranscriptWrite(L"call put_Height %ls %ld", name.c_str(), value);
    return MoveWindowEdge(frame, 3, value);
}

STDMETHODIMP CBrowser::get_LocationName(BSTR* out)
{
    return ReturnBstr(pageTitle.empty() ? location : pageTitle, out);
}

STDMETHODIMP CBrowser::get_LocationURL(BSTR* out)
{
    return ReturnBstr(location, out);
}

STDMETHODIMP CBrowser::get_Busy(VARIANT_BOOL* out)
{
    return ReturnBool(loadPending, out);
}

// IWebBrowserApp

STDMETHODIMP CBrowser::Quit()
{
    TranscriptWrite(L"call Quit %ls", name.c_str());
    if (IsTop() && frame)
        frame->CloseBrowser(this);
    return S_OK;
}

STDMETHODIMP CBrowser::ClientToWindow(int* cx, int* cy)
{
    if (!cx || !cy)
        return E_POINTER;
    RECT r = {0, 0, *cx, *cy};
    if (AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE)) {
        *cx = r.right - r.left;
        *cy = r.bottom - r.top;
    }
    return S_OK;
}

STDMETHODIMP CBrowser::PutProperty(BSTR property, VARIANT)
{
    TranscriptWrite(L"call PutProperty %ls %ls", name.c_str(), property ? property : L"");
    return S_OK;
}

STDMETHODIMP CBrowser::GetProperty(BSTR, VARIANT* value)
{
    if (!value)
        return E_POINTER;
    VariantInit(value);
    return S_OK;
}

STDMETHODIMP CBrowser::get_Name(BSTR* out)
{
    return ReturnBstr(L"Internet Explorer", out);
}

STDMETHODIMP CBrowser::get_HWND(SHANDLE_PTR* out)
{
    if (!out)
        return E_POINTER;
    *out = 0;
    if (!IsTop() || !frame)
        return E_FAIL;
    *out = reinterpret_cast<SHANDLE_PTR>(frame->Window());
    return S_OK;
}

STDMETHODIMP CBrowser::get_FullName(BSTR* out)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH - 1);
    return ReturnBstr(path, out);
}

STDMETHODIMP CBrowser::get_Path(BSTR* out)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH - 1);
    wchar_t* slash = wcsrchr(path, L'\\');
    if (slash)
        slash[1] = 0;
    return ReturnBstr(path, out);
}

STDMETHODIMP CBrowser::get_Visible(VARIANT_BOOL* out)
{
    return ReturnBool(frame && frame->Visible(), out);
}

STDMETHODIMP CBrowser::put_Visible(VARIANT_BOOL value)
{
    TranscriptWrite(L"call put_Visible %ls %ls", name.c_str(), BoolText(value));
    if (!frame)
        return E_FAIL;
    frame->SetVisible(value != VARIANT_FALSE);
    return S_OK;
}

STDMETHODIMP CBrowser::get_StatusBar(VARIANT_BOOL* out)
{
    return ReturnBool(frame && frame->StatusBarVisible(), out);
}

STDMETHODIMP CBrowser::put_StatusBar(VARIANT_BOOL value)
{
    TranscriptWrite(L"call put_StatusBar %ls %ls", name.c_str(), BoolText(value));
    if (frame)
        frame->SetStatusBarVisible(value != VARIANT_FALSE);
    return S_OK;
}

STDMETHODIMP CBrowser::get_StatusText(BSTR* out)
{
    return ReturnBstr(statusText, out);
}

STDMETHODIMP CBrowser::put_StatusText(BSTR value)
{
    statusText = value ? value : L"";
    if (frame)
        frame->SetStatusText(statusText);
    return S_OK;
}

STDMETHODIMP CBrowser::get_ToolBar(int* out)
{
    if (!out)
        return E_POINTER;
    *out = frame && frame->ToolBarVisible() ? 1 : 0;
    return S_OK;
}

STDMETHODIMP CBrowser::put_ToolBar(int value)
{
    TranscriptWrite(L"call put_ToolBar %ls %d", name.c_str(), value);
    if (frame)
        frame->SetToolBarVisible(value != 0);
    return S_OK;
}

STDMETHODIMP CBrowser::get_MenuBar(VARIANT_BOOL* out) { return ReturnBool(menuBar, out); }

STDMETHODIMP CBrowser::put_MenuBar(VARIANT_BOOL value)
{
    TranscriptWrite(L"call put_MenuBar %ls %ls", name.c_str(), BoolText(value));
    menuBar = value != VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP CBrowser::get_FullScreen(VARIANT_BOOL* out) { return ReturnBool(fullScreen, out); }

STDMETHODIMP CBrowser::put_FullScreen(VARIANT_BOOL value)
{
    TranscriptWrite(L"call put_FullScreen %ls %ls", name.c_str(), BoolText(value));
    fullScreen = value != VARIANT_FALSE;
    return S_OK;
}

// IWebBrowser2

STDMETHODIMP CBrowser::Navigate2(VARIANT* url, VARIANT* flags, VARIANT* target, VARIANT* post,
                                 VARIANT* headers)
{
    NavigationRequest request;
    request.url = VariantText(url);
    request.flags = VariantLong(flags, 0);
    request.target = VariantText(target);
    request.hasPost = VariantBytes(post, request.post);
    request.headers = VariantText(headers);
    std::wstring postText = request.hasPost ? HexBytes(request.post.data(), request.post.size())
                                            : std::wstring(L"(none)");
    TranscriptWrite(L"call Navigate2 %ls url=%ls flags=%ld target=%ls post=[%ls] headers=[%ls]",
                    name.c_str(), request.url.c_str(), request.flags, request.target.c_str(),
                    postText.c_str(), Escaped(request.headers).c_str());
    if (request.url.empty())
        return E_INVALIDARG;
    StartNavigation(request);
    return S_OK;
}

STDMETHODIMP CBrowser::QueryStatusWB(OLECMDID command, OLECMDF* status)
{
    if (!status)
        return E_POINTER;
    *status = static_cast<OLECMDF>(0);
    return OLECMDERR_E_NOTSUPPORTED;
}

STDMETHODIMP CBrowser::ExecWB(OLECMDID command, OLECMDEXECOPT option, VARIANT*, VARIANT*)
{
    TranscriptWrite(L"call ExecWB %ls command=%d option=%d", name.c_str(), command, option);
    return OLECMDERR_E_NOTSUPPORTED;
}

STDMETHODIMP CBrowser::ShowBrowserBar(VARIANT* clsid, VARIANT* show, VARIANT* size)
{
    std::wstring text = VariantText(clsid);
    bool visible = VariantBool(show, true);
    TranscriptWrite(L"call ShowBrowserBar %ls clsid=%ls show=%d size=%ld", name.c_str(),
                    text.c_str(), visible ? 1 : 0, VariantLong(size, 0));
    if (!frame)
        return E_FAIL;
    return frame->ShowBand(text, visible) ? S_OK : E_INVALIDARG;
}

STDMETHODIMP CBrowser::get_ReadyState(READYSTATE* out)
{
    if (!out)
        return E_POINTER;
    *out = loadPending ? READYSTATE_LOADING : READYSTATE_COMPLETE;
    return S_OK;
}

STDMETHODIMP CBrowser::get_Offline(VARIANT_BOOL* out) { return ReturnBool(offline, out); }
STDMETHODIMP CBrowser::put_Offline(VARIANT_BOOL value)
{
    offline = value != VARIANT_FALSE;
    return S_OK;
}
STDMETHODIMP CBrowser::get_Silent(VARIANT_BOOL* out) { return ReturnBool(silent, out); }
STDMETHODIMP CBrowser::put_Silent(VARIANT_BOOL value)
{
    TranscriptWrite(L"call put_Silent %ls %ls", name.c_str(), BoolText(value));
    silent = value != VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP CBrowser::get_RegisterAsBrowser(VARIANT_BOOL* out)
{
    return ReturnBool(registerAsBrowser, out);
}

STDMETHODIMP CBrowser::put_RegisterAsBrowser(VARIANT_BOOL value)
{
    TranscriptWrite(L"call put_RegisterAsBrowser %ls %ls", name.c_str(), BoolText(value));
    registerAsBrowser = value != VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP CBrowser::get_RegisterAsDropTarget(VARIANT_BOOL* out)
{
    return ReturnBool(registerAsDropTarget, out);
}

STDMETHODIMP CBrowser::put_RegisterAsDropTarget(VARIANT_BOOL value)
{
    registerAsDropTarget = value != VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP CBrowser::get_TheaterMode(VARIANT_BOOL* out) { return ReturnBool(theaterMode, out); }
STDMETHODIMP CBrowser::put_TheaterMode(VARIANT_BOOL value)
{
    theaterMode = value != VARIANT_FALSE;
    return S_OK;
}
STDMETHODIMP CBrowser::get_AddressBar(VARIANT_BOOL* out) { return ReturnBool(addressBar, out); }
STDMETHODIMP CBrowser::put_AddressBar(VARIANT_BOOL value)
{
    TranscriptWrite(L"call put_AddressBar %ls %ls", name.c_str(), BoolText(value));
    addressBar = value != VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP CBrowser::get_Resizable(VARIANT_BOOL* out)
{
    return ReturnBool(frame && frame->Resizable(), out);
}

STDMETHODIMP CBrowser::put_Resizable(VARIANT_BOOL value)
{
    TranscriptWrite(L"call put_Resizable %ls %ls", name.c_str(), BoolText(value));
    if (frame)
        frame->SetResizable(value != VARIANT_FALSE);
    return S_OK;
}

// IConnectionPointContainer

STDMETHODIMP CBrowser::EnumConnectionPoints(IEnumConnectionPoints** out)
{
    if (out)
        *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CBrowser::FindConnectionPoint(REFIID riid, IConnectionPoint** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (riid != DIID_DWebBrowserEvents2 || !events) {
        TranscriptWrite(L"FindConnectionPoint %ls: no such connection point", name.c_str());
        return CONNECT_E_NOCONNECTION;
    }
    events->AddRef();
    *out = events;
    return S_OK;
}

// IServiceProvider

STDMETHODIMP CBrowser::QueryService(REFGUID service, REFIID riid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (service == SID_SWebBrowserApp || service == IID_IWebBrowser2 ||
        service == SID_SInternetExplorer)
        return QueryInterface(riid, out);
    return E_NOINTERFACE;
}
