#include "url_parse.h"

#include <winsock2.h>
#include <windows.h>
#include <wininet.h>

#include <cstring>

#include "host_normalise.h"

namespace {

// Copies a component the cracker pointed at, or leaves the buffer empty when it does not fit.
void TakeComponent(char* out, size_t size, const char* text, DWORD length)
{
    out[0] = '\0';
    if (text == nullptr || length == 0 || length >= size)
        return;
    std::memcpy(out, text, length);
    out[length] = '\0';
}

} // namespace

CURLParse::CURLParse() : port(0)
{
    scheme[0] = hostName[0] = userName[0] = password[0] = urlPath[0] = extraInfo[0] = '\0';
}

bool CURLParse::ParseUrl(const char* address)
{
    scheme[0] = hostName[0] = userName[0] = password[0] = urlPath[0] = extraInfo[0] = '\0';
    port = 0;
    if (address == nullptr)
        return false;
    // Pointer mode (null buffers, non-zero lengths): the cracker points into the address, so a
    // long component cannot fail the whole split; each is then copied only if it fits.
    URL_COMPONENTSA parts;
    ZeroMemory(&parts, sizeof(parts));
    parts.dwStructSize = sizeof(parts);
    parts.dwSchemeLength = 1;
    parts.dwHostNameLength = 1;
    parts.dwUserNameLength = 1;
    parts.dwPasswordLength = 1;
    parts.dwUrlPathLength = 1;
    parts.dwExtraInfoLength = 1;
    if (!InternetCrackUrlA(address, 0, 0, &parts))
        return false;
    TakeComponent(scheme, sizeof(scheme), parts.lpszScheme, parts.dwSchemeLength);
    TakeComponent(hostName, sizeof(hostName), parts.lpszHostName, parts.dwHostNameLength);
    TakeComponent(userName, sizeof(userName), parts.lpszUserName, parts.dwUserNameLength);
    TakeComponent(password, sizeof(password), parts.lpszPassword, parts.dwPasswordLength);
    TakeComponent(urlPath, sizeof(urlPath), parts.lpszUrlPath, parts.dwUrlPathLength);
    TakeComponent(extraInfo, sizeof(extraInfo), parts.lpszExtraInfo, parts.dwExtraInfoLength);
    port = parts.nPort;
    return true;
}

std::string NormaliseHost(const char* address)
{
    CURLParse parsed;
    parsed.ParseUrl(address);
    return NormaliseHostName(parsed.hostName);
}

std::string ResolveHostAddress(const char* host)
{
    const std::string invalid = "INVALID_ADDR";
    // An empty name would resolve to this computer.
    if (host == nullptr || host[0] == '\0')
        return invalid;
    // Counted by the system: harmless when the service library has started sockets already.
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0)
        return invalid;
    std::string result = invalid;
    const hostent* entry = gethostbyname(host);
    if (entry != nullptr && entry->h_addrtype == AF_INET && entry->h_length == 4 &&
        entry->h_addr_list != nullptr && entry->h_addr_list[0] != nullptr) {
        in_addr address;
        std::memcpy(&address, entry->h_addr_list[0], sizeof(address));
        const char* dotted = inet_ntoa(address);
        if (dotted != nullptr)
            result = dotted;
    }
    WSACleanup();
    return result;
}
