// The five exports. Each ignores -1 and ids that name no balloon; nothing is thrown out of them.
#include "pyx_tooltip_api.h"

#include <new>

#include "balloon_registry.h"
#include "module_instance.h"
#include "tool_tip.h"

extern "C" int PYX_TOOLTIP_CALL InitToolTip(int owner)
{
    CToolTip* balloon = new (std::nothrow) CToolTip();
    if (balloon == nullptr) {
        return -1;
    }
    if (!balloon->Create(gModule)) {
        delete balloon;
        return -1;
    }
    balloon->Prepare(gModule, owner);
    return RegisterBalloon(balloon);
}

extern "C" void PYX_TOOLTIP_CALL SetSiteInfo(int id, const char* title, const char* const* rows,
                                             const int* pictures, int count, COLORREF border,
                                             COLORREF second, COLORREF background)
{
    CToolTip* balloon = FindBalloon(id);
    if (balloon != nullptr) {
        balloon->SetSiteInfo(title, rows, pictures, count, border, second, background);
    }
}

extern "C" void PYX_TOOLTIP_CALL ShowSiteInfo(int id, int x, int y)
{
    CToolTip* balloon = FindBalloon(id);
    if (balloon != nullptr) {
        balloon->Show(x, y);
    }
}

extern "C" void PYX_TOOLTIP_CALL HideSiteInfo(int id)
{
    CToolTip* balloon = FindBalloon(id);
    if (balloon != nullptr) {
        balloon->Hide();
    }
}

extern "C" void PYX_TOOLTIP_CALL Cleanup(int id)
{
    // The balloon is released even when its window is already gone, so nothing leaks.
    delete UnregisterBalloon(id);
}
