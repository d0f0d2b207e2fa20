#include "table_probe.h"

#include <winsock2.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "protocol/records.h"

TableProbe::TableProbe() : shm_(ConnectShm()), semaphore_(ConnectSemaphore())
{
}

TableProbe::~TableProbe()
{
    CloseHandle(semaphore_);
    ReleaseShm(shm_);
}

int TableProbe::BusySlots()
{
    int busy = 0;
    LockTable(semaphore_);
    for (const SharedSlot& slot : Table()->slots) {
        busy += IsSlotFree(slot) ? 0 : 1;
    }
    UnlockTable(semaphore_);
    return busy;
}

void TableProbe::ClearSlots()
{
    LockTable(semaphore_);
    std::memset(Table()->slots, 0, sizeof(Table()->slots));
    UnlockTable(semaphore_);
}

int TableProbe::FindSeq(int32_t seq)
{
    int found = -1;
    LockTable(semaphore_);
    for (int i = 0; i < kSlotCount; ++i) {
        if (!IsSlotFree(Table()->slots[i]) && Table()->slots[i].seq == seq) {
            found = i;
            break;
        }
    }
    UnlockTable(semaphore_);
    return found;
}

namespace {

std::string LogDirectory()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + "lumorares";
}

} // namespace

void EnsureLogDirectory()
{
    CreateDirectoryA(LogDirectory().c_str(), nullptr);
}

std::string ReadTodaysLog()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char name[64];
    std::snprintf(name, sizeof name, "\\lumora_%04d%02d%02d.log", now.wYear, now.wMonth, now.wDay);
    std::ifstream file(LogDirectory() + name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void MakeUrlRequest(SvcUrlRequest* request, const char* url)
{
    std::memset(request, 0, sizeof(*request));
    request->env.time = 1700000000;
    std::strcpy(request->env.pcid, "0123456789ABCDEF0123456789ABCDEF");
    std::snprintf(request->url, sizeof(request->url), "%s", url);
    std::snprintf(request->page_url, sizeof(request->page_url), "%s", url);
    std::strcpy(request->host, "example.invalid");
    std::strcpy(request->host_ip, "INVALID_ADDR");
    request->port = 80;
    request->urltype = 1;
}
