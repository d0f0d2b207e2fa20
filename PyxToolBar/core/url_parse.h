// Splitting an address into its components with the system's URL cracker, the normalised host
// and its IPv4 address.
#pragma once

#include <string>

class CURLParse
{
public:
    CURLParse();

    // Cracks `address` (NUL-terminated, no flags). A component that is absent or does not fit
    // its buffer stays empty; the port is the scheme's default when the address has none.
    // False when the address cannot be cracked at all (every component then empty, port 0).
    bool ParseUrl(const char* address);

    char scheme[32];
    char hostName[256];
    unsigned short port;
    char userName[128];
    char password[128];
    char urlPath[2084];
    char extraInfo[2084];
};

// The host of `address`, lower case, blanks removed, without a leading "www.". May be empty.
std::string NormaliseHost(const char* address);

// Dotted IPv4 of the first address the host resolves to, or "INVALID_ADDR".
std::string ResolveHostAddress(const char* host);
