// Process attach and detach of LumoraSvcDll.dll: the socket library for every connection.
#include <winsock2.h>
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH: {
        DisableThreadLibraryCalls(instance);
        WSADATA data;
        if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
            return FALSE;
        }
        break;
    }
    case DLL_PROCESS_DETACH:
        WSACleanup();
        break;
    default:
        break;
    }
    return TRUE;
}
