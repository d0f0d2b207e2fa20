#include "net/resolve_host.h"

#include <winsock2.h>

#include <cstring>

bool ResolveHost(const char* host, in_addr* address)
{
    if (host == nullptr || host[0] == '\0') {
        // An empty name would resolve to this machine; the server host is simply missing.
        WSASetLastError(WSAHOST_NOT_FOUND);
        return false;
    }
    unsigned long dotted = inet_addr(host);
    if (dotted != INADDR_NONE) {
        address->s_addr = dotted;
        return true;
    }
    // Winsock keeps the result per thread, so the lookup is safe on any thread.
    const hostent* entry = gethostbyname(host);
    if (entry == nullptr) {
        return false;
    }
    if (entry->h_addrtype != AF_INET || entry->h_length != static_cast<int>(sizeof(in_addr)) ||
        entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr) {
        WSASetLastError(WSANO_DATA);
        return false;
    }
    std::memcpy(address, entry->h_addr_list[0], sizeof(in_addr));
    return true;
}
