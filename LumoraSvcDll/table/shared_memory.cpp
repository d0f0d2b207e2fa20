#include "table/shared_memory.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>

#include "log/daily_log.h"
#include "log/svc_log_lines.h"

namespace {

void FormatObjectName(char* out, size_t size, const char* suffix)
{
    std::snprintf(out, size, "%lu%s", static_cast<unsigned long>(GetCurrentProcessId()), suffix);
}

} // namespace

ShmHandle* ConnectShm()
{
    char name[32];
    FormatObjectName(name, sizeof(name), "_shm");
    ShmHandle* handle = new (std::nothrow) ShmHandle{};
    if (handle == nullptr) {
        return nullptr;
    }
    handle->hMapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name);
    if (handle->hMapping == nullptr) {
        handle->hMapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                              static_cast<DWORD>(kSharedTableSize), name);
        if (handle->hMapping == nullptr) {
            WriteDailyLog(kSvcLogName, kLogShmCreateFailed);
            delete handle;
            return nullptr;
        }
        // Another thread may have created it between the open and the create.
        handle->created = GetLastError() != ERROR_ALREADY_EXISTS;
    }
    void* view = MapViewOfFile(handle->hMapping, FILE_MAP_ALL_ACCESS, 0, 0, kSharedTableSize);
    if (view == nullptr) {
        CloseHandle(handle->hMapping);
        WriteDailyLog(kSvcLogName, kLogShmMapFailed);
        delete handle;
        return nullptr;
    }
    handle->pMemoryMap = static_cast<SharedTable*>(view);
    return handle;
}

HANDLE ConnectSemaphore()
{
    char name[32];
    FormatObjectName(name, sizeof(name), "_sem");
    HANDLE semaphore = OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, name);
    if (semaphore != nullptr) {
        return semaphore;
    }
    semaphore = CreateSemaphoreA(nullptr, 1, 10, name);
    if (semaphore == nullptr) {
        WriteDailyLog(kSvcLogName, kLogSemaphoreCreateFailed);
    }
    return semaphore;
}

void ReleaseShm(ShmHandle* handle)
{
    if (handle == nullptr) {
        return;
    }
    if (handle->pMemoryMap != nullptr) {
        UnmapViewOfFile(handle->pMemoryMap);
    }
    if (handle->hMapping != nullptr) {
        CloseHandle(handle->hMapping);
    }
    delete handle;
}

void LockTable(HANDLE semaphore)
{
    WaitForSingleObject(semaphore, INFINITE);
}

void UnlockTable(HANDLE semaphore)
{
    ReleaseSemaphore(semaphore, 1, nullptr);
}

int32_t NowSeconds()
{
    return static_cast<int32_t>(std::time(nullptr));
}
