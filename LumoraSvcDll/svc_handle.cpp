#include "svc_handle.h"

#include <cstring>
#include <new>

bool CopyServerHost(char (&out)[kServerHostSize], const char* host)
{
    std::memset(out, 0, sizeof(out));
    if (host == nullptr || strnlen(host, kServerHostSize) >= kServerHostSize) {
        return false;
    }
    std::strcpy(out, host);
    return true;
}

SvcHandle* CreateSvcHandle(const char* host, int32_t port, SvcDeliveryCallback callback)
{
    SvcHandle* handle = new (std::nothrow) SvcHandle{};
    if (handle == nullptr) {
        return nullptr;
    }
    handle->threadDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (handle->threadDone == nullptr) {
        delete handle;
        return nullptr;
    }
    CopyServerHost(handle->host, host);
    handle->port = port;
    handle->callback = callback;
    handle->references = 2;
    return handle;
}

void ReleaseSvcHandle(SvcHandle* handle)
{
    if (handle == nullptr) {
        return;
    }
    if (InterlockedDecrement(&handle->references) == 0) {
        CloseHandle(handle->threadDone);
        delete handle;
    }
}
