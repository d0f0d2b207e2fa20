// Queuing one request in the process's shared table: the common body of the queued request
// exports and of the server change.
#pragma once

#include <cstddef>
#include <cstdint>

// Results of the queue operations (0 = queued).
constexpr int kQueueTableUnavailable = -1;
constexpr int kQueueSemaphoreUnavailable = -2;
constexpr int kQueueNotQueued = -2; // table full (connect, change check, page fetch) or page too long

// Puts a request of `kind` (0x2001 to 0x2005, or 0x9002 for a page fetch) for the window
// `hToolbar` into a free slot. `record` is the request record (its envelope receives the slot's
// seq and hToolbar before it is packed), or for a page fetch the zero-terminated page address,
// which must fit the 4096-byte payload with its terminator. A full table yields -2 for the connect,
// change-check and page-fetch requests and 0 for the others. `packedSize`, when given, receives
// the bytes written into the payload (0 when nothing was queued).
int QueueRequest(int32_t kind, int32_t hToolbar, void* record, size_t* packedSize = nullptr);

// Sets the server of the whole process in the table header: 1, or -1 / -2 when the table or its
// semaphore is unavailable. A host of more than 31 characters is refused: the table then holds an
// empty host, which every connection attempt treats as unreachable.
int ChangeTableServer(const char* host, int32_t port);
