#include "store_fixture.h"

#include <shlwapi.h>

#include <cstring>
#include <vector>

#include "settings_root.h"

void DeleteToolbarKeys()
{
    SettingsRootKey root;
    SHDeleteKeyA(root.Get(), "Software\\Orvx\\PyxToolBar");
}

void StoreTest::SetUp()
{
    DeleteToolbarKeys();
}

void StoreTest::TearDown()
{
    DeleteToolbarKeys();
}

void PutRaw(const char* key, const char* name, DWORD type, const void* data, DWORD size)
{
    SettingsRootKey root;
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(root.Get(), key, &k));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(k, name, 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(k);
}

void PutDword(const char* key, const char* name, DWORD value)
{
    PutRaw(key, name, REG_DWORD, &value, sizeof(value));
}

bool GetRaw(const char* key, const char* name, DWORD* type, std::string* bytes)
{
    SettingsRootKey root;
    HKEY k = nullptr;
    if (RegOpenKeyExA(root.Get(), key, 0, KEY_READ, &k) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    bool ok = RegQueryValueExA(k, name, nullptr, type, nullptr, &size) == ERROR_SUCCESS;
    if (ok) {
        std::vector<char> data(size + 1);
        ok = RegQueryValueExA(k, name, nullptr, type, reinterpret_cast<BYTE*>(data.data()),
                              &size) == ERROR_SUCCESS;
        bytes->assign(data.data(), size);
    }
    RegCloseKey(k);
    return ok;
}

bool GetDword(const char* key, const char* name, DWORD* value)
{
    DWORD type = 0;
    std::string bytes;
    if (!GetRaw(key, name, &type, &bytes) || type != REG_DWORD || bytes.size() != 4)
        return false;
    std::memcpy(value, bytes.data(), 4);
    return true;
}

bool KeyExists(const char* key)
{
    SettingsRootKey root;
    HKEY k = nullptr;
    if (RegOpenKeyExA(root.Get(), key, 0, KEY_READ, &k) != ERROR_SUCCESS)
        return false;
    RegCloseKey(k);
    return true;
}
