// CTcpSock::Connect: the connect with a time-out that the page fetch uses.
#include "net/tcp_sock.h"

#include <winsock2.h>

#include <cstring>

#include "net/resolve_host.h"
#include "net/socket_wait.h"

namespace {

bool SetBlocking(SOCKET socket, bool blocking)
{
    u_long nonBlocking = blocking ? 0 : 1;
    return ioctlsocket(socket, FIONBIO, &nonBlocking) == 0;
}

// Connects without blocking and waits up to `timeoutSec` for the outcome.
bool ConnectWithin(SOCKET socket, const sockaddr_in& address, int timeoutSec)
{
    linger graceful = {};
    graceful.l_onoff = 1;
    graceful.l_linger = 3;
    setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&graceful),
               sizeof graceful); // only shapes the close; the connect does not depend on it
    if (!SetBlocking(socket, false)) {
        return false;
    }
    if (connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        WSAGetLastError() != WSAEWOULDBLOCK) {
        return false;
    }
    if (WaitWritable(static_cast<int>(socket), timeoutSec) != SocketWait::Ready) {
        return false;
    }
    int error = 0;
    int errorSize = sizeof error;
    if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &errorSize) != 0 ||
        error != 0) {
        return false;
    }
    return SetBlocking(socket, true);
}

// Raises a buffer size option to `wanted` when the socket's current value is smaller.
void RaiseBufferOption(SOCKET socket, int option, int wanted)
{
    int current = 0;
    int size = sizeof current;
    if (getsockopt(socket, SOL_SOCKET, option, reinterpret_cast<char*>(&current), &size) != 0) {
        return;
    }
    if (current < wanted) {
        setsockopt(socket, SOL_SOCKET, option, reinterpret_cast<const char*>(&wanted),
                   sizeof wanted);
    }
}

void SetFlagOption(SOCKET socket, int option)
{
    BOOL on = TRUE;
    setsockopt(socket, SOL_SOCKET, option, reinterpret_cast<const char*>(&on), sizeof on);
}

} // namespace

int CTcpSock::Connect(const char* host, int port, int timeoutSec, int sndBuf, int rcvBuf)
{
    if (host == nullptr || host[0] == '\0' || port == 0) {
        return -1;
    }
    if (IsConnected()) {
        return socket_;
    }
    if (port < 0 || port > 65535) {
        return -1;
    }
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    if (!ResolveHost(host, &address.sin_addr)) {
        return -1;
    }
    SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET) {
        return -1;
    }

    const int timeout = timeout_ > 0 ? timeout_ : timeoutSec;
    bool connected;
    if (timeout > 0) {
        connected = ConnectWithin(socket, address, timeout);
    } else {
        connected = connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    if (!connected) {
        closesocket(socket);
        return -1;
    }

    socket_ = static_cast<int>(socket);
    RaiseBufferOption(socket, SO_SNDBUF, sndBuf);
    RaiseBufferOption(socket, SO_RCVBUF, rcvBuf);
    SetFlagOption(socket, SO_REUSEADDR);
    SetFlagOption(socket, SO_KEEPALIVE);
    std::memset(peerHost_, 0, sizeof peerHost_);
    std::strncpy(peerHost_, host, sizeof peerHost_ - 1);
    peerPort_ = port;
    return socket_;
}
