#include "Transcript.h"

#include <windows.h>
#include <cstdarg>
#include <cwchar>

namespace {
HANDLE gTranscriptFile = INVALID_HANDLE_VALUE;
CRITICAL_SECTION gTranscriptLock;
bool gTranscriptLockReady = false;
}

bool TranscriptOpen(const std::wstring& path)
{
    if (!gTranscriptLockReady) {
        InitializeCriticalSection(&gTranscriptLock);
        gTranscriptLockReady = true;
    }
    TranscriptClose();
    if (path.empty())
        return false;
    // FILE_APPEND_DATA only: every WriteFile goes to the current end, also with other writers.
    gTranscriptFile = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return gTranscriptFile != INVALID_HANDLE_VALUE;
}

void TranscriptClose()
{
    if (gTranscriptFile != INVALID_HANDLE_VALUE) {
        CloseHandle(gTranscriptFile);
        gTranscriptFile = INVALID_HANDLE_VALUE;
    }
}

void TranscriptWrite(const wchar_t* format, ...)
{
    wchar_t line[8192];
    int prefix = _snwprintf(line, 32, L"[%lu] ", GetCurrentProcessId());
    if (prefix < 0)
        prefix = 0;
    va_list args;
    va_start(args, format);
    int n = _vsnwprintf(line + prefix, 8192 - prefix - 3, format, args);
    va_end(args);
    size_t length = n < 0 ? 8192 - 3 : static_cast<size_t>(prefix + n);
    line[length++] = L'\r';
    line[length++] = L'\n';
    line[length] = 0;
    OutputDebugStringW(line);
    if (gTranscriptFile == INVALID_HANDLE_VALUE)
        return;
    char bytes[8192 * 3];
    int size = WideCharToMultiByte(CP_UTF8, 0, line, static_cast<int>(length), bytes,
                                   sizeof(bytes), nullptr, nullptr);
    if (size <= 0)
        return;
    EnterCriticalSection(&gTranscriptLock);
    DWORD written = 0;
    WriteFile(gTranscriptFile, bytes, static_cast<DWORD>(size), &written, nullptr);
    LeaveCriticalSection(&gTranscriptLock);
}
