#include "thread/sock_client_worker.h"

#include <cstdint>

void CSockClientWorker::Deliver(int32_t hwnd, int32_t code, const void* bytes, uint32_t count)
{
    COPYDATASTRUCT data;
    data.dwData = static_cast<ULONG_PTR>(static_cast<uint32_t>(code));
    data.cbData = count;
    data.lpData = const_cast<void*>(bytes);
    if (callback_ != nullptr) {
        callback_(&data);
        return;
    }
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(static_cast<uint32_t>(hwnd)));
    // The window comes from the server's echo: never broadcast, never another process's window.
    DWORD owner = 0;
    if (window == nullptr || window == HWND_BROADCAST ||
        GetWindowThreadProcessId(window, &owner) == 0 || owner != GetCurrentProcessId()) {
        return;
    }
    SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}
