#include "PageFetch.h"

#include <wininet.h>

namespace {

// Closes a WinINet handle when the scope ends.
class InternetHandle {
public:
    explicit InternetHandle(HINTERNET h) : handle(h) {}
    ~InternetHandle()
    {
        if (handle)
            InternetCloseHandle(handle);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    HINTERNET get() const { return handle; }

private:
    HINTERNET handle;
};

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix)
{
    size_t n = wcslen(prefix);
    return text.size() >= n && _wcsnicmp(text.c_str(), prefix, n) == 0;
}

}  // namespace

bool IsHttpAddress(const std::wstring& url)
{
    return StartsWithNoCase(url, L"http://") || StartsWithNoCase(url, L"https://");
}

FetchResult FetchPage(const std::wstring& url, const std::vector<BYTE>& post, bool hasPost,
                      const std::wstring& headers)
{
    FetchResult result;
    URL_COMPONENTSW parts = {};
    wchar_t host[256] = {};
    wchar_t path[2048] = {};
    wchar_t extra[2048] = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host;
    parts.dwHostNameLength = 255;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = 2047;
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = 2047;
    if (!InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
        result.error = GetLastError();
        return result;
    }
    std::wstring object = std::wstring(path) + extra;
    if (object.empty())
        object = L"/";

    InternetHandle session(InternetOpenW(L"Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 5.1; "
                                         L"Lumora browser stand-in)",
                                         INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session.get()) {
        result.error = GetLastError();
        return result;
    }
    DWORD timeout = 10000;
    InternetSetOptionW(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof(timeout));
    InternetSetOptionW(session.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof(timeout));
    InternetSetOptionW(session.get(), INTERNET_OPTION_SEND_TIMEOUT, &timeout, sizeof(timeout));

    InternetHandle connection(InternetConnectW(session.get(), host, parts.nPort, nullptr, nullptr,
                                               INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection.get()) {
        result.error = GetLastError();
        return result;
    }
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI |
                  INTERNET_FLAG_NO_COOKIES;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS)
        flags |= INTERNET_FLAG_SECURE;
    InternetHandle request(HttpOpenRequestW(connection.get(), hasPost ? L"POST" : L"GET",
                                            object.c_str(), nullptr, nullptr, nullptr, flags, 0));
    if (!request.get()) {
        result.error = GetLastError();
        return result;
    }
    std::wstring sendHeaders = headers;
    if (hasPost && sendHeaders.find(L"Content-Type") == std::wstring::npos &&
        sendHeaders.find(L"content-type") == std::wstring::npos)
        sendHeaders += L"Content-Type: application/x-www-form-urlencoded\r\n";
    BOOL sent = HttpSendRequestW(request.get(), sendHeaders.empty() ? nullptr : sendHeaders.c_str(),
                                 sendHeaders.empty() ? 0 : static_cast<DWORD>(-1L),
                                 hasPost && !post.empty() ? const_cast<BYTE*>(post.data()) : nullptr,
                                 hasPost ? static_cast<DWORD>(post.size()) : 0);
    if (!sent) {
        result.error = GetLastError();
        return result;
    }
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                       &size, nullptr))
        result.status = status;
    char type[256] = {};
    size = sizeof(type) - 1;
    if (HttpQueryInfoA(request.get(), HTTP_QUERY_CONTENT_TYPE, type, &size, nullptr))
        result.contentType = type;

    char buffer[8192];
    const size_t limit = 8 * 1024 * 1024;  // pages larger than this are cut
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(request.get(), buffer, sizeof(buffer), &read)) {
            result.error = GetLastError();
            break;
        }
        if (read == 0)
            break;
        result.body.append(buffer, read);
        if (result.body.size() >= limit)
            break;
    }
    result.ok = true;
    return result;
}
