// The Environment key: the settings record, single values and the daily gates.
#include <windows.h>

#include <cstring>
#include <ctime>
#include <string>

#include <gtest/gtest.h>

#include "environment_flags.h"
#include "registry_access.h"
#include "store_fixture.h"
#include "time_stamp.h"
#include "toolbar_settings.h"

namespace {

const char* const kEnv = "Software\\Orvx\\PyxToolBar\\Environment";

struct IntField
{
    const char* name;
    int ToolbarSettings::*field;
    int expectedDefault;
};

const IntField kIntFields[] = {
    {"Btn_Value", &ToolbarSettings::btnValue, 31},
    {"Btn_Index", &ToolbarSettings::btnIndex, static_cast<int>(0xFFF41320u)},
    {"Btn_Ext", &ToolbarSettings::btnExt, 0},
    {"IsSignalLamp", &ToolbarSettings::isSignalLamp, 1},
    {"IsNotice", &ToolbarSettings::isNotice, 1},
    {"IsBtnViewText", &ToolbarSettings::isBtnViewText, 1},
    {"Scroll_Value", &ToolbarSettings::scrollValue, 0x1111},
    {"Scroll_Month", &ToolbarSettings::scrollMonth, 3},
    {"Scroll_Time", &ToolbarSettings::scrollTime, 10},
    {"Scroll_DTime", &ToolbarSettings::scrollDTime, 5000},
    {"IsHScroll", &ToolbarSettings::isHScroll, 0},
    {"Enable_Cache", &ToolbarSettings::enableCache, 1},
    {"Cache_Renewal_Time", &ToolbarSettings::cacheRenewalTime, 24},
    {"Alert_Msg_Enable", &ToolbarSettings::alertMsgEnable, 0x1111111},
    {"Log", &ToolbarSettings::log, 0},
};

// A record full of values no load could produce, so every field must be written.
ToolbarSettings Scribbled()
{
    ToolbarSettings s;
    std::strcpy(s.skinName, "junk");
    for (const IntField& f : kIntFields)
        s.*f.field = 0x5A5A5A5A;
    s.cacheLastRenewalTime = 0x5A5A5A5A;
    return s;
}

} // namespace

TEST_F(StoreTest, EmptyEnvironmentKeyGivesExactlyTheDefaults)
{
    PutDword(kEnv, "Placeholder", 0); // the key exists, no setting in it
    ToolbarSettings s = Scribbled();
    int scrollTextSize = 7;
    uint32_t before = CurrentTimeStamp();
    EXPECT_EQ(1, LoadToolbarSettings(&s, &scrollTextSize));
    uint32_t after = CurrentTimeStamp();

    EXPECT_STREQ("Light", s.skinName);
    for (const IntField& f : kIntFields)
        EXPECT_EQ(f.expectedDefault, s.*f.field) << f.name;
    EXPECT_EQ(500, scrollTextSize);
    EXPECT_EQ(static_cast<int>(0xFFFFFFFFu), s.cacheLastRenewalTime);

    DWORD stamp = 0;
    ASSERT_TRUE(GetDword(kEnv, "Cache_Last_Renewal_Time", &stamp));
    EXPECT_GE(stamp, before);
    EXPECT_LE(stamp, after);

    // The next load takes the stored stamp and writes nothing new.
    ToolbarSettings again = Scribbled();
    LoadToolbarSettings(&again, nullptr);
    EXPECT_EQ(static_cast<int>(stamp), again.cacheLastRenewalTime);
}

TEST_F(StoreTest, MissingEnvironmentKeyIsCreatedByTheLoad)
{
    ASSERT_FALSE(KeyExists(kEnv));
    ToolbarSettings s;
    LoadToolbarSettings(&s, nullptr);
    EXPECT_TRUE(KeyExists(kEnv));
    DWORD stamp = 0;
    EXPECT_TRUE(GetDword(kEnv, "Cache_Last_Renewal_Time", &stamp));
}

TEST_F(StoreTest, StoredValuesAreRead)
{
    const char skin[] = "Standard";
    PutRaw(kEnv, "Skin_Name", REG_EXPAND_SZ, skin, sizeof(skin) - 1); // no NUL, as the store writes
    int value = 2;
    for (const IntField& f : kIntFields)
        PutDword(kEnv, f.name, static_cast<DWORD>(value++));
    PutDword(kEnv, "ScrollTex_Size", 640);
    PutDword(kEnv, "Cache_Last_Renewal_Time", 123456);

    ToolbarSettings s = Scribbled();
    int scrollTextSize = 0;
    LoadToolbarSettings(&s, &scrollTextSize);
    EXPECT_STREQ("Standard", s.skinName);
    value = 2;
    for (const IntField& f : kIntFields) {
        if (std::strcmp(f.name, "Scroll_Month") == 0) {
            EXPECT_EQ(3, s.*f.field) << "out of 1..3 reads as absent";
            ++value;
            continue;
        }
        EXPECT_EQ(value++, s.*f.field) << f.name;
    }
    EXPECT_EQ(640, scrollTextSize);
    EXPECT_EQ(123456, s.cacheLastRenewalTime);
}

TEST_F(StoreTest, ButtonValueAndIndexAreReadAsAPair)
{
    struct Case
    {
        bool hasValue;
        bool hasIndex;
        int expectedValue;
        int expectedIndex;
    };
    const Case cases[] = {
        {true, true, 7, 0x0FFFFF21},
        {true, false, 31, static_cast<int>(0xFFF41320u)},
        {false, true, 31, static_cast<int>(0xFFF41320u)},
        {false, false, 31, static_cast<int>(0xFFF41320u)},
    };
    for (const Case& c : cases) {
        DeleteToolbarKeys();
        PutDword(kEnv, "Placeholder", 0);
        if (c.hasValue)
            PutDword(kEnv, "Btn_Value", 7);
        if (c.hasIndex)
            PutDword(kEnv, "Btn_Index", 0x0FFFFF21);
        ToolbarSettings s = Scribbled();
        LoadToolbarSettings(&s, nullptr);
        EXPECT_EQ(c.expectedValue, s.btnValue) << c.hasValue << c.hasIndex;
        EXPECT_EQ(c.expectedIndex, s.btnIndex) << c.hasValue << c.hasIndex;
    }
}

TEST_F(StoreTest, ValuesOfTheWrongTypeOrSizeReadAsAbsent)
{
    const DWORD zero = 0;
    const WORD shortZero = 0;
    const char textZero[] = "0";
    const BYTE eightBytes[8] = {};
    struct Case
    {
        const char* label;
        const char* name;
        DWORD type;
        const void* data;
        DWORD size;
    };
    const Case cases[] = {
        {"text instead of DWORD", "IsNotice", REG_SZ, textZero, sizeof(textZero)},
        {"binary of 4 bytes", "IsNotice", REG_BINARY, &zero, sizeof(zero)},
        {"DWORD of 2 bytes", "IsNotice", REG_DWORD, &shortZero, sizeof(shortZero)},
        {"DWORD of 8 bytes", "IsNotice", REG_DWORD, eightBytes, sizeof(eightBytes)},
        {"Btn_Value as text breaks the pair", "Btn_Value", REG_SZ, textZero, sizeof(textZero)},
        {"ticker period 0", "Scroll_Time", REG_DWORD, &zero, sizeof(zero)},
        {"ticker pause 0", "Scroll_DTime", REG_DWORD, &zero, sizeof(zero)},
        {"skin as DWORD", "Skin_Name", REG_DWORD, &zero, sizeof(zero)},
        {"ticker width 0", "ScrollTex_Size", REG_DWORD, &zero, sizeof(zero)},
    };
    for (const Case& c : cases) {
        DeleteToolbarKeys();
        PutDword(kEnv, "Btn_Index", 0x0FFFFF21);
        PutRaw(kEnv, c.name, c.type, c.data, c.size);
        ToolbarSettings s = Scribbled();
        int scrollTextSize = 0;
        LoadToolbarSettings(&s, &scrollTextSize);
        EXPECT_EQ(1, s.isNotice) << c.label;
        EXPECT_EQ(31, s.btnValue) << c.label;
        EXPECT_EQ(static_cast<int>(0xFFF41320u), s.btnIndex) << c.label;
        EXPECT_EQ(10, s.scrollTime) << c.label;
        EXPECT_EQ(5000, s.scrollDTime) << c.label;
        EXPECT_STREQ("Light", s.skinName) << c.label;
        EXPECT_EQ(500, scrollTextSize) << c.label;
    }
}

TEST_F(StoreTest, OverlongSkinNameIsCutTo255Characters)
{
    std::string name(400, 'S');
    PutRaw(kEnv, "Skin_Name", REG_SZ, name.c_str(), static_cast<DWORD>(name.size() + 1));
    ToolbarSettings s;
    LoadToolbarSettings(&s, nullptr);
    EXPECT_EQ(std::string(255, 'S'), s.skinName);
}

TEST_F(StoreTest, ScrollTextSizeIsWrittenOnlyWhenPositive)
{
    const struct
    {
        int width;
        bool written;
    } cases[] = {{640, true}, {1, true}, {0, false}, {-5, false}};
    for (const auto& c : cases) {
        DeleteToolbarKeys();
        SaveScrollTextSize(c.width);
        DWORD stored = 0;
        EXPECT_EQ(c.written, GetDword(kEnv, "ScrollTex_Size", &stored)) << c.width;
        if (c.written) {
            EXPECT_EQ(static_cast<DWORD>(c.width), stored);
        }
    }
}

TEST_F(StoreTest, HarmfulGrade)
{
    const DWORD absent = 0xFFFFFFFF;
    const struct
    {
        DWORD isHarmful;
        DWORD grade;
        int expected;
    } cases[] = {
        {absent, absent, 18}, {1, 0x1, 18},     {1, 0x10, 15},   {1, 0x100, 12},
        {1, 0x1000, 0},       {1, 0x1010, 15},  {1, 0x1100, 12}, {1, 0x0, 18},
        {0, 0x1000, 18},      {absent, 0x100, 12}, {1, absent, 18}, {2, 0x10, 15},
    };
    for (const auto& c : cases) {
        DeleteToolbarKeys();
        PutDword(kEnv, "Placeholder", 0);
        if (c.isHarmful != absent)
            PutDword(kEnv, "IsHarmful", c.isHarmful);
        if (c.grade != absent)
            PutDword(kEnv, "HarmfulGrade", c.grade);
        EXPECT_EQ(c.expected, ReadHarmfulGrade()) << std::hex << c.isHarmful << " " << c.grade;
    }
    DeleteToolbarKeys();
    EXPECT_EQ(18, ReadHarmfulGrade()) << "no Environment key";
}

TEST_F(StoreTest, InstallFlagIsConsumedExactlyOnce)
{
    PutDword(kEnv, "IsLumoraInstall", 1);
    EXPECT_TRUE(ConsumeInstallFlag());
    DWORD flag = 7;
    ASSERT_TRUE(GetDword(kEnv, "IsLumoraInstall", &flag));
    EXPECT_EQ(0u, flag);
    EXPECT_FALSE(ConsumeInstallFlag());

    PutDword(kEnv, "IsLumoraInstall", 2);
    EXPECT_FALSE(ConsumeInstallFlag());
    ASSERT_TRUE(GetDword(kEnv, "IsLumoraInstall", &flag));
    EXPECT_EQ(2u, flag) << "only a 1 is reset";

    DeleteToolbarKeys();
    EXPECT_FALSE(ConsumeInstallFlag());
}

namespace {

uint32_t LocalStamp(int year, int month, int day, int hour)
{
    std::tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_isdst = -1;
    return static_cast<uint32_t>(std::mktime(&t));
}

} // namespace

TEST_F(StoreTest, ClosedTodayComparesLocalCalendarDays)
{
    const struct
    {
        const char* label;
        uint32_t stored;
        uint32_t now;
        bool expected;
    } cases[] = {
        {"31 December, then 1 January", LocalStamp(2025, 12, 31, 23), LocalStamp(2026, 1, 1, 1), false},
        {"earlier the same day", LocalStamp(2026, 3, 5, 0), LocalStamp(2026, 3, 5, 23), true},
        {"yesterday", LocalStamp(2026, 3, 4, 23), LocalStamp(2026, 3, 5, 0), false},
        {"later this year", LocalStamp(2026, 6, 1, 12), LocalStamp(2026, 3, 5, 12), true},
        {"same day last year", LocalStamp(2025, 3, 5, 12), LocalStamp(2026, 3, 5, 12), false},
        {"zero", 0, LocalStamp(2026, 3, 5, 12), false},
    };
    for (const auto& c : cases) {
        PutDword(kEnv, "DailyCloseNoticeEvent", c.stored);
        EXPECT_EQ(c.expected, IsClosedTodayAt("DailyCloseNoticeEvent", c.now)) << c.label;
    }
    EXPECT_FALSE(IsClosedToday("DailyCloseNoticeEmergency")) << "absent";
}

TEST_F(StoreTest, MarkClosedTodayClosesTheRestOfToday)
{
    EXPECT_FALSE(IsClosedToday("DailyCloseWindowsAutoUpdate"));
    MarkClosedToday("DailyCloseWindowsAutoUpdate");
    EXPECT_TRUE(IsClosedToday("DailyCloseWindowsAutoUpdate"));
    EXPECT_FALSE(IsClosedTodayAt("DailyCloseWindowsAutoUpdate", CurrentTimeStamp() + 400 * 86400));
}

TEST_F(StoreTest, EventRefreshIsDueOnceADay)
{
    const uint32_t t = LocalStamp(2026, 3, 5, 12);
    EXPECT_TRUE(IsEventRefreshDueAt(t)) << "absent reads as 0, long ago";
    DWORD stored = 0;
    ASSERT_TRUE(GetDword(kEnv, "CacheEventTime", &stored));
    EXPECT_EQ(t, stored);
    EXPECT_FALSE(IsEventRefreshDueAt(t));
    EXPECT_FALSE(IsEventRefreshDueAt(t + 86400));
    EXPECT_TRUE(IsEventRefreshDueAt(t + 86401));
    EXPECT_FALSE(IsEventRefreshDueAt(t + 86402));
    EXPECT_FALSE(IsEventRefreshDueAt(t - 5 * 86400)) << "clock set back";
}

TEST_F(StoreTest, EventRefreshCreatesItsValue)
{
    PutDword(kEnv, "CacheEventTime", 0);
    DeleteToolbarKeys();
    PutDword(kEnv, "Placeholder", 0);
    EXPECT_FALSE(IsEventRefreshDueAt(1000)) << "0 + 86400 not yet passed";
    DWORD stored = 7;
    ASSERT_TRUE(GetDword(kEnv, "CacheEventTime", &stored));
    EXPECT_EQ(0u, stored);
}
