// Every toolbar conversation through a real loopback socket, with the protocol core as client.
#include "test_support.h"
#include "text_codec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <thread>

namespace {

class ToolbarServer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        config = TestConfig(dir);
        std::string error;
        ASSERT_TRUE(daemon.Start(config, &error)) << error;
        port = daemon.ToolbarPort();
    }

    // Changes the store with a second connection, as an admin command would, and reloads.
    RulesStore& Store()
    {
        if (!store) {
            std::string error;
            store = RulesStore::OpenExisting(config.db, &error);
        }
        return *store;
    }
    void Reload()
    {
        std::string error;
        ASSERT_TRUE(daemon.ReloadIfChanged(&error)) << error;
    }

    SvcUrlResponse CheckUrl(const char* url, int32_t grade, int32_t urltype = 1)
    {
        SvcUrlRequest request = NewRequest<SvcUrlRequest>(41);
        std::strcpy(request.url, url);
        std::strcpy(request.page_url, url);
        std::strcpy(request.host_ip, "10.0.0.1");
        request.port = 80;
        request.harmful_grade = grade;
        request.urltype = urltype;
        auto packets = Converse(port, LM_SVC_URL_REQ, request);
        EXPECT_EQ(packets.size(), 1u) << url;
        SvcUrlResponse reply{};
        if (packets.size() == 1) {
            EXPECT_EQ(packets[0].header.code, LM_SVC_URL_RESP);
            reply = DecodeBody<SvcUrlResponse>(packets[0]);
        }
        return reply;
    }

    TempDir dir;
    ServerConfig config;
    Daemon daemon;
    std::unique_ptr<RulesStore> store;
    int port = 0;
};

TEST_F(ToolbarServer, ConnectAnswersNumbersAndFrameLimit)
{
    SvcSeqRecord request = NewRequest<SvcSeqRecord>(7);
    auto packets = Converse(port, LM_SVC_CONNECT_REQ, request);
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0].header.code, LM_SVC_CONNECT_RESP);
    EXPECT_EQ(packets[0].header.cipher, 1);
    EXPECT_EQ(packets[0].header.seq, 1);
    SvcSeqRecord reply = DecodeBody<SvcSeqRecord>(packets[0]);
    EXPECT_EQ(reply.env.seq, 7);
    EXPECT_EQ(reply.env.hToolbar, 0x00120034);
    EXPECT_EQ(reply.env.opt3, 5);
    auto snapshot = daemon.Snapshot();
    EXPECT_GT(reply.toolbarmsg_seq, 0);
    EXPECT_EQ(reply.toolbarmsg_seq, snapshot->toolbarMsgSeq);
    for (int i = 0; i < kNoticeKinds; i++) {
        EXPECT_GT(reply.notice_seq[i], 0) << i; // the sample data has a notice of each kind
        EXPECT_EQ(reply.notice_seq[i], snapshot->noticeSeq[i]);
    }
}

TEST_F(ToolbarServer, ChangedAfterNoticeResetIsAllZeroAndLaterNoticesGetNewNumbers)
{
    SvcSeqRecord request = NewRequest<SvcSeqRecord>(9);
    int32_t before = DecodeBody<SvcSeqRecord>(Converse(port, LM_SVC_CHANGED_REQ, request).at(0)).notice_seq[2];

    std::string error;
    ASSERT_TRUE(Store().ResetNotices(&error)) << error;
    Reload();
    auto packets = Converse(port, LM_SVC_CHANGED_REQ, request);
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0].header.code, LM_SVC_CHANGED_RESP);
    SvcSeqRecord reply = DecodeBody<SvcSeqRecord>(packets[0]);
    for (int i = 0; i < kNoticeKinds; i++)
        EXPECT_EQ(reply.notice_seq[i], 0) << i;

    Notice n;
    n.kind = kNoticeSecurity;
    n.title = "새 보안공지";
    n.link = "http://127.0.0.1:8080/notice/new.html";
    n.date = "20261201";
    ASSERT_TRUE(Store().AddNotice(&n, &error)) << error;
    Reload();
    reply = DecodeBody<SvcSeqRecord>(Converse(port, LM_SVC_CHANGED_REQ, request).at(0));
    EXPECT_GT(reply.notice_seq[2], before); // a toolbar that missed the reset still fetches it
}

TEST_F(ToolbarServer, UrlVerdictsFromTheStore)
{
    struct Case
    {
        const char* url;
        int32_t grade;
        int32_t malCode, propagate, history, phishing, falsify, mark, trust, age;
        const char* country;
    } cases[] = {
        {"http://malware-download.example/setup.exe", 18, 121013, 121014, 121016, 121012, 121018, 0, 121021, 121037, "CN"},
        {"http://cdn.ad-relay.example/x.js", 18, 121014, 121042, 121016, 121012, 121018, 0, 121021, 121037, "US"},
        {"http://www.bank-login.example/", 18, 121014, 121014, 121016, 121011, 121018, 0, 121021, 121037, "US"},
        {"http://hacked-shop.example/", 18, 121014, 121014, 121016, 121012, 121017, 0, 121021, 121037, "KR"},
        {"http://old-forum.example/", 18, 121014, 121014, 121015, 121012, 121018, 0, 121021, 121037, "KR"},
        {"http://bank.example/login", 18, 121014, 121014, 121016, 121012, 121018, 121026, 121020, 121037, "KR"},
        {"http://adult-only.example/", 18, 121014, 121014, 121016, 121012, 121018, 0, 121021, 121033, "JP"},
        {"http://game-15.example/", 18, 121014, 121014, 121016, 121012, 121018, 0, 121021, 121037, "KR"},
        {"http://game-15.example/", 12, 121014, 121014, 121016, 121012, 121018, 0, 121021, 121035, "KR"},
        {"http://webtoon-12.example/", 0, 121014, 121014, 121016, 121012, 121018, 0, 121021, 121036, "KR"},
        {"http://news.example/articles/infected.html", 18, 121013, 121014, 121016, 121012, 121018, 0, 121021, 121037, "KR"},
        {"http://news.example/articles/other.html", 18, 121014, 121014, 121016, 121012, 121018, 0, 121021, 121037, "US"},
        {"http://unknown-site.co.kr/", 0, 121014, 121014, 121016, 121012, 121018, 0, 121021, 121037, "KR"},
    };
    for (const Case& c : cases) {
        SvcUrlResponse r = CheckUrl(c.url, c.grade);
        EXPECT_STREQ(r.url, c.url);
        EXPECT_EQ(r.urltype, 1);
        EXPECT_EQ(r.env.seq, 41);
        EXPECT_EQ(r.env.hToolbar, 0x00120034);
        EXPECT_EQ(r.malCode, c.malCode) << c.url;
        EXPECT_EQ(r.malCodePropagate, c.propagate) << c.url;
        EXPECT_EQ(r.malCodeHistory, c.history) << c.url;
        EXPECT_EQ(r.phishing, c.phishing) << c.url;
        EXPECT_EQ(r.falsify, c.falsify) << c.url;
        EXPECT_EQ(r.aux2, c.mark) << c.url;
        EXPECT_EQ(r.aux3, c.trust) << c.url;
        EXPECT_EQ(r.olderThan19, c.age) << c.url << " grade " << c.grade;
        EXPECT_STREQ(r.country_code, c.country) << c.url;
    }
    // The country name travels in CP949.
    SvcUrlResponse kr = CheckUrl("http://unknown-site.co.kr/", 18, 2);
    EXPECT_EQ(kr.urltype, 2);
    EXPECT_EQ(std::string(kr.countryName), Utf8ToCp949("대한민국"));
}

TEST_F(ToolbarServer, NewRulesAreServedAfterReload)
{
    EXPECT_EQ(CheckUrl("http://login.fresh-phish.example/", 18).phishing, 121012);
    SiteRule rule;
    rule.pattern = "fresh-phish.example";
    rule.phishing = true;
    std::string error;
    ASSERT_TRUE(Store().AddRule(&rule, &error)) << error;
    Reload();
    EXPECT_EQ(CheckUrl("http://login.fresh-phish.example/", 18).phishing, 121011);
}

TEST_F(ToolbarServer, StoreReplacedByRenameIsPickedUp)
{
    // How several instances are kept in step: a copy of the master store moved into place.
    std::string error;
    std::string copy = dir.File("published.db");
    {
        auto master = RulesStore::Open(copy, "127.0.0.1:8080", &error);
        ASSERT_TRUE(master) << error;
        SiteRule rule;
        rule.pattern = "published-phish.example";
        rule.phishing = true;
        ASSERT_TRUE(master->AddRule(&rule, &error)) << error;
    }
    EXPECT_EQ(CheckUrl("http://published-phish.example/", 18).phishing, 121012);
    ASSERT_EQ(std::rename(copy.c_str(), config.db.c_str()), 0);
    Reload();
    EXPECT_EQ(CheckUrl("http://published-phish.example/", 18).phishing, 121011);
}

TEST_F(ToolbarServer, ToolbarMessageStreamSendsNewerItemsBetweenBeginAndEnd)
{
    auto snapshot = daemon.Snapshot();
    ASSERT_GE(snapshot->messages.size(), 3u);
    int32_t from = snapshot->messages[snapshot->messages.size() - 3].toolbar_msg_seq;
    SvcToolbarMsgReq request = NewRequest<SvcToolbarMsgReq>(23);
    request.toolbarmsg_seq = from;
    auto packets = Converse(port, LM_SVC_TOOLBAR_MSG_REQ, request);
    ASSERT_EQ(packets.size(), 4u);
    EXPECT_EQ(packets[0].header.code, LM_SVC_TOOLBAR_MSG_BEGIN);
    for (size_t i = 0; i < packets.size(); i++)
        EXPECT_EQ(packets[i].header.seq, static_cast<int32_t>(i + 1));
    for (int i = 1; i <= 2; i++) {
        EXPECT_EQ(packets[i].header.code, LM_SVC_TOOLBAR_MSG_RESP);
        SvcToolbarMsg m = DecodeBody<SvcToolbarMsg>(packets[i]);
        EXPECT_GT(m.toolbar_msg_seq, from);
        EXPECT_EQ(m.env.seq, 23);
        EXPECT_GT(std::strlen(m.msg), 0u);
    }
    EXPECT_EQ(packets[3].header.code, LM_SVC_TOOLBAR_MSG_END);
    EXPECT_EQ(DecodeEndSeq(packets[3]), 23);

    // From zero: every message, one for each verdict code the balloon shows.
    request.toolbarmsg_seq = 0;
    packets = Converse(port, LM_SVC_TOOLBAR_MSG_REQ, request);
    ASSERT_EQ(packets.size(), snapshot->messages.size() + 2);
    std::set<int32_t> codes;
    for (size_t i = 1; i + 1 < packets.size(); i++)
        codes.insert(DecodeBody<SvcToolbarMsg>(packets[i]).msg_code);
    for (int32_t code : {121011, 121012, 121013, 121014, 121015, 121016, 121017, 121018, 121019,
                         121020, 121025, 121026, 121027, 121028, 121029, 121030, 121033, 121034,
                         121035, 121036, 121037, 121042})
        EXPECT_TRUE(codes.count(code)) << code;
}

TEST_F(ToolbarServer, NoticeStreamComparesEachKindWithItsPosition)
{
    auto snapshot = daemon.Snapshot();
    SvcSeqRecord request = NewRequest<SvcSeqRecord>(31);
    // The toolbar holds everything except the security notice (position 2) and the event (1).
    for (int i = 0; i < kNoticeKinds; i++)
        request.notice_seq[i] = snapshot->noticeSeq[i];
    request.notice_seq[1] = 0;
    request.notice_seq[2] = 0;
    auto packets = Converse(port, LM_SVC_NOTICE_REQ, request);
    ASSERT_EQ(packets.size(), 4u);
    EXPECT_EQ(packets[0].header.code, LM_SVC_NOTICE_BEGIN);
    std::set<int32_t> kinds;
    for (int i = 1; i <= 2; i++) {
        EXPECT_EQ(packets[i].header.code, LM_SVC_NOTICE_RESP);
        SvcNotice n = DecodeBody<SvcNotice>(packets[i]);
        kinds.insert(n.notice_kind);
        EXPECT_GT(std::strlen(n.title), 0u);
        EXPECT_EQ(std::string(n.content).compare(0, 7, "http://"), 0);
        EXPECT_EQ(std::strlen(n.extra1), 8u);
        EXPECT_EQ(n.notice_seq[2], snapshot->noticeSeq[2]);
        if (n.notice_kind == kNoticeEvent) {
            EXPECT_EQ(std::strlen(n.extra4), 8u);
        }
    }
    EXPECT_EQ(kinds, (std::set<int32_t>{kNoticeEvent, kNoticeSecurity}));
    EXPECT_EQ(packets[3].header.code, LM_SVC_NOTICE_END);
    EXPECT_EQ(DecodeEndSeq(packets[3]), 31);
}

TEST_F(ToolbarServer, TransientNoticeCarriesTheFlagInOpt2)
{
    Notice n;
    n.kind = kNoticeWarning;
    n.title = "일시 경고";
    n.link = "http://127.0.0.1:8080/notice/t.html";
    n.date = "20261210";
    n.transient = true;
    std::string error;
    ASSERT_TRUE(Store().AddNotice(&n, &error)) << error;
    Reload();
    SvcSeqRecord request = NewRequest<SvcSeqRecord>(3);
    for (int i = 0; i < kNoticeKinds; i++)
        request.notice_seq[i] = 0x7FFFFFFF;
    request.notice_seq[3] = n.number - 1;
    auto packets = Converse(port, LM_SVC_NOTICE_REQ, request);
    ASSERT_EQ(packets.size(), 3u);
    SvcNotice got = DecodeBody<SvcNotice>(packets[1]);
    EXPECT_EQ(got.notice_no, n.number);
    EXPECT_EQ(got.env.opt2, 1);
    EXPECT_EQ(std::string(got.title), Utf8ToCp949("일시 경고"));
}

// Sends raw bytes and expects the server to close without answering.
void ExpectClosedWithoutReply(int port, const std::string& bytes, const char* what)
{
    int fd = ConnectLoopback(port);
    ASSERT_GE(fd, 0);
    SendAll(fd, bytes.data(), bytes.size());
    bool closed = false;
    std::string reply = ReadUntilClose(fd, 5000, &closed);
    close(fd);
    EXPECT_TRUE(closed) << what;
    EXPECT_TRUE(reply.empty()) << what;
}

TEST_F(ToolbarServer, MalformedPacketsEndTheConnection)
{
    SvcSeqRecord record = NewRequest<SvcSeqRecord>(1);
    std::string good = RequestPacket(LM_SVC_CONNECT_REQ, record);
    ASSERT_EQ(good.size() % 128, 0u);
    auto patch = [&](int offset, int32_t value) {
        std::string p = good;
        p[offset] = static_cast<char>(value >> 24);
        p[offset + 1] = static_cast<char>(value >> 16);
        p[offset + 2] = static_cast<char>(value >> 8);
        p[offset + 3] = static_cast<char>(value);
        return p;
    };
    ExpectClosedWithoutReply(port, patch(0, 0x12345678), "wrong magic");
    ExpectClosedWithoutReply(port, patch(28, 2), "wrong sequence");
    ExpectClosedWithoutReply(port, patch(12, 0x2999), "unknown code");
    ExpectClosedWithoutReply(port, patch(12, LM_SVC_CONNECT_RESP), "a reply code");
    ExpectClosedWithoutReply(port, patch(16, 1 << 20), "oversize");
    ExpectClosedWithoutReply(port, patch(16, -5), "negative length");
    ExpectClosedWithoutReply(port, patch(8, 3), "wrong kind");
    {
        // An encrypted body that is not whole 16-byte blocks.
        PacketHeader h = DecodePacketHeader(reinterpret_cast<const uint8_t*>(good.data()));
        ExpectClosedWithoutReply(port, patch(16, h.length - 8), "non-multiple-of-16");
    }
    // A second packet after a whole request is never read as a request of its own.
    std::string twice = good + good;
    int fd = ConnectLoopback(port);
    SendAll(fd, twice.data(), twice.size());
    std::vector<ReceivedPacket> packets;
    EXPECT_TRUE(SplitPackets(ReadUntilClose(fd), &packets));
    close(fd);
    EXPECT_EQ(packets.size(), 1u);
    // The server keeps serving.
    EXPECT_EQ(Converse(port, LM_SVC_CONNECT_REQ, record).size(), 1u);
}

TEST_F(ToolbarServer, RequestSplitIntoSmallWritesIsAnswered)
{
    SvcUrlRequest request = NewRequest<SvcUrlRequest>(5);
    std::strcpy(request.url, "http://bank-login.example/");
    request.harmful_grade = 18;
    request.urltype = 1;
    std::string bytes = RequestPacket(LM_SVC_URL_REQ, request);
    int fd = ConnectLoopback(port);
    for (size_t i = 0; i < bytes.size(); i += 7) {
        SendAll(fd, bytes.data() + i, std::min<size_t>(7, bytes.size() - i));
        if (i % 70 == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::vector<ReceivedPacket> packets;
    EXPECT_TRUE(SplitPackets(ReadUntilClose(fd), &packets));
    close(fd);
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(DecodeBody<SvcUrlResponse>(packets[0]).phishing, 121011);
}

TEST_F(ToolbarServer, IdleConnectionIsClosedAfterTheTimeOut)
{
    int fd = ConnectLoopback(port);
    SendAll(fd, "\x62\x38", 2); // half a header, then silence
    auto start = std::chrono::steady_clock::now();
    bool closed = false;
    std::string reply = ReadUntilClose(fd, 6000, &closed);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    close(fd);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(reply.empty());
    EXPECT_GE(seconds, 1.0);
}

TEST_F(ToolbarServer, EveryConversationWritesOneLogLine)
{
    SvcSeqRecord record = NewRequest<SvcSeqRecord>(1);
    Converse(port, LM_SVC_CONNECT_REQ, record);
    ExpectClosedWithoutReply(port, std::string(32, 'x'), "garbage");
    daemon.Stop();
    FILE* f = std::fopen(config.log.c_str(), "r");
    ASSERT_NE(f, nullptr);
    char line[2048];
    int connects = 0, malformed = 0;
    while (std::fgets(line, sizeof(line), f)) {
        std::string l(line);
        if (l.find(" toolbar 127.0.0.1:") != std::string::npos && l.find("CONNECT seq=1") != std::string::npos &&
            l.find(" ok\n") != std::string::npos)
            connects++;
        if (l.find(" toolbar 127.0.0.1:") != std::string::npos && l.find("malformed: wrong magic") != std::string::npos)
            malformed++;
    }
    std::fclose(f);
    EXPECT_EQ(connects, 1);
    EXPECT_EQ(malformed, 1);
}

} // namespace
