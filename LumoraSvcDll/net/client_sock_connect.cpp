#include "net/client_sock_connect.h"

#include <winsock2.h>

#include <cerrno>
#include <cstdio>

#include "net/resolve_host.h"
#include "net/socket_error_text.h"

namespace {

constexpr int kClientSocketBuffer = 262144;

// Writes `format` with the text and number of the current socket error to standard output.
// Winsock reports its errors through WSAGetLastError, not errno, so that is the number shown.
void ReportSocketError(const char* format)
{
    int error = WSAGetLastError();
    char text[256];
    std::printf(format, SocketErrorText(error, text, sizeof text), error);
    std::fflush(stdout);
}

void ReportBufferError(const char* format, int size)
{
    int error = WSAGetLastError();
    char text[256];
    std::printf(format, size, SocketErrorText(error, text, sizeof text), error);
    std::fflush(stdout);
}

bool SetIntOption(SOCKET socket, int option, int value)
{
    return setsockopt(socket, SOL_SOCKET, option, reinterpret_cast<const char*>(&value),
                      sizeof value) == 0;
}

} // namespace

int ClientSockConnect(const char* host, int port)
{
    if (port < 0 || port > 65535) {
        return -256;
    }
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    if (!ResolveHost(host, &address.sin_addr)) {
        int lookupError = WSAGetLastError();
        std::printf("ERROR(gethostbyname_r[host:%s])(errno:%d)(h_errno:%d))\n",
                    host != nullptr ? host : "", errno, lookupError);
        std::fflush(stdout);
        return -1;
    }

    SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET) {
        ReportSocketError("socket() failed. %s(%d)\n");
        return -2;
    }
    if (!SetIntOption(socket, SO_REUSEADDR, 1)) {
        ReportSocketError("setsockopt(,, SO_REUSEADDR, ...) failed. %s(%d)\n");
        closesocket(socket);
        return -3;
    }
    linger reset = {};
    reset.l_onoff = 1;
    reset.l_linger = 0;
    if (setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset),
                   sizeof reset) != 0) {
        ReportSocketError("setsockopt(,, SO_LINGER, ...) failed. %s(%d)\n");
        closesocket(socket);
        return -4;
    }
    if (!SetIntOption(socket, SO_SNDBUF, kClientSocketBuffer)) {
        ReportBufferError("setsockopt(,, SO_SNDBUF, %d, ...) failed. %s(%d)\n", kClientSocketBuffer);
        closesocket(socket);
        return -5;
    }
    if (!SetIntOption(socket, SO_RCVBUF, kClientSocketBuffer)) {
        ReportBufferError("setsockopt(,, SO_RCVBUF, %d, ...) failed. %s(%d)\n", kClientSocketBuffer);
        closesocket(socket);
        return -6;
    }
    if (connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ReportSocketError("connect() failed. %s(%d)\n");
        closesocket(socket);
        return -7;
    }
    return static_cast<int>(socket);
}
