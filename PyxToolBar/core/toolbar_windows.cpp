#include "toolbar_windows.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "registry_access.h"

namespace {

// A hung toolbar in another browser process must not hold up the sender.
const UINT kSendTimeoutMs = 2000;

void WindowKeyName(HWND window, char* out, size_t size)
{
    std::snprintf(out, size, "%ld", static_cast<long>(reinterpret_cast<LONG_PTR>(window)));
}

// The window a subkey names; 0 when the name is not a whole decimal number.
HWND WindowOfKeyName(const std::string& name)
{
    if (name.empty())
        return nullptr;
    char* end = nullptr;
    long value = std::strtol(name.c_str(), &end, 10);
    if (end == nullptr || *end != '\0')
        return nullptr;
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(value));
}

std::vector<std::string> WindowKeyNames(HKEY env)
{
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD length = sizeof(name);
        LONG rc = RegEnumKeyExA(env, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA)
            continue; // not one of ours: window subkeys are short numbers
        if (rc != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

} // namespace

bool RegisterToolbarWindow(HWND window)
{
    RegistryKey env;
    if (!env.OpenForWriting(kEnvironmentKey))
        return false;
    char name[32];
    WindowKeyName(window, name, sizeof(name));
    HKEY sub = nullptr;
    if (RegCreateKeyA(env.Get(), name, &sub) != ERROR_SUCCESS)
        return false;
    RegCloseKey(sub);
    return true;
}

bool UnregisterToolbarWindow(HWND window)
{
    RegistryKey env;
    if (!env.OpenForWriting(kEnvironmentKey))
        return false;
    char name[32];
    WindowKeyName(window, name, sizeof(name));
    return RegDeleteKeyA(env.Get(), name) == ERROR_SUCCESS;
}

void PurgeDeadToolbarWindows()
{
    RegistryKey env;
    if (!env.OpenForWriting(kEnvironmentKey))
        return;
    // Names first: deleting while enumerating by index would skip entries.
    for (const std::string& name : WindowKeyNames(env.Get())) {
        HWND window = WindowOfKeyName(name);
        if (window != nullptr && !IsWindow(window))
            RegDeleteKeyA(env.Get(), name.c_str());
    }
}

int BroadcastNoticeChange(HWND own)
{
    RegistryKey env;
    if (!env.OpenForReading(kEnvironmentKey))
        return 0;
    std::vector<std::string> names = WindowKeyNames(env.Get());
    env.Close();
    int sent = 0;
    LPARAM delay = 5000;
    for (const std::string& name : names) {
        HWND window = WindowOfKeyName(name);
        if (window == own && own != nullptr)
            continue;
        if (window != nullptr) {
            DWORD_PTR ignored = 0;
            SendMessageTimeoutA(window, kNoticeChangeMessage, reinterpret_cast<WPARAM>(own), delay,
                                SMTO_NORMAL | SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored);
            ++sent;
        }
        delay += 5000;
    }
    return sent;
}
