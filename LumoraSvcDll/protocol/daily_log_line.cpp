#include "protocol/daily_log_line.h"

#include <cstdio>
#include <cstring>

#include "protocol/cp949_text.h"

size_t FormatLogLine(char* out, size_t size, const LogTime& time, const char* format, va_list args)
{
    if (out == nullptr || size == 0) {
        return 0;
    }
    out[0] = '\0';
    char prefix[64];
    int prefixLength = std::snprintf(prefix, sizeof(prefix), "[%04d-%02d-%02d %02d:%02d:%02d] ",
                                     time.year, time.month, time.day, time.hour, time.minute,
                                     time.second);
    if (prefixLength < 0) {
        return 0;
    }
    size_t length = static_cast<size_t>(prefixLength);
    if (length >= size) {
        length = size - 1;
    }
    std::memcpy(out, prefix, length);
    out[length] = '\0';
    if (format == nullptr || length + 1 >= size) {
        return length;
    }

    const size_t room = size - length; // bytes for the message and the terminator
    va_list copy;
    va_copy(copy, args);
    const int wanted = std::vsnprintf(out + length, room, format, copy);
    va_end(copy);
    out[size - 1] = '\0';
    if (wanted >= 0 && static_cast<size_t>(wanted) < room) {
        return length + static_cast<size_t>(wanted);
    }

    // The message did not fit: keep what fits without splitting a double-byte character, and end
    // the line with a line break (every message carries one) so that the next line starts on its
    // own line.
    const char* message = out + length;
    const size_t written = std::strlen(message);
    const size_t limit = room >= 2 ? room - 2 : 0;
    size_t kept = Cp949CutLength(message, written, limit);
    if (room >= 2) {
        out[length + kept] = '\n';
        ++kept;
    }
    out[length + kept] = '\0';
    return length + kept;
}

bool FormatLogPath(char* out, size_t size, const char* tempDir, const char* name, const LogTime& time)
{
    if (out == nullptr || size == 0 || tempDir == nullptr || name == nullptr) {
        return false;
    }
    const int n = std::snprintf(out, size, "%s\\lumorares\\%s_%04d%02d%02d.log", tempDir, name,
                                time.year, time.month, time.day);
    if (n < 0 || static_cast<size_t>(n) >= size) {
        out[0] = '\0';
        return false;
    }
    return true;
}

bool IsOldLogFile(const char* fileName, bool hasArchiveAttribute, const LogTime& today)
{
    if (!hasArchiveAttribute || fileName == nullptr) {
        return false;
    }
    if (std::strncmp(fileName, "lumora_", 7) != 0) {
        return false;
    }
    char todayName[64];
    std::snprintf(todayName, sizeof(todayName), "lumora_%04d%02d%02d.log", today.year, today.month,
                  today.day);
    return std::strcmp(fileName, todayName) != 0;
}
