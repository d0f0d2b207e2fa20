// Single values of the Environment key that other parts of the toolbar ask about: the guardian's
// age grade, the first-run flag and the once-a-day gates.
#pragma once

#include <cstdint>

// 18, 15, 12 or 0; 18 when the key cannot be opened or the filter is off.
int ReadHarmfulGrade();

// True exactly once after installation: "IsLumoraInstall" reads 1 and is reset to 0.
bool ConsumeInstallFlag();

// True when the time stamp stored under `name` lies on today's local date (same year, day not
// earlier than today). Absent or 0: false. The second form takes the current time.
bool IsClosedToday(const char* name);
bool IsClosedTodayAt(const char* name, uint32_t now);

// Stores the current time stamp under `name`.
void MarkClosedToday(const char* name);

// The "CacheEventTime" gate: true (and the time stored) when more than 86400 seconds passed
// since the stored time; created as 0 when absent.
bool IsEventRefreshDue();
bool IsEventRefreshDueAt(uint32_t now);
