#include "sample_data.h"

#include <ctime>

namespace {

SiteRule Host(const char* host, const char* note)
{
    SiteRule r;
    r.pattern = host;
    r.note = note;
    return r;
}

struct MessageText
{
    int32_t code;
    const char* text;
};

// What the balloon says for each verdict code.
const MessageText kMessages[] = {
    {121011, "피싱 사이트로 확인되었습니다. 개인정보를 입력하지 마십시오."},
    {121012, "피싱 위험이 발견되지 않았습니다."},
    {121013, "악성코드를 유포하는 사이트입니다."},
    {121014, "악성코드 유포가 발견되지 않았습니다."},
    {121015, "과거에 보안위협(악성코드 유포)이 발견된 이력이 있습니다."},
    {121016, "과거 보안위협 이력이 없습니다."},
    {121017, "홈페이지가 위·변조된 사이트입니다."},
    {121018, "홈페이지 위·변조가 발견되지 않았습니다."},
    {121019, "루모라가 운영하는 공식 사이트입니다."},
    {121020, "루모라가 확인한 신뢰 사이트입니다."},
    {121021, "일반 사이트입니다."},
    {121025, "정부·공공기관 인증 사이트입니다."},
    {121026, "금융기관 인증 사이트입니다."},
    {121027, "전자상거래 인증 사이트입니다."},
    {121028, "교육기관 인증 사이트입니다."},
    {121029, "의료기관 인증 사이트입니다."},
    {121030, "기업 인증 사이트입니다."},
    {121031, "인증 심사 중인 사이트입니다."},
    {121033, "청소년 유해 사이트입니다. (19세 이상 이용가)"},
    {121034, "18세 이상 이용 가능한 사이트입니다."},
    {121035, "15세 이상 이용 가능한 사이트입니다."},
    {121036, "12세 이상 이용 가능한 사이트입니다."},
    {121037, "청소년 유해 정보가 발견되지 않았습니다."},
    {121042, "악성코드를 중계(경유)하는 사이트입니다."},
};

} // namespace

std::string DateFromToday(int days)
{
    time_t t = time(nullptr) + static_cast<time_t>(days) * 86400;
    struct tm parts;
    gmtime_r(&t, &parts);
    char text[16];
    strftime(text, sizeof(text), "%Y%m%d", &parts);
    return text;
}

SampleData MakeSampleData(const std::string& webHost)
{
    SampleData d;
    // Names under the reserved ".example" domain: the operator replaces them with real rules.
    SiteRule r = Host("malware-download.example", "악성코드 유포 표본");
    r.malware = true;
    r.countryCode = "CN";
    d.rules.push_back(r);
    r = Host("free-codec.example", "악성코드 유포 표본");
    r.malware = true;
    r.history = true;
    r.countryCode = "RU";
    d.rules.push_back(r);
    r = Host("ad-relay.example", "악성코드 중계 표본");
    r.relay = true;
    r.countryCode = "US";
    d.rules.push_back(r);
    r = Host("old-forum.example", "과거 위협 이력 표본");
    r.history = true;
    r.countryCode = "KR";
    d.rules.push_back(r);
    r = Host("bank-login.example", "피싱 표본");
    r.phishing = true;
    r.countryCode = "US";
    d.rules.push_back(r);
    r = Host("secure-card-check.example", "피싱 표본");
    r.phishing = true;
    r.countryCode = "HK";
    d.rules.push_back(r);
    r = Host("hacked-shop.example", "위변조 표본");
    r.defaced = true;
    r.countryCode = "KR";
    d.rules.push_back(r);
    r = Host("adult-only.example", "청소년 유해(19세) 표본");
    r.ageRating = 19;
    r.countryCode = "JP";
    d.rules.push_back(r);
    r = Host("game-15.example", "15세 이용가 표본");
    r.ageRating = 15;
    r.countryCode = "KR";
    d.rules.push_back(r);
    r = Host("webtoon-12.example", "12세 이용가 표본");
    r.ageRating = 12;
    r.countryCode = "KR";
    d.rules.push_back(r);
    r = Host("gov-portal.example", "공공기관 인증 표본");
    r.siteMark = 121025;
    r.trust = 121020;
    r.countryCode = "KR";
    d.rules.push_back(r);
    r = Host("bank.example", "금융기관 인증 표본");
    r.siteMark = 121026;
    r.trust = 121020;
    r.countryCode = "KR";
    d.rules.push_back(r);
    r = Host("trusted-mall.example", "신뢰 사이트 표본");
    r.trust = 121020;
    r.countryCode = "KR";
    d.rules.push_back(r);
    r = Host("lumora.example", "운영자 사이트");
    r.trust = 121019;
    r.countryCode = "KR";
    d.rules.push_back(r);
    r = SiteRule();
    r.pattern = "http://news.example/articles/infected.html";
    r.exact = true;
    r.malware = true;
    r.countryCode = "KR";
    r.note = "한 페이지만 악성코드 유포 표본";
    d.rules.push_back(r);

    for (const MessageText& m : kMessages) {
        ToolbarMessage message;
        message.code = m.code;
        message.text = m.text;
        d.messages.push_back(message);
    }

    const std::string base = "http://" + webHost + "/notice/";
    const std::string today = DateFromToday(0);
    const std::string endDate = DateFromToday(30);
    auto add = [&](int32_t kind, const char* title, const char* page, bool withEnd) {
        Notice n;
        n.kind = kind;
        n.title = title;
        n.link = base + page;
        n.date = today;
        n.endDate = withEnd ? endDate : std::string();
        d.notices.push_back(n);
    };
    add(kNoticeEmergency, "긴급: 금융기관 사칭 피싱 문자 주의", "emergency.html", true);
    add(kNoticeEvent, "루모라 툴바 사용 후기 이벤트", "event.html", true);
    add(kNoticeSecurity, "12월 정기 보안 업데이트를 설치하세요", "security.html", false);
    add(kNoticeWarning, "가짜 백신 프로그램 설치 유도 주의", "warning.html", false);
    add(kNoticePolice, "경찰청: 사이버 범죄 신고 안내", "police.html", false);
    add(kNoticeNews, "랜섬웨어 변종 확산, 백업을 생활화하세요", "news.html", false);
    add(kNoticePoliceCases, "경찰청: 메신저 피싱 조직 검거", "cases.html", false);
    add(kNoticePolicePress, "경찰청: 연말 개인정보 유출 예방 수칙", "press.html", false);
    return d;
}
