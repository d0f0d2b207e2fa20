#include "settings_root.h"

namespace {

typedef HRESULT(WINAPI* IEGetWriteableHKCUProc)(HKEY* key);

bool IsNtLaterThanVersion5()
{
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    BOOL ok = GetVersionExA(&info);
#pragma GCC diagnostic pop
    if (!ok)
        return false;
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion > 5;
}

} // namespace

HKEY SettingsRoot(bool* owned)
{
    *owned = false;
    if (!IsNtLaterThanVersion5())
        return HKEY_CURRENT_USER;
    HMODULE ieframe = LoadLibraryA("ieframe.dll");
    if (ieframe == nullptr)
        return HKEY_CURRENT_USER;
    HKEY root = HKEY_CURRENT_USER;
    IEGetWriteableHKCUProc getWriteable =
        reinterpret_cast<IEGetWriteableHKCUProc>(
        reinterpret_cast<void*>(GetProcAddress(ieframe, "IEGetWriteableHKCU")));
    if (getWriteable != nullptr) {
        HKEY key = nullptr;
        HRESULT hr = getWriteable(&key);
        if (SUCCEEDED(hr) && key != nullptr) {
            root = key;
            *owned = key != HKEY_CURRENT_USER;
        }
    }
    FreeLibrary(ieframe);
    return root;
}

SettingsRootKey::SettingsRootKey() : key(nullptr), owned(false)
{
    key = SettingsRoot(&owned);
}

SettingsRootKey::~SettingsRootKey()
{
    if (owned)
        RegCloseKey(key);
}
