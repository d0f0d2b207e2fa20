#include "toolbar_settings.h"

#include "config_rules.h"
#include "registry_access.h"
#include "text_cut.h"
#include "time_stamp.h"

namespace {

void ReadInt(HKEY key, const char* name, int* field, int fallback)
{
    DWORD value = 0;
    *field = ReadDwordValue(key, name, &value) ? static_cast<int>(value) : fallback;
}

// Values that only make sense in a range read as absent outside it (a ticker period of 0 ms
// would spin its timer).
void ReadIntInRange(HKEY key, const char* name, int* field, int fallback, int low, int high)
{
    DWORD value = 0;
    if (ReadDwordValue(key, name, &value) && static_cast<int>(value) >= low &&
        static_cast<int>(value) <= high)
        *field = static_cast<int>(value);
    else
        *field = fallback;
}

void SetDefaults(ToolbarSettings* settings, int* scrollTextSize)
{
    ToolbarSettings defaults;
    defaults.log = settings->log;
    defaults.cacheLastRenewalTime = settings->cacheLastRenewalTime;
    *settings = defaults;
    if (scrollTextSize != nullptr)
        *scrollTextSize = kDefaultScrollTextSize;
}

} // namespace

int LoadToolbarSettings(ToolbarSettings* settings, int* scrollTextSize)
{
    RegistryKey env;
    if (!env.OpenForWriting(kEnvironmentKey)) {
        SetDefaults(settings, scrollTextSize);
        return 1;
    }
    HKEY key = env.Get();
    const ToolbarSettings defaults;

    if (!ReadTextValue(key, "Skin_Name", settings->skinName, sizeof(settings->skinName)))
        CopyCut(settings->skinName, sizeof(settings->skinName), defaults.skinName);

    DWORD btnValue = 0;
    DWORD btnIndex = 0;
    if (ReadDwordValue(key, "Btn_Value", &btnValue) && ReadDwordValue(key, "Btn_Index", &btnIndex)) {
        settings->btnValue = static_cast<int>(btnValue);
        settings->btnIndex = static_cast<int>(btnIndex);
    } else {
        settings->btnValue = static_cast<int>(kDefaultBtnValue);
        settings->btnIndex = static_cast<int>(kDefaultBtnIndex);
    }
    ReadInt(key, "Btn_Ext", &settings->btnExt, defaults.btnExt);
    ReadInt(key, "IsSignalLamp", &settings->isSignalLamp, defaults.isSignalLamp);
    ReadInt(key, "IsNotice", &settings->isNotice, defaults.isNotice);
    ReadInt(key, "IsBtnViewText", &settings->isBtnViewText, defaults.isBtnViewText);
    if (scrollTextSize != nullptr)
        ReadIntInRange(key, "ScrollTex_Size", scrollTextSize, kDefaultScrollTextSize, 1, 0x7FFFFFFF);
    ReadInt(key, "Scroll_Value", &settings->scrollValue, defaults.scrollValue);
    ReadIntInRange(key, "Scroll_Month", &settings->scrollMonth, defaults.scrollMonth, 1, 3);
    ReadIntInRange(key, "Scroll_Time", &settings->scrollTime, defaults.scrollTime, 1, 32767);
    ReadIntInRange(key, "Scroll_DTime", &settings->scrollDTime, defaults.scrollDTime, 1, 32767);
    ReadInt(key, "IsHScroll", &settings->isHScroll, defaults.isHScroll);
    ReadInt(key, "Enable_Cache", &settings->enableCache, defaults.enableCache);
    ReadInt(key, "Cache_Renewal_Time", &settings->cacheRenewalTime, defaults.cacheRenewalTime);

    DWORD lastRenewal = 0;
    if (ReadDwordValue(key, "Cache_Last_Renewal_Time", &lastRenewal)) {
        settings->cacheLastRenewalTime = static_cast<int>(lastRenewal);
    } else {
        settings->cacheLastRenewalTime = static_cast<int>(0xFFFFFFFFu);
        WriteDwordValue(key, "Cache_Last_Renewal_Time", CurrentTimeStamp());
    }
    ReadInt(key, "Alert_Msg_Enable", &settings->alertMsgEnable, defaults.alertMsgEnable);
    ReadInt(key, "Log", &settings->log, defaults.log);
    return 1;
}

void SaveScrollTextSize(int width)
{
    if (width <= 0)
        return;
    RegistryKey env;
    if (!env.OpenForWriting(kEnvironmentKey))
        return;
    WriteDwordValue(env.Get(), "ScrollTex_Size", static_cast<DWORD>(width));
}
