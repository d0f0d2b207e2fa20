#include "environment_flags.h"

#include "config_rules.h"
#include "registry_access.h"
#include "time_stamp.h"

int ReadHarmfulGrade()
{
    RegistryKey env;
    if (!env.OpenForReading(kEnvironmentKey))
        return 18;
    DWORD isHarmful = 1;
    DWORD grade = 1;
    if (!ReadDwordValue(env.Get(), "IsHarmful", &isHarmful))
        isHarmful = 1;
    if (!ReadDwordValue(env.Get(), "HarmfulGrade", &grade))
        grade = 1;
    return HarmfulGradeFromBits(isHarmful, grade);
}

bool ConsumeInstallFlag()
{
    RegistryKey env;
    if (!env.OpenForWriting(kEnvironmentKey))
        return false;
    DWORD flag = 0;
    if (!ReadDwordValue(env.Get(), "IsLumoraInstall", &flag) || flag != 1)
        return false;
    // Only a flag that could be reset counts: otherwise every start would see a first run.
    return WriteDwordValue(env.Get(), "IsLumoraInstall", 0);
}

bool IsClosedTodayAt(const char* name, uint32_t now)
{
    RegistryKey env;
    if (!env.OpenForReading(kEnvironmentKey))
        return false;
    DWORD stored = 0;
    if (!ReadDwordValue(env.Get(), name, &stored) || stored == 0)
        return false;
    CalendarDay storedDay;
    CalendarDay today;
    if (!LocalDayOf(stored, &storedDay) || !LocalDayOf(now, &today))
        return false;
    return IsSameYearNotEarlier(storedDay, today);
}

bool IsClosedToday(const char* name)
{
    return IsClosedTodayAt(name, CurrentTimeStamp());
}

void MarkClosedToday(const char* name)
{
    RegistryKey env;
    if (!env.OpenForWriting(kEnvironmentKey))
        return;
    WriteDwordValue(env.Get(), name, CurrentTimeStamp());
}

bool IsEventRefreshDueAt(uint32_t now)
{
    RegistryKey env;
    if (!env.OpenForWriting(kEnvironmentKey))
        return false;
    DWORD stored = 0;
    if (!ReadDwordValue(env.Get(), "CacheEventTime", &stored)) {
        stored = 0;
        WriteDwordValue(env.Get(), "CacheEventTime", 0);
    }
    if (!IsMoreThanADayAfter(stored, now))
        return false;
    WriteDwordValue(env.Get(), "CacheEventTime", now);
    return true;
}

bool IsEventRefreshDue()
{
    return IsEventRefreshDueAt(CurrentTimeStamp());
}
