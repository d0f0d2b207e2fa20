// Process attach and detach of PyxToolTip.dll.
#include <windows.h>

#include "balloon_registry.h"
#include "module_instance.h"
#include "tool_tip.h"

HINSTANCE gModule = nullptr;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        gModule = instance;
        DisableThreadLibraryCalls(instance);
        break;
    case DLL_PROCESS_DETACH:
        // Unloaded by FreeLibrary while balloons remain: their windows must not outlive the
        // window procedure. At process exit (reserved set) the system tidies up instead.
        if (reserved == nullptr) {
            ReleaseAllBalloons();
            UnregisterToolTipClass(instance);
        }
        break;
    default:
        break;
    }
    return TRUE;
}
