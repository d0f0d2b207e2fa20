// The bodies of the exports: thin calls into the table, the thread starter and the blocking
// conversations. Nothing here throws; every failure is a result value.
#include "lumora_svc_api.h"

#include <cstring>
#include <new>

#include "blocking/blocking_requests.h"
#include "log/daily_log.h"
#include "log/svc_log_lines.h"
#include "table/queue_request.h"
#include "table/shared_memory.h"
#include "table/wake_event.h"
#include "thread/cthread.h"
#include "thread/shared_sock_client_thread.h"

namespace {

constexpr DWORD kFreeWaitMs = 1000;

int32_t WindowValue(HWND window)
{
    return static_cast<int32_t>(reinterpret_cast<uintptr_t>(window));
}

DWORD ConnectionThreadRoutine(void* param)
{
    return RunConnectionThread(static_cast<SvcThreadParam*>(param));
}

} // namespace

SvcHandle* LUMORA_SVC_CALL LMSvcInitialize(const char* host, int port, SvcDeliveryCallback callback)
{
    CleanOldLogs();
    SvcHandle* handle = CreateSvcHandle(host, port, callback);
    if (handle == nullptr) {
        return nullptr;
    }
    SvcThreadParam* param = new (std::nothrow) SvcThreadParam{};
    if (param == nullptr) {
        ReleaseSvcHandle(handle);
        ReleaseSvcHandle(handle);
        return nullptr;
    }
    std::memcpy(param->host, handle->host, sizeof(param->host));
    param->port = port;
    param->handle = handle;
    param->ready = &handle->ready;
    param->callback = callback;

    CThread thread(&ConnectionThreadRoutine);
    if (!thread.Start(param)) {
        delete param;
        ReleaseSvcHandle(handle); // the thread's reference
        ReleaseSvcHandle(handle);
        return nullptr;
    }
    // Wait until the thread serves; a thread that ends before that could not start.
    while (handle->ready == 0) {
        if (WaitForSingleObject(thread.Handle(), 1) == WAIT_OBJECT_0) {
            if (handle->ready != 0) {
                break;
            }
            ReleaseSvcHandle(handle); // the thread has dropped its own reference
            return nullptr;
        }
    }
    return handle;
}

int LUMORA_SVC_CALL LMSvcFree(SvcHandle* handle)
{
    if (handle == nullptr) {
        return 0;
    }
    handle->stop = 1;
    SignalWakeEvent();
    WaitForSingleObject(handle->threadDone, kFreeWaitMs);
    // A thread still busy in a conversation keeps its own reference and frees the handle itself.
    ReleaseSvcHandle(handle);
    return 0;
}

int LUMORA_SVC_CALL LMChangeServerIpPort(const char* host, int port)
{
    return ChangeTableServer(host, port);
}

int LUMORA_SVC_CALL LMSvcConnectRequest(HWND toolbar, SvcSeqRecord* record)
{
    if (record == nullptr) {
        return kQueueTableUnavailable;
    }
    return QueueRequest(LM_SVC_CONNECT_REQ, WindowValue(toolbar), record);
}

int LUMORA_SVC_CALL LMSvcURLRequest(HWND toolbar, SvcUrlRequest* record)
{
    WriteDailyLog(kSvcLogName, kLogUrlReqCalled, static_cast<unsigned>(WindowValue(toolbar)));
    if (record == nullptr) {
        return kQueueTableUnavailable;
    }
    size_t packed = 0;
    const int result = QueueRequest(LM_SVC_URL_REQ, WindowValue(toolbar), record, &packed);
    if (packed > 0) {
        WriteDailyLog(kSvcLogName, kLogUrlReqQueued, static_cast<int>(packed),
                      static_cast<int>(strnlen(record->url, sizeof(record->url))), record->url);
    }
    return result;
}

int LUMORA_SVC_CALL LMSvcToolbarMsgRequest(HWND toolbar, SvcToolbarMsgReq* record)
{
    if (record == nullptr) {
        return kQueueTableUnavailable;
    }
    return QueueRequest(LM_SVC_TOOLBAR_MSG_REQ, WindowValue(toolbar), record);
}

int LUMORA_SVC_CALL LMSvcNoticeRequest(HWND toolbar, SvcSeqRecord* record)
{
    if (record == nullptr) {
        return kQueueTableUnavailable;
    }
    return QueueRequest(LM_SVC_NOTICE_REQ, WindowValue(toolbar), record);
}

int LUMORA_SVC_CALL LMSvcChangedRequest(HWND toolbar, SvcSeqRecord* record)
{
    if (record == nullptr) {
        return kQueueTableUnavailable;
    }
    return QueueRequest(LM_SVC_CHANGED_REQ, WindowValue(toolbar), record);
}

int LUMORA_SVC_CALL GetUrlContents(HWND toolbar, const char* address)
{
    char empty[1] = {0};
    return QueueRequest(LM_SVC_URL_CONTENTS, WindowValue(toolbar),
                        address != nullptr ? const_cast<char*>(address) : empty);
}

int LUMORA_SVC_CALL GetPCID(char* out)
{
    if (out == nullptr) {
        return kQueueTableUnavailable;
    }
    ShmHandle* shm = ConnectShm();
    if (shm == nullptr) {
        return kQueueTableUnavailable;
    }
    HANDLE semaphore = ConnectSemaphore();
    if (semaphore == nullptr) {
        ReleaseShm(shm);
        return kQueueSemaphoreUnavailable;
    }
    std::memset(out, 0, kTablePcidSize);
    std::memcpy(out, shm->pMemoryMap->header.pcid, kTablePcidSize - 1);
    CloseHandle(semaphore);
    ReleaseShm(shm);
    return 1;
}

int LUMORA_SVC_CALL LMSvcConnectRequestBlocking(SvcHandle* handle, SvcSeqRecord* record)
{
    return BlockingSingleRequest(handle, LM_SVC_CONNECT_REQ, record);
}

int LUMORA_SVC_CALL LMSvcURLRequestBlocking(SvcHandle* handle, SvcUrlRequest* record)
{
    return BlockingSingleRequest(handle, LM_SVC_URL_REQ, record);
}

int LUMORA_SVC_CALL LMSvcChangedRequestBlocking(SvcHandle* handle, SvcSeqRecord* record)
{
    return BlockingSingleRequest(handle, LM_SVC_CHANGED_REQ, record);
}

int LUMORA_SVC_CALL LMSvcToolbarMsgRequestBlocking(SvcHandle* handle, SvcToolbarMsgReq* record)
{
    return BlockingStreamRequest(handle, LM_SVC_TOOLBAR_MSG_REQ, record);
}

int LUMORA_SVC_CALL LMSvcNoticeRequestBlocking(SvcHandle* handle, SvcSeqRecord* record)
{
    return BlockingStreamRequest(handle, LM_SVC_NOTICE_REQ, record);
}

int LUMORA_SVC_CALL LMChangeServerIpPortBlocking(SvcHandle* handle, const char* host, int port)
{
    if (handle == nullptr) {
        return 1;
    }
    CopyServerHost(handle->host, host);
    handle->port = port;
    return 1;
}

int LUMORA_SVC_CALL GetUrlContentsBlocking(SvcHandle* handle, const char* address)
{
    return BlockingFetchPage(handle, address);
}
