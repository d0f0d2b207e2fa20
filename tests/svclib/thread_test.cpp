// The connection thread against the scripted server: replies reach the window that asked, server
// faults end with the documented delivery, slots never stay taken past the expiry, and the
// life-cycle rules of initialisation and release.
#include <windows.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "delivery_window.h"
#include "fake_toolbar_server.h"
#include "http_peer.h"
#include "lumora_svc_api.h"
#include "table/queue_request.h"
#include "table_probe.h"

namespace {

constexpr int kReplyWaitMs = 3000;

class ThreadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        StartSockets();
        probe.reset(new TableProbe());
        probe->ClearSlots();
        CallbackSink::Take();
    }
    void TearDown() override
    {
        for (SvcHandle* handle : handles) {
            EXPECT_EQ(0, LMSvcFree(handle));
        }
        probe.reset();
    }
    SvcHandle* Start(int port, SvcDeliveryCallback callback = nullptr)
    {
        SvcHandle* handle = LMSvcInitialize("127.0.0.1", port, callback);
        if (handle != nullptr) {
            handles.push_back(handle);
        }
        return handle;
    }
    int32_t QueueUrl(const char* url)
    {
        SvcUrlRequest request;
        MakeUrlRequest(&request, url);
        EXPECT_EQ(0, LMSvcURLRequest(window.Handle(), &request));
        return request.env.seq;
    }
    // Waits until the table has no busy slot (bounded).
    bool WaitForFreeTable(int timeoutMs)
    {
        for (int waited = 0; waited < timeoutMs; waited += 10) {
            if (probe->BusySlots() == 0) {
                return true;
            }
            Sleep(10);
        }
        return probe->BusySlots() == 0;
    }

    FakeToolbarServer server;
    DeliveryWindow window;
    std::unique_ptr<TableProbe> probe;
    std::vector<SvcHandle*> handles;
};

SvcUrlResponse UnpackUrlResponse(const Delivery& delivery)
{
    SvcUrlResponse reply;
    EXPECT_EQ(delivery.bytes.size(),
              UnpackRecord(delivery.bytes.data(), delivery.bytes.size(), &reply));
    return reply;
}

TEST_F(ThreadTest, FirstRequestAfterStartCarriesSeqTwoAndItsReplyReachesTheWindow)
{
    ASSERT_NE(nullptr, Start(server.Port()));
    server.SetMalCode(121011);
    EXPECT_EQ(2, QueueUrl("http://first.example/"));
    ASSERT_TRUE(window.WaitFor(1, kReplyWaitMs));
    const Delivery delivery = window.Deliveries()[0];
    EXPECT_EQ(static_cast<uint32_t>(LM_SVC_URL_RESP), delivery.code);
    const SvcUrlResponse reply = UnpackUrlResponse(delivery);
    EXPECT_STREQ("http://first.example/", reply.url);
    EXPECT_EQ(121011, reply.malCode);
    EXPECT_EQ(2, reply.env.seq);
    EXPECT_EQ(static_cast<int32_t>(reinterpret_cast<uintptr_t>(window.Handle())), reply.env.hToolbar);
    EXPECT_TRUE(WaitForFreeTable(1000));

    char pcid[33];
    ASSERT_EQ(1, GetPCID(pcid));
    EXPECT_TRUE(std::strlen(pcid) == 32 || std::strcmp(pcid, "unknown pcid") == 0) << pcid;
    EXPECT_EQ(server.Requests()[0].pcidLength, 32);
}

TEST_F(ThreadTest, ThreadStartingUnderQueuedRequestsKeepsTheirNumbersUnique)
{
    probe->Table()->header.next_seq = 500;
    EXPECT_EQ(501, QueueUrl("http://queued-before-start.example/"));
    ASSERT_NE(nullptr, Start(server.Port()));
    ASSERT_TRUE(window.WaitFor(1, kReplyWaitMs));
    EXPECT_EQ(502, QueueUrl("http://after-start.example/"));
    ASSERT_TRUE(window.WaitFor(2, kReplyWaitMs));
    EXPECT_STREQ("http://after-start.example/", UnpackUrlResponse(window.Deliveries()[1]).url);
}

TEST_F(ThreadTest, StreamsDeliverEachItemAndFreeTheSlotAtTheEnd)
{
    ASSERT_NE(nullptr, Start(server.Port()));
    SvcToolbarMsgReq msgRequest = {};
    ASSERT_EQ(0, LMSvcToolbarMsgRequest(window.Handle(), &msgRequest));
    ASSERT_TRUE(window.WaitFor(2, kReplyWaitMs));
    SvcSeqRecord noticeRequest = {};
    ASSERT_EQ(0, LMSvcNoticeRequest(window.Handle(), &noticeRequest));
    ASSERT_TRUE(window.WaitFor(4, kReplyWaitMs));
    EXPECT_TRUE(WaitForFreeTable(1000));

    const std::vector<Delivery> got = window.Deliveries();
    ASSERT_EQ(4u, got.size());
    EXPECT_EQ(static_cast<uint32_t>(LM_SVC_TOOLBAR_MSG_RESP), got[0].code);
    EXPECT_EQ(static_cast<uint32_t>(LM_SVC_TOOLBAR_MSG_RESP), got[1].code);
    SvcToolbarMsg message;
    ASSERT_EQ(got[1].bytes.size(), UnpackRecord(got[1].bytes.data(), got[1].bytes.size(), &message));
    EXPECT_EQ(2, message.toolbar_msg_seq);
    EXPECT_STREQ("메시지", message.msg);
    EXPECT_EQ(static_cast<uint32_t>(LM_SVC_NOTICE_RESP), got[2].code);
    SvcNotice notice;
    ASSERT_EQ(got[3].bytes.size(), UnpackRecord(got[3].bytes.data(), got[3].bytes.size(), &notice));
    EXPECT_EQ(2, notice.notice_no);
    EXPECT_STREQ("공지", notice.title);
}

TEST_F(ThreadTest, UnreachableServerDeliversConnectionFailOnlyForTheRequestsThatGetIt)
{
    ASSERT_NE(nullptr, Start(ClosedLoopbackPort()));
    SvcSeqRecord record = {};
    ASSERT_EQ(0, LMSvcConnectRequest(window.Handle(), &record));
    ASSERT_EQ(0, LMSvcChangedRequest(window.Handle(), &record));
    QueueUrl("http://down.example/");
    ASSERT_TRUE(window.WaitFor(1, kReplyWaitMs));
    EXPECT_TRUE(WaitForFreeTable(1000));
    Sleep(100);
    const std::vector<Delivery> got = window.Deliveries();
    ASSERT_EQ(1u, got.size()) << "connect and change check report nothing";
    EXPECT_EQ(static_cast<uint32_t>(LM_SVC_CONNECTION_FAIL), got[0].code);
    EXPECT_TRUE(got[0].bytes.empty());
    EXPECT_TRUE(got[0].lpDataNull);
}

// Server faults after the connection is made: nothing is delivered, the connection is closed,
// the request is not retried in a loop, and its slot is gone at the first request after the
// 3-second expiry.
struct FaultCase
{
    const char* name;
    ServerFault fault;
    int32_t requestKind;
};

class ServerFaultTest : public ThreadTest, public ::testing::WithParamInterface<FaultCase>
{
};

TEST_P(ServerFaultTest, EndsWithoutDeliveryAndTheSlotExpires)
{
    const FaultCase& c = GetParam();
    server.SetFault(c.fault);
    ASSERT_NE(nullptr, Start(server.Port()));
    int32_t seq = 0;
    if (c.requestKind == LM_SVC_URL_REQ) {
        seq = QueueUrl("http://fault.example/");
    } else {
        SvcToolbarMsgReq request = {};
        ASSERT_EQ(0, LMSvcToolbarMsgRequest(window.Handle(), &request));
        seq = request.env.seq;
    }
    // Long enough for a conversation with its 1-second receive time-out.
    Sleep(1500);
    EXPECT_TRUE(window.Deliveries().empty());
    EXPECT_LE(server.Connections(), 1 + 1) << "a failing request must not be retried at once";

    Sleep(2000); // past the expiry of a sent request
    SvcSeqRecord probeRecord = {};
    ASSERT_EQ(0, LMSvcNoticeRequest(window.Handle(), &probeRecord));
    EXPECT_EQ(-1, probe->FindSeq(seq)) << "the slot stays taken after the expiry";
    EXPECT_LE(server.Connections(), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ServerFaultTest,
    ::testing::Values(FaultCase{"AcceptThenClose", ServerFault::CloseAtAccept, LM_SVC_URL_REQ},
                      FaultCase{"StallPastTimeout", ServerFault::Stall, LM_SVC_URL_REQ},
                      FaultCase{"WrongMagic", ServerFault::WrongMagic, LM_SVC_URL_REQ},
                      FaultCase{"WrongSeq", ServerFault::WrongSeq, LM_SVC_URL_REQ},
                      FaultCase{"LengthNotMultipleOf16", ServerFault::LengthNotBlocks, LM_SVC_URL_REQ},
                      FaultCase{"OversizeLength", ServerFault::OversizeLength, LM_SVC_URL_REQ},
                      FaultCase{"UnexpectedCodeInStream", ServerFault::UnexpectedStreamCode,
                                LM_SVC_TOOLBAR_MSG_REQ}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

TEST_F(ThreadTest, ReplyWhoseSeqMatchesNoSlotIsStillDelivered)
{
    server.SetFault(ServerFault::UnknownSeq);
    ASSERT_NE(nullptr, Start(server.Port()));
    const int32_t seq = QueueUrl("http://expired.example/");
    ASSERT_TRUE(window.WaitFor(1, kReplyWaitMs));
    const SvcUrlResponse reply = UnpackUrlResponse(window.Deliveries()[0]);
    EXPECT_EQ(77777, reply.env.seq);
    EXPECT_STREQ("http://expired.example/", reply.url);
    EXPECT_NE(-1, probe->FindSeq(seq)) << "its own slot waits for the expiry";
}

TEST_F(ThreadTest, ChangeChecksTwoSecondsApartSendOnlyTheFirst)
{
    ASSERT_NE(nullptr, Start(server.Port()));
    SvcSeqRecord record = {};
    ASSERT_EQ(0, LMSvcChangedRequest(window.Handle(), &record));
    ASSERT_TRUE(window.WaitFor(1, kReplyWaitMs));
    EXPECT_EQ(static_cast<uint32_t>(LM_SVC_CHANGED_RESP), window.Deliveries()[0].code);
    Sleep(2000);
    ASSERT_EQ(0, LMSvcChangedRequest(window.Handle(), &record));
    EXPECT_TRUE(WaitForFreeTable(1000));
    EXPECT_FALSE(window.WaitFor(2, 300));
    EXPECT_EQ(1u, server.Requests().size());
}

TEST_F(ThreadTest, CallbackReceivesResultsInsteadOfTheWindow)
{
    ASSERT_NE(nullptr, Start(server.Port(), &CallbackSink::Receive));
    SvcSeqRecord record = {};
    ASSERT_EQ(0, LMSvcConnectRequest(window.Handle(), &record));
    ASSERT_TRUE(CallbackSink::WaitFor(1, kReplyWaitMs));
    const std::vector<Delivery> got = CallbackSink::Take();
    EXPECT_EQ(static_cast<uint32_t>(LM_SVC_CONNECT_RESP), got[0].code);
    SvcSeqRecord reply;
    ASSERT_EQ(got[0].bytes.size(), UnpackRecord(got[0].bytes.data(), got[0].bytes.size(), &reply));
    EXPECT_EQ(7, reply.toolbarmsg_seq);
    EXPECT_EQ(17, reply.notice_seq[7]);
    EXPECT_FALSE(window.WaitFor(1, 200));
}

TEST_F(ThreadTest, LaterInstanceDecidesTheServerUntilItIsChanged)
{
    FakeToolbarServer other;
    ASSERT_NE(nullptr, Start(server.Port()));
    ASSERT_NE(nullptr, Start(other.Port()));
    QueueUrl("http://one.example/");
    ASSERT_TRUE(window.WaitFor(1, kReplyWaitMs));
    EXPECT_EQ(0u, server.Requests().size());
    EXPECT_EQ(1u, other.Requests().size());

    ASSERT_EQ(1, LMChangeServerIpPort("127.0.0.1", server.Port()));
    QueueUrl("http://two.example/");
    ASSERT_TRUE(window.WaitFor(2, kReplyWaitMs));
    EXPECT_EQ(1u, server.Requests().size());
    EXPECT_EQ(1u, other.Requests().size());
}

TEST_F(ThreadTest, QueuedPageFetchDeliversTheBody)
{
    HttpPeer peer("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello");
    ASSERT_NE(nullptr, Start(server.Port()));
    const std::string address = "http://127.0.0.1:" + std::to_string(peer.Port()) + "/page?x=1";
    ASSERT_EQ(0, GetUrlContents(window.Handle(), address.c_str()));
    ASSERT_TRUE(window.WaitFor(1, 5000));
    const Delivery delivery = window.Deliveries()[0];
    EXPECT_EQ(static_cast<uint32_t>(LM_SVC_URL_CONTENTS), delivery.code);
    EXPECT_EQ("hello", std::string(delivery.bytes.begin(), delivery.bytes.end()));
    EXPECT_EQ(0u, peer.Request().find("GET /page?x=1 HTTP/1.1\r\nHost: 127.0.0.1\r\n"));
    EXPECT_TRUE(WaitForFreeTable(1000));
}

TEST_F(ThreadTest, OverlongServerHostIsRefusedAsUnreachable)
{
    SvcHandle* handle = LMSvcInitialize(std::string(40, 'h').c_str(), server.Port(), nullptr);
    ASSERT_NE(nullptr, handle);
    handles.push_back(handle);
    EXPECT_STREQ("", handle->host);
    QueueUrl("http://refused.example/");
    ASSERT_TRUE(window.WaitFor(1, kReplyWaitMs));
    EXPECT_EQ(static_cast<uint32_t>(LM_SVC_CONNECTION_FAIL), window.Deliveries()[0].code);
    EXPECT_EQ(0, server.Connections());
}

TEST_F(ThreadTest, InitializeReturnsNoneWhenTheThreadCannotStart)
{
    probe.reset(); // let the table go, then take its name with an object of another type
    char name[32];
    wsprintfA(name, "%lu_shm", GetCurrentProcessId());
    HANDLE squatter = CreateMutexA(nullptr, FALSE, name);
    ASSERT_NE(nullptr, squatter);
    EXPECT_EQ(nullptr, Start(server.Port()));
    SvcSeqRecord record = {};
    EXPECT_EQ(-1, LMSvcConnectRequest(window.Handle(), &record));
    CloseHandle(squatter);
}

TEST_F(ThreadTest, FreeStopsTheThreadPromptlyAndTheHandleOutlivesABusyThread)
{
    SvcHandle* handle = LMSvcInitialize("127.0.0.1", server.Port(), nullptr);
    ASSERT_NE(nullptr, handle);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(0, LMSvcFree(handle));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));

    // A thread in the middle of a stalled conversation finishes after LMSvcFree has returned.
    server.SetFault(ServerFault::Stall);
    handle = LMSvcInitialize("127.0.0.1", server.Port(), nullptr);
    ASSERT_NE(nullptr, handle);
    QueueUrl("http://stall.example/");
    ASSERT_TRUE(server.WaitForRequests(1, kReplyWaitMs));
    EXPECT_EQ(0, LMSvcFree(handle));
    Sleep(1500); // the thread ends its conversation, then frees the handle itself
}

} // namespace
