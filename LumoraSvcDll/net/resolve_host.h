// Host resolution for the client sockets: a dotted IPv4 address is used as it is, any other text
// goes through a host-name lookup and its first address.
#pragma once

struct in_addr;

// False for an empty host and when the lookup fails or yields no IPv4 address. The resolver's
// error code stays available through WSAGetLastError.
bool ResolveHost(const char* host, in_addr* address);
