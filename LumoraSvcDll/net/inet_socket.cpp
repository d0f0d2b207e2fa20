#include "net/inet_socket.h"

#include <winsock2.h>

#include <cstring>

#include "net/socket_wait.h"

namespace {

// A blocking send returns only once all of its bytes are queued, whatever the time-out. Sending
// in pieces no larger than this keeps each send within the free space that made the socket
// writable, so the time-out also bounds a peer that stops reading.
constexpr int kSendChunk = 16384;

} // namespace

InetSocket::~InetSocket()
{
    if (socket_ > 0) {
        closesocket(static_cast<SOCKET>(socket_));
        socket_ = kNoSocket;
    }
}

int InetSocket::SendAll(int socket, const void* data, int length, int flags)
{
    const char* bytes = static_cast<const char*>(data);
    int sent = 0;
    while (sent < length) {
        SocketWait wait = WaitWritable(socket, timeout_);
        if (wait == SocketWait::Failed) {
            return SOCKET_ERROR;
        }
        if (wait == SocketWait::TimedOut) {
            return 0;
        }
        int piece = length - sent;
        if (piece > kSendChunk) {
            piece = kSendChunk;
        }
        int result = send(static_cast<SOCKET>(socket), bytes + sent, piece, flags);
        if (result < 0) {
            return result;
        }
        if (result == 0) {
            return 0;
        }
        sent += result;
    }
    return sent;
}

int InetSocket::SendSome(int socket, const void* data, int length, int flags)
{
    SocketWait wait = WaitWritable(socket, timeout_);
    if (wait == SocketWait::Failed) {
        return SOCKET_ERROR;
    }
    if (wait == SocketWait::TimedOut) {
        return 0;
    }
    if (length > kSendChunk) {
        length = kSendChunk;
    }
    return send(static_cast<SOCKET>(socket), static_cast<const char*>(data), length, flags);
}

int InetSocket::RecvAll(int socket, void* buffer, int length, int flags)
{
    if (length <= 0) {
        return 0;
    }
    char* bytes = static_cast<char*>(buffer);
    std::memset(bytes, 0, static_cast<size_t>(length));
    int received = 0;
    while (received < length) {
        SocketWait wait = WaitReadable(socket, timeout_);
        if (wait == SocketWait::Failed) {
            return SOCKET_ERROR;
        }
        if (wait == SocketWait::TimedOut) {
            return 0;
        }
        int result = recv(static_cast<SOCKET>(socket), bytes + received, length - received, flags);
        if (result <= 0) {
            return result; // an error, or the peer closed the connection
        }
        received += result;
    }
    return received;
}

int InetSocket::RecvSome(int socket, void* buffer, int length, int flags)
{
    if (length <= 0) {
        return 0;
    }
    std::memset(buffer, 0, static_cast<size_t>(length));
    SocketWait wait = WaitReadable(socket, timeout_);
    if (wait == SocketWait::Failed) {
        return SOCKET_ERROR;
    }
    if (wait == SocketWait::TimedOut) {
        return 0;
    }
    return recv(static_cast<SOCKET>(socket), static_cast<char*>(buffer), length, flags);
}

int InetSocket::CloseFd(int socket)
{
    if (socket > 0) {
        int result = closesocket(static_cast<SOCKET>(socket));
        if (socket == socket_) {
            socket_ = kNoSocket;
        }
        return result;
    }
    if (socket_ <= 0) {
        socket_ = kNoSocket;
        return SOCKET_ERROR;
    }
    int result = closesocket(static_cast<SOCKET>(socket_));
    socket_ = kNoSocket;
    return result;
}
