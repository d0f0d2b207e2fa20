#include "net/socket_error_text.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

const char* SocketErrorText(int error, char* out, size_t size)
{
    if (size == 0) {
        return out;
    }
    out[0] = '\0';
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, static_cast<DWORD>(error), 0, out,
                                  static_cast<DWORD>(size), nullptr);
    if (length == 0) {
        std::snprintf(out, size, "error %d", error);
        return out;
    }
    out[size - 1] = '\0';
    size_t end = std::strlen(out);
    while (end > 0 && (out[end - 1] == '\r' || out[end - 1] == '\n' || out[end - 1] == ' ')) {
        out[--end] = '\0';
    }
    return out;
}
