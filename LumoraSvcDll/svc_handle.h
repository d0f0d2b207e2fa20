// The record that ties one toolbar instance to its connection thread, returned by
// LMSvcInitialize and given back to LMSvcFree and to the blocking calls.
#pragma once

#include <windows.h>

#include <cstdint>

#include "table/shared_table.h"

// Receives every result of an instance that has one, instead of a window: a record laid out like
// COPYDATASTRUCT (code, byte count, bytes), valid only during the call.
typedef void(__cdecl* SvcDeliveryCallback)(COPYDATASTRUCT* data);

struct SvcHandle
{
    volatile char stop;  // set to 1 by LMSvcFree; the connection thread then ends
    volatile char ready; // set to 1 by the connection thread once it serves
    char host[kServerHostSize]; // used by the blocking calls; empty when the given host was refused
    int32_t port;
    SvcDeliveryCallback callback;

    // Private to the library. The handle belongs to both its caller and its connection thread;
    // whichever lets go last frees it, so the thread never reads a released handle.
    volatile LONG references;
    HANDLE threadDone; // manual-reset event, set when the connection thread has finished
};

// Copies `host` into a host field of kServerHostSize bytes (zeroed first). A host of more than
// 31 characters is refused: the field stays empty and false is returned.
bool CopyServerHost(char (&out)[kServerHostSize], const char* host);

// A new handle with one reference for the caller and one for the thread; nullptr when memory or
// the event cannot be had.
SvcHandle* CreateSvcHandle(const char* host, int32_t port, SvcDeliveryCallback callback);
// Drops one reference; the last one frees the handle.
void ReleaseSvcHandle(SvcHandle* handle);
