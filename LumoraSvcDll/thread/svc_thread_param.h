// What LMSvcInitialize hands to the connection thread it starts. Owned and freed by the thread.
#pragma once

#include <cstdint>

#include "svc_handle.h"

struct SvcThreadParam
{
    char host[kServerHostSize]; // empty when the given host was refused
    int32_t port;
    SvcHandle* handle;          // its first byte is the stop flag; the thread holds a reference
    volatile char* ready;       // the handle's ready flag
    SvcDeliveryCallback callback;
};
