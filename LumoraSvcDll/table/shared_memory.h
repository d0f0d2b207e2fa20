// Opening the process's shared request table "%u_shm" and its lock "%u_sem".
#pragma once

#include <windows.h>

#include "table/shared_table.h"

struct ShmHandle
{
    HANDLE hMapping;
    SharedTable* pMemoryMap;
    // This call created the mapping. A new paging-file mapping is zero-filled by the system, so
    // nobody clears it again: a clearing pass could wipe a request that another thread of the
    // process queued in the moment between the creation and the clearing.
    bool created;
};

// Opens the mapping with full access or creates it (paging-file backed, 264,028 bytes) and maps
// all of it. nullptr, with a daily-log line, when the mapping cannot be created or mapped.
ShmHandle* ConnectShm();

// Opens or creates the table semaphore (count 1, maximum 10). nullptr, with a daily-log line,
// when it cannot be created.
HANDLE ConnectSemaphore();

// Unmaps the view, closes the mapping handle and frees the record. Accepts nullptr.
void ReleaseShm(ShmHandle* handle);

// The semaphore used as a lock: wait without time-out, release by one.
void LockTable(HANDLE semaphore);
void UnlockTable(HANDLE semaphore);

// Seconds since 1970 (UTC), as every time field of the table holds them.
int32_t NowSeconds();
