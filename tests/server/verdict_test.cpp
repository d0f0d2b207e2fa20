#include "verdict.h"

#include <gtest/gtest.h>

namespace {

struct AgeCase
{
    int32_t rating;
    int32_t grade;
    int32_t expected;
};

// Harmful only when the site's rating is above the guardian's threshold.
TEST(AgeVerdict, ComparesRatingWithGrade)
{
    const AgeCase cases[] = {
        {19, 18, 121033}, {18, 18, 121037}, {15, 18, 121037}, {0, 18, 121037},
        {19, 15, 121033}, {18, 15, 121034}, {15, 15, 121037}, {12, 15, 121037},
        {18, 12, 121034}, {15, 12, 121035}, {12, 12, 121037},
        {12, 0, 121036},  {15, 0, 121035},  {0, 0, 121037},
        // Grades other than 18/15/12/0 count as the next lower defined one.
        {19, 99, 121033}, {18, 17, 121034}, {12, -5, 121036}, {12, 13, 121037},
    };
    for (const AgeCase& c : cases)
        EXPECT_EQ(AgeVerdict(c.rating, c.grade), c.expected) << c.rating << " vs " << c.grade;
}

TEST(RuleIndex, ExactAddressThenLongestHostSuffix)
{
    RuleIndex index;
    SiteRule host;
    host.id = 1;
    host.pattern = "example.com";
    index.Add(host);
    SiteRule sub;
    sub.id = 2;
    sub.pattern = "shop.example.com";
    index.Add(sub);
    SiteRule exact;
    exact.id = 3;
    exact.exact = true;
    exact.pattern = NormaliseAddress("http://example.com/bad.html");
    index.Add(exact);

    struct Case
    {
        const char* url;
        int64_t expected; // 0 = no rule
    } cases[] = {
        {"http://example.com/", 1},
        {"http://WWW.Example.COM/index.html", 1},
        {"http://a.b.example.com:8080/x", 1},
        {"http://shop.example.com/cart", 2},
        {"http://x.shop.example.com/", 2},
        {"http://example.com/bad.html", 3},
        {"HTTP://EXAMPLE.COM/bad.html#top", 3},
        {"http://example.com/bad.html?x=1", 1},
        {"http://badexample.com/", 0},
        {"http://example.com.evil.net/", 0},
        {"http://user@example.org@example.com/", 1},
        {"http://example.com@evil.net/", 0},
        {"", 0},
    };
    for (const Case& c : cases) {
        const SiteRule* r = index.Find(c.url, "");
        EXPECT_EQ(r ? r->id : 0, c.expected) << c.url;
    }
}

TEST(RuleIndex, FallsBackToTheRequestHostWhenTheAddressHasNone)
{
    RuleIndex index;
    SiteRule host;
    host.id = 7;
    host.pattern = "example.com";
    index.Add(host);
    const SiteRule* r = index.Find("", "WWW.example.com");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->id, 7);
}

TEST(JudgeSite, UnknownSiteGetsNoFindingValuesAndACountry)
{
    Country fallback{"US", "미국"};
    VerdictWords w = JudgeSite(nullptr, "news.co.kr", 0, fallback);
    EXPECT_EQ(w.malCode, 121014);
    EXPECT_EQ(w.malCodePropagate, 121014);
    EXPECT_EQ(w.malCodeHistory, 121016);
    EXPECT_EQ(w.phishing, 121012);
    EXPECT_EQ(w.falsify, 121018);
    EXPECT_EQ(w.aux2, 0);
    EXPECT_EQ(w.aux3, 121021);
    EXPECT_EQ(w.olderThan19, 121037);
    EXPECT_EQ(w.country.code, "KR");
    EXPECT_EQ(w.country.name, "대한민국");
    EXPECT_EQ(JudgeSite(nullptr, "shop.com", 18, fallback).country.code, "US");
    EXPECT_EQ(JudgeSite(nullptr, "bbc.co.uk", 18, fallback).country.code, "GB");
}

TEST(JudgeSite, EveryFindingHasItsCode)
{
    SiteRule r;
    r.malware = r.relay = r.history = r.phishing = r.defaced = true;
    r.siteMark = 121026;
    r.trust = 121020;
    r.ageRating = 15;
    r.countryCode = "JP";
    VerdictWords w = JudgeSite(&r, "x.example", 12, Country{"US", "미국"});
    EXPECT_EQ(w.malCode, 121013);
    EXPECT_EQ(w.malCodePropagate, 121042);
    EXPECT_EQ(w.malCodeHistory, 121015);
    EXPECT_EQ(w.phishing, 121011);
    EXPECT_EQ(w.falsify, 121017);
    EXPECT_EQ(w.aux2, 121026);
    EXPECT_EQ(w.aux3, 121020);
    EXPECT_EQ(w.olderThan19, 121035);
    EXPECT_EQ(w.country.name, "일본");
}

TEST(NoticePosition, KindsMapToTheEightPositions)
{
    const int32_t kinds[] = {111291, 111292, 111210, 111212, 111281, 111211, 111282, 111283, 123456};
    const int expected[] = {0, 1, 2, 3, 4, 5, 6, 7, 7};
    for (size_t i = 0; i < sizeof(kinds) / sizeof(kinds[0]); i++)
        EXPECT_EQ(NoticePosition(kinds[i]), expected[i]) << kinds[i];
}

} // namespace
