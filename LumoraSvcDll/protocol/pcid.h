// The machine identifier: the MD5 digest of the sorted hardware addresses of the machine's real
// network adapters, as 32 upper-case hex characters. This is the platform-free decision; the
// service library reads the adapter table from the system and hands the rows here.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kPcidSize = 33; // 32 characters and the terminator
extern const char kUnknownPcid[]; // "unknown pcid"

struct AdapterRow
{
    const char* description;   // ANSI (CP949) description as the system reports it
    const uint8_t* address;    // hardware address bytes
    uint32_t addressLength;
};

// True when the row counts: a 6-byte address and none of the excluded description texts
// (compared case-sensitively as substrings).
bool IsQualifyingAdapter(const AdapterRow& row);

// Fills `out` with the identifier of these rows (in the order the system listed them).
void ComputePcidFromRows(const AdapterRow* rows, size_t count, char out[kPcidSize]);
