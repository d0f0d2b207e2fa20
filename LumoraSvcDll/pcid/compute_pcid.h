// The machine identifier from the system's network interface table.
#pragma once

#include "protocol/pcid.h"

// Fills the 33-byte `out` with the identifier: the MD5 digest of the sorted hardware addresses
// of the real adapters as 32 upper-case hex characters, or "unknown pcid" when the interface
// table cannot be read. Writes "PCID(%s)\n" to the daily log. Returns 0, or -1 when
// "Iphlpapi.dll" or its "GetIfTable" is not available.
int ComputePcid(char out[kPcidSize]);
