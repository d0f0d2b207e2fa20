#include "upgrade_store.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "own_module.h"
#include "registry_access.h"
#include "time_stamp.h"

namespace {

const char kNoVersion[] = "0.0.0.0";

// Straight from the loaded module's resource (no file access: the module's path need not be
// openable, and the loaded image is what runs). VerQueryValue is given a private copy, as it
// may write into the block.
bool ReadOwnFileVersion(char* out, size_t size)
{
    HMODULE module = OwnModule();
    if (module == nullptr)
        return false;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(VS_VERSION_INFO),
                                MAKEINTRESOURCEA(16)); // RT_VERSION
    if (found == nullptr)
        return false;
    DWORD resourceSize = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    if (loaded == nullptr || resourceSize == 0)
        return false;
    const void* data = LockResource(loaded);
    if (data == nullptr)
        return false;
    std::vector<BYTE> block(static_cast<const BYTE*>(data),
                            static_cast<const BYTE*>(data) + resourceSize);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize) ||
        fixed == nullptr || fixedSize < sizeof(VS_FIXEDFILEINFO) ||
        fixed->dwSignature != VS_FFI_SIGNATURE)
        return false;
    std::snprintf(out, size, "%d.%d.%d.%d", static_cast<int>(HIWORD(fixed->dwFileVersionMS)),
                  static_cast<int>(LOWORD(fixed->dwFileVersionMS)),
                  static_cast<int>(HIWORD(fixed->dwFileVersionLS)),
                  static_cast<int>(LOWORD(fixed->dwFileVersionLS)));
    return true;
}

} // namespace

std::string RecordModuleVersion()
{
    char version[64];
    if (!ReadOwnFileVersion(version, sizeof(version)))
        return kNoVersion;
    RegistryKey upgrade;
    if (upgrade.OpenForWriting(kUpgradeKey))
        WriteTextValue(upgrade.Get(), "version", version);
    return version;
}

std::string ReadInstalledVersion()
{
    RegistryKey upgrade;
    char version[256];
    if (upgrade.OpenForReading(kUpgradeKey) &&
        ReadTextValue(upgrade.Get(), "version", version, sizeof(version)) && version[0] != '\0')
        return version;
    return kNoVersion;
}

void StampLastUpgrade()
{
    RegistryKey upgrade;
    if (!upgrade.OpenForWriting(kUpgradeKey))
        return;
    WriteDwordValue(upgrade.Get(), "lastUpgrade", CurrentTimeStamp());
}
