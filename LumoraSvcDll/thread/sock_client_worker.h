// The state of one connection thread while it serves the shared table, and the steps of serving
// one slot: connect, send the request, read the reply or the reply stream, deliver, free.
#pragma once

#include <windows.h>

#include <cstdint>

#include "blocking/http_get.h"
#include "protocol/records.h"
#include "svc_handle.h"
#include "table/shared_memory.h"

class CSession;

// A request whose send failed this many times is given up as unreachable.
constexpr int kMaxSendAttempts = 3;

class CSockClientWorker
{
public:
    CSockClientWorker(ShmHandle* shm, HANDLE semaphore, CSession* session,
                      SvcDeliveryCallback callback);

    // One serving pass: takes queued slots one after another, lowest index first, until none is
    // left, the stop flag is set or a receive failed (the pass then ends, so that the pause after a
    // broken conversation applies before the next try).
    void ServePass(volatile char* stop);

    // Serves the taken slot i whose request carries `seq`.
    void ServeSlot(int i, int32_t seq);
    bool ConnectToServer();
    enum class SendResult { Sent, Failed, Invalid };
    SendResult SendRequest(int i, int32_t seq);
    void ReceiveReply();
    void ReportConnectFailure(int i);
    // To the callback when the thread has one, otherwise WM_COPYDATA to `hwnd`, waiting until the
    // window has handled it. Only windows of this process receive data.
    void Deliver(int32_t hwnd, int32_t code, const void* bytes, uint32_t count);

    bool ReceiveFailed() const { return receiveFailed_; }

private:
    // The first queued slot that no thread has taken: marked taken, its queued_time set to now.
    // -1 when none.
    int TakeQueuedSlot(int32_t* seq);
    void ZeroSlot(int i);
    bool FreeSlotBySeq(int32_t seq);
    void FailReceive();
    void ServePageFetch(int i);
    void ReceiveSingleReply(int32_t code);
    void ReceiveStream(int32_t itemCode, int32_t endCode);

    template <typename Record>
    void DeliverRecord(int32_t code, const Record& record);

    ShmHandle* shm_;
    SharedTable* table_;
    HANDLE semaphore_;
    CSession* session_;
    SvcDeliveryCallback callback_;
    int32_t pid_;
    bool receiveFailed_ = false;
    // Holds the largest packed reply, so no record is ever cut on its way to the window.
    uint8_t delivery_[kMaxPackedReplySize];
    char pageBody_[kPageBodyLimit];
};
