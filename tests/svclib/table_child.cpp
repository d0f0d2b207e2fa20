// The second process of the table test: queues one request in its own table and checks that the
// table holds exactly that one. Exit code 0 when it does.
#include <windows.h>

#include <cstring>

#include "lumora_svc_api.h"
#include "table_probe.h"

int main()
{
    TableProbe probe; // keeps this process's table alive while we look at it
    if (probe.BusySlots() != 0) {
        return 1;
    }
    SvcUrlRequest request;
    MakeUrlRequest(&request, "http://child.example/");
    if (LMSvcURLRequest(reinterpret_cast<HWND>(0x20000), &request) != 0) {
        return 2;
    }
    if (probe.BusySlots() != 1) {
        return 3;
    }
    SvcUrlRequest unpacked;
    if (UnpackRecord(probe.Table()->slots[0].payload, kSlotPayloadSize, &unpacked) == 0 ||
        std::strcmp(unpacked.url, "http://child.example/") != 0) {
        return 4;
    }
    return 0;
}
