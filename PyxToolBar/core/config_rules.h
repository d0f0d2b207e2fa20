// Decisions of the configuration store that need no registry: the harmful-site grade, the daily
// gates and the button-layout pair. Portable.
#pragma once

#include <cstdint>

// Age threshold sent with every address check: 18, 15, 12 or 0. The grade bits are tested in the
// order bit 0 (18), bit 4 (15), bit 8 (12), bit 12 (0); no bit set, or the filter off, gives 18.
int HarmfulGradeFromBits(uint32_t isHarmful, uint32_t grade);

// A local calendar day: the year and the day of the year (0-based).
struct CalendarDay
{
    int year;
    int dayOfYear;
};

// The not-today gate: true when the stored day lies in the current year and is not earlier
// than today.
bool IsSameYearNotEarlier(CalendarDay stored, CalendarDay today);

// The once-a-day gate: true when `now` lies more than 86400 seconds after `stored`.
bool IsMoreThanADayAfter(uint32_t stored, uint32_t now);

constexpr uint32_t kDefaultBtnValue = 31;
constexpr uint32_t kDefaultBtnIndex = 0xFFF41320u;
