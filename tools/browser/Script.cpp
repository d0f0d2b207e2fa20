#include "Script.h"

#include <commctrl.h>
#include <cwchar>
#include <cwctype>

#include "Browser.h"
#include "FrameWindow.h"
#include "Screenshot.h"
#include "Transcript.h"

namespace {

const wchar_t kRunnerClass[] = L"LumoraBrowserScript";
const UINT_PTR kStepTimer = 1;

std::vector<std::wstring> Split(const std::wstring& line, size_t maxParts)
{
    std::vector<std::wstring> parts;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && iswspace(line[i]))
            ++i;
        if (i >= line.size())
            break;
        if (parts.size() + 1 == maxParts) {
            size_t end = line.size();
            while (end > i && iswspace(line[end - 1]))
                --end;
            parts.push_back(line.substr(i, end - i));
            break;
        }
        size_t start = i;
        while (i < line.size() && !iswspace(line[i]))
            ++i;
        parts.push_back(line.substr(start, i - start));
    }
    return parts;
}

std::vector<BYTE> Utf8(const std::wstring& text)
{
    std::vector<BYTE> bytes;
    if (text.empty())
        return bytes;
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    if (n <= 0)
        return bytes;
    bytes.resize(static_cast<size_t>(n));
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<char*>(bytes.data()), n, nullptr, nullptr);
    return bytes;
}

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK FindControl(HWND hwnd, LPARAM lParam)
{
    ControlSearch* search = reinterpret_cast<ControlSearch*>(lParam);
    if (GetDlgCtrlID(hwnd) == search->id && IsWindowVisible(hwnd)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

struct ToolbarSearch {
    int id;
    HWND toolbar;
    RECT rect;
};

BOOL CALLBACK FindToolbarButton(HWND hwnd, LPARAM lParam)
{
    ToolbarSearch* search = reinterpret_cast<ToolbarSearch*>(lParam);
    wchar_t className[64] = {};
    GetClassNameW(hwnd, className, 63);
    if (_wcsicmp(className, TOOLBARCLASSNAMEW) != 0)
        return TRUE;
    LRESULT index = SendMessageW(hwnd, TB_COMMANDTOINDEX, static_cast<WPARAM>(search->id), 0);
    if (index < 0)
        return TRUE;
    RECT r;
    if (SendMessageW(hwnd, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r))) {
        search->toolbar = hwnd;
        search->rect = r;
        return FALSE;
    }
    return TRUE;
}

// The window with control id `id` below `root` and the point (client coordinates of that
// window) to act on; toolbar buttons count as controls with their command id.
bool LocateControl(HWND root, int id, HWND& target, POINT& point)
{
    ControlSearch search = {id, nullptr};
    EnumChildWindows(root, FindControl, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
        RECT r;
        GetClientRect(search.found, &r);
        target = search.found;
        point.x = (r.left + r.right) / 2;
        point.y = (r.top + r.bottom) / 2;
        return true;
    }
    ToolbarSearch toolbar = {id, nullptr, {}};
    EnumChildWindows(root, FindToolbarButton, reinterpret_cast<LPARAM>(&toolbar));
    if (toolbar.toolbar) {
        target = toolbar.toolbar;
        point.x = (toolbar.rect.left + toolbar.rect.right) / 2;
        point.y = (toolbar.rect.top + toolbar.rect.bottom) / 2;
        return true;
    }
    return false;
}

}  // namespace

bool CScriptRunner::Load(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        TranscriptWrite(L"script %ls not opened (%lu)", path.c_str(), GetLastError());
        return false;
    }
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0 &&
           bytes.size() < 1024 * 1024)
        bytes.append(buffer, read);
    CloseHandle(file);
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bytes.erase(0, 3);
    // Scripts are UTF-8; a file that is not valid UTF-8 is read in the ANSI code page.
    UINT codePage = CP_UTF8;
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0 && !bytes.empty()) {
        codePage = CP_ACP;
        n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    }
    std::wstring text(n > 0 ? static_cast<size_t>(n) : 0, L'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], n);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L'\n', start);
        std::wstring line = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        while (!line.empty() && (line.back() == L'\r' || iswspace(line.back())))
            line.pop_back();
        lines.push_back(line);
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    size_t slash = path.find_last_of(L"\\/");
    directory = slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
    return true;
}

bool CScriptRunner::Start(CFrameWindow* target)
{
    frame = target;
    frameNumber = target ? target->Number() : 0;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kRunnerClass;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;
    timerWindow = CreateWindowExW(0, kRunnerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, this);
    if (!timerWindow)
        return false;
    SetWindowLongPtrW(timerWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetTimer(timerWindow, kStepTimer, 200, nullptr);
    return true;
}

LRESULT CALLBACK CScriptRunner::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == kStepTimer) {
        CScriptRunner* runner = reinterpret_cast<CScriptRunner*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (runner) {
            KillTimer(hwnd, kStepTimer);
            runner->Step();
        }
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

CFrameWindow* CScriptRunner::Target()
{
    for (CFrameWindow* f : CFrameWindow::All())
        if (f == frame && f->Number() == frameNumber)
            return f;
    return nullptr;
}

void CScriptRunner::Step()
{
    if (finished)
        return;
    UINT delay = 10;
    if (waitKind != 0) {
        CFrameWindow* target = Target();
        bool done = !target;
        if (target && waitKind == 1) {
            idleTicks = target->AnyLoadPending() ? 0 : idleTicks + 1;
            done = idleTicks >= 3;  // idle over three ticks: nothing queued itself meanwhile
        } else if (target && waitKind == 2) {
            CBrowser* browser = target->ActiveBrowser();
            done = browser && browser->Location().find(waitText) != std::wstring::npos;
        }
        if (!done && static_cast<LONG>(GetTickCount() - waitDeadline) >= 0) {
            TranscriptWrite(L"script wait timed out");
            done = true;
        }
        if (!done) {
            SetTimer(timerWindow, kStepTimer, 50, nullptr);
            return;
        }
        waitKind = 0;
    } else if (next >= lines.size()) {
        finished = true;
        TranscriptWrite(L"script end");
        return;
    } else {
        delay = Run(lines[next++]);
    }
    if (!finished)
        SetTimer(timerWindow, kStepTimer, delay, nullptr);
}

UINT CScriptRunner::Run(const std::wstring& line)
{
    std::vector<std::wstring> words = Split(line, 2);
    if (words.empty() || words[0][0] == L'#')
        return 1;
    TranscriptWrite(L"script %ls", line.c_str());
    const std::wstring& command = words[0];
    std::wstring rest = words.size() > 1 ? words[1] : std::wstring();
    CFrameWindow* target = Target();
    if (!target && command != L"wait") {
        TranscriptWrite(L"script: the window is gone, session ends");
        finished = true;
        return 0;
    }
    CBrowser* browser = target ? target->ActiveBrowser() : nullptr;
    if (command == L"navigate" || command == L"post" || command == L"open") {
        std::vector<std::wstring> args = Split(rest, command == L"post" ? 2 : 3);
        if (args.empty() || !browser) {
            TranscriptWrite(L"script: %ls needs an address", command.c_str());
            return 1;
        }
        NavigationRequest request;
        request.url = args[0];
        if (command == L"post") {
            request.hasPost = true;
            request.post = Utf8(args.size() > 1 ? args[1] : std::wstring());
            request.headers = L"Content-Type: application/x-www-form-urlencoded\r\n";
        } else if (command == L"open") {
            request.flags = args.size() > 1 ? wcstol(args[1].c_str(), nullptr, 0) : 0;
            request.target = args.size() > 2 ? args[2] : std::wstring();
        }
        browser->StartNavigation(request);
        return 1;
    }
    if (command == L"frame") {
        std::vector<std::wstring> args = Split(rest, 2);
        if (args.empty() || !browser)
            return 1;
        browser->NavigateFrame(args[0], args.size() > 1 ? args[1] : std::wstring());
        return 1;
    }
    if (command == L"wait") {
        long ms = wcstol(rest.c_str(), nullptr, 10);
        return ms > 0 ? static_cast<UINT>(ms) : 1;
    }
    if (command == L"waitidle" || command == L"waitlocation") {
        std::vector<std::wstring> args = Split(rest, 2);
        long timeout = 10000;
        if (command == L"waitidle") {
            if (!args.empty())
                timeout = wcstol(args[0].c_str(), nullptr, 10);
            waitKind = 1;
        } else {
            waitText = args.empty() ? std::wstring() : args[0];
            if (args.size() > 1)
                timeout = wcstol(args[1].c_str(), nullptr, 10);
            waitKind = 2;
        }
        idleTicks = 0;
        waitDeadline = GetTickCount() + static_cast<DWORD>(timeout > 0 ? timeout : 10000);
        return 50;
    }
    if (command == L"click" || command == L"hover") {
        int id = static_cast<int>(wcstol(rest.c_str(), nullptr, 0));
        HWND control = nullptr;
        POINT point = {};
        if (!LocateControl(target->Window(), id, control, point)) {
            TranscriptWrite(L"script: no control %d", id);
            return 1;
        }
        POINT screen = point;
        ClientToScreen(control, &screen);
        SetCursorPos(screen.x, screen.y);
        LPARAM position = MAKELPARAM(point.x, point.y);
        PostMessageW(control, WM_MOUSEMOVE, 0, position);
        if (command == L"click") {
            PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, position);
            PostMessageW(control, WM_LBUTTONUP, 0, position);
        }
        return 100;
    }
    if (command == L"tab") {
        target->SelectTab(static_cast<int>(wcstol(rest.c_str(), nullptr, 10)) - 1);
        return 1;
    }
    if (command == L"minimize" || command == L"minimise") {
        ShowWindow(target->Window(), SW_MINIMIZE);
        return 100;
    }
    if (command == L"restore") {
        ShowWindow(target->Window(), SW_RESTORE);
        return 100;
    }
    if (command == L"screenshot") {
        std::wstring path = rest;
        bool absolute = path.size() > 1 && (path[1] == L':' || path[0] == L'\\' || path[0] == L'/');
        if (!absolute)
            path = directory + L"\\" + path;
        SaveWindowPng(target->Window(), path);
        return 1;
    }
    if (command == L"close") {
        PostMessageW(target->Window(), WM_CLOSE, 0, 0);
        finished = true;
        TranscriptWrite(L"script end");
        return 0;
    }
    TranscriptWrite(L"script: unknown command %ls", command.c_str());
    return 1;
}
