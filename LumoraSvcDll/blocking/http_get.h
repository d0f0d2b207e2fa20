// The plain HTTP GET of a page: used by GetUrlContentsBlocking and by the connection thread for a
// queued page fetch. No status line, header or transfer coding is interpreted; the body is passed
// on as received.
#pragma once

#include <cstddef>

constexpr size_t kPageBodyLimit = 20000;
constexpr size_t kPageHostSize = 128;  // 127 characters and the terminator
constexpr size_t kPagePathSize = 2048; // 2047 characters and the terminator
constexpr int kPageDefaultPort = 80;

constexpr int kFetchEmptyAddress = -1;
constexpr int kFetchRefused = -2;

struct PageAddress
{
    char host[kPageHostSize];
    int port;
    char path[kPagePathSize]; // without the leading "/"
};

// "[scheme://]host[:port][/path]". False when the host part is longer than 127 characters or the
// path longer than 2047: such an address is refused, not cut.
bool SplitPageAddress(const char* address, PageAddress* out);

// The request text for `page`; returns its length, or 0 when it does not fit `size`.
size_t FormatPageRequest(const PageAddress& page, char* out, size_t size);

// Fetches the page and leaves its body in `body` (cut to 20000 bytes; copied up to its first zero
// byte, zeros after that). Returns the body length (0 for an unreachable host or an empty
// response), kFetchEmptyAddress, or kFetchRefused for an address that does not fit.
int FetchPage(const char* address, char (&body)[kPageBodyLimit]);
