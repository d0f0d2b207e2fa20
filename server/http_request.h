// HTTP/1.1 requests as the product web server reads them: an incremental parser with fixed
// limits, and the decoding of query strings and form bodies (including the verdict form that
// the toolbar posts with its values unencoded).
#pragma once

#include <cstddef>
#include <map>
#include <string>

struct HttpRequest
{
    std::string method;
    std::string target; // as sent
    std::string path;   // target without the query, percent-decoded
    std::string query;  // after '?', raw
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;
};

class HttpRequestParser
{
public:
    enum class Result { NeedMore, Complete, Bad };
    static constexpr size_t kMaxHeaderBytes = 8192;
    static constexpr size_t kMaxBodyBytes = 65536;

    Result Feed(const char* data, size_t length);
    const HttpRequest& Request() const { return request_; }
    int ErrorStatus() const { return errorStatus_; } // 400, 411, 413, 414, 501 when Bad
    const std::string& Error() const { return error_; }

private:
    Result Bad(int status, const std::string& why);
    Result ParseHead();

    std::string buffer_;
    HttpRequest request_;
    bool headDone_ = false;
    size_t bodyLength_ = 0;
    Result result_ = Result::NeedMore;
    int errorStatus_ = 0;
    std::string error_;
};

// application/x-www-form-urlencoded: '+' is a space, %XX a byte; pairs in order.
std::string PercentDecode(const std::string& text, bool plusIsSpace);
std::multimap<std::string, std::string> ParseForm(const std::string& text);

// The verdict form of the toolbar's pages: "Lumora=NoCheck&url=...&malCode=...". Its values are
// not URL-encoded, so an address may itself hold '&' and '=': a segment starts a new field only
// when it names a field of the form (and, for numbers, holds one); otherwise it belongs to the
// value before it. Other bodies are decoded as ordinary forms.
struct VerdictForm
{
    bool marker = false; // "Lumora=NoCheck" was present
    std::string url;     // UTF-8
    std::string countryName;
    int malCode = 0, malCodePropagate = 0, malCodeHistory = 0, phishing = 0, falsify = 0;
    int olderThan19 = 0, popup = 0;
    bool hasMalCode = false, hasPropagate = false, hasHistory = false, hasPhishing = false;
    bool hasFalsify = false, hasOlderThan19 = false;
};
VerdictForm ParseVerdictForm(const std::string& text);

// Text from a browser as UTF-8: kept when it is valid UTF-8, otherwise read as CP949.
std::string BrowserTextToUtf8(const std::string& text);
