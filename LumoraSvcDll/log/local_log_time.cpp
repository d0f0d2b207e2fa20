#include "log/local_log_time.h"

#include <windows.h>

LogTime LocalLogTime()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    LogTime time;
    time.year = now.wYear;
    time.month = now.wMonth;
    time.day = now.wDay;
    time.hour = now.wHour;
    time.minute = now.wMinute;
    time.second = now.wSecond;
    return time;
}
