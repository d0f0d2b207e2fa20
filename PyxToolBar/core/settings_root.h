// The registry root under which every toolbar setting lives.
#pragma once

#include <windows.h>

// A root key: HKEY_CURRENT_USER, or the key IEGetWriteableHKCU gave (closed with this object).
class SettingsRootKey
{
public:
    SettingsRootKey();
    ~SettingsRootKey();
    SettingsRootKey(const SettingsRootKey&) = delete;
    SettingsRootKey& operator=(const SettingsRootKey&) = delete;

    HKEY Get() const { return key; }

private:
    HKEY key;
    bool owned;
};

// Chosen anew on every access: on Windows NT later than version 5 the writeable HKCU of
// ieframe.dll's IEGetWriteableHKCU, otherwise (or when that is missing or fails) HKEY_CURRENT_USER.
HKEY SettingsRoot(bool* owned);
