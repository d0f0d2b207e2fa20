#include "FrameWindow.h"

#include <commctrl.h>
#include <docobj.h>
#include <algorithm>

#include "BandHost.h"
#include "Browser.h"
#include "Events.h"
#include "Transcript.h"

namespace {

const wchar_t kFrameClass[] = L"LumoraBrowserFrame";
const UINT WM_APP_LOAD = WM_APP + 1;
const int kRebarId = 100, kTabsId = 101, kAddressId = 102, kPageId = 103, kStatusId = 104;

std::vector<CFrameWindow*> gFrames;
void (*gLastWindowClosed)() = nullptr;
int gNextFrameNumber = 1;

std::wstring WithCrLf(const std::wstring& text)
{
    std::wstring out;
    out.reserve(text.size() + text.size() / 8);
    for (wchar_t c : text) {
        if (c == L'\n')
            out += L"\r\n";
        else if (c != L'\r')
            out += c;
    }
    return out;
}

}  // namespace

const std::vector<CFrameWindow*>& CFrameWindow::All()
{
    return gFrames;
}

void CFrameWindow::SetLastWindowClosedHandler(void (*handler)())
{
    gLastWindowClosed = handler;
}

CFrameWindow::CFrameWindow() : number(gNextFrameNumber++) {}

CFrameWindow::~CFrameWindow()
{
    if (font)
        DeleteObject(font);
}

CFrameWindow* CFrameWindow::Create(bool visible)
{
    static bool classReady = false;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!classReady) {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kFrameClass;
        if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            TranscriptWrite(L"frame class not registered: %lu", GetLastError());
            return nullptr;
        }
        classReady = true;
    }
    CFrameWindow* frame = new CFrameWindow();
    int offset = ((frame->number - 1) % 8) * 30;
    HWND hwnd = CreateWindowExW(0, kFrameClass, L"테스트 브라우저", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                40 + offset, 40 + offset, 900, 640, nullptr, nullptr, instance, frame);
    if (!hwnd) {
        TranscriptWrite(L"frame window not created: %lu", GetLastError());
        delete frame;
        return nullptr;
    }
    if (!frame->CreateChildren()) {
        DestroyWindow(hwnd);  // WM_NCDESTROY deletes the frame
        return nullptr;
    }
    gFrames.push_back(frame);
    CBrowser* browser = CBrowser::CreateTop(frame);
    frame->tabs.push_back(browser);
    frame->UpdateTabStrip();
    frame->Layout();
    TranscriptWrite(L"window %d created visible=%d browser=%ls", frame->number, visible ? 1 : 0,
                    browser->Name().c_str());
    if (visible) {
        ShowWindow(hwnd, SW_SHOW);
        UpdateWindow(hwnd);
    }
    frame->bands = new CBandHost(frame->rebar, browser);
    frame->bands->LoadAll();
    frame->Layout();
    return frame;
}

bool CFrameWindow::CreateChildren()
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    font = CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, HANGEUL_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, L"굴림");
    rebar = CreateWindowExW(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, nullptr,
                            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                                RBS_BANDBORDERS | CCS_NODIVIDER | CCS_NOPARENTALIGN | CCS_TOP,
                            0, 0, 0, 0, window, reinterpret_cast<HMENU>(kRebarId), instance, nullptr);
    if (!rebar) {
        TranscriptWrite(L"rebar not created: %lu", GetLastError());
        return false;
    }
    REBARINFO info = {};
    info.cbSize = sizeof(info);
    SendMessageW(rebar, RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&info));
    tabStrip = CreateWindowExW(0, WC_TABCONTROLW, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                               0, 0, 0, 0, window, reinterpret_cast<HMENU>(kTabsId), instance, nullptr);
    addressBox = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                 WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_READONLY, 0, 0, 0, 0,
                                 window, reinterpret_cast<HMENU>(kAddressId), instance, nullptr);
    pageBox = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                                  ES_READONLY,
                              0, 0, 0, 0, window, reinterpret_cast<HMENU>(kPageId), instance, nullptr);
    statusBar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0,
                                0, 0, window, reinterpret_cast<HMENU>(kStatusId), instance, nullptr);
    if (!tabStrip || !addressBox || !pageBox || !statusBar) {
        TranscriptWrite(L"frame controls not created: %lu", GetLastError());
        return false;
    }
    for (HWND child : {tabStrip, addressBox, pageBox, statusBar})
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return true;
}

LRESULT CALLBACK CFrameWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CFrameWindow* frame = reinterpret_cast<CFrameWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        CREATESTRUCTW* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        frame = static_cast<CFrameWindow*>(create->lpCreateParams);
        frame->window = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(frame));
    }
    if (!frame)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
        delete frame;
        return result;
    }
    return frame->HandleMessage(message, wParam, lParam);
}

LRESULT CFrameWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_APP_LOAD: {
        CBrowser* browser = reinterpret_cast<CBrowser*>(lParam);
        browser->RunLoad(static_cast<int>(wParam));
        browser->Release();
        return 0;
    }
    case WM_SIZE:
        OnSizeState(wParam);
        Layout();
        return 0;
    case WM_NOTIFY: {
        NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom == rebar && header->code == RBN_HEIGHTCHANGE)
            Layout();
        else if (header->hwndFrom == tabStrip && header->code == TCN_SELCHANGE)
            SelectTab(static_cast<int>(SendMessageW(tabStrip, TCM_GETCURSEL, 0, 0)));
        break;
    }
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DESTROY: {
        gFrames.erase(std::remove(gFrames.begin(), gFrames.end(), this), gFrames.end());
        TranscriptWrite(L"window %d destroyed", number);
        if (gFrames.empty() && gLastWindowClosed)
            gLastWindowClosed();
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void CFrameWindow::OnSizeState(WPARAM kind)
{
    CBrowser* browser = ActiveBrowser();
    if (!browser)
        return;
    const long enabled = OLECMDIDF_WINDOWSTATE_ENABLED;
    const long visibleAndEnabled = OLECMDIDF_WINDOWSTATE_USERVISIBLE | OLECMDIDF_WINDOWSTATE_ENABLED;
    if (kind == SIZE_MINIMIZED && !minimised) {
        minimised = true;
        TranscriptWrite(L"window %d minimised", number);
        FireWindowStateChanged(browser->EventPoint(), browser->Name(), enabled, visibleAndEnabled);
    } else if (kind != SIZE_MINIMIZED && minimised) {
        minimised = false;
        TranscriptWrite(L"window %d restored", number);
        FireWindowStateChanged(browser->EventPoint(), browser->Name(), visibleAndEnabled,
                               visibleAndEnabled);
    }
}

void CFrameWindow::OnClose()
{
    if (closing)
        return;
    closing = true;
    TranscriptWrite(L"window %d closing", number);
    if (bands) {
        bands->CloseAll();
        delete bands;
        bands = nullptr;
    }
    std::vector<CBrowser*> old;
    old.swap(tabs);
    for (auto it = old.rbegin(); it != old.rend(); ++it) {
        (*it)->Detach();
        (*it)->Release();
    }
    DestroyWindow(window);
}

void CFrameWindow::Layout()
{
    if (!window || !rebar)
        return;
    RECT client;
    GetClientRect(window, &client);
    int width = client.right - client.left;
    int y = 0;
    if (toolBarVisible) {
        int rebarHeight = static_cast<int>(SendMessageW(rebar, RB_GETBARHEIGHT, 0, 0));
        if (rebarHeight < 4)
            rebarHeight = 4;
        MoveWindow(rebar, 0, 0, width, rebarHeight, TRUE);
        y = rebarHeight;
    }
    int statusHeight = 0;
    if (statusBarVisible) {
        SendMessageW(statusBar, WM_SIZE, 0, 0);
        RECT sr;
        GetWindowRect(statusBar, &sr);
        statusHeight = sr.bottom - sr.top;
    }
    MoveWindow(tabStrip, 0, y, width, 26, TRUE);
    y += 26;
    MoveWindow(addressBox, 2, y + 2, width - 4, 22, TRUE);
    y += 26;
    int pageHeight = client.bottom - statusHeight - y - 2;
    MoveWindow(pageBox, 2, y, width - 4, pageHeight > 0 ? pageHeight : 0, TRUE);
}

CBrowser* CFrameWindow::MainBrowser() const
{
    return tabs.empty() ? nullptr : tabs.front();
}

CBrowser* CFrameWindow::ActiveBrowser() const
{
    if (tabs.empty())
        return nullptr;
    return tabs[static_cast<size_t>(active) < tabs.size() ? active : 0];
}

CBrowser* CFrameWindow::AddTab()
{
    CBrowser* browser = CBrowser::CreateTop(this);
    tabs.push_back(browser);
    TranscriptWrite(L"window %d tab %d opened browser=%ls", number, static_cast<int>(tabs.size()),
                    browser->Name().c_str());
    SelectTab(static_cast<int>(tabs.size()) - 1);
    return browser;
}

void CFrameWindow::SelectTab(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= tabs.size())
        return;
    const long enabled = OLECMDIDF_WINDOWSTATE_ENABLED;
    const long visibleAndEnabled = OLECMDIDF_WINDOWSTATE_USERVISIBLE | OLECMDIDF_WINDOWSTATE_ENABLED;
    if (index != active) {
        CBrowser* old = ActiveBrowser();
        active = index;
        if (old)
            FireWindowStateChanged(old->EventPoint(), old->Name(), enabled, visibleAndEnabled);
        CBrowser* now = ActiveBrowser();
        FireWindowStateChanged(now->EventPoint(), now->Name(), visibleAndEnabled, visibleAndEnabled);
    }
    UpdateTabStrip();
    PageChanged(ActiveBrowser());
}

void CFrameWindow::UpdateTabStrip()
{
    SendMessageW(tabStrip, TCM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < tabs.size(); ++i) {
        wchar_t label[64];
        _snwprintf(label, 64, L"탭 %u", static_cast<unsigned>(i + 1));
        label[63] = 0;
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = label;
        SendMessageW(tabStrip, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(tabStrip, TCM_SETCURSEL, static_cast<WPARAM>(active), 0);
}

bool CFrameWindow::AnyLoadPending() const
{
    for (CBrowser* b : tabs)
        if (b->Busy())
            return true;
    return false;
}

void CFrameWindow::PostLoad(CBrowser* browser, int serial)
{
    browser->AddRef();
    if (!PostMessageW(window, WM_APP_LOAD, static_cast<WPARAM>(serial),
                      reinterpret_cast<LPARAM>(browser))) {
        TranscriptWrite(L"load not queued: %lu", GetLastError());
        browser->Release();
    }
}

void CFrameWindow::PageChanged(CBrowser* browser)
{
    if (!browser || browser != ActiveBrowser())
        return;
    SetWindowTextW(addressBox, browser->Location().c_str());
    SetWindowTextW(pageBox, WithCrLf(browser->PageText()).c_str());
    std::wstring title = L"테스트 브라우저 - " + browser->Location();
    SetWindowTextW(window, title.c_str());
}

void CFrameWindow::CloseBrowser(CBrowser* browser)
{
    auto it = std::find(tabs.begin(), tabs.end(), browser);
    if (it == tabs.end())
        return;
    if (tabs.size() > 1 && it != tabs.begin()) {
        TranscriptWrite(L"window %d tab of %ls closed", number, browser->Name().c_str());
        size_t index = static_cast<size_t>(it - tabs.begin());
        tabs.erase(it);
        if (static_cast<size_t>(active) >= index && active > 0)
            --active;
        browser->Detach();
        browser->Release();
        UpdateTabStrip();
        PageChanged(ActiveBrowser());
        return;
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
}

void CFrameWindow::SetVisible(bool visible)
{
    ShowWindow(window, visible ? SW_SHOW : SW_HIDE);
    if (visible)
        UpdateWindow(window);
}

bool CFrameWindow::Visible() const
{
    return IsWindowVisible(window) != FALSE;
}

void CFrameWindow::SetToolBarVisible(bool visible)
{
    toolBarVisible = visible;
    ShowWindow(rebar, visible ? SW_SHOW : SW_HIDE);
    Layout();
}

void CFrameWindow::SetStatusBarVisible(bool visible)
{
    statusBarVisible = visible;
    ShowWindow(statusBar, visible ? SW_SHOW : SW_HIDE);
    Layout();
}

void CFrameWindow::SetStatusText(const std::wstring& text)
{
    SendMessageW(statusBar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void CFrameWindow::SetResizable(bool value)
{
    resizable = value;
    LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    if (value)
        style |= WS_THICKFRAME | WS_MAXIMIZEBOX;
    else
        style &= ~static_cast<LONG_PTR>(WS_THICKFRAME | WS_MAXIMIZEBOX);
    SetWindowLongPtrW(window, GWL_STYLE, style);
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

bool CFrameWindow::ShowBand(const std::wstring& clsidText, bool show)
{
    CLSID clsid;
    if (!bands || FAILED(CLSIDFromString(const_cast<LPOLESTR>(clsidText.c_str()), &clsid)))
        return false;
    bool found = bands->Show(clsid, show);
    if (!found)
        TranscriptWrite(L"ShowBrowserBar: no band %ls in window %d", clsidText.c_str(), number);
    Layout();
    return found;
}
