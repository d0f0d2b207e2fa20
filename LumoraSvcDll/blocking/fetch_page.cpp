#include "blocking/http_get.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "net/tcp_sock.h"

namespace {

constexpr int kHttpTimeoutSeconds = 30;
constexpr int kHttpSocketBuffer = 8196;
constexpr int kReceivePiece = 4095;
// A response is read until the server closes, but never kept beyond this: a peer that streams
// without end cannot exhaust memory.
constexpr size_t kResponseLimit = 1024 * 1024;

// Receives until the peer closes or stays silent for the time-out. Returns a malloc'd buffer.
char* ReceiveResponse(CTcpSock& sock, size_t* length)
{
    *length = 0;
    size_t capacity = 0;
    char* data = nullptr;
    char piece[kReceivePiece];
    for (;;) {
        const int got = sock.RecvSome(sock.Socket(), piece, kReceivePiece, 0);
        if (got <= 0) {
            break;
        }
        if (*length + got > kResponseLimit) {
            break;
        }
        if (*length + got > capacity) {
            const size_t grown = (*length + got) * 2;
            char* bigger = static_cast<char*>(std::realloc(data, grown));
            if (bigger == nullptr) {
                break;
            }
            data = bigger;
            capacity = grown;
        }
        std::memcpy(data + *length, piece, got);
        *length += got;
    }
    return data;
}

const char* FindBodyStart(const char* data, size_t length)
{
    for (size_t i = 0; i + 4 <= length; ++i) {
        if (std::memcmp(data + i, "\r\n\r\n", 4) == 0) {
            return data + i + 4;
        }
    }
    return data;
}

} // namespace

int FetchPage(const char* address, char (&body)[kPageBodyLimit])
{
    std::memset(body, 0, sizeof(body));
    if (address == nullptr || address[0] == '\0') {
        return kFetchEmptyAddress;
    }
    PageAddress page;
    if (!SplitPageAddress(address, &page)) {
        return kFetchRefused;
    }
    char request[kPagePathSize + kPageHostSize + 256];
    const size_t requestLength = FormatPageRequest(page, request, sizeof(request));
    if (requestLength == 0) {
        return kFetchRefused;
    }

    CTcpSock* sock = new (std::nothrow) CTcpSock();
    if (sock == nullptr) {
        return 0;
    }
    sock->SetTimeout(kHttpTimeoutSeconds);
    size_t received = 0;
    char* response = nullptr;
    if (sock->Connect(page.host, page.port, kHttpTimeoutSeconds, kHttpSocketBuffer,
                      kHttpSocketBuffer) > 0) {
        sock->SendAll(sock->Socket(), request, static_cast<int>(requestLength), 0);
        response = ReceiveResponse(*sock, &received);
        sock->Close();
    }
    delete sock;

    size_t length = 0;
    if (response != nullptr) {
        const char* start = FindBodyStart(response, received);
        length = received - static_cast<size_t>(start - response);
        if (length > kPageBodyLimit) {
            length = kPageBodyLimit;
        }
        const void* zero = std::memchr(start, '\0', length);
        const size_t copied = zero != nullptr ? static_cast<size_t>(static_cast<const char*>(zero) - start)
                                              : length;
        std::memcpy(body, start, copied);
        std::free(response);
    }
    return static_cast<int>(length);
}
