// Finding a free slot of the request table, with the expiry of unanswered requests.
#pragma once

#include "table/shared_table.h"

// Returns the index of a slot now reserved (its queued_time set), or -1 when all 64 are taken.
// On the way it removes sent requests that have waited 3 seconds or more for their reply and
// reports queued ones that have waited as long; both with their Korean and English log lines.
// The caller holds the table semaphore.
int AllocSlot(SharedTable* table);
