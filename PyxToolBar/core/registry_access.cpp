#include "registry_access.h"

#include <cstring>
#include <vector>

#include "settings_root.h"
#include "text_cut.h"

const char kEnvironmentKey[] = "Software\\Orvx\\PyxToolBar\\Environment";
const char kServerKey[] = "Software\\Orvx\\PyxToolBar\\Server";
const char kUpgradeKey[] = "Software\\Orvx\\PyxToolBar\\Upgrade";

bool RegistryKey::OpenForReading(const char* path)
{
    Close();
    SettingsRootKey root;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root.Get(), path, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    key = opened;
    return true;
}

bool RegistryKey::OpenForWriting(const char* path)
{
    Close();
    SettingsRootKey root;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root.Get(), path, 0, KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE,
                      &opened) != ERROR_SUCCESS) {
        opened = nullptr;
        if (RegCreateKeyA(root.Get(), path, &opened) != ERROR_SUCCESS)
            return false;
    }
    key = opened;
    return true;
}

void RegistryKey::Close()
{
    if (key != nullptr) {
        RegCloseKey(key);
        key = nullptr;
    }
}

bool ReadDwordValue(HKEY key, const char* name, DWORD* value)
{
    if (key == nullptr)
        return false;
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof(data);
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(data))
        return false;
    *value = data;
    return true;
}

bool ReadTextValue(HKEY key, const char* name, char* out, size_t size)
{
    if (size > 0)
        out[0] = '\0';
    if (key == nullptr || size == 0)
        return false;
    DWORD type = 0;
    DWORD length = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &length) != ERROR_SUCCESS)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return false;
    // Room for a terminator the stored text may lack.
    std::vector<char> data(length + 1, '\0');
    DWORD got = length;
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                               &got);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || got > length)
        return false;
    data[got] = '\0';
    CopyCutText(out, size, data.data(), got);
    return true;
}

bool WriteDwordValue(HKEY key, const char* name, DWORD value)
{
    if (key == nullptr)
        return false;
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value)) == ERROR_SUCCESS;
}

bool WriteTextValue(HKEY key, const char* name, const char* text)
{
    if (key == nullptr)
        return false;
    DWORD length = static_cast<DWORD>(std::strlen(text));
    return RegSetValueExA(key, name, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(text),
                          length) == ERROR_SUCCESS;
}
