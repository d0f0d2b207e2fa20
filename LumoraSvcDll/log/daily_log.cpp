#include "log/daily_log.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "log/local_log_time.h"
#include "log/temp_directory.h"
#include "protocol/daily_log_line.h"

namespace {

// The temporary directory, the directory, the longest accepted name and the date suffix.
constexpr size_t kLogPathSize = kTempPathSize + 16 + kLogNameLimit + 16;

// Append-only access: every WriteFile lands at the current end of the file, also when other
// processes append at the same time. Everyone shares delete access so that the roll-over rename
// works while other writers have the file open.
HANDLE OpenForAppend(const char* path)
{
    return CreateFileA(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool IsAtSizeLimit(HANDLE file)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) {
        return false;
    }
    return size.QuadPart >= kLogSizeLimit;
}

// Closes the full file, moves it to "<path>.1" (replacing an older roll-over) and opens a new
// one. INVALID_HANDLE_VALUE when any step fails: the line is then dropped.
HANDLE RollOver(HANDLE file, const char* path)
{
    CloseHandle(file);
    char rolledPath[kLogPathSize + 2];
    int written = std::snprintf(rolledPath, sizeof rolledPath, "%s.1", path);
    if (written < 0 || static_cast<size_t>(written) >= sizeof rolledPath) {
        return INVALID_HANDLE_VALUE;
    }
    DeleteFileA(rolledPath); // there may be no older roll-over file
    if (!MoveFileA(path, rolledPath)) {
        return INVALID_HANDLE_VALUE;
    }
    return OpenForAppend(path);
}

// Without the log directory nothing is written. Asking for its attributes is much cheaper than
// a failing open of the file in it (and no local time is needed), which matters because the
// library logs several lines per request on its latency-sensitive paths.
bool HasLogDirectory(const char* tempDir)
{
    char directory[kTempPathSize + 16];
    const int written = std::snprintf(directory, sizeof directory, "%slumorares", tempDir);
    if (written < 0 || static_cast<size_t>(written) >= sizeof directory) {
        return false;
    }
    const DWORD attributes = GetFileAttributesA(directory);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

void WriteDailyLogV(const char* name, const char* format, va_list args)
{
    if (name == nullptr || format == nullptr) {
        return;
    }
    size_t nameLength = strnlen(name, kLogNameLimit);
    if (nameLength == 0 || nameLength >= kLogNameLimit) {
        return;
    }
    char tempDir[kTempPathSize];
    if (!GetTempDirectory(tempDir, sizeof tempDir)) {
        return;
    }
    if (!HasLogDirectory(tempDir)) {
        return; // the line is dropped
    }
    const LogTime now = LocalLogTime();
    char path[kLogPathSize];
    if (!FormatLogPath(path, sizeof path, tempDir, name, now)) {
        return;
    }

    HANDLE file = OpenForAppend(path);
    if (file == INVALID_HANDLE_VALUE) {
        return; // no directory, or no access: the line is dropped
    }
    if (IsAtSizeLimit(file)) {
        file = RollOver(file, path);
        if (file == INVALID_HANDLE_VALUE) {
            return;
        }
    }

    char line[kLogLineSize];
    size_t length = FormatLogLine(line, sizeof line, now, format, args);
    DWORD written = 0;
    if (length > 0 && WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr)) {
        FlushFileBuffers(file);
    }
    std::fwrite(line, 1, length, stdout);
    std::fflush(stdout);
    CloseHandle(file);
}

void WriteDailyLog(const char* name, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteDailyLogV(name, format, args);
    va_end(args);
}

void CleanOldLogs()
{
    const LogTime today = LocalLogTime();
    char directory[kTempPathSize + 16];
    if (!GetTempDirectory(directory, kTempPathSize)) {
        return;
    }
    std::strcat(directory, "LumoraRes"); // fits: the temporary directory is under kTempPathSize
    DWORD attributes = GetFileAttributesA(directory);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return;
    }

    char pattern[sizeof directory + 8];
    std::snprintf(pattern, sizeof pattern, "%s\\*.*", directory);
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA(pattern, &entry);
    if (listing == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            continue;
        }
        bool archived = (entry.dwFileAttributes & FILE_ATTRIBUTE_ARCHIVE) != 0;
        if (!IsOldLogFile(entry.cFileName, archived, today)) {
            continue;
        }
        char path[sizeof directory + MAX_PATH + 2];
        int written = std::snprintf(path, sizeof path, "%s\\%s", directory, entry.cFileName);
        if (written > 0 && static_cast<size_t>(written) < sizeof path) {
            DeleteFileA(path); // a file that cannot be deleted stays until a later day
        }
    } while (FindNextFileA(listing, &entry));
    FindClose(listing);
}
