// Test access to this process's shared request table: holds it open for the test (a table lives
// only while some handle to it is open), and reads or resets it under its semaphore.
#pragma once

#include <windows.h>

#include <string>

#include "table/shared_memory.h"

class TableProbe
{
public:
    TableProbe();
    ~TableProbe();
    TableProbe(const TableProbe&) = delete;
    TableProbe& operator=(const TableProbe&) = delete;

    SharedTable* Table() const { return shm_->pMemoryMap; }
    int BusySlots();            // slots that are not free
    void ClearSlots();          // all slots free
    int FindSeq(int32_t seq);   // index of the busy slot with this seq, or -1

private:
    ShmHandle* shm_;
    HANDLE semaphore_;
};

// The socket library for tests that link the library statically (the DLL starts it itself).
void StartSockets();

// A listening TCP socket on 127.0.0.1 at a port the system picks (stored in *port).
unsigned ListenOnLoopback(int backlog, int* port);

// Today's daily log as text ("" when there is none); EnsureLogDirectory creates the directory,
// which the library itself never does.
void EnsureLogDirectory();
std::string ReadTodaysLog();

// Packs a fresh address-check request for `url`.
struct SvcUrlRequest;
void MakeUrlRequest(SvcUrlRequest* request, const char* url);
