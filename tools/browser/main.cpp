// Browser stand-in: a frame window that hosts toolbar bands the way the real browser does, with
// a scriptable session and a transcript of everything the bands received and asked for.
//
//   browser.exe [--script FILE] [--transcript FILE] [--save-dir DIR] [URL]
//   browser.exe --register | --unregister    (InternetExplorer.Application -> this program)
//   browser.exe -Embedding                   (started by COM as that class's local server)
// Environment: LUMORA_BROWSER_TRANSCRIPT and LUMORA_BROWSER_SAVE_DIR are the defaults of
// --transcript and --save-dir, so that windows started by COM write to the same transcript.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>
#include <shellapi.h>
#include <string>

#include "Browser.h"
#include "FrameWindow.h"
#include "LocalServer.h"
#include "Script.h"
#include "Transcript.h"
#include "TypeInfo.h"

namespace {

bool gEverHadWindow = false;

void OnLastWindowClosed()
{
    PostQuitMessage(0);
}

std::wstring Environment(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(value) : std::wstring();
}

// In server mode the process ends by itself when no client asked for a window within this time.
const UINT kIdleServerTimeout = 30000;

VOID CALLBACK IdleServerCheck(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (!gEverHadWindow && CFrameWindow::All().empty()) {
        TranscriptWrite(L"local server: no client, ending");
        PostQuitMessage(0);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv)
        return 1;
    std::wstring script, transcript = Environment(L"LUMORA_BROWSER_TRANSCRIPT");
    std::wstring saveDir = Environment(L"LUMORA_BROWSER_SAVE_DIR");
    std::wstring url;
    bool embedding = false, doRegister = false, doUnregister = false;
    for (int i = 1; i < argc; ++i) {
        std::wstring a = argv[i];
        if (a == L"--script" && i + 1 < argc)
            script = argv[++i];
        else if (a == L"--transcript" && i + 1 < argc)
            transcript = argv[++i];
        else if (a == L"--save-dir" && i + 1 < argc)
            saveDir = argv[++i];
        else if (a == L"--register")
            doRegister = true;
        else if (a == L"--unregister")
            doUnregister = true;
        else if (_wcsicmp(a.c_str(), L"-Embedding") == 0 || _wcsicmp(a.c_str(), L"/Embedding") == 0)
            embedding = true;
        else
            url = a;
    }
    LocalFree(argv);
    if (doRegister || doUnregister) {
        bool ok = doRegister ? RegisterAsInternetExplorer() : UnregisterAsInternetExplorer();
        return ok ? 0 : 2;
    }
    TranscriptOpen(transcript);
    SetPageSaveDirectory(saveDir);
    TranscriptWrite(L"browser start%ls", embedding ? L" (local server)" : L"");

    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_COOL_CLASSES | ICC_BAR_CLASSES |
                                                           ICC_TAB_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    HRESULT hr = OleInitialize(nullptr);
    if (FAILED(hr)) {
        TranscriptWrite(L"OleInitialize failed 0x%08lX", hr);
        return 3;
    }
    CFrameWindow::SetLastWindowClosedHandler(OnLastWindowClosed);

    int exitCode = 0;
    CScriptRunner runner;
    if (embedding) {
        if (!StartLocalServer())
            exitCode = 4;
        else
            SetTimer(nullptr, 0, kIdleServerTimeout, IdleServerCheck);
    } else {
        CFrameWindow* frame = CFrameWindow::Create(true);
        if (!frame) {
            exitCode = 5;
        } else {
            if (!url.empty()) {
                NavigationRequest request;
                request.url = url;
                frame->MainBrowser()->StartNavigation(request);
            }
            if (!script.empty() && (!runner.Load(script) || !runner.Start(frame)))
                TranscriptWrite(L"script %ls not started", script.c_str());
        }
    }
    if (exitCode == 0) {
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (!CFrameWindow::All().empty())
                gEverHadWindow = true;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    StopLocalServer();
    // Windows left open (script without close): close them so that every band is unsited.
    while (!CFrameWindow::All().empty())
        SendMessageW(CFrameWindow::All().front()->Window(), WM_CLOSE, 0, 0);
    ReleaseWebBrowserTypeInfo();
    OleUninitialize();
    TranscriptWrite(L"browser end");
    TranscriptClose();
    return exitCode;
}
