// The blocking variants of the service requests: each holds its own conversation with the server
// of the handle on the calling thread and hands its results to the handle's callback only.
#pragma once

#include <cstdint>

#include "svc_handle.h"

// The connect, address-check and change-check requests (`requestCode` 0x2001, 0x2003, 0x2005;
// `record` the matching request record). 0, or -1 when no session object can be had.
int BlockingSingleRequest(SvcHandle* handle, int32_t requestCode, void* record);

// The toolbar-message and notice requests (0x2002 with a SvcToolbarMsgReq, 0x2004 with a
// SvcSeqRecord). 0; -1 no session or a failed receive; -2 a packet of a kind other than 2; -3 an
// unexpected code in the stream. One begin packet before the first item is skipped.
int BlockingStreamRequest(SvcHandle* handle, int32_t requestCode, void* record);

// The page fetch: the body length (0 when nothing came or the address was refused), or -1 for
// an empty address. The body goes to the callback unless the address was refused.
int BlockingFetchPage(SvcHandle* handle, const char* address);
