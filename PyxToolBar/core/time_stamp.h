// Time stamps of the store: 32-bit seconds since 1970-01-01 UTC (the low half of the time).
#pragma once

#include <cstdint>

#include "config_rules.h"

uint32_t CurrentTimeStamp();

// The local calendar day of a time stamp; false when the time cannot be converted.
bool LocalDayOf(uint32_t stamp, CalendarDay* day);
