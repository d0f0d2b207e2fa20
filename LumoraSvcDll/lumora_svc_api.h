// The exported interface of LumoraSvcDll.dll. The toolbar loads the library by name and binds
// these functions with GetProcAddress under their undecorated names; every export uses the C
// calling convention and takes and returns 32-bit integers and pointers.
//
// The queued requests return at once; their results arrive at the toolbar window as WM_COPYDATA
// (or at the callback given to LMSvcInitialize): dwData is the reply code (0x1001 to 0x1005),
// 0x9001 when the server could not be reached, or 0x9002 for a page body; lpData holds the packed
// reply record (protocol/records.h) and is valid only during the message.
#pragma once

#include <windows.h>

#include "protocol/records.h"
#include "svc_handle.h"

#define LUMORA_SVC_CALL __cdecl

extern "C" {

// Starts this toolbar instance's connection thread and returns once it serves; nullptr when it
// cannot start. `callback` may be nullptr (results then go to the requesting windows).
SvcHandle* LUMORA_SVC_CALL LMSvcInitialize(const char* host, int port, SvcDeliveryCallback callback);
// Stops the instance's thread (waiting up to one second for it) and releases the handle: 0.
int LUMORA_SVC_CALL LMSvcFree(SvcHandle* handle);
// The server of the whole process: 1; -1 table unavailable; -2 semaphore unavailable.
int LUMORA_SVC_CALL LMChangeServerIpPort(const char* host, int port);

// Queued requests. Each writes the assigned seq and the window into the record before packing it.
// 0 queued; -1 table unavailable; -2 semaphore unavailable, or (connect, change check, page
// fetch) table full. Address checks, toolbar-message and notice requests return 0 on a full table.
int LUMORA_SVC_CALL LMSvcConnectRequest(HWND toolbar, SvcSeqRecord* record);
int LUMORA_SVC_CALL LMSvcURLRequest(HWND toolbar, SvcUrlRequest* record);
int LUMORA_SVC_CALL LMSvcToolbarMsgRequest(HWND toolbar, SvcToolbarMsgReq* record);
int LUMORA_SVC_CALL LMSvcNoticeRequest(HWND toolbar, SvcSeqRecord* record);
int LUMORA_SVC_CALL LMSvcChangedRequest(HWND toolbar, SvcSeqRecord* record);
// A page address of up to 4095 characters; a longer one is not queued (-2).
int LUMORA_SVC_CALL GetUrlContents(HWND toolbar, const char* address);
// Copies the process's machine identifier (33 bytes, empty before any connection thread ran): 1;
// -1 table unavailable (or no buffer); -2 semaphore unavailable.
int LUMORA_SVC_CALL GetPCID(char* out);

// Blocking variants on the calling thread; results go only to the handle's callback.
int LUMORA_SVC_CALL LMSvcConnectRequestBlocking(SvcHandle* handle, SvcSeqRecord* record);
int LUMORA_SVC_CALL LMSvcURLRequestBlocking(SvcHandle* handle, SvcUrlRequest* record);
int LUMORA_SVC_CALL LMSvcChangedRequestBlocking(SvcHandle* handle, SvcSeqRecord* record);
int LUMORA_SVC_CALL LMSvcToolbarMsgRequestBlocking(SvcHandle* handle, SvcToolbarMsgReq* record);
int LUMORA_SVC_CALL LMSvcNoticeRequestBlocking(SvcHandle* handle, SvcSeqRecord* record);
int LUMORA_SVC_CALL LMChangeServerIpPortBlocking(SvcHandle* handle, const char* host, int port);
int LUMORA_SVC_CALL GetUrlContentsBlocking(SvcHandle* handle, const char* address);

} // extern "C"

// Pointer types for binding the exports by name.
typedef SvcHandle*(LUMORA_SVC_CALL* LMSvcInitializeFn)(const char*, int, SvcDeliveryCallback);
typedef int(LUMORA_SVC_CALL* LMSvcFreeFn)(SvcHandle*);
typedef int(LUMORA_SVC_CALL* LMChangeServerIpPortFn)(const char*, int);
typedef int(LUMORA_SVC_CALL* LMSvcConnectRequestFn)(HWND, SvcSeqRecord*);
typedef int(LUMORA_SVC_CALL* LMSvcURLRequestFn)(HWND, SvcUrlRequest*);
typedef int(LUMORA_SVC_CALL* LMSvcToolbarMsgRequestFn)(HWND, SvcToolbarMsgReq*);
typedef int(LUMORA_SVC_CALL* LMSvcNoticeRequestFn)(HWND, SvcSeqRecord*);
typedef int(LUMORA_SVC_CALL* LMSvcChangedRequestFn)(HWND, SvcSeqRecord*);
typedef int(LUMORA_SVC_CALL* GetUrlContentsFn)(HWND, const char*);
typedef int(LUMORA_SVC_CALL* GetPCIDFn)(char*);
typedef int(LUMORA_SVC_CALL* LMSvcConnectRequestBlockingFn)(SvcHandle*, SvcSeqRecord*);
typedef int(LUMORA_SVC_CALL* LMSvcURLRequestBlockingFn)(SvcHandle*, SvcUrlRequest*);
typedef int(LUMORA_SVC_CALL* LMSvcChangedRequestBlockingFn)(SvcHandle*, SvcSeqRecord*);
typedef int(LUMORA_SVC_CALL* LMSvcToolbarMsgRequestBlockingFn)(SvcHandle*, SvcToolbarMsgReq*);
typedef int(LUMORA_SVC_CALL* LMSvcNoticeRequestBlockingFn)(SvcHandle*, SvcSeqRecord*);
typedef int(LUMORA_SVC_CALL* LMChangeServerIpPortBlockingFn)(SvcHandle*, const char*, int);
typedef int(LUMORA_SVC_CALL* GetUrlContentsBlockingFn)(SvcHandle*, const char*);
