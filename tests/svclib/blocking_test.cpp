// The blocking requests on the calling thread and the plain HTTP GET.
#include <windows.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "blocking/http_get.h"
#include "delivery_window.h"
#include "fake_toolbar_server.h"
#include "http_peer.h"
#include "lumora_svc_api.h"
#include "table_probe.h"

namespace {

class BlockingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        StartSockets();
        CallbackSink::Take();
        handle = LMSvcInitialize("127.0.0.1", server.Port(), &CallbackSink::Receive);
        ASSERT_NE(nullptr, handle);
    }
    void TearDown() override { LMSvcFree(handle); }

    FakeToolbarServer server;
    SvcHandle* handle = nullptr;
};

TEST_F(BlockingTest, SingleRepliesGoToTheCallback)
{
    SvcSeqRecord record = {};
    record.env.seq = 31;
    EXPECT_EQ(0, LMSvcConnectRequestBlocking(handle, &record));
    EXPECT_EQ(0, LMSvcChangedRequestBlocking(handle, &record));
    SvcUrlRequest request;
    MakeUrlRequest(&request, "http://blocking.example/");
    request.urltype = 2;
    EXPECT_EQ(0, LMSvcURLRequestBlocking(handle, &request));

    const std::vector<Delivery> got = CallbackSink::Take();
    ASSERT_EQ(3u, got.size());
    EXPECT_EQ(static_cast<uint32_t>(LM_SVC_CONNECT_RESP), got[0].code);
    EXPECT_EQ(static_cast<uint32_t>(LM_SVC_CHANGED_RESP), got[1].code);
    EXPECT_EQ(static_cast<uint32_t>(LM_SVC_URL_RESP), got[2].code);
    SvcUrlResponse reply;
    ASSERT_EQ(got[2].bytes.size(), UnpackRecord(got[2].bytes.data(), got[2].bytes.size(), &reply));
    EXPECT_STREQ("http://blocking.example/", reply.url);
    EXPECT_EQ(2, reply.urltype);
    EXPECT_EQ(31, server.Requests()[0].seq) << "the blocking call sends the record as it is";
}

TEST_F(BlockingTest, WithoutCallbackTheConversationStillHappens)
{
    handle->callback = nullptr;
    SvcUrlRequest request;
    MakeUrlRequest(&request, "http://quiet.example/");
    EXPECT_EQ(0, LMSvcURLRequestBlocking(handle, &request));
    EXPECT_EQ(1u, server.Requests().size());
    EXPECT_TRUE(CallbackSink::Take().empty());
}

TEST_F(BlockingTest, UnreachableAndRefusedHostsDeliverNothing)
{
    SvcUrlRequest request;
    MakeUrlRequest(&request, "http://down.example/");
    EXPECT_EQ(1, LMChangeServerIpPortBlocking(handle, "127.0.0.1", ClosedLoopbackPort()));
    EXPECT_EQ(0, LMSvcURLRequestBlocking(handle, &request));

    EXPECT_EQ(1, LMChangeServerIpPortBlocking(handle, std::string(32, 'h').c_str(), server.Port()));
    EXPECT_STREQ("", handle->host);
    EXPECT_EQ(0, LMSvcURLRequestBlocking(handle, &request));
    SvcSeqRecord record = {};
    EXPECT_EQ(0, LMSvcNoticeRequestBlocking(handle, &record));
    EXPECT_TRUE(CallbackSink::Take().empty());
    EXPECT_EQ(0, server.Connections());
}

struct StreamCase
{
    const char* name;
    bool notices;
    bool sendBegin;
    ServerFault fault;
    int items;
    int expectedResult;
    size_t expectedDeliveries;
};

class BlockingStreamTest : public BlockingTest, public ::testing::WithParamInterface<StreamCase>
{
};

TEST_P(BlockingStreamTest, ResultAndDeliveries)
{
    const StreamCase& c = GetParam();
    server.SetSendStreamBegin(c.sendBegin);
    server.SetFault(c.fault);
    server.SetStreamItems(c.items);
    int result = 0;
    if (c.notices) {
        SvcSeqRecord record = {};
        result = LMSvcNoticeRequestBlocking(handle, &record);
    } else {
        SvcToolbarMsgReq record = {};
        result = LMSvcToolbarMsgRequestBlocking(handle, &record);
    }
    EXPECT_EQ(c.expectedResult, result);
    const std::vector<Delivery> got = CallbackSink::Take();
    ASSERT_EQ(c.expectedDeliveries, got.size());
    for (const Delivery& d : got) {
        EXPECT_EQ(static_cast<uint32_t>(c.notices ? LM_SVC_NOTICE_RESP : LM_SVC_TOOLBAR_MSG_RESP), d.code);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Streams, BlockingStreamTest,
    ::testing::Values(
        StreamCase{"MessagesWithBegin", false, true, ServerFault::None, 3, 0, 3},
        StreamCase{"MessagesWithoutBegin", false, false, ServerFault::None, 3, 0, 3},
        StreamCase{"NoticesWithBegin", true, true, ServerFault::None, 2, 0, 2},
        StreamCase{"EmptyStream", true, true, ServerFault::None, 0, 0, 0},
        StreamCase{"UnexpectedCode", false, true, ServerFault::UnexpectedStreamCode, 0, -3, 0},
        StreamCase{"StalledServer", true, true, ServerFault::Stall, 0, -1, 0},
        StreamCase{"WrongMagic", false, true, ServerFault::WrongMagic, 1, -1, 0}),
    [](const ::testing::TestParamInfo<StreamCase>& info) { return std::string(info.param.name); });

struct SplitCase
{
    const char* address;
    bool accepted;
    const char* host;
    int port;
    const char* path;
};

class SplitPageAddressTest : public ::testing::TestWithParam<SplitCase>
{
};

TEST_P(SplitPageAddressTest, Parts)
{
    const SplitCase& c = GetParam();
    PageAddress page;
    ASSERT_EQ(c.accepted, SplitPageAddress(c.address, &page));
    if (c.accepted) {
        EXPECT_STREQ(c.host, page.host);
        EXPECT_EQ(c.port, page.port);
        EXPECT_STREQ(c.path, page.path);
    }
}

const std::string kLongHost = std::string(128, 'h');
const std::string kLongPath = "http://a.example/" + std::string(2048, 'p');
const std::string kFullPath = "a.example/" + std::string(2047, 'p');

INSTANTIATE_TEST_SUITE_P(
    Addresses, SplitPageAddressTest,
    ::testing::Values(SplitCase{"http://www.example.com:8080/a/b?c=1", true, "www.example.com", 8080, "a/b?c=1"},
                      SplitCase{"www.example.com", true, "www.example.com", 80, ""},
                      SplitCase{"ftp://host/", true, "host", 80, ""},
                      SplitCase{kLongHost.c_str(), false, "", 0, ""},
                      SplitCase{kLongPath.c_str(), false, "", 0, ""},
                      SplitCase{kFullPath.c_str(), true, "a.example", 80, kFullPath.c_str() + 10}));

TEST(PageRequest, RequestTextCarriesPathAndHostWithoutPort)
{
    PageAddress page;
    ASSERT_TRUE(SplitPageAddress("http://www.example.com:8080/a/b?c=1", &page));
    char text[4096];
    ASSERT_GT(FormatPageRequest(page, text, sizeof text), 0u);
    EXPECT_STREQ("GET /a/b?c=1 HTTP/1.1\r\nHost: www.example.com\r\nAccept-Language: ko\r\n"
                 "Content-Type: text/html;charset=UTF-8\r\nConnection: Keep-Alive\r\n\r\n",
                 text);
}

TEST_F(BlockingTest, PageFetchDeliversTheBodyAfterTheHead)
{
    HttpPeer peer("HTTP/1.1 200 OK\r\n\r\n<html>본문</html>");
    const std::string address = "http://127.0.0.1:" + std::to_string(peer.Port()) + "/x/y";
    const int length = GetUrlContentsBlocking(handle, address.c_str());
    const std::string expected = "<html>본문</html>";
    EXPECT_EQ(static_cast<int>(expected.size()), length);
    EXPECT_EQ(0u, peer.Request().find("GET /x/y HTTP/1.1\r\nHost: 127.0.0.1\r\n"));
    const std::vector<Delivery> got = CallbackSink::Take();
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(static_cast<uint32_t>(LM_SVC_URL_CONTENTS), got[0].code);
    EXPECT_EQ(expected, std::string(got[0].bytes.begin(), got[0].bytes.end()));
}

TEST_F(BlockingTest, PageFetchCutsAndKeepsWholeResponses)
{
    {
        HttpPeer peer("no head at all");
        EXPECT_EQ(14, GetUrlContentsBlocking(handle, ("127.0.0.1:" + std::to_string(peer.Port())).c_str()));
    }
    {
        HttpPeer peer("HTTP/1.1 200 OK\r\n\r\n" + std::string(30000, 'b'));
        EXPECT_EQ(20000, GetUrlContentsBlocking(handle, ("127.0.0.1:" + std::to_string(peer.Port())).c_str()));
    }
    const std::vector<Delivery> got = CallbackSink::Take();
    ASSERT_EQ(2u, got.size());
    EXPECT_EQ("no head at all", std::string(got[0].bytes.begin(), got[0].bytes.end()));
    EXPECT_EQ(std::string(20000, 'b'), std::string(got[1].bytes.begin(), got[1].bytes.end()));
}

TEST_F(BlockingTest, PageFetchOfEmptyUnreachableAndRefusedAddresses)
{
    EXPECT_EQ(-1, GetUrlContentsBlocking(handle, ""));
    EXPECT_TRUE(CallbackSink::Take().empty());

    EXPECT_EQ(0, GetUrlContentsBlocking(handle, ("127.0.0.1:" + std::to_string(ClosedLoopbackPort())).c_str()));
    std::vector<Delivery> got = CallbackSink::Take();
    ASSERT_EQ(1u, got.size()) << "an unreachable host delivers an empty body";
    EXPECT_TRUE(got[0].bytes.empty());

    EXPECT_EQ(0, GetUrlContentsBlocking(handle, kLongPath.c_str()));
    EXPECT_TRUE(CallbackSink::Take().empty()) << "a refused address delivers nothing";
}

} // namespace
