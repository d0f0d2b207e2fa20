#include "log/temp_directory.h"

#include <windows.h>

bool GetTempDirectory(char* out, size_t size)
{
    if (size == 0) {
        return false;
    }
    out[0] = '\0';
    DWORD length = GetTempPathA(static_cast<DWORD>(size), out);
    if (length == 0 || length >= size) {
        out[0] = '\0';
        return false;
    }
    return true;
}
