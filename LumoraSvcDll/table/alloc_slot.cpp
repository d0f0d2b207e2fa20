#include "table/alloc_slot.h"

#include <windows.h>

#include "log/daily_log.h"
#include "log/svc_log_lines.h"
#include "table/shared_memory.h"

int AllocSlot(SharedTable* table)
{
    const int32_t now = NowSeconds();
    for (int i = 0; i < kSlotCount; ++i) {
        SharedSlot& slot = table->slots[i];
        const char* name = RequestKindName(slot.kind);
        if (slot.sent_time != 0 && now - slot.sent_time >= kSlotExpirySeconds) {
            WriteDailyLog(kSvcLogName, kLogExpiredNoResponseKo, kSlotExpirySeconds, name,
                          slot.sent_time, now);
            WriteDailyLog(kSvcLogName, kLogExpiredNoResponseEn, name, kSlotExpirySeconds,
                          slot.sent_time, now);
            slot.queued_time = 0;
            slot.sent_time = 0;
        }
        if (slot.queued_time != 0 && now - slot.queued_time >= kSlotExpirySeconds) {
            WriteDailyLog(kSvcLogName, kLogStaleQueuedKo, static_cast<int>(GetCurrentProcessId()),
                          slot.pid, kSlotExpirySeconds, name, slot.sent_time, now);
            WriteDailyLog(kSvcLogName, kLogStaleQueuedEn, name, kSlotExpirySeconds, slot.sent_time,
                          now);
        }
        if (IsSlotFree(slot)) {
            slot.queued_time = now;
            return i;
        }
    }
    return -1;
}
