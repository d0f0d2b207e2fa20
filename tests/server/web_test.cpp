// The product web server over loopback: verdict pages (escaping), search, counter, Upgrade.ini.
#include "http_request.h"
#include "test_support.h"
#include "text_codec.h"
#include "web_pages.h"

#include <gtest/gtest.h>

namespace {

class WebServer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        config = TestConfig(dir);
        config.upgradeToolbarIp = "toolbar.lumora.example";
        config.upgradeToolbarPort = 8090;
        std::string error;
        ASSERT_TRUE(daemon.Start(config, &error)) << error;
    }
    std::string Post(const std::string& path, const std::string& body)
    {
        return HttpExchange(daemon.WebPort(),
                            "POST " + path + " HTTP/1.1\r\nHost: x\r\nContent-Type: "
                            "application/x-www-form-urlencoded\r\nContent-Length: " +
                                std::to_string(body.size()) + "\r\n\r\n" + body);
    }
    std::string Get(const std::string& target, int port = 0)
    {
        return HttpExchange(port ? port : daemon.WebPort(),
                            "GET " + target + " HTTP/1.1\r\nHost: x\r\n\r\n");
    }

    TempDir dir;
    ServerConfig config;
    Daemon daemon;
};

TEST_F(WebServer, BlockPageExplainsTheFindingsAndEscapesEveryPostedValue)
{
    // The toolbar's in-page form, values unencoded, texts in CP949.
    std::string body = "Lumora=NoCheck&url=http://evil.example/?a=<script>alert(1)</script>&b=\"x\""
                       "&phishing=121011&olderThan19=121033&countryName=" +
                       Utf8ToCp949("<b>일본</b>");
    std::string response = Post("/sitepopup/sitepopup_block_light.orvx", body);
    EXPECT_EQ(response.compare(0, 15, "HTTP/1.1 200 OK"), 0) << response;
    EXPECT_NE(response.find("Content-Type: text/html; charset=utf-8"), std::string::npos);
    std::string page = HttpBody(response);
    EXPECT_NE(page.find("위험 사이트 접속이 차단되었습니다"), std::string::npos);
    EXPECT_NE(page.find("피싱"), std::string::npos);
    EXPECT_NE(page.find("청소년 유해"), std::string::npos);
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_NE(page.find("http://evil.example/?a=&lt;script&gt;alert(1)&lt;/script&gt;&amp;b=&quot;x&quot;"),
              std::string::npos);
    EXPECT_NE(page.find("&lt;b&gt;일본&lt;/b&gt;"), std::string::npos);
}

TEST_F(WebServer, VerdictPagesTable)
{
    const std::string clean = "Lumora=NoCheck&url=http://ok.example/&malCodePropagate=121014"
                              "&malCodeHistory=121016&phishing=121012&falsify=121018&olderThan19=121037"
                              "&countryName=" + Utf8ToCp949("대한민국") + "&popup=1";
    const std::string history = "Lumora=NoCheck&url=http://old.example/&malCodeHistory=121015&countryName=KR";
    const std::string malware = "Lumora=NoCheck&url=http://m.example/&malCode=121013&malCodeHistory=121016"
                                "&phishing=121012&falsify=121018&olderThan19=121037&countryName=CN&popup=1";
    struct Case
    {
        const char* path;
        const std::string* body;
        const char* expected;
    } cases[] = {
        {"/sitepopup/sitepopup.orvx", &clean, "위협 요소가 발견되지 않았습니다"},
        {"/sitepopup/sitepopup_light.orvx", &history, "주의가 필요합니다"},
        {"/sitepopup/sitepopup.orvx", &malware, "이 사이트는 위험합니다"},
        {"/sitepopup/sitepopup_block.orvx", &malware, "악성코드 유포"},
        {"/sitepopup/sitepopup_block.orvx", &clean, "차단 사유가 확인되지 않았습니다"},
        {"/sitepopup/malbotcode.orvx", &clean, "악성 봇(Bot) 감염이 의심됩니다"},
    };
    for (const Case& c : cases) {
        std::string page = HttpBody(Post(c.path, *c.body));
        EXPECT_NE(page.find(c.expected), std::string::npos) << c.path << "\n" << page;
    }
}

TEST(VerdictForm, AddressMayHoldAmpersandsAndEquals)
{
    VerdictForm f = ParseVerdictForm("Lumora=NoCheck&url=http://x.example/p?a=1&b=2&malCode=121013"
                                     "&malCodeHistory=121016&phishing=121012&falsify=121018"
                                     "&olderThan19=121037&countryName=A&B&popup=1");
    EXPECT_TRUE(f.marker);
    EXPECT_EQ(f.url, "http://x.example/p?a=1&b=2");
    EXPECT_TRUE(f.hasMalCode);
    EXPECT_EQ(f.malCode, 121013);
    EXPECT_FALSE(f.hasPropagate);
    EXPECT_EQ(f.olderThan19, 121037);
    EXPECT_EQ(f.countryName, "A&B");
    EXPECT_EQ(f.popup, 1);
    // A number field with a non-number value belongs to the text before it.
    VerdictForm g = ParseVerdictForm("Lumora=NoCheck&url=http://y/?phishing=abc&phishing=121011");
    EXPECT_EQ(g.url, "http://y/?phishing=abc");
    EXPECT_EQ(g.phishing, 121011);
    // An ordinary browser form is percent-decoded.
    VerdictForm h = ParseVerdictForm("url=http%3A%2F%2Fz%2F%3Fq%3D1+2&falsify=121017");
    EXPECT_FALSE(h.marker);
    EXPECT_EQ(h.url, "http://z/?q=1 2");
    EXPECT_EQ(h.falsify, 121017);
}

TEST(HtmlEscape, EscapesMarkupCharacters)
{
    EXPECT_EQ(HtmlEscape("<a href=\"x\">'&'</a>"), "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
}

TEST_F(WebServer, CertificationSearchAnswersItsQuery)
{
    std::string found = HttpBody(Get("/common/site_redirection.jsp?keyfield=domain_name&keyword=bank.example"));
    EXPECT_NE(found.find("금융기관 인증"), std::string::npos) << found;
    std::string sub = HttpBody(Get("/common/site_redirection.jsp?keyfield=domain_name&keyword=www.bank.example"));
    EXPECT_NE(sub.find("금융기관 인증"), std::string::npos);
    std::string none = HttpBody(Get("/common/site_redirection.jsp?keyfield=domain_name&keyword=%3Cnobody%3E.example"));
    EXPECT_NE(none.find("등록된 인증 정보가 없습니다"), std::string::npos);
    EXPECT_NE(none.find("&lt;nobody&gt;.example"), std::string::npos);
}

TEST_F(WebServer, UpgradeStatisticsCount)
{
    std::string first = HttpBody(Get("/common/toolbar_stat_upgrade.jsp"));
    std::string second = HttpBody(Get("/common/toolbar_stat_upgrade.jsp"));
    EXPECT_NE(first.find("누적 업그레이드 요청: 1회"), std::string::npos) << first;
    EXPECT_NE(second.find("누적 업그레이드 요청: 2회"), std::string::npos) << second;
}

TEST_F(WebServer, UpgradeDescriptionOnItsOwnPortInCp949)
{
    std::string response = Get("/toolbar/Upgrade.ini", daemon.UpgradePort());
    EXPECT_EQ(response.compare(0, 15, "HTTP/1.1 200 OK"), 0) << response;
    EXPECT_NE(response.find("charset=euc-kr"), std::string::npos);
    std::string ini = HttpBody(response);
    EXPECT_EQ(ini.compare(0, 12, "[PyxToolBar]"), 0);
    EXPECT_NE(ini.find("ip=toolbar.lumora.example\r\n"), std::string::npos);
    EXPECT_NE(ini.find("port=8090\r\n"), std::string::npos);
    EXPECT_NE(ini.find("version=3.1.0.1\r\n"), std::string::npos);
    EXPECT_NE(ini.find("[PyxCleaner]\r\nname=PyxCleaner.exe\r\ndisplay_name=" + Utf8ToCp949("PC 최적화")),
              std::string::npos);
    // The upgrade port serves nothing else.
    EXPECT_EQ(Get("/", daemon.UpgradePort()).compare(0, 12, "HTTP/1.1 404"), 0);
}

TEST_F(WebServer, StaticPagesAndErrors)
{
    for (const char* path : {"/", "/qna.html", "/help.html", "/howto/autoupdate.html", "/service/counsel.html",
                             "/notice/emergency.html"})
        EXPECT_EQ(Get(path).compare(0, 15, "HTTP/1.1 200 OK"), 0) << path;
    EXPECT_EQ(Get("/nothing-here").compare(0, 12, "HTTP/1.1 404"), 0);
    EXPECT_EQ(HttpExchange(daemon.WebPort(), "DELETE / HTTP/1.1\r\n\r\n").compare(0, 12, "HTTP/1.1 405"), 0);
    EXPECT_EQ(HttpExchange(daemon.WebPort(), "POST / HTTP/1.1\r\nContent-Length: 99999999\r\n\r\n")
                  .compare(0, 12, "HTTP/1.1 413"), 0);
    EXPECT_EQ(HttpExchange(daemon.WebPort(), "garbage\r\n\r\n").compare(0, 12, "HTTP/1.1 400"), 0);
    EXPECT_EQ(HttpExchange(daemon.WebPort(), "GET / HTTP/1.1\r\nX: " + std::string(9000, 'a') + "\r\n\r\n")
                  .compare(0, 12, "HTTP/1.1 431"), 0);
    std::string head = HttpExchange(daemon.WebPort(), "HEAD / HTTP/1.1\r\n\r\n");
    EXPECT_EQ(head.compare(0, 15, "HTTP/1.1 200 OK"), 0);
    EXPECT_TRUE(HttpBody(head).empty());
}

} // namespace
