// The browser stand-in hosting our recording test band: siting order, band information, event
// arguments as the real browser sends them, cancel, frames, post data, tabs, and pop-up windows
// through InternetExplorer.Application across processes. Pages come from a loopback server.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <exdisp.h>
#include <objbase.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "LoopbackHttpServer.h"
#include <initguid.h>  // defines the identifiers below, after every system header
#include "TestBandIds.h"

namespace {

std::wstring BinDir()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH - 1);
    wchar_t* slash = wcsrchr(path, L'\\');
    if (slash)
        *slash = 0;
    return path;
}

std::wstring Wide(const std::string& text)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(n > 0 ? static_cast<size_t>(n) : 0, L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

// Runs a command line and waits (bounded); the exit code, or -1 on failure or time-out.
int RunCommand(const std::wstring& commandLine, DWORD timeoutMs)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::wstring line = commandLine;
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 99);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

std::string ReadFileBytes(const std::wstring& path)
{
    std::string data;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return data;
    char buffer[8192];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        data.append(buffer, read);
    CloseHandle(file);
    return data;
}

bool WriteFileBytes(const std::wstring& path, const std::string& data)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    CloseHandle(file);
    return ok != FALSE;
}

// Position of the first line containing every one of `parts`, at or after `from`; npos if none.
size_t FindLine(const std::string& text, std::initializer_list<const char*> parts, size_t from = 0)
{
    size_t start = from;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        bool all = true;
        for (const char* p : parts)
            all = all && line.find(p) != std::string::npos;
        if (all)
            return start;
        start = end + 1;
    }
    return std::string::npos;
}

std::string LineAt(const std::string& text, size_t at)
{
    if (at == std::string::npos)
        return std::string();
    size_t end = text.find('\n', at);
    return text.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

std::string Hex(const std::string& bytes)
{
    std::string out;
    char two[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        snprintf(two, sizeof(two), i ? " %02X" : "%02X", static_cast<unsigned char>(bytes[i]));
        out += two;
    }
    return out;
}

int CountLines(const std::string& text, std::initializer_list<const char*> parts)
{
    int n = 0;
    size_t at = 0;
    while ((at = FindLine(text, parts, at)) != std::string::npos) {
        ++n;
        at = text.find('\n', at);
        if (at == std::string::npos)
            break;
        ++at;
    }
    return n;
}

// Closes every stand-in window still open (pop-ups live on their own) and waits for them to go.
void CloseStrayWindows()
{
    for (int i = 0; i < 150; ++i) {
        HWND window = FindWindowW(L"LumoraBrowserFrame", nullptr);
        if (!window)
            return;
        PostMessageW(window, WM_CLOSE, 0, 0);
        Sleep(100);
    }
}

class BrowserBandTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = new LoopbackHttpServer();
        ASSERT_TRUE(server->Start());
        std::wstring bin = BinDir();
        ASSERT_EQ(0, RunCommand(L"regsvr32.exe /s \"" + bin + L"\\TestBand.dll\"", 30000));
        ASSERT_EQ(0, RunCommand(L"\"" + bin + L"\\browser.exe\" --register", 30000));
    }

    static void TearDownTestSuite()
    {
        std::wstring bin = BinDir();
        RunCommand(L"\"" + bin + L"\\browser.exe\" --unregister", 30000);
        RunCommand(L"regsvr32.exe /s /u \"" + bin + L"\\TestBand.dll\"", 30000);
        delete server;
        server = nullptr;
    }

    void SetUp() override
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        directory = BinDir() + L"\\browser-test";
        CreateDirectoryW(directory.c_str(), nullptr);
        directory += L"\\" + Wide(info->name());
        CreateDirectoryW(directory.c_str(), nullptr);
        transcriptPath = directory + L"\\transcript.txt";
        bandLogPath = directory + L"\\band.txt";
        DeleteFileW(transcriptPath.c_str());
        DeleteFileW(bandLogPath.c_str());
        SetEnvironmentVariableW(L"LUMORA_BROWSER_TRANSCRIPT", transcriptPath.c_str());
        SetEnvironmentVariableW(L"LUMORA_BROWSER_SAVE_DIR", directory.c_str());
        SetEnvironmentVariableW(L"LUMORA_TESTBAND_LOG", bandLogPath.c_str());
        SetEnvironmentVariableW(L"LUMORA_TESTBAND_POPUP", Wide(server->Url("/popup.html")).c_str());
        SetEnvironmentVariableW(L"LUMORA_TESTBAND_NEWTAB", Wide(server->Url("/tab.html")).c_str());
    }

    void TearDown() override { CloseStrayWindows(); }

    // Runs one session script (UTF-8 lines) to its end; false on time-out.
    bool RunSession(const std::string& script)
    {
        std::wstring scriptPath = directory + L"\\session.txt";
        if (!WriteFileBytes(scriptPath, script))
            return false;
        int code = RunCommand(L"\"" + BinDir() + L"\\browser.exe\" --script \"" + scriptPath + L"\"", 90000);
        transcript = ReadFileBytes(transcriptPath);
        bandLog = ReadFileBytes(bandLogPath);
        return code == 0;
    }

    static LoopbackHttpServer* server;
    std::wstring directory, transcriptPath, bandLogPath;
    std::string transcript, bandLog;
};

LoopbackHttpServer* BrowserBandTest::server = nullptr;

TEST_F(BrowserBandTest, SitesShowsAndUnsitesBandsInOrderAndLeavesOutFailingBand)
{
    ASSERT_TRUE(RunSession("wait 200\nclose\n")) << transcript;

    // The recording band: sited with all three site interfaces and the browser of its window.
    size_t sited = FindLine(bandLog, {"SetSite site input=1 provider=1 olewindow=1 rebar=yes",
                                      "browser=0x00000000", "hwnd-match=1", "advise=1", "window=1"});
    ASSERT_NE(std::string::npos, sited) << bandLog;
    size_t info = FindLine(bandLog, {"GetBandInfo id=", "mode=0 mask=0x7F"}, sited);
    size_t window = FindLine(bandLog, {"GetWindow"}, info);
    size_t shown = FindLine(bandLog, {"ShowDW 1"}, window);
    size_t hidden = FindLine(bandLog, {"ShowDW 0"}, shown);
    size_t closed = FindLine(bandLog, {"CloseDW 0"}, hidden);
    size_t unsited = FindLine(bandLog, {"SetSite NULL"}, closed);
    size_t destroyed = FindLine(bandLog, {"destroyed"}, unsited);
    EXPECT_NE(std::string::npos, info) << bandLog;
    EXPECT_NE(std::string::npos, window);
    EXPECT_NE(std::string::npos, shown);
    EXPECT_NE(std::string::npos, hidden);
    EXPECT_NE(std::string::npos, closed);
    EXPECT_NE(std::string::npos, unsited);
    EXPECT_NE(std::string::npos, destroyed) << "the browser must release the band";

    // The browser saw the band drop DBIM_BKCOLOR and kept the sizes it reported.
    EXPECT_NE(std::string::npos,
              FindLine(transcript, {"GetBandInfo", "asked=0x7F", "mask=0x3F", "min=200,25",
                                    "max=0,-1", "actual=200,25", "flags=0x88"}))
        << transcript;
    EXPECT_NE(std::string::npos, FindLine(transcript, {"unadvise cookie="}));

    // The failing band was asked to site once, then released without anything else.
    size_t refused = FindLine(bandLog, {"SetSite site -> refused"});
    ASSERT_NE(std::string::npos, refused) << bandLog;
    std::string pid = LineAt(bandLog, refused);
    std::string bandName = pid.substr(pid.find("band#"), pid.find(' ', pid.find("band#")) - pid.find("band#"));
    EXPECT_EQ(1, CountLines(bandLog, {(bandName + " ").c_str(), "destroyed"}));
    EXPECT_EQ(0, CountLines(bandLog, {(bandName + " ").c_str(), "GetBandInfo"}));
    EXPECT_EQ(0, CountLines(bandLog, {(bandName + " ").c_str(), "ShowDW"}));
    EXPECT_NE(std::string::npos, FindLine(transcript, {"left out (SetSite failed)"}));
}

TEST_F(BrowserBandTest, SendsEventArgumentsLikeTheBrowserAndHonoursCancel)
{
    server->SetPage("/index.html",
                    "<html><body><p>top page</p><iframe src=\"frame-ok.html\" name=\"ok\"></iframe>"
                    "<IFRAME SRC='badframe.html'></IFRAME></body></html>");
    server->SetPage("/frame-ok.html", "<html><body>frame ok</body></html>");
    std::string body = "a=1&b=%ED%95%9C&c=\xED\x95\x9C";  // percent-encoded and raw UTF-8 text
    std::string script = "navigate " + server->Url("/index.html") + "\nwaitidle\n" +
                         "navigate " + server->Url("/cancel-me.html") + "\nwaitidle\n" +
                         "post " + server->Url("/echo.html") + " " + body + "\nwaitidle\n" +
                         "navigate " + server->Url("/redirect-me.html") + "\nwaitidle\n" +
                         "minimize\nrestore\n" +
                         "click 4243\nwaitidle\n" +
                         "screenshot shot.png\nclose\n";
    ASSERT_TRUE(RunSession(script)) << transcript;

    // BeforeNavigate2: 7 arguments in reverse order, by-reference VARIANTs, cancel by reference.
    std::string indexUrl = server->Url("/index.html");
    size_t top = FindLine(bandLog, {"event 250 argc=7 vt=400B,400C,400C,400C,400C,400C,0009 disp=top",
                                    ("url=" + indexUrl + " ").c_str(), "flags=0", "postvt=0000"});
    ASSERT_NE(std::string::npos, top) << bandLog;
    // Frames: each with a browser object of its own, after the top page's NavigateComplete2.
    size_t topComplete = FindLine(bandLog, {"event 252 argc=2 vt=400C,0009 disp=top", indexUrl.c_str()}, top);
    size_t frameOk = FindLine(bandLog, {"event 250", "disp=frame#1", "frame-ok.html", "target=ok"}, topComplete);
    size_t frameBad = FindLine(bandLog, {"event 250", "disp=frame#2", "badframe.html"}, frameOk);
    size_t frameDone = FindLine(bandLog, {"event 259", "disp=frame#1", "frame-ok.html"}, frameOk);
    size_t topDone = FindLine(bandLog, {"event 259", "disp=top", indexUrl.c_str()}, frameDone);
    EXPECT_NE(std::string::npos, topComplete) << bandLog;
    EXPECT_NE(std::string::npos, frameOk);
    EXPECT_NE(std::string::npos, frameBad);
    EXPECT_NE(std::string::npos, frameDone);
    EXPECT_NE(std::string::npos, topDone);
    EXPECT_EQ(1, server->CountRequests("/frame-ok.html"));
    // The cancelled frame: not fetched; Stop, Refresh and Quit reached its own object, in order.
    EXPECT_EQ(0, server->CountRequests("/badframe.html"));
    size_t badEvent = FindLine(transcript, {"event BeforeNavigate2 disp=frame#", "badframe.html"});
    ASSERT_NE(std::string::npos, badEvent) << transcript;
    std::string badLine = LineAt(transcript, badEvent);
    size_t nameAt = badLine.find("frame#");
    std::string frameName = badLine.substr(nameAt, badLine.find(' ', nameAt) - nameAt);
    size_t stop = FindLine(transcript, {("call Stop " + frameName + " ").c_str()}, badEvent);
    size_t refresh = FindLine(transcript, {("call Refresh " + frameName + " ").c_str()}, stop);
    size_t quit = FindLine(transcript, {("call Quit " + frameName).c_str()}, refresh);
    size_t frameCancelled = FindLine(transcript, {("navigation cancelled " + frameName + " ").c_str()}, quit);
    EXPECT_NE(std::string::npos, frameCancelled) << transcript;
    // Nothing of that reached the top-level browser.
    size_t topStop = FindLine(transcript, {"call Stop top#"}, badEvent);
    EXPECT_TRUE(topStop == std::string::npos || topStop > frameCancelled);

    // A cancelled top-level navigation does not happen.
    EXPECT_EQ(0, server->CountRequests("/cancel-me.html"));
    EXPECT_NE(std::string::npos, FindLine(transcript, {"navigation cancelled top#1", "cancel-me"}));

    // Post data reaches the band byte for byte, and the server as the form body.
    size_t posted = FindLine(bandLog, {"event 250", "echo.html", "postvt=2011",
                                       ("post=" + Hex(body) + " ").c_str(),
                                       "headers=Content-Type: application/x-www-form-urlencoded\\r\\n"});
    EXPECT_NE(std::string::npos, posted) << bandLog;
    bool echoed = false;
    for (const RecordedRequest& r : server->Requests())
        echoed = echoed || (r.path == "/echo.html" && r.method == "POST" && r.body == body);
    EXPECT_TRUE(echoed);

    // The band's replacement navigation from inside BeforeNavigate2: stop, then POST of the block page.
    EXPECT_EQ(0, server->CountRequests("/redirect-me.html"));
    std::string blockBody = "Lumora=NoCheck&url=" + server->Url("/redirect-me.html") + "&malCode=121013";
    EXPECT_NE(std::string::npos, FindLine(bandLog, {"event 250", "block.html", ("post=" + Hex(blockBody) + " ").c_str()}));
    bool blocked = false;
    for (const RecordedRequest& r : server->Requests())
        blocked = blocked || (r.path == "/block.html" && r.method == "POST" && r.body == blockBody);
    EXPECT_TRUE(blocked);
    EXPECT_NE(std::string::npos, FindLine(transcript, {"call Stop top#1"}));
    EXPECT_NE(std::string::npos, FindLine(bandLog, {"event 259", "disp=top", "block.html"}));

    // Minimise and restore.
    size_t minimised = FindLine(bandLog, {"event 283 argc=2 vt=0003,0003 flags=2 mask=3"});
    EXPECT_NE(std::string::npos, minimised) << bandLog;
    EXPECT_NE(std::string::npos, FindLine(bandLog, {"event 283", "flags=3 mask=3"}, minimised));

    // Flag 2048 with "_blank" opens a new tab that loads the page.
    EXPECT_NE(std::string::npos, FindLine(transcript, {"new tab top#", "tab.html", "flags=2048", "target=_blank"}))
        << transcript;
    EXPECT_EQ(1, server->CountRequests("/tab.html"));

    // Evidence: pages saved, screenshot written as PNG.
    EXPECT_NE(std::string::npos, FindLine(transcript, {"page saved top#1"}));
    std::string png = ReadFileBytes(directory + L"\\shot.png");
    ASSERT_GT(png.size(), 8u);
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(std::string("\x89PNG\r\n\x1A\n", 8), png.substr(0, 8));
    EXPECT_EQ(std::string("\0\0\x03\x84\0\0\x02\x80", 8), png.substr(16, 8)) << "900 x 640";
}

TEST_F(BrowserBandTest, InternetExplorerApplicationOpensStandInWindowsAcrossProcesses)
{
    // From a band: the product's pop-up browser.
    ASSERT_TRUE(RunSession("navigate " + server->Url("/start.html") + "\nwaitidle\nclick 4242\n"
                           "wait 500\nclose\n"))
        << transcript;
    EXPECT_NE(std::string::npos, FindLine(bandLog, {"popup CoCreateInstance hr=0x00000000"})) << bandLog;
    EXPECT_NE(std::string::npos, FindLine(bandLog, {"popup navigate hr=0x00000000 hwnd=1 other-process=1"}))
        << bandLog;
    size_t instance = FindLine(transcript, {"InternetExplorer.Application instance"});
    ASSERT_NE(std::string::npos, instance) << transcript;
    std::string line = LineAt(transcript, instance);
    std::string pid = line.substr(0, line.find(']') + 1);
    for (const char* call : {"call put_ToolBar top#1 0", "call put_StatusBar top#1 false", "call put_Width top#1 630",
                             "call put_Height top#1 770", "call put_Resizable top#1 false",
                             "call put_Visible top#1 true", "call Navigate2 top#1"})
        EXPECT_NE(std::string::npos, FindLine(transcript, {pid.c_str(), call}, instance)) << call;
    // The pop-up window hosts the bands of its own.
    EXPECT_NE(std::string::npos, FindLine(bandLog, {pid.c_str(), "SetSite site input=1"}));
    for (int i = 0; i < 100 && server->CountRequests("/popup.html") == 0; ++i)
        Sleep(100);
    EXPECT_EQ(1, server->CountRequests("/popup.html"));

    // From a client process of its own: IWebBrowser2 and IDispatch across processes.
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    IWebBrowser2* browser = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_InternetExplorer, nullptr, CLSCTX_LOCAL_SERVER, IID_IWebBrowser2,
                                  reinterpret_cast<void**>(&browser));
    ASSERT_EQ(S_OK, hr);
    ASSERT_NE(nullptr, browser);
    SHANDLE_PTR handle = 0;
    EXPECT_EQ(S_OK, browser->get_HWND(&handle));
    DWORD owner = 0;
    GetWindowThreadProcessId(reinterpret_cast<HWND>(handle), &owner);
    EXPECT_NE(0u, owner);
    EXPECT_NE(GetCurrentProcessId(), owner);
    EXPECT_EQ(S_OK, browser->put_Visible(VARIANT_TRUE));
    EXPECT_EQ(S_OK, browser->put_RegisterAsBrowser(VARIANT_TRUE));
    VARIANT clsid, show, size, none;
    VariantInit(&clsid);
    clsid.vt = VT_BSTR;
    clsid.bstrVal = SysAllocString(TESTBAND_CLSID_TEXT);
    VariantInit(&show);
    show.vt = VT_BOOL;
    show.boolVal = VARIANT_TRUE;
    VariantInit(&size);
    size.vt = VT_I4;
    size.lVal = 1;
    VariantInit(&none);
    EXPECT_EQ(S_OK, browser->ShowBrowserBar(&clsid, &show, &size));
    SysFreeString(clsid.bstrVal);
    clsid.bstrVal = SysAllocString(L"{00000000-0000-0000-0000-00000000ABCD}");
    EXPECT_NE(S_OK, browser->ShowBrowserBar(&clsid, &show, &size));
    VariantClear(&clsid);

    std::string url = server->Url("/remote.html");
    VARIANT address;
    VariantInit(&address);
    address.vt = VT_BSTR;
    address.bstrVal = SysAllocString(Wide(url).c_str());
    EXPECT_EQ(S_OK, browser->Navigate2(&address, &none, &none, &none, &none));
    VariantClear(&address);
    std::wstring location;
    for (int i = 0; i < 100 && location != Wide(url); ++i) {
        Sleep(100);
        BSTR text = nullptr;
        if (SUCCEEDED(browser->get_LocationURL(&text)) && text)
            location.assign(text, SysStringLen(text));
        SysFreeString(text);
    }
    EXPECT_EQ(Wide(url), location);
    EXPECT_EQ(1, server->CountRequests("/remote.html"));

    // Late binding through the registered type library.
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(L"LocationURL");
    ASSERT_EQ(S_OK, browser->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id));
    DISPPARAMS noArgs = {nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(S_OK, browser->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &noArgs, &result,
                                    nullptr, nullptr));
    EXPECT_EQ(VT_BSTR, result.vt);
    if (result.vt == VT_BSTR) {
        EXPECT_EQ(Wide(url), std::wstring(result.bstrVal));
    }
    VariantClear(&result);

    EXPECT_EQ(S_OK, browser->Quit());
    browser->Release();
    CoUninitialize();
    for (int i = 0; i < 100 && IsWindow(reinterpret_cast<HWND>(handle)); ++i)
        Sleep(100);
    EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(handle)));
    transcript = ReadFileBytes(transcriptPath);
    EXPECT_NE(std::string::npos, FindLine(transcript, {"call ShowBrowserBar", "show=1 size=1"}));
    EXPECT_NE(std::string::npos, FindLine(transcript, {"call put_RegisterAsBrowser top#", " true"}));
}

}  // namespace
