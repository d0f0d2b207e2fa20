#include "pcid/compute_pcid.h"

#include <windows.h>
#include <iphlpapi.h> // the table types only: GetIfTable itself is looked up by name

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "log/daily_log.h"
#include "log/svc_log_lines.h"

namespace {

typedef DWORD(WINAPI* GetIfTableFunction)(PMIB_IFTABLE table, PULONG size, BOOL sorted);

// The table can grow between the size query and the read; a few attempts cover that.
constexpr int kTableReadAttempts = 3;

struct RowDescription
{
    char text[MAXLEN_IFDESCR + 1];
};

void StoreUnknown(char out[kPcidSize])
{
    std::memset(out, 0, kPcidSize);
    std::strncpy(out, kUnknownPcid, kPcidSize - 1);
}

// Reads the interface table, sorted. nullptr when the size query does not answer with
// ERROR_INSUFFICIENT_BUFFER, when memory is short or when the read fails; free() the result.
MIB_IFTABLE* ReadIfTable(GetIfTableFunction getIfTable, ULONG* tableSize)
{
    ULONG size = 0;
    DWORD result = getIfTable(nullptr, &size, TRUE);
    MIB_IFTABLE* table = nullptr;
    for (int attempt = 0; attempt < kTableReadAttempts && result == ERROR_INSUFFICIENT_BUFFER;
         ++attempt) {
        std::free(table);
        table = static_cast<MIB_IFTABLE*>(std::malloc(size));
        if (table == nullptr) {
            return nullptr;
        }
        result = getIfTable(table, &size, TRUE);
    }
    if (result != NO_ERROR) {
        std::free(table);
        return nullptr;
    }
    *tableSize = size;
    return table;
}

// The identifier of the table's rows; false when memory for the row list is short.
bool PcidFromTable(const MIB_IFTABLE* table, ULONG tableSize, char out[kPcidSize])
{
    size_t count = table->dwNumEntries;
    const size_t rowsInBuffer =
        tableSize > offsetof(MIB_IFTABLE, table)
            ? (tableSize - offsetof(MIB_IFTABLE, table)) / sizeof(MIB_IFROW)
            : 0;
    if (count > rowsInBuffer) {
        count = rowsInBuffer;
    }
    AdapterRow* rows = static_cast<AdapterRow*>(std::calloc(count + 1, sizeof(AdapterRow)));
    RowDescription* descriptions =
        static_cast<RowDescription*>(std::calloc(count + 1, sizeof(RowDescription)));
    if (rows == nullptr || descriptions == nullptr) {
        std::free(descriptions);
        std::free(rows);
        return false;
    }
    for (size_t i = 0; i < count; ++i) {
        const MIB_IFROW& row = table->table[i];
        // The description is counted, not necessarily terminated.
        size_t length = row.dwDescrLen < MAXLEN_IFDESCR ? row.dwDescrLen : MAXLEN_IFDESCR;
        std::memcpy(descriptions[i].text, row.bDescr, length);
        descriptions[i].text[length] = '\0';
        rows[i].description = descriptions[i].text;
        rows[i].address = row.bPhysAddr;
        rows[i].addressLength =
            row.dwPhysAddrLen < MAXLEN_PHYSADDR ? row.dwPhysAddrLen : MAXLEN_PHYSADDR;
    }
    ComputePcidFromRows(rows, count, out);
    std::free(descriptions);
    std::free(rows);
    return true;
}

} // namespace

int ComputePcid(char out[kPcidSize])
{
    std::memset(out, 0, kPcidSize);
    HMODULE module = LoadLibraryA("Iphlpapi.dll");
    if (module == nullptr) {
        StoreUnknown(out);
        WriteDailyLog(kSvcLogName, kLogPcid, out);
        return -1;
    }
    // Through the generic function pointer type: the exported function has this signature.
    FARPROC address = GetProcAddress(module, "GetIfTable");
    GetIfTableFunction getIfTable =
        reinterpret_cast<GetIfTableFunction>(reinterpret_cast<void (*)()>(address));
    if (getIfTable == nullptr) {
        FreeLibrary(module);
        StoreUnknown(out);
        WriteDailyLog(kSvcLogName, kLogPcid, out);
        return -1;
    }

    ULONG tableSize = 0;
    MIB_IFTABLE* table = ReadIfTable(getIfTable, &tableSize);
    if (table == nullptr || !PcidFromTable(table, tableSize, out)) {
        StoreUnknown(out);
    }
    std::free(table);
    FreeLibrary(module);
    WriteDailyLog(kSvcLogName, kLogPcid, out);
    return 0;
}
