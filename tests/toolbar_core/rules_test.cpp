// The toolbar core's platform-free rules.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "config_rules.h"
#include "host_normalise.h"
#include "message_record.h"
#include "text_cut.h"
#include "verdict_record.h"

TEST(ToolbarRules, HarmfulGradeBitOrder)
{
    const struct
    {
        uint32_t isHarmful;
        uint32_t grade;
        int expected;
    } cases[] = {
        {1, 0x1, 18},    {1, 0x10, 15},   {1, 0x100, 12},  {1, 0x1000, 0},  {1, 0x1010, 15},
        {1, 0x1111, 18}, {1, 0x1100, 12}, {1, 0x0, 18},    {1, 0x2222, 18}, {0, 0x1000, 18},
        {5, 0x1000, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, HarmfulGradeFromBits(c.isHarmful, c.grade))
            << c.isHarmful << " " << std::hex << c.grade;
}

TEST(ToolbarRules, DailyGates)
{
    EXPECT_TRUE(IsSameYearNotEarlier({2026, 0}, {2026, 0}));
    EXPECT_TRUE(IsSameYearNotEarlier({2026, 200}, {2026, 10}));
    EXPECT_FALSE(IsSameYearNotEarlier({2026, 9}, {2026, 10}));
    EXPECT_FALSE(IsSameYearNotEarlier({2025, 364}, {2026, 0})) << "31 December, then 1 January";
    EXPECT_FALSE(IsSameYearNotEarlier({2027, 0}, {2026, 0}));

    EXPECT_FALSE(IsMoreThanADayAfter(1000, 1000 + 86400));
    EXPECT_TRUE(IsMoreThanADayAfter(1000, 1000 + 86401));
    EXPECT_TRUE(IsMoreThanADayAfter(0, 0xFFFFFFF0u));
    EXPECT_FALSE(IsMoreThanADayAfter(0xFFFFFFF0u, 100)) << "stored later than now";
}

TEST(ToolbarRules, NormaliseHostName)
{
    const struct
    {
        const char* host;
        const char* expected;
    } cases[] = {
        {"WWW.Example.COM", "example.com"},
        {"  www.example.com \t", "example.com"},
        {" WWW.a.kr\r\n", "a.kr"},
        {"wwwexample.com", "wwwexample.com"},
        {"www", "www"},
        {"www.", ""},
        {"", ""},
        {"   ", ""},
        {"www.www.example.com", "www.example.com"},
        {"w ww.example.com", "w ww.example.com"},
        // CP949 "가A" keeps its trail byte; ASCII around it is lowered.
        {"\xB0\x41" "B.KR", "\xB0\x41" "b.kr"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, NormaliseHostName(c.host)) << "[" << c.host << "]";
    EXPECT_EQ("", NormaliseHostName(nullptr));
}

TEST(ToolbarRules, TextCuts)
{
    char out[6];
    EXPECT_EQ(5u, CopyCut(out, sizeof(out), "abcdefgh"));
    EXPECT_STREQ("abcde", out);
    EXPECT_EQ(2u, CopyCut(out, sizeof(out), "ab"));
    EXPECT_EQ(0u, CopyCut(out, sizeof(out), nullptr));
    EXPECT_STREQ("", out);
    // Two Korean characters (4 bytes) and one more: the third does not fit whole.
    EXPECT_EQ(4u, CopyCutText(out, sizeof(out), "\xB0\xA1\xB3\xAA\xB4\xD9"));
    EXPECT_STREQ("\xB0\xA1\xB3\xAA", out);
    EXPECT_EQ(5u, CopyCutText(out, sizeof(out), "a\xB0\xA1\xB3\xAA\xB4\xD9"));
    const char unterminated[3] = {'x', 'y', 'z'};
    EXPECT_EQ(3u, CopyCutText(out, sizeof(out), unterminated, sizeof(unterminated)));
    EXPECT_STREQ("xyz", out);
}

namespace {

VerdictRecord Clean()
{
    VerdictRecord r;
    std::memset(&r, 0, sizeof(r));
    r.malCode = kNoMalCode;
    r.malCodeHistory = kNoMalCodeHistory;
    r.phishing = kNoPhishing;
    r.falsify = kNoFalsify;
    r.olderThan19 = kNotHarmful;
    r.trustCode = kOrdinarySite;
    return r;
}

} // namespace

TEST(ToolbarRules, IsDangerous)
{
    const struct
    {
        const char* label;
        int32_t VerdictRecord::*field;
        int32_t value;
        bool expected;
    } cases[] = {
        {"clean", &VerdictRecord::malCode, kNoMalCode, false},
        {"distributes", &VerdictRecord::malCode, 121013, true},
        {"relays", &VerdictRecord::malCodePropagate, 121042, true},
        {"history", &VerdictRecord::malCodeHistory, 121015, true},
        {"phishing", &VerdictRecord::phishing, 121011, true},
        {"defaced", &VerdictRecord::falsify, 121017, true},
        {"minors 121033", &VerdictRecord::olderThan19, 121033, true},
        {"minors 121036", &VerdictRecord::olderThan19, 121036, true},
        {"121032 is no grade", &VerdictRecord::olderThan19, 121032, false},
        {"121037 not harmful", &VerdictRecord::olderThan19, 121037, false},
        {"malCode carrying the relay code", &VerdictRecord::malCode, 121042, false},
    };
    for (const auto& c : cases) {
        VerdictRecord r = Clean();
        r.*c.field = c.value;
        EXPECT_EQ(c.expected, IsDangerous(r)) << c.label;
    }
}

TEST(ToolbarRules, HasCodeLooksOnlyAtTheFieldOfTheCode)
{
    VerdictRecord r = Clean();
    r.malCode = 121013;
    r.malCodePropagate = 121042;
    r.malCodeHistory = 121015;
    r.phishing = 121011;
    r.falsify = 121017;
    r.trustCode = 121020;
    r.siteMarkCode = 121031;
    r.olderThan19 = 121034;
    const struct
    {
        int32_t code;
        bool expected;
    } cases[] = {
        {121013, true}, {121042, true}, {121015, true}, {121011, true}, {121017, true},
        {121020, true}, {121019, false}, {121034, true}, {121033, false},
        {121031, false}, // the site mark holds it, but 121031 is no certification class
        {121021, false}, {121014, false}, {121037, false}, {0, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, HasCode(r, c.code)) << c.code;

    // The code must sit in its own field: the same number elsewhere does not count.
    VerdictRecord other = Clean();
    other.siteMarkCode = 121013;
    other.malCode = 121026;
    EXPECT_FALSE(HasCode(other, 121013));
    EXPECT_FALSE(HasCode(other, 121026));
    other.siteMarkCode = 121026;
    EXPECT_TRUE(HasCode(other, 121026));
}

TEST(ToolbarRules, MessageRecords)
{
    ToolbarMessageRecord record;
    std::string longText(400, 'q');
    MakeMessageRecord(7, 121013, longText.c_str(), &record);
    EXPECT_EQ(7, record.toolbarMsgSeq);
    EXPECT_EQ(121013, record.msgCode);
    EXPECT_EQ(std::string(255, 'q'), record.text);

    uint8_t bytes[kMessageRecordSize + 10];
    std::memset(bytes, 0xEE, sizeof(bytes));
    ToolbarMessageRecord decoded;
    EXPECT_FALSE(DecodeMessageRecord(bytes, kMessageRecordSize - 1, &decoded));
    ASSERT_TRUE(DecodeMessageRecord(bytes, sizeof(bytes), &decoded));
    EXPECT_EQ(255u, std::strlen(decoded.text)) << "garbage text ends inside its field";
}

TEST(ToolbarRules, FillVerdictRecordCutsItsTexts)
{
    SvcUrlResponse reply;
    std::memset(&reply, 'u', sizeof(reply));
    reply.urltype = 2;
    VerdictRecord record;
    FillVerdictRecord(reply, &record);
    EXPECT_EQ(2047u, std::strlen(record.address));
    EXPECT_EQ(31u, std::strlen(record.countryName));
    EXPECT_EQ(2, record.urltype);
}
