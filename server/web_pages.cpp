#include "web_pages.h"

#include <cstdio>

namespace {

const char kStyle[] =
    "body{font-family:'Malgun Gothic','Nanum Gothic',sans-serif;margin:0;background:#f4f6f9;color:#222}"
    ".box{max-width:640px;margin:24px auto;background:#fff;border:1px solid #c9d3e0;border-radius:6px;"
    "padding:20px 24px}h1{font-size:20px;margin:0 0 12px}h2{font-size:16px;margin:18px 0 8px}"
    ".danger h1{color:#c0161b}.ok h1{color:#1d7a2e}.warn h1{color:#b36b00}"
    "table{border-collapse:collapse;width:100%}td,th{border:1px solid #dde3eb;padding:6px 8px;"
    "text-align:left;font-size:14px}th{background:#eef2f7;width:32%}.bad{color:#c0161b;font-weight:bold}"
    ".good{color:#1d7a2e}.addr{word-break:break-all;font-family:monospace}"
    ".light{background:#fbfcfe}.light .box{border-color:#e3e8ef}"
    "p{line-height:1.6;font-size:14px}a{color:#0f4fa8}";

std::string Page(const std::string& title, const std::string& bodyClass, const std::string& inner)
{
    return "<!DOCTYPE html>\n<html lang=\"ko\"><head><meta charset=\"utf-8\">"
           "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
           "<title>" + HtmlEscape(title) + "</title><style>" + kStyle + "</style></head>"
           "<body class=\"" + bodyClass + "\"><div class=\"box\">" + inner +
           "</div></body></html>\n";
}

const char* AgeText(int code)
{
    switch (code) {
    case 121033: return "청소년 유해 사이트 (19세 이상 이용가)";
    case 121034: return "18세 이상 이용가 사이트";
    case 121035: return "15세 이상 이용가 사이트";
    case 121036: return "12세 이상 이용가 사이트";
    default: return "";
    }
}

std::string Row(const char* what, bool bad, const std::string& badText, const std::string& goodText,
                bool known)
{
    std::string value;
    if (!known)
        value = "<td>정보 없음</td>";
    else if (bad)
        value = "<td class=\"bad\">" + badText + "</td>";
    else
        value = "<td class=\"good\">" + goodText + "</td>";
    return std::string("<tr><th>") + what + "</th>" + value + "</tr>";
}

} // namespace

std::string HtmlEscape(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + 16);
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        case '\0': out += "&#xFFFD;"; break;
        default: out += c;
        }
    }
    return out;
}

int CollectFindings(const VerdictForm& f, Finding* out, int capacity)
{
    int n = 0;
    auto add = [&](const char* title, const char* explanation) {
        if (n < capacity)
            out[n++] = Finding{title, explanation};
    };
    if (f.hasMalCode && f.malCode == 121013)
        add("악성코드 유포", "이 사이트는 방문자의 PC에 악성코드를 내려보내는 것으로 확인되었습니다. "
                         "접속만으로도 PC가 감염될 수 있습니다.");
    if (f.hasPropagate && f.malCodePropagate == 121042)
        add("악성코드 중계", "이 사이트는 다른 악성코드 유포지로 방문자를 연결(경유)시키는 것으로 "
                         "확인되었습니다.");
    if (f.hasPhishing && f.phishing == 121011)
        add("피싱", "이 사이트는 금융기관이나 유명 사이트를 사칭하여 아이디, 비밀번호, 카드번호 등 "
                  "개인정보를 빼내는 피싱 사이트로 확인되었습니다.");
    if (f.hasFalsify && f.falsify == 121017)
        add("홈페이지 위·변조", "이 사이트는 해킹으로 내용이 위조되거나 변조된 것으로 확인되었습니다.");
    if (f.hasOlderThan19 && f.olderThan19 >= 121033 && f.olderThan19 <= 121036)
        add(AgeText(f.olderThan19), "보호자가 설정한 유해사이트 차단 등급에 따라 이 사이트의 이용이 "
                                    "제한되었습니다.");
    if (f.hasHistory && f.malCodeHistory == 121015)
        add("과거 보안위협 이력", "이 사이트는 과거에 악성코드를 유포한 이력이 있습니다. 이용에 "
                              "주의하십시오.");
    return n;
}

std::string RenderVerdictPage(VerdictPage page, bool light, const VerdictForm& f)
{
    Finding findings[8];
    int count = CollectFindings(f, findings, 8);
    bool onlyHistory = count == 1 && f.hasHistory && f.malCodeHistory == 121015;
    std::string url = f.url.empty() ? std::string("(주소 없음)") : f.url;
    std::string country = f.countryName.empty() ? std::string("알 수 없음") : f.countryName;
    std::string addressRows = "<table><tr><th>사이트 주소</th><td class=\"addr\">" + HtmlEscape(url) +
                              "</td></tr><tr><th>소재 국가</th><td>" + HtmlEscape(country) +
                              "</td></tr></table>";
    std::string cls = light ? "light " : "";
    if (page == VerdictPage::MaliciousBot) {
        std::string inner =
            "<h1>악성 봇(Bot) 감염이 의심됩니다</h1>"
            "<p>이 PC가 악성 봇을 조종하는 서버와 연결되어 있는 것이 발견되었습니다. 악성 봇에 "
            "감염된 PC는 개인정보 유출, 스팸 발송, 다른 사이트 공격에 이용될 수 있습니다.</p>"
            "<h2>접속하려던 사이트</h2>" + addressRows +
            "<h2>이렇게 하십시오</h2><p>1. 최신 백신으로 PC 전체를 검사하십시오.<br>"
            "2. 툴바의 'PC 최적화'로 임시 파일과 불필요한 프로그램을 정리하십시오.<br>"
            "3. 인터넷 뱅킹 등 중요한 작업은 치료가 끝난 뒤에 하십시오.</p>";
        return Page("루모라 - 악성 봇 감염 경고", cls + "danger", inner);
    }
    if (page == VerdictPage::Block) {
        std::string list;
        for (int i = 0; i < count; i++)
            list += "<tr><th class=\"bad\">" + HtmlEscape(findings[i].title) + "</th><td>" +
                    HtmlEscape(findings[i].explanation) + "</td></tr>";
        std::string inner;
        if (count == 0 || onlyHistory) {
            inner = "<h1>차단 사유가 확인되지 않았습니다</h1><p>이 사이트에서는 차단할 만한 위협이 "
                    "발견되지 않았습니다. 주소를 다시 확인하고 접속하십시오.</p>" + addressRows;
            if (count)
                inner += "<h2>참고</h2><table>" + list + "</table>";
            return Page("루모라 - 사이트 정보", cls + "warn", inner);
        }
        inner = "<h1>위험 사이트 접속이 차단되었습니다</h1>"
                "<p>루모라가 접속하려던 사이트에서 아래의 위협을 발견하여 PC와 개인정보를 보호하기 "
                "위해 접속을 차단하였습니다.</p>" + addressRows +
                "<h2>발견된 위협 (차단 사유)</h2><table>" + list + "</table>"
                "<p>이 사이트를 꼭 이용해야 한다면 사이트 운영자에게 보안 조치를 요청하십시오.</p>";
        return Page("루모라 - 위험 사이트 차단", cls + "danger", inner);
    }
    // Site details: every verdict line of the form.
    bool malware = (f.hasMalCode && f.malCode == 121013) ||
                   (f.hasPropagate && f.malCodePropagate == 121042);
    std::string table = "<table>" +
        Row("악성코드", malware,
            f.hasMalCode && f.malCode == 121013 ? "유포 사이트" : "중계 사이트", "발견되지 않음",
            f.hasMalCode || f.hasPropagate) +
        Row("과거 보안위협 이력", f.malCodeHistory == 121015, "이력 있음 (주의 필요)", "이력 없음",
            f.hasHistory) +
        Row("피싱", f.phishing == 121011, "피싱 사이트", "발견되지 않음", f.hasPhishing) +
        Row("홈페이지 위·변조", f.falsify == 121017, "위·변조 사이트", "발견되지 않음", f.hasFalsify) +
        Row("청소년 유해", f.olderThan19 >= 121033 && f.olderThan19 <= 121036,
            AgeText(f.olderThan19), "해당 없음", f.hasOlderThan19) +
        "</table>";
    bool danger = count > 0 && !onlyHistory;
    std::string head = danger ? "<h1>이 사이트는 위험합니다</h1>"
                       : onlyHistory ? "<h1>이 사이트는 주의가 필요합니다</h1>"
                                     : "<h1>위협 요소가 발견되지 않았습니다</h1>";
    std::string inner = head + addressRows + "<h2>사이트 보안 정보</h2>" + table;
    return Page("루모라 - 사이트 정보", cls + (danger ? "danger" : onlyHistory ? "warn" : "ok"), inner);
}

std::string RenderCertificationPage(const std::string& keyword, const SiteRule* found)
{
    std::string inner = "<h1>사이트 인증 조회</h1><table><tr><th>조회한 도메인</th><td class=\"addr\">" +
                        HtmlEscape(keyword.empty() ? "(없음)" : keyword) + "</td></tr>";
    static const char* const kMarks[] = {"정부·공공기관 인증", "금융기관 인증", "전자상거래 인증",
                                         "교육기관 인증", "의료기관 인증", "기업 인증", "인증 심사 중"};
    if (!found) {
        inner += "<tr><th>인증 정보</th><td>등록된 인증 정보가 없습니다.</td></tr></table>";
        return Page("루모라 - 사이트 인증 조회", "", inner);
    }
    std::string mark = found->siteMark >= 121025 && found->siteMark <= 121031
                           ? kMarks[found->siteMark - 121025]
                           : "인증 마크 없음";
    std::string trust = found->trust == 121019 ? "루모라 공식 사이트"
                        : found->trust == 121020 ? "루모라 확인 신뢰 사이트"
                                                 : "일반 사이트";
    inner += "<tr><th>등록된 도메인</th><td class=\"addr\">" + HtmlEscape(found->pattern) +
             "</td></tr><tr><th>인증 구분</th><td>" + HtmlEscape(mark) +
             "</td></tr><tr><th>신뢰 등급</th><td>" + HtmlEscape(trust) + "</td></tr></table>";
    return Page("루모라 - 사이트 인증 조회", "ok", inner);
}

std::string RenderUpgradeStatPage(int64_t count)
{
    char number[32];
    std::snprintf(number, sizeof(number), "%lld", static_cast<long long>(count));
    return Page("루모라 - 업그레이드", "ok",
                std::string("<h1>업그레이드를 시작합니다</h1><p>누적 업그레이드 요청: ") + number +
                    "회</p>");
}

std::string RenderNoticePage(const Notice* n)
{
    if (!n)
        return Page("루모라 - 공지사항", "", "<h1>공지사항</h1><p>해당 공지사항이 없거나 기간이 "
                                          "끝났습니다.</p>");
    auto date = [](const std::string& d) {
        return d.size() == 8 ? d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2) : d;
    };
    std::string inner = "<h1>" + HtmlEscape(n->title) + "</h1><table><tr><th>게시일</th><td>" +
                        HtmlEscape(date(n->date)) + "</td></tr>";
    if (!n->endDate.empty())
        inner += "<tr><th>게시 종료일</th><td>" + HtmlEscape(date(n->endDate)) + "</td></tr>";
    inner += "</table>";
    if (!n->extra2.empty())
        inner += "<p>" + HtmlEscape(n->extra2) + "</p>";
    return Page("루모라 - " + n->title, "", inner);
}

std::string RenderStaticPage(const std::string& name, const std::string& webHost)
{
    std::string base = "http://" + HtmlEscape(webHost);
    std::string nav = "<p><a href=\"" + base + "/\">홈</a> · <a href=\"" + base +
                      "/qna.html\">묻고 답하기</a> · <a href=\"" + base + "/help.html\">도움말</a></p>";
    if (name == "home")
        return Page("루모라 - 안전한 인터넷", "",
                    "<h1>루모라 툴바</h1><p>루모라는 접속하는 모든 사이트를 실시간으로 점검하여 "
                    "악성코드 유포, 피싱, 홈페이지 위·변조, 청소년 유해 사이트로부터 PC와 가족을 "
                    "보호합니다.</p><h2>주요 기능</h2><p>· 신호등과 말풍선으로 보여주는 사이트 "
                    "보안수준<br>· 위험 사이트 자동 차단<br>· 보호자 비밀번호로 지키는 유해사이트 차단 "
                    "등급<br>· 보안 공지와 경찰청 소식<br>· PC 최적화</p>" + nav);
    if (name == "qna")
        return Page("루모라 - 묻고 답하기", "",
                    "<h1>묻고 답하기</h1><h2>툴바 신호등이 노란색이에요.</h2><p>과거에 보안위협 "
                    "이력이 있는 사이트입니다. 접속은 되지만 주의가 필요합니다.</p><h2>안전한 사이트가 "
                    "차단됐어요.</h2><p>사이트 주소와 함께 상담 서비스로 알려 주시면 확인 후 바로 "
                    "조치하겠습니다.</p><h2>보호자 비밀번호를 잊었어요.</h2><p>설정의 '초기화'로 "
                    "차단 등급을 처음 상태로 되돌릴 수 있습니다.</p>" + nav);
    if (name == "help")
        return Page("루모라 - 도움말", "",
                    "<h1>도움말</h1><h2>신호등</h2><p>초록색은 안전, 파란색은 인증·신뢰 사이트, "
                    "노란색은 주의, 빨간색은 위험을 뜻합니다. 신호등에 마우스를 올리면 자세한 정보가 "
                    "나타납니다.</p><h2>뉴스 티커</h2><p>보안 공지와 접속한 사이트의 소재 국가가 "
                    "흘러갑니다. 글을 누르면 내용을 볼 수 있습니다.</p><h2>환경설정</h2><p>툴바 "
                    "메뉴의 '환경설정'에서 알림, 티커, 유해사이트 차단 등급을 바꿀 수 있습니다.</p>" + nav);
    if (name == "howto")
        return Page("루모라 - 자동업데이트 설정방법", "",
                    "<h1>Windows 자동업데이트 설정방법</h1><p>1. 시작 메뉴에서 '제어판'을 엽니다.<br>"
                    "2. '자동 업데이트'(또는 'Windows Update')를 엽니다.<br>3. '자동(권장)'을 선택하고 "
                    "'확인'을 누릅니다.</p><p>자동업데이트를 켜 두면 해킹과 악성코드에 악용되는 보안 "
                    "취약점이 바로 고쳐집니다.</p>" + nav);
    if (name == "counsel")
        return Page("루모라 - 상담 서비스", "",
                    "<h1>상담·신고 서비스</h1><p>피해가 의심되거나 차단이 잘못되었다고 생각되면 "
                    "알려 주십시오. 평일 09:00~18:00에 상담원이 답변드립니다.</p>" + nav);
    if (name == "remote")
        return Page("루모라 - 원격 PC 점검", "",
                    "<h1>원격 PC 점검</h1><p>상담원이 원격으로 PC를 점검하고 악성코드를 치료해 "
                    "드립니다. 상담 서비스로 먼저 신청해 주십시오.</p>" + nav);
    if (name == "video")
        return Page("루모라 - 보안 동영상", "",
                    "<h1>보안 동영상</h1><p>피싱 예방, 안전한 인터넷 뱅킹, 자녀 보호 설정 방법을 "
                    "동영상으로 안내합니다.</p>" + nav);
    return RenderErrorPage(404, "");
}

std::string RenderErrorPage(int status, const std::string& detail)
{
    std::string title = status == 404 ? "페이지를 찾을 수 없습니다"
                        : status == 405 ? "허용되지 않는 요청 방식입니다"
                        : status == 413 ? "요청이 너무 큽니다"
                        : status >= 500 ? "서버 오류가 발생했습니다"
                                        : "잘못된 요청입니다";
    std::string inner = "<h1>" + HtmlEscape(title) + "</h1>";
    if (!detail.empty())
        inner += "<p>" + HtmlEscape(detail) + "</p>";
    return Page("루모라 - " + title, "warn", inner);
}
