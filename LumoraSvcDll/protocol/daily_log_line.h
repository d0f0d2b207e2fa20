// The platform-free parts of the daily log: the file and line formats and the clean-up rule.
#pragma once

#include <cstdarg>
#include <cstddef>

constexpr size_t kLogLineSize = 8192;            // a line is built in a buffer of this size
constexpr long long kLogSizeLimit = 10485760;    // a file this big is rolled over
constexpr size_t kLogNameLimit = 256;            // names this long or longer write nothing

struct LogTime
{
    int year, month, day, hour, minute, second;
};

// "[YYYY-MM-DD hh:mm:ss] " followed by the formatted message, cut to fit `size` bytes (never split
// inside a double-byte CP949 character), always terminated. Returns the length of the line.
size_t FormatLogLine(char* out, size_t size, const LogTime& time, const char* format, va_list args);

// "%s\lumorares\%s_%04d%02d%02d.log" (tempDir ends with its backslash, as the system reports it).
// Returns false when the path would not fit `size`.
bool FormatLogPath(char* out, size_t size, const char* tempDir, const char* name, const LogTime& time);

// True when the clean-up at initialisation deletes this directory entry: archive attribute set,
// name beginning with "lumora_" and not exactly today's "lumora_YYYYMMDD.log".
bool IsOldLogFile(const char* fileName, bool hasArchiveAttribute, const LogTime& today);
