#include "verdict.h"

#include "ascii_text.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <strings.h>

namespace {

struct AuthoritySplit
{
    std::string scheme;    // lower case, without "://"
    std::string authority; // user info, host and port as written
    std::string rest;      // path, query and fragment
};

AuthoritySplit SplitAddress(const std::string& address)
{
    AuthoritySplit out;
    std::string text = Trim(address);
    size_t start = 0;
    size_t sep = text.find("://");
    if (sep != std::string::npos && sep > 0 &&
        std::all_of(text.begin(), text.begin() + static_cast<long>(sep), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
        })) {
        out.scheme = Lower(text.substr(0, sep));
        start = sep + 3;
    } else {
        out.scheme = "http";
    }
    size_t end = text.find_first_of("/?#", start);
    if (end == std::string::npos)
        end = text.size();
    out.authority = text.substr(start, end - start);
    out.rest = text.substr(end);
    return out;
}

std::string HostOfAuthority(const std::string& authority)
{
    std::string host = authority;
    size_t at = host.rfind('@');
    if (at != std::string::npos)
        host = host.substr(at + 1);
    if (!host.empty() && host[0] == '[') {
        size_t close = host.find(']');
        return close == std::string::npos ? std::string() : Lower(host.substr(0, close + 1));
    }
    size_t colon = host.find(':');
    if (colon != std::string::npos)
        host = host.substr(0, colon);
    return host;
}

struct CountryEntry
{
    const char* code;
    const char* name;
};

// Countries of the top-level domains most often met, with their Korean names.
const CountryEntry kCountries[] = {
    {"KR", "대한민국"}, {"US", "미국"}, {"JP", "일본"}, {"CN", "중국"},
    {"TW", "대만"}, {"HK", "홍콩"}, {"RU", "러시아"}, {"DE", "독일"},
    {"FR", "프랑스"}, {"GB", "영국"}, {"IT", "이탈리아"}, {"ES", "스페인"},
    {"NL", "네덜란드"}, {"CA", "캐나다"}, {"AU", "오스트레일리아"}, {"BR", "브라질"},
    {"IN", "인도"}, {"VN", "베트남"}, {"TH", "태국"}, {"PH", "필리핀"},
    {"SG", "싱가포르"}, {"MY", "말레이시아"}, {"ID", "인도네시아"}, {"UA", "우크라이나"},
    {"PL", "폴란드"}, {"SE", "스웨덴"}, {"CH", "스위스"}, {"TR", "터키"},
    {"IR", "이란"}, {"KP", "북한"}, {"MX", "멕시코"}, {"AR", "아르헨티나"},
    {"ZA", "남아프리카공화국"}, {"NZ", "뉴질랜드"}, {"RO", "루마니아"}, {"CZ", "체코"},
};

} // namespace

std::string NormaliseHost(const std::string& host)
{
    std::string h = Lower(Trim(host));
    while (!h.empty() && h.back() == '.')
        h.pop_back();
    if (h.compare(0, 4, "www.") == 0)
        h = h.substr(4);
    return h;
}

std::string HostOfAddress(const std::string& address)
{
    return NormaliseHost(HostOfAuthority(SplitAddress(address).authority));
}

std::string NormaliseAddress(const std::string& address)
{
    AuthoritySplit s = SplitAddress(address);
    std::string authority = s.authority;
    size_t at = authority.rfind('@');
    std::string user = at == std::string::npos ? std::string() : authority.substr(0, at + 1);
    std::string hostPort = at == std::string::npos ? authority : authority.substr(at + 1);
    std::string rest = s.rest;
    size_t hash = rest.find('#');
    if (hash != std::string::npos)
        rest = rest.substr(0, hash);
    if (rest.empty() || rest[0] != '/')
        rest = "/" + rest;
    return s.scheme + "://" + user + Lower(hostPort) + rest;
}

bool IsValidRuleHost(const std::string& host)
{
    if (host.empty() || host.size() > 253 || host.front() == '.' || host.back() == '.' ||
        host.find("..") != std::string::npos)
        return false;
    return std::all_of(host.begin(), host.end(), [](char c) {
        return std::islower(static_cast<unsigned char>(c)) ||
               std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
    });
}

void RuleIndex::Add(const SiteRule& rule)
{
    if (rule.exact)
        exact[rule.pattern] = rule;
    else
        hosts[rule.pattern] = rule;
}

const SiteRule* RuleIndex::Find(const std::string& address, const std::string& requestHost) const
{
    if (!exact.empty()) {
        auto it = exact.find(NormaliseAddress(address));
        if (it != exact.end())
            return &it->second;
    }
    std::string host = HostOfAddress(address);
    if (host.empty())
        host = NormaliseHost(requestHost);
    // The host itself, then each parent domain: "a.b.example.com", "b.example.com", ...
    size_t pos = 0;
    while (!host.empty() && pos != std::string::npos) {
        auto it = hosts.find(pos == 0 ? host : host.substr(pos));
        if (it != hosts.end())
            return &it->second;
        size_t dot = host.find('.', pos);
        pos = dot == std::string::npos ? std::string::npos : dot + 1;
    }
    return nullptr;
}

int32_t NormaliseHarmfulGrade(int32_t grade)
{
    if (grade >= 18)
        return 18;
    if (grade >= 15)
        return 15;
    if (grade >= 12)
        return 12;
    return 0;
}

bool IsValidAgeRating(int32_t rating)
{
    return rating == 0 || rating == 12 || rating == 15 || rating == 18 || rating == 19;
}

int32_t AgeVerdict(int32_t siteRating, int32_t harmfulGrade)
{
    if (siteRating <= NormaliseHarmfulGrade(harmfulGrade))
        return kCodeAgeAll;
    if (siteRating >= 19)
        return kCodeAge19;
    if (siteRating >= 18)
        return kCodeAge18;
    if (siteRating >= 15)
        return kCodeAge15;
    return kCodeAge12;
}

int NoticePosition(int32_t kind)
{
    switch (kind) {
    case kNoticeEmergency: return 0;
    case kNoticeEvent: return 1;
    case kNoticeSecurity: return 2;
    case kNoticeWarning: return 3;
    case kNoticePolice: return 4;
    case kNoticeNews: return 5;
    case kNoticePoliceCases: return 6;
    default: return 7;
    }
}

std::string CountryName(const std::string& code)
{
    for (const CountryEntry& e : kCountries)
        if (strcasecmp(e.code, code.c_str()) == 0)
            return e.name;
    return std::string();
}

Country CountryOfHost(const std::string& host, const Country& fallback)
{
    size_t dot = host.rfind('.');
    std::string tld = dot == std::string::npos ? std::string() : host.substr(dot + 1);
    if (tld.size() == 2 && std::isalpha(static_cast<unsigned char>(tld[0]))) {
        std::string code = tld == "uk" ? "GB" : tld;
        std::transform(code.begin(), code.end(), code.begin(),
                       [](char c) { return static_cast<char>(std::toupper(c)); });
        std::string name = CountryName(code);
        if (!name.empty())
            return Country{code, name};
    }
    return fallback;
}

VerdictWords JudgeSite(const SiteRule* rule, const std::string& host, int32_t harmfulGrade,
                       const Country& fallback)
{
    SiteRule none;
    const SiteRule& r = rule ? *rule : none;
    VerdictWords w;
    w.malCode = r.malware ? kCodeMalware : kCodeNoMalware;
    // The toolbar shows the text of malCodePropagate on the first balloon line whenever malCode
    // is not 121013, so a site without findings carries the no-finding code here too.
    w.malCodePropagate = r.relay ? kCodeRelay : kCodeNoMalware;
    w.malCodeHistory = r.history ? kCodeHistory : kCodeNoHistory;
    w.phishing = r.phishing ? kCodePhishing : kCodeNoPhishing;
    w.falsify = r.defaced ? kCodeDefaced : kCodeNotDefaced;
    w.aux1 = 0;
    w.aux2 = r.siteMark;
    w.aux3 = r.trust;
    w.olderThan19 = AgeVerdict(r.ageRating, harmfulGrade);
    if (!r.countryCode.empty()) {
        w.country.code = r.countryCode;
        w.country.name = r.countryName.empty() ? CountryName(r.countryCode) : r.countryName;
        if (w.country.name.empty())
            w.country.name = r.countryCode;
    } else {
        w.country = CountryOfHost(host, fallback);
    }
    return w;
}
