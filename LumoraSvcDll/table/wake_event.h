// The process's wake event: QueueRequest signals it after queuing, and an idle connection thread
// waits on it (at most 10 ms) instead of sleeping, so a queued request is served at once.
#pragma once

#include <windows.h>

// The event (auto-reset, created on first use, kept for the life of the process); nullptr only
// when it cannot be created, and the callers then fall back to plain polling.
HANDLE WakeEvent();
void SignalWakeEvent();
// Waits up to `milliseconds` for a signal (sleeps that long when there is no event).
void WaitForWake(DWORD milliseconds);
