// The daily log of the service library: one file per day and log name under
// "<temp>\lumorares\", shared by every process and thread that loads the library, without locks.
// Logging never fails loudly: whatever goes wrong, the line is dropped and the caller goes on.
#pragma once

#include <cstdarg>

// Formats one line ("[YYYY-MM-DD hh:mm:ss] " and the message, cut to 8191 bytes) and appends it
// to "<temp>\lumorares\<name>_YYYYMMDD.log", and writes the same line to standard output. A file
// of 10,485,760 bytes or more is first renamed to "<path>.1" (replacing an older one). An empty
// name or one of 256 characters or more writes nothing; the directory is never created.
void WriteDailyLog(const char* name, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
void WriteDailyLogV(const char* name, const char* format, va_list args);

// Deletes the log files of earlier days in "<temp>\LumoraRes": every entry with the archive
// attribute whose name begins with "lumora_" and is not exactly today's "lumora_YYYYMMDD.log"
// (today's roll-over file goes too).
void CleanOldLogs();
