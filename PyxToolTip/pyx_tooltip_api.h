// The exported interface of PyxToolTip.dll. The toolbar loads the library by name and binds these
// five functions with GetProcAddress under their undecorated names; every export uses the C
// calling convention. Texts are in the ANSI code page (949).
#pragma once

#include <windows.h>

#define PYX_TOOLTIP_CALL __cdecl

// Class of the balloon windows (top-level pop-up tool windows of the calling thread).
#define PYX_TOOLTIP_WINDOW_CLASS "PyxToolTipBalloon"

// Rows a balloon holds; rows beyond it are ignored. A row that begins with "@" is drawn as a
// dotted separator line.
#define PYX_TOOLTIP_MAX_ROWS 10

extern "C" {

// Creates a hidden balloon and returns its id (0, 1, 2 ... in creation order), or -1 when its
// window cannot be created. `owner` is kept and not used.
int PYX_TOOLTIP_CALL InitToolTip(int owner);
// Replaces title, rows and picture indexes (0 신뢰, 1 양호, 2 주의, 3 위험, 4 지연; any other value
// draws no picture) and the three colours (COLORREF), and sizes the window to its contents. A
// missing title, rows or pictures array empties the balloon and collapses it to 0 x 0.
void PYX_TOOLTIP_CALL SetSiteInfo(int id, const char* title, const char* const* rows,
                                  const int* pictures, int count, COLORREF border,
                                  COLORREF second, COLORREF background);
// Shows the balloon topmost at (x + 5, y + 10) in screen coordinates, without activating it.
void PYX_TOOLTIP_CALL ShowSiteInfo(int id, int x, int y);
void PYX_TOOLTIP_CALL HideSiteInfo(int id);
// Destroys the balloon; its id is not reused.
void PYX_TOOLTIP_CALL Cleanup(int id);

} // extern "C"

// Pointer types for binding the exports by name.
typedef int(PYX_TOOLTIP_CALL* InitToolTipFn)(int);
typedef void(PYX_TOOLTIP_CALL* SetSiteInfoFn)(int, const char*, const char* const*, const int*,
                                             int, COLORREF, COLORREF, COLORREF);
typedef void(PYX_TOOLTIP_CALL* ShowSiteInfoFn)(int, int, int);
typedef void(PYX_TOOLTIP_CALL* HideSiteInfoFn)(int);
typedef void(PYX_TOOLTIP_CALL* CleanupFn)(int);
