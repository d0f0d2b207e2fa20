#include "net/tcp_sock.h"

#include <winsock2.h>

#include <cstring>

CTcpSock::~CTcpSock() = default; // InetSocket closes the socket; the buffers free themselves

int CTcpSock::SendFloat(float value, int flags)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    bits = htonl(bits);
    return Send(&bits, sizeof bits, flags);
}

int CTcpSock::SendInt(int value, int flags)
{
    uint32_t bits = htonl(static_cast<uint32_t>(value));
    return Send(&bits, sizeof bits, flags);
}

int CTcpSock::Send(const void* data, int length, int flags)
{
    if (!IsConnected()) {
        return -1;
    }
    return SendAll(socket_, data, length, flags);
}

int CTcpSock::SendOnce(const void* data, int length, int flags)
{
    if (!IsConnected()) {
        return -1;
    }
    return SendSome(socket_, data, length, flags);
}

int CTcpSock::RecvFloat(float* value, int flags)
{
    uint32_t bits = 0;
    int result = Recv(&bits, sizeof bits, flags);
    bits = ntohl(bits);
    std::memcpy(value, &bits, sizeof bits);
    return result;
}

int CTcpSock::RecvInt(int* value, int flags)
{
    uint32_t bits = 0;
    int result = Recv(&bits, sizeof bits, flags);
    *value = static_cast<int>(ntohl(bits));
    return result;
}

int CTcpSock::Recv(void* buffer, int length, int flags)
{
    if (!IsConnected()) {
        return -1;
    }
    return RecvAll(socket_, buffer, length, flags);
}

int CTcpSock::RecvOnce(void* buffer, int length, int flags)
{
    if (!IsConnected()) {
        return -1;
    }
    return RecvSome(socket_, buffer, length, flags);
}

void CTcpSock::Close()
{
    CloseFd(kNoSocket);
    writer_.Reset();
    reader_.Reset();
    sendOverLimitReported_ = false;
}
