#include "config_rules.h"

int HarmfulGradeFromBits(uint32_t isHarmful, uint32_t grade)
{
    if (isHarmful == 0)
        return 18;
    if (grade & 0x1)
        return 18;
    if (grade & 0x10)
        return 15;
    if (grade & 0x100)
        return 12;
    if (grade & 0x1000)
        return 0;
    return 18;
}

bool IsSameYearNotEarlier(CalendarDay stored, CalendarDay today)
{
    return stored.year == today.year && stored.dayOfYear >= today.dayOfYear;
}

bool IsMoreThanADayAfter(uint32_t stored, uint32_t now)
{
    // Signed: a stored stamp later than now (clock set back) is not "a day ago".
    return static_cast<int64_t>(now) - static_cast<int64_t>(stored) > 86400;
}
