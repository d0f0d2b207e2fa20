// A started thread: the routine, its id and its handle. The starter record given to the system
// holds the routine and its parameter; the new thread frees it before the routine runs. The thread
// keeps the module that holds its code loaded until it has ended, so unloading the library right
// after LMSvcFree cannot pull the code from under a thread that is still finishing.
#pragma once

#include <windows.h>

typedef DWORD (*CThreadRoutine)(void* param);

class CThread
{
public:
    explicit CThread(CThreadRoutine routine) : routine_(routine) {}
    virtual ~CThread(); // closes the thread handle
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    virtual void OnStarted() {}
    virtual void OnFailed() {}

    // False when the thread could not be created (`param` then still belongs to the caller).
    bool Start(void* param);
    HANDLE Handle() const { return handle_; }
    DWORD Id() const { return id_; }

private:
    CThreadRoutine routine_;
    HANDLE handle_ = nullptr;
    DWORD id_ = 0;
};
