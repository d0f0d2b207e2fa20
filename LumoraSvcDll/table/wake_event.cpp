#include "table/wake_event.h"

namespace {

HANDLE volatile gWakeEvent = nullptr;

} // namespace

HANDLE WakeEvent()
{
    HANDLE event = gWakeEvent;
    if (event != nullptr) {
        return event;
    }
    HANDLE created = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (created == nullptr) {
        return nullptr;
    }
    PVOID previous = InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&gWakeEvent),
                                                       created, nullptr);
    if (previous != nullptr) {
        CloseHandle(created); // another thread was first
        return static_cast<HANDLE>(previous);
    }
    return created;
}

void SignalWakeEvent()
{
    HANDLE event = WakeEvent();
    if (event != nullptr) {
        SetEvent(event);
    }
}

void WaitForWake(DWORD milliseconds)
{
    HANDLE event = WakeEvent();
    if (event == nullptr) {
        Sleep(milliseconds);
        return;
    }
    WaitForSingleObject(event, milliseconds);
}
