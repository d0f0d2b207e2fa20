// The in-memory settings record of a toolbar, filled from the Environment key.
#pragma once

#include <cstdint>

struct ToolbarSettings
{
    char skinName[256] = "Light";
    int btnValue = 31;
    int btnIndex = static_cast<int>(0xFFF41320u);
    int btnExt = 0;
    int isSignalLamp = 1;
    int isNotice = 1;
    int isBtnViewText = 1;
    int scrollValue = 0x1111;
    int scrollMonth = 3;
    int scrollTime = 10;
    int scrollDTime = 5000;
    int isHScroll = 0;
    int enableCache = 1;
    int cacheRenewalTime = 24;
    int cacheLastRenewalTime = 0;
    int alertMsgEnable = 0x1111111;
    int log = 0;
};

constexpr int kDefaultScrollTextSize = 500;

// Fills every field from the registry (defaults for values that cannot be read; "Btn_Value" and
// "Btn_Index" only as a pair); stores the current time as "Cache_Last_Renewal_Time" when that is
// missing (the field then holds 0xFFFFFFFF). `scrollTextSize` (may be null) receives
// "ScrollTex_Size", which the toolbar control keeps. Always returns 1.
int LoadToolbarSettings(ToolbarSettings* settings, int* scrollTextSize);

// Stores the ticker width; ignored unless width > 0.
void SaveScrollTextSize(int width);
