// The per-window subkeys of the Environment key, through which the toolbar windows of all
// browser processes find each other. Each subkey is named by a window handle printed as a signed
// decimal number.
#pragma once

#include <windows.h>

// The message that tells another toolbar window to reload its messages and notices:
// wParam = sending window, lParam = delay in milliseconds.
constexpr UINT kNoticeChangeMessage = WM_USER + 16;

bool RegisterToolbarWindow(HWND window);
bool UnregisterToolbarWindow(HWND window);

// Deletes every subkey whose window no longer exists. A subkey whose name is not a number
// (window 0) stays.
void PurgeDeadToolbarWindows();

// Sends kNoticeChangeMessage to every registered window except `own`, with delays 5000, 10000,
// 15000 ... ms in enumeration order (a subkey that is not a number gets nothing but still takes
// its delay). Returns the number of windows addressed.
int BroadcastNoticeChange(HWND own);
