// Asks the toolbar server about each address given on the command line, the way the toolbar
// does: loads LumoraSvcDll.dll by name, binds its exports, queues an address check for a window
// of its own and waits for the WM_COPYDATA reply, then prints the verdict in Korean.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "lumora_svc_api.h"

namespace {

constexpr DWORD kReplyWaitMs = 3000;

struct Reply
{
    bool arrived;
    bool unreachable;
    SvcUrlResponse record;
};

Reply gReply;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COPYDATA) {
        const COPYDATASTRUCT* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (data->dwData == LM_SVC_URL_RESP) {
            gReply.arrived = UnpackRecord(static_cast<const uint8_t*>(data->lpData), data->cbData,
                                          &gReply.record) == data->cbData;
        } else if (data->dwData == LM_SVC_CONNECTION_FAIL) {
            gReply.arrived = true;
            gReply.unreachable = true;
        }
        return TRUE;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Writes CP949 text: as wide characters to a console, as UTF-8 to a file or a pipe (Wine run from
// a Unix terminal).
void Print(const std::string& text)
{
    wchar_t wide[4096];
    const int n = MultiByteToWideChar(949, 0, text.c_str(), static_cast<int>(text.size()), wide, 4096);
    if (n <= 0) {
        return;
    }
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, wide, static_cast<DWORD>(n), &written, nullptr);
        return;
    }
    char utf8[8192];
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, n, utf8, sizeof utf8, nullptr, nullptr);
    if (bytes > 0) {
        WriteFile(out, utf8, static_cast<DWORD>(bytes), &written, nullptr);
    }
}

std::string Verdict(const SvcUrlResponse& r)
{
    std::string findings;
    if (r.malCode == 121013) findings += " 악성코드 유포";
    if (r.malCodePropagate == 121042) findings += " 악성코드 경유";
    if (r.phishing == 121011) findings += " 피싱";
    if (r.falsify == 121017) findings += " 위·변조";
    if (r.olderThan19 >= 121033 && r.olderThan19 <= 121036) findings += " 청소년 유해";
    if (!findings.empty()) {
        return "위험 (" + findings.substr(1) + ")";
    }
    if (r.malCodeHistory == 121015) {
        return "주의 (과거 보안위협 이력있음)";
    }
    return "안전 (위협요소가 발견되지 않음)";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        Print("사용법: svc_check 서버 포트 주소...\n");
        return 2;
    }
    HMODULE module = LoadLibraryA("LumoraSvcDll.dll");
    if (module == nullptr) {
        Print("LumoraSvcDll.dll을 읽을 수 없습니다.\n");
        return 1;
    }
    auto initialize = reinterpret_cast<LMSvcInitializeFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "LMSvcInitialize")));
    auto urlRequest = reinterpret_cast<LMSvcURLRequestFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "LMSvcURLRequest")));
    auto getPcid = reinterpret_cast<GetPCIDFn>(reinterpret_cast<void*>(GetProcAddress(module, "GetPCID")));
    auto release = reinterpret_cast<LMSvcFreeFn>(reinterpret_cast<void*>(GetProcAddress(module, "LMSvcFree")));
    if (initialize == nullptr || urlRequest == nullptr || getPcid == nullptr || release == nullptr) {
        Print("LumoraSvcDll.dll의 함수를 찾을 수 없습니다.\n");
        FreeLibrary(module);
        return 1;
    }

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = &WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "LumoraSvcCheck";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, windowClass.hInstance, nullptr);
    SvcHandle* handle = initialize(argv[1], std::atoi(argv[2]), nullptr);
    if (window == nullptr || handle == nullptr) {
        Print("서비스를 시작할 수 없습니다.\n");
        FreeLibrary(module);
        return 1;
    }
    char pcid[33] = {};
    getPcid(pcid);

    int failures = 0;
    for (int i = 3; i < argc; ++i) {
        SvcUrlRequest request = {};
        request.env.time = static_cast<int32_t>(std::time(nullptr));
        std::strcpy(request.env.pcid, pcid);
        std::snprintf(request.url, sizeof request.url, "%s", argv[i]);
        std::snprintf(request.page_url, sizeof request.page_url, "%s", argv[i]);
        std::strcpy(request.host_ip, "INVALID_ADDR");
        request.port = 80;
        request.urltype = 1;
        gReply = Reply{};
        urlRequest(window, &request);
        const DWORD start = GetTickCount();
        while (!gReply.arrived && GetTickCount() - start < kReplyWaitMs) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageA(&message);
            }
        }
        std::string line = std::string(argv[i]) + " : ";
        if (!gReply.arrived) {
            line += "응답 없음";
            ++failures;
        } else if (gReply.unreachable) {
            line += "서버에 연결할 수 없음";
            ++failures;
        } else {
            line += Verdict(gReply.record);
            if (gReply.record.countryName[0] != '\0') {
                line += std::string(", 국가: ") + gReply.record.countryName;
            }
        }
        Print(line + "\n");
    }
    release(handle);
    DestroyWindow(window);
    FreeLibrary(module);
    return failures == 0 ? 0 : 1;
}
