// Opening the toolbar's keys below the settings root, and typed reads and writes of single
// values. A value of the wrong type or size reads as absent.
#pragma once

#include <windows.h>

#include <cstddef>

extern const char kEnvironmentKey[]; // "Software\Orvx\PyxToolBar\Environment"
extern const char kServerKey[];      // "Software\Orvx\PyxToolBar\Server"
extern const char kUpgradeKey[];     // "Software\Orvx\PyxToolBar\Upgrade"

// An open registry key, closed when the object goes.
class RegistryKey
{
public:
    RegistryKey() : key(nullptr) {}
    ~RegistryKey() { Close(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Read access. False when the key does not exist or cannot be opened.
    bool OpenForReading(const char* path);
    // Read, create-subkey and set-value access; the key is created where it does not exist.
    bool OpenForWriting(const char* path);
    void Close();

    HKEY Get() const { return key; }
    bool IsOpen() const { return key != nullptr; }

private:
    HKEY key;
};

// A 4-byte REG_DWORD; false (value untouched) when absent, of another type or size.
bool ReadDwordValue(HKEY key, const char* name, DWORD* value);

// A REG_SZ or REG_EXPAND_SZ text (not expanded), cut to size - 1 bytes and terminated; false
// (out = "") when absent or of another type.
bool ReadTextValue(HKEY key, const char* name, char* out, size_t size);

bool WriteDwordValue(HKEY key, const char* name, DWORD value);

// Stored as REG_EXPAND_SZ with the length of the text without its terminating NUL, the form
// every reader of these keys expects.
bool WriteTextValue(HKEY key, const char* name, const char* text);
