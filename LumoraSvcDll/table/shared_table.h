// The per-process shared request table "%u_shm": a 92-byte header followed by 64 slots of 4124
// bytes, 264,028 bytes in all. Every toolbar instance and every connection thread of one process
// maps the same table; the layout below is fixed byte for byte, since any module of the process
// that maps the table by name sees these offsets.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kSlotCount = 64;
constexpr size_t kSlotPayloadSize = 4096;
constexpr size_t kServerHostSize = 32; // 31 characters and the terminator
constexpr size_t kTablePcidSize = 33;
constexpr int32_t kMaxRequestSeq = 10000; // next_seq runs 1 to 10000 and then starts again at 1
constexpr int kSlotExpirySeconds = 3;     // a request waiting this long is reported or removed

// A connection thread marks a queued slot it has taken (see SharedSlot::taken).
constexpr uint16_t kSlotTaken = 1;

struct SharedTableHeader
{
    char server_host[kServerHostSize];
    int32_t server_port;
    int32_t next_seq;      // the last sequence number handed out
    char pcid[kTablePcidSize];
    uint8_t unused[3];
    int32_t owner_pid;     // process whose threads serve the table; -1 after a failed receive
    int32_t owner_time;    // when a connection thread last claimed the table
    int32_t service_time;  // when the current serving pass began
    int32_t changed_time;  // when the last change check was let through to the server
};

struct SharedSlot
{
    int32_t pid;
    int32_t seq;
    int32_t hToolbar;
    int32_t kind;
    int32_t queued_time; // 0 when the slot is free
    int32_t sent_time;   // 0 until the request was handed to the server
    // The 4 spare bytes: a connection thread sets `taken` while it serves the slot, so that no
    // other thread takes it; `send_failures` counts failed sends of this request.
    uint16_t taken;
    uint16_t send_failures;
    uint8_t payload[kSlotPayloadSize];
};

struct SharedTable
{
    SharedTableHeader header;
    SharedSlot slots[kSlotCount];
};

static_assert(offsetof(SharedTableHeader, server_host) == 0, "table header layout");
static_assert(offsetof(SharedTableHeader, server_port) == 32, "table header layout");
static_assert(offsetof(SharedTableHeader, next_seq) == 36, "table header layout");
static_assert(offsetof(SharedTableHeader, pcid) == 40, "table header layout");
static_assert(offsetof(SharedTableHeader, owner_pid) == 76, "table header layout");
static_assert(offsetof(SharedTableHeader, owner_time) == 80, "table header layout");
static_assert(offsetof(SharedTableHeader, service_time) == 84, "table header layout");
static_assert(offsetof(SharedTableHeader, changed_time) == 88, "table header layout");
static_assert(sizeof(SharedTableHeader) == 92, "table header layout");
static_assert(offsetof(SharedSlot, pid) == 0, "slot layout");
static_assert(offsetof(SharedSlot, seq) == 4, "slot layout");
static_assert(offsetof(SharedSlot, hToolbar) == 8, "slot layout");
static_assert(offsetof(SharedSlot, kind) == 12, "slot layout");
static_assert(offsetof(SharedSlot, queued_time) == 16, "slot layout");
static_assert(offsetof(SharedSlot, sent_time) == 20, "slot layout");
static_assert(offsetof(SharedSlot, taken) == 24, "slot layout");
static_assert(offsetof(SharedSlot, payload) == 28, "slot layout");
static_assert(sizeof(SharedSlot) == 4124, "slot layout");
static_assert(offsetof(SharedTable, slots) == 92, "table layout");
static_assert(sizeof(SharedTable) == 264028, "table layout");

constexpr size_t kSharedTableSize = sizeof(SharedTable);

inline bool IsSlotFree(const SharedSlot& slot)
{
    return slot.queued_time == 0 && slot.sent_time == 0;
}

// The request kind as the log lines name it; the page fetch (and anything unknown) has "".
const char* RequestKindName(int32_t kind);
