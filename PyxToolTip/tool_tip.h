// CToolTip: one site information balloon, a pop-up tool window that paints a bold title and up to
// ten rows, each with a badge picture, in a rounded white panel.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "pyx_tooltip_api.h"

class CToolTip {
public:
    CToolTip() = default;
    ~CToolTip();
    CToolTip(const CToolTip&) = delete;
    CToolTip& operator=(const CToolTip&) = delete;

    // Creates the hidden 0 x 0 window; false when it cannot be created.
    bool Create(HINSTANCE module);
    // Fonts, pen and picture list, in this order; a font that cannot be made stops the rest.
    void Prepare(HINSTANCE module, int owner);
    void SetSiteInfo(const char* title, const char* const* rows, const int* pictures, int count,
                     COLORREF border, COLORREF second, COLORREF background);
    void Show(int x, int y);
    void Hide();
    // Destroys the window if it still exists.
    void Destroy();

    HWND Window() const { return window; }

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void Paint(HDC dc, const RECT& client);
    void ReleaseGdiObjects();
    int MeasureRows(HDC dc);

    HWND window = nullptr;
    int rowCount = 0;
    HFONT titleFont = nullptr;
    HFONT rowFont = nullptr;
    HPEN greyPen = nullptr;
    HIMAGELIST pictureList = nullptr;
    char title[256] = {};
    char rows[PYX_TOOLTIP_MAX_ROWS][512] = {};
    int pictures[PYX_TOOLTIP_MAX_ROWS] = {};
    int owner = 0;
    COLORREF borderColour = 0xBD905F;
    COLORREF secondColour = 0xD8B695;
    COLORREF backgroundColour = 0xFCEEE1;
    COLORREF separatorColour = 0xB4B4B4;
};

// Registers the balloon window class once per process (an existing class is accepted).
bool RegisterToolTipClass(HINSTANCE module);
void UnregisterToolTipClass(HINSTANCE module);
