#include "table_probe.h"

#include <winsock2.h>

void StartSockets()
{
    static bool started = false;
    if (!started) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        started = true;
    }
}
