#include "http_request.h"

#include "ascii_text.h"
#include "text_codec.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace {

std::string TrimOws(const std::string& text)
{
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t'))
        b++;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t'))
        e--;
    return text.substr(b, e - b);
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsInteger(const std::string& text)
{
    if (text.empty() || text.size() > 11)
        return false;
    size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size())
        return false;
    for (; i < text.size(); i++)
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
    return true;
}

} // namespace

HttpRequestParser::Result HttpRequestParser::Bad(int status, const std::string& why)
{
    errorStatus_ = status;
    error_ = why;
    result_ = Result::Bad;
    return result_;
}

HttpRequestParser::Result HttpRequestParser::Feed(const char* data, size_t length)
{
    if (result_ != Result::NeedMore)
        return result_;
    if (!headDone_) {
        size_t before = buffer_.size();
        buffer_.append(data, length);
        size_t searchFrom = before >= 3 ? before - 3 : 0;
        size_t end = buffer_.find("\r\n\r\n", searchFrom);
        if (end == std::string::npos) {
            if (buffer_.size() > kMaxHeaderBytes)
                return Bad(431, "request head too large");
            return result_;
        }
        if (end + 4 > kMaxHeaderBytes)
            return Bad(431, "request head too large");
        std::string rest = buffer_.substr(end + 4);
        buffer_.resize(end);
        if (ParseHead() == Result::Bad)
            return result_;
        headDone_ = true;
        request_.body.clear();
        data = rest.data();
        length = rest.size();
        request_.body.append(data, std::min(length, bodyLength_));
    } else {
        size_t need = bodyLength_ - request_.body.size();
        request_.body.append(data, std::min(length, need));
    }
    if (request_.body.size() >= bodyLength_)
        result_ = Result::Complete;
    return result_;
}

HttpRequestParser::Result HttpRequestParser::ParseHead()
{
    size_t lineEnd = buffer_.find("\r\n");
    std::string requestLine = buffer_.substr(0, lineEnd);
    size_t s1 = requestLine.find(' ');
    size_t s2 = requestLine.rfind(' ');
    if (s1 == std::string::npos || s2 == s1)
        return Bad(400, "bad request line");
    request_.method = requestLine.substr(0, s1);
    request_.target = requestLine.substr(s1 + 1, s2 - s1 - 1);
    std::string version = requestLine.substr(s2 + 1);
    if (version != "HTTP/1.1" && version != "HTTP/1.0")
        return Bad(400, "unsupported protocol version");
    if (request_.target.empty() || request_.target[0] != '/')
        return Bad(400, "bad request target");
    if (request_.target.size() > 4096)
        return Bad(414, "request target too long");
    size_t q = request_.target.find('?');
    request_.path = PercentDecode(request_.target.substr(0, q), false);
    request_.query = q == std::string::npos ? std::string() : request_.target.substr(q + 1);
    size_t pos = lineEnd == std::string::npos ? buffer_.size() : lineEnd + 2;
    while (pos < buffer_.size()) {
        size_t e = buffer_.find("\r\n", pos);
        if (e == std::string::npos)
            e = buffer_.size();
        std::string line = buffer_.substr(pos, e - pos);
        pos = e + 2;
        size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0)
            return Bad(400, "bad header line");
        request_.headers[Lower(line.substr(0, colon))] = TrimOws(line.substr(colon + 1));
    }
    if (request_.headers.count("transfer-encoding"))
        return Bad(501, "transfer encodings are not supported");
    auto cl = request_.headers.find("content-length");
    if (cl != request_.headers.end()) {
        const std::string& v = cl->second;
        if (v.empty() || v.size() > 12 || v.find_first_not_of("0123456789") != std::string::npos)
            return Bad(400, "bad Content-Length");
        unsigned long long n = std::strtoull(v.c_str(), nullptr, 10);
        if (n > kMaxBodyBytes)
            return Bad(413, "request body too large");
        bodyLength_ = static_cast<size_t>(n);
    } else if (request_.method == "POST") {
        return Bad(411, "POST without Content-Length");
    }
    return Result::NeedMore;
}

std::string PercentDecode(const std::string& text, bool plusIsSpace)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); i++) {
        char c = text[i];
        if (c == '%' && i + 2 < text.size()) {
            int hi = HexValue(text[i + 1]), lo = HexValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += (plusIsSpace && c == '+') ? ' ' : c;
    }
    return out;
}

std::multimap<std::string, std::string> ParseForm(const std::string& text)
{
    std::multimap<std::string, std::string> form;
    size_t start = 0;
    while (start <= text.size()) {
        size_t amp = text.find('&', start);
        std::string pair = text.substr(start, amp == std::string::npos ? std::string::npos : amp - start);
        if (!pair.empty()) {
            size_t eq = pair.find('=');
            std::string key = PercentDecode(pair.substr(0, eq), true);
            std::string value = eq == std::string::npos ? std::string() : PercentDecode(pair.substr(eq + 1), true);
            form.emplace(key, value);
        }
        if (amp == std::string::npos)
            break;
        start = amp + 1;
    }
    return form;
}

std::string BrowserTextToUtf8(const std::string& text)
{
    return IsValidUtf8(text) ? text : Cp949ToUtf8(text);
}

VerdictForm ParseVerdictForm(const std::string& text)
{
    VerdictForm f;
    struct NumberField
    {
        const char* name;
        int VerdictForm::*value;
        bool VerdictForm::*present;
    };
    static const NumberField kNumbers[] = {
        {"malCode", &VerdictForm::malCode, &VerdictForm::hasMalCode},
        {"malCodePropagate", &VerdictForm::malCodePropagate, &VerdictForm::hasPropagate},
        {"malCodeHistory", &VerdictForm::malCodeHistory, &VerdictForm::hasHistory},
        {"phishing", &VerdictForm::phishing, &VerdictForm::hasPhishing},
        {"falsify", &VerdictForm::falsify, &VerdictForm::hasFalsify},
        {"olderThan19", &VerdictForm::olderThan19, &VerdictForm::hasOlderThan19},
        {"popup", &VerdictForm::popup, nullptr},
    };
    const bool raw = text.compare(0, 14, "Lumora=NoCheck") == 0;
    f.marker = raw;
    if (!raw) {
        // An ordinary form (a browser or a link): percent-encoded pairs.
        auto form = ParseForm(text);
        for (auto& kv : form) {
            if (kv.first == "Lumora" && kv.second == "NoCheck")
                f.marker = true;
            else if (kv.first == "url")
                f.url = BrowserTextToUtf8(kv.second);
            else if (kv.first == "countryName")
                f.countryName = BrowserTextToUtf8(kv.second);
            for (const NumberField& n : kNumbers)
                if (kv.first == n.name && IsInteger(kv.second)) {
                    f.*(n.value) = std::atoi(kv.second.c_str());
                    if (n.present)
                        f.*(n.present) = true;
                }
        }
        return f;
    }
    std::string* current = nullptr;
    bool urlSeen = false, countrySeen = false;
    std::string url, country;
    size_t start = 0;
    while (start <= text.size()) {
        size_t amp = text.find('&', start);
        std::string segment = text.substr(start, amp == std::string::npos ? std::string::npos : amp - start);
        size_t eq = segment.find('=');
        std::string key = eq == std::string::npos ? std::string() : segment.substr(0, eq);
        std::string value = eq == std::string::npos ? std::string() : segment.substr(eq + 1);
        bool field = false;
        if (start == 0) {
            field = true; // the marker
            current = nullptr;
        } else if (key == "url" && !urlSeen) {
            urlSeen = field = true;
            url = value;
            current = &url;
        } else if (key == "countryName" && !countrySeen) {
            countrySeen = field = true;
            country = value;
            current = &country;
        } else {
            for (const NumberField& n : kNumbers)
                if (key == n.name && IsInteger(value)) {
                    f.*(n.value) = std::atoi(value.c_str());
                    if (n.present)
                        f.*(n.present) = true;
                    field = true;
                    current = nullptr;
                }
        }
        if (!field && current)
            *current += "&" + segment;
        if (amp == std::string::npos)
            break;
        start = amp + 1;
    }
    f.url = BrowserTextToUtf8(url);
    f.countryName = BrowserTextToUtf8(country);
    return f;
}
