#include "table/queue_request.h"

#include <windows.h>

#include <cstring>

#include "protocol/records.h"
#include "table/alloc_slot.h"
#include "table/shared_memory.h"
#include "table/wake_event.h"

namespace {

bool WritesPid(int32_t kind)
{
    return kind == LM_SVC_CONNECT_REQ || kind == LM_SVC_URL_REQ || kind == LM_SVC_CHANGED_REQ ||
           kind == LM_SVC_URL_CONTENTS;
}

int FullTableResult(int32_t kind)
{
    return (kind == LM_SVC_CONNECT_REQ || kind == LM_SVC_CHANGED_REQ ||
            kind == LM_SVC_URL_CONTENTS) ? kQueueNotQueued : 0;
}

size_t PackPayload(int32_t kind, void* record, uint8_t* payload)
{
    switch (kind) {
    case LM_SVC_CONNECT_REQ:
    case LM_SVC_NOTICE_REQ:
    case LM_SVC_CHANGED_REQ:
        return PackRecord(*static_cast<SvcSeqRecord*>(record), payload, kSlotPayloadSize);
    case LM_SVC_TOOLBAR_MSG_REQ:
        return PackRecord(*static_cast<SvcToolbarMsgReq*>(record), payload, kSlotPayloadSize);
    case LM_SVC_URL_REQ:
        return PackRecord(*static_cast<SvcUrlRequest*>(record), payload, kSlotPayloadSize);
    default:
        return 0;
    }
}

} // namespace

int QueueRequest(int32_t kind, int32_t hToolbar, void* record, size_t* packedSize)
{
    if (packedSize != nullptr) {
        *packedSize = 0;
    }
    size_t addressLength = 0;
    if (kind == LM_SVC_URL_CONTENTS) {
        addressLength = strnlen(static_cast<const char*>(record), kSlotPayloadSize);
        if (addressLength >= kSlotPayloadSize) {
            return kQueueNotQueued; // would not fit the payload with its terminator
        }
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
    SharedTable* table = shm->pMemoryMap;
    int result = 0;
    LockTable(semaphore);
    const int i = AllocSlot(table);
    if (i < 0) {
        result = FullTableResult(kind);
    } else {
        SharedSlot& slot = table->slots[i];
        const int32_t queuedTime = slot.queued_time;
        slot.pid = WritesPid(kind) ? static_cast<int32_t>(GetCurrentProcessId()) : 0;
        slot.hToolbar = hToolbar;
        slot.kind = kind;
        int32_t seq = table->header.next_seq + 1;
        if (seq > kMaxRequestSeq || seq < 1) {
            seq = 1;
        }
        table->header.next_seq = seq;
        slot.seq = seq;
        slot.queued_time = queuedTime;
        slot.sent_time = 0;
        slot.taken = 0;
        slot.send_failures = 0;
        std::memset(slot.payload, 0, sizeof(slot.payload));
        size_t written = 0;
        if (kind == LM_SVC_URL_CONTENTS) {
            std::memcpy(slot.payload, record, addressLength);
            written = addressLength + 1;
        } else {
            SvcEnvelope* env = static_cast<SvcEnvelope*>(record);
            env->seq = seq;
            env->hToolbar = hToolbar;
            written = PackPayload(kind, record, slot.payload);
        }
        if (packedSize != nullptr) {
            *packedSize = written;
        }
    }
    UnlockTable(semaphore);
    CloseHandle(semaphore);
    ReleaseShm(shm);
    if (i >= 0) {
        SignalWakeEvent();
    }
    return result;
}

int ChangeTableServer(const char* host, int32_t port)
{
    ShmHandle* shm = ConnectShm();
    if (shm == nullptr) {
        return kQueueTableUnavailable;
    }
    HANDLE semaphore = ConnectSemaphore();
    if (semaphore == nullptr) {
        ReleaseShm(shm);
        return kQueueSemaphoreUnavailable;
    }
    SharedTableHeader& header = shm->pMemoryMap->header;
    std::memset(header.server_host, 0, sizeof(header.server_host));
    if (host != nullptr && strnlen(host, kServerHostSize) < kServerHostSize) {
        std::strcpy(header.server_host, host);
    }
    header.server_port = port;
    CloseHandle(semaphore);
    ReleaseShm(shm);
    return 1;
}
