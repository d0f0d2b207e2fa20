// Fetches an http or https address with WinINet: GET, or POST with the post data as the body.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

struct FetchResult {
    bool ok = false;          // a response arrived (any status)
    DWORD status = 0;         // HTTP status, 0 without a response
    DWORD error = 0;          // last error when no response arrived
    std::string body;         // raw bytes of the body
    std::string contentType;  // ASCII
};

// True for addresses this browser fetches over the network.
bool IsHttpAddress(const std::wstring& url);
FetchResult FetchPage(const std::wstring& url, const std::vector<BYTE>& post, bool hasPost,
                      const std::wstring& headers);
