#include "blocking/http_get.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

bool SplitPageAddress(const char* address, PageAddress* out)
{
    std::memset(out, 0, sizeof(*out));
    out->port = kPageDefaultPort;
    const char* rest = std::strstr(address, "://");
    rest = rest != nullptr ? rest + 3 : address;

    const char* slash = std::strchr(rest, '/');
    const size_t hostPortLength = slash != nullptr ? static_cast<size_t>(slash - rest)
                                                   : std::strlen(rest);
    const char* colon = static_cast<const char*>(std::memchr(rest, ':', hostPortLength));
    const size_t hostLength = colon != nullptr ? static_cast<size_t>(colon - rest) : hostPortLength;
    if (hostLength >= kPageHostSize) {
        return false;
    }
    std::memcpy(out->host, rest, hostLength);
    if (colon != nullptr) {
        char portText[16] = {};
        const size_t portLength = hostPortLength - hostLength - 1;
        std::memcpy(portText, colon + 1, portLength < sizeof(portText) ? portLength : sizeof(portText) - 1);
        out->port = std::atoi(portText);
    }
    if (slash != nullptr) {
        const size_t pathLength = std::strlen(slash + 1);
        if (pathLength >= kPagePathSize) {
            return false;
        }
        std::memcpy(out->path, slash + 1, pathLength);
    }
    return true;
}

size_t FormatPageRequest(const PageAddress& page, char* out, size_t size)
{
    const int n = std::snprintf(out, size,
                                "GET /%s HTTP/1.1\r\nHost: %s\r\nAccept-Language: ko\r\n"
                                "Content-Type: text/html;charset=UTF-8\r\nConnection: Keep-Alive\r\n\r\n",
                                page.path, page.host);
    if (n < 0 || static_cast<size_t>(n) >= size) {
        return 0;
    }
    return static_cast<size_t>(n);
}
