// The connection thread: serves the process's shared request table until its stop flag is set.
#pragma once

#include "thread/svc_thread_param.h"

// Start results: 0 after a normal stop; -1 no parameter, -2 no table, -3 no mapped view,
// -4 no semaphore, -5 no session object. On every start failure the ready flag stays 0.
// The thread frees `param`; it does not touch the handle's reference (see RunConnectionThread).
int SharedSockClientThread(SvcThreadParam* param);

// The whole life of one connection thread as LMSvcInitialize starts it: runs
// SharedSockClientThread, then sets the handle's threadDone event and drops the thread's
// reference to the handle.
DWORD RunConnectionThread(SvcThreadParam* param);
