#include "thread/sock_client_worker.h"

#include <cstring>

#include "net/session.h"

CSockClientWorker::CSockClientWorker(ShmHandle* shm, HANDLE semaphore, CSession* session,
                                     SvcDeliveryCallback callback)
    : shm_(shm),
      table_(shm->pMemoryMap),
      semaphore_(semaphore),
      session_(session),
      callback_(callback),
      pid_(static_cast<int32_t>(GetCurrentProcessId()))
{
}

void CSockClientWorker::ServePass(volatile char* stop)
{
    receiveFailed_ = false;
    while (*stop == 0) {
        int32_t seq = 0;
        const int i = TakeQueuedSlot(&seq);
        if (i < 0) {
            return;
        }
        ServeSlot(i, seq);
        if (session_->IsConnected()) {
            session_->Close();
        }
        if (receiveFailed_) {
            return;
        }
    }
}

int CSockClientWorker::TakeQueuedSlot(int32_t* seq)
{
    int found = -1;
    LockTable(semaphore_);
    for (int i = 0; i < kSlotCount; ++i) {
        SharedSlot& slot = table_->slots[i];
        if (slot.queued_time != 0 && slot.sent_time == 0 && slot.taken == 0) {
            slot.taken = kSlotTaken;
            slot.queued_time = NowSeconds();
            *seq = slot.seq;
            found = i;
            break;
        }
    }
    UnlockTable(semaphore_);
    return found;
}

void CSockClientWorker::ZeroSlot(int i)
{
    LockTable(semaphore_);
    std::memset(&table_->slots[i], 0, sizeof(SharedSlot));
    UnlockTable(semaphore_);
}

bool CSockClientWorker::FreeSlotBySeq(int32_t seq)
{
    bool found = false;
    LockTable(semaphore_);
    for (int i = 0; i < kSlotCount; ++i) {
        SharedSlot& slot = table_->slots[i];
        // Only a sent request can be answered; a queued one with the same number (numbers start
        // again at 1 when a thread starts or after 10000) must not be lost.
        if (slot.seq == seq && slot.sent_time != 0) {
            std::memset(&slot, 0, sizeof(SharedSlot));
            found = true;
            break;
        }
    }
    UnlockTable(semaphore_);
    return found;
}

void CSockClientWorker::FailReceive()
{
    session_->Close();
    table_->header.owner_pid = -1;
    receiveFailed_ = true;
}
