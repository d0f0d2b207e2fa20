// Test stand-in for LumoraSvcDll.dll: records every LMChangeServerIpPort call.
#include <windows.h>

#include <cstring>

namespace {

char gHost[256];
int gPort;
int gCalls;

} // namespace

extern "C" int __cdecl LMChangeServerIpPort(const char* host, int port)
{
    std::strncpy(gHost, host != nullptr ? host : "", sizeof(gHost) - 1);
    gHost[sizeof(gHost) - 1] = '\0';
    gPort = port;
    ++gCalls;
    return 1;
}

// Copies the last call's host (256 bytes) and port; returns the number of calls so far.
extern "C" int __cdecl FakeSvcLastChange(char* host, int* port, int reset)
{
    int calls = gCalls;
    std::memcpy(host, gHost, sizeof(gHost));
    *port = gPort;
    if (reset) {
        gHost[0] = '\0';
        gPort = 0;
        gCalls = 0;
    }
    return calls;
}
