#include "time_stamp.h"

#include <ctime>

uint32_t CurrentTimeStamp()
{
    return static_cast<uint32_t>(static_cast<uint64_t>(std::time(nullptr)));
}

bool LocalDayOf(uint32_t stamp, CalendarDay* day)
{
    std::time_t t = static_cast<std::time_t>(stamp);
    // The CRT keeps the result per thread.
    const std::tm* local = std::localtime(&t);
    if (local == nullptr)
        return false;
    day->year = local->tm_year + 1900;
    day->dayOfYear = local->tm_yday;
    return true;
}
