#include "thread/shared_sock_client_thread.h"

#include <cstring>
#include <new>

#include "log/daily_log.h"
#include "log/svc_log_lines.h"
#include "log/temp_directory.h"
#include "net/session.h"
#include "pcid/compute_pcid.h"
#include "table/shared_memory.h"
#include "table/wake_event.h"
#include "thread/sock_client_worker.h"

namespace {

constexpr int kSessionTimeoutSeconds = 1;
constexpr int32_t kClaimSeconds = 3;      // a claim by another process (or a failure) holds this long
constexpr DWORD kForeignClaimPollMs = 100;
constexpr DWORD kIdlePollMs = 10;

// False when the thread cannot serve (no memory for its state); the ready flag then stays 0.
bool ServeUntilStopped(SvcThreadParam* param, ShmHandle* shm, HANDLE semaphore, CSession* session)
{
    SharedTableHeader& header = shm->pMemoryMap->header;
    const int32_t pid = static_cast<int32_t>(GetCurrentProcessId());
    volatile char* stop = &param->handle->stop;
    CSockClientWorker* worker =
        new (std::nothrow) CSockClientWorker(shm, semaphore, session, param->callback);
    if (worker == nullptr) {
        return false;
    }
    *param->ready = 1;
    while (*stop == 0) {
        const int32_t now = NowSeconds();
        if (header.owner_time >= now - kClaimSeconds && header.owner_pid != pid) {
            Sleep(kForeignClaimPollMs);
            continue;
        }
        header.owner_time = now;
        header.owner_pid = pid;
        header.service_time = now;
        worker->ServePass(stop);
        if (session->IsConnected() && NowSeconds() - header.service_time > 1) {
            session->Close();
        }
        // Idle: a queued request wakes us at once; the 10 ms bound keeps the polling of
        // requests queued by another module of the process.
        WaitForWake(kIdlePollMs);
    }
    delete worker;
    return true;
}

} // namespace

int SharedSockClientThread(SvcThreadParam* param)
{
    char tempDir[kTempPathSize] = {};
    GetTempDirectory(tempDir, sizeof(tempDir));
    const int pid = static_cast<int>(GetCurrentProcessId());
    WriteDailyLog(kSvcLogName, kLogThreadStarted, pid, tempDir);
    if (param == nullptr) {
        WriteDailyLog(kSvcLogName, kLogThreadInvalidParam);
        return -1;
    }
    ShmHandle* shm = ConnectShm();
    if (shm == nullptr) {
        WriteDailyLog(kSvcLogName, kLogThreadConnectShmError);
        delete param;
        return -2;
    }
    if (shm->pMemoryMap == nullptr) {
        WriteDailyLog(kSvcLogName, kLogThreadMemoryMapError);
        ReleaseShm(shm);
        delete param;
        return -3;
    }
    if (shm->created) {
        WriteDailyLog(kSvcLogName, kLogThreadShmCreated);
    }
    WriteDailyLog(kSvcLogName, kLogThreadShmAddress,
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(shm->pMemoryMap)));
    HANDLE semaphore = ConnectSemaphore();
    if (semaphore == nullptr) {
        WriteDailyLog(kSvcLogName, kLogThreadConnectSemaphoreError);
        ReleaseShm(shm);
        delete param;
        return -4;
    }

    SharedTableHeader& header = shm->pMemoryMap->header;
    std::memset(header.server_host, 0, sizeof(header.server_host));
    std::memcpy(header.server_host, param->host, sizeof(header.server_host) - 1);
    header.server_port = param->port;
    // Numbering starts again at 1, but not under requests still in the table: a reply is matched
    // to its slot by number, and a second request with the same number would be freed with it.
    LockTable(semaphore);
    bool busy = false;
    for (const SharedSlot& slot : shm->pMemoryMap->slots) {
        busy = busy || !IsSlotFree(slot);
    }
    if (!busy) {
        header.next_seq = 1;
    }
    UnlockTable(semaphore);
    ComputePcid(header.pcid);

    int result = 0;
    CSession* session = new (std::nothrow) CSession(kSessionTimeoutSeconds);
    if (session == nullptr) {
        result = -5;
    } else {
        if (!ServeUntilStopped(param, shm, semaphore, session)) {
            result = -5;
        }
        if (header.owner_pid == pid && session->IsConnected()) {
            session->Close();
        }
        delete session;
    }
    CloseHandle(semaphore);
    ReleaseShm(shm);
    delete param;
    if (result == 0) {
        WriteDailyLog(kSvcLogName, kLogThreadStopped);
    }
    return result;
}

DWORD RunConnectionThread(SvcThreadParam* param)
{
    SvcHandle* handle = param != nullptr ? param->handle : nullptr;
    const int result = SharedSockClientThread(param);
    if (handle != nullptr) {
        SetEvent(handle->threadDone);
        ReleaseSvcHandle(handle);
    }
    return static_cast<DWORD>(result);
}
