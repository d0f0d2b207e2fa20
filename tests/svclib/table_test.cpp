// The shared request table: sequence numbers, the full table, expiry, the server change, the
// machine identifier before any thread ran, and separate tables per process.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lumora_svc_api.h"
#include "table/alloc_slot.h"
#include "table/queue_request.h"
#include "table_probe.h"

namespace {

HWND FakeWindow(int n)
{
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x10000 + n));
}

class TableTest : public ::testing::Test
{
protected:
    void SetUp() override { probe.ClearSlots(); }
    TableProbe probe;
};

TEST(TableBeforeThread, GetPcidReturnsEmptyIdentifier)
{
    char pcid[33];
    std::memset(pcid, 'x', sizeof pcid);
    EXPECT_EQ(1, GetPCID(pcid));
    EXPECT_STREQ("", pcid);
}

TEST_F(TableTest, QueuedRecordGetsSlotSeqAndWindowAndIsPackedIntoPayload)
{
    probe.Table()->header.next_seq = 1; // as a starting connection thread leaves it
    SvcSeqRecord record = {};
    record.env.seq = 555;
    record.env.hToolbar = 666;
    record.toolbarmsg_seq = 42;
    ASSERT_EQ(0, LMSvcConnectRequest(FakeWindow(1), &record));
    EXPECT_EQ(2, record.env.seq);
    EXPECT_EQ(0x10001, record.env.hToolbar);

    const SharedSlot& slot = probe.Table()->slots[0];
    EXPECT_EQ(2, slot.seq);
    EXPECT_EQ(LM_SVC_CONNECT_REQ, slot.kind);
    EXPECT_EQ(static_cast<int32_t>(GetCurrentProcessId()), slot.pid);
    EXPECT_NE(0, slot.queued_time);
    EXPECT_EQ(0, slot.sent_time);
    SvcSeqRecord unpacked;
    ASSERT_GT(UnpackRecord(slot.payload, sizeof slot.payload, &unpacked), 0u);
    EXPECT_EQ(42, unpacked.toolbarmsg_seq);
    EXPECT_EQ(2, unpacked.env.seq);
}

TEST_F(TableTest, SequenceWrapsAfterTenThousand)
{
    probe.Table()->header.next_seq = 9999;
    SvcUrlRequest request;
    MakeUrlRequest(&request, "http://a.example/");
    ASSERT_EQ(0, LMSvcURLRequest(FakeWindow(1), &request));
    EXPECT_EQ(10000, request.env.seq);
    ASSERT_EQ(0, LMSvcURLRequest(FakeWindow(1), &request));
    EXPECT_EQ(1, request.env.seq);
}

TEST_F(TableTest, FullTableRefusesWithResultsPerKindAndChangesNothing)
{
    SvcUrlRequest request;
    MakeUrlRequest(&request, "http://fill.example/");
    for (int i = 0; i < kSlotCount; ++i) {
        ASSERT_EQ(0, LMSvcURLRequest(FakeWindow(i), &request));
    }
    ASSERT_EQ(kSlotCount, probe.BusySlots());
    std::vector<uint8_t> before(reinterpret_cast<uint8_t*>(probe.Table()),
                                reinterpret_cast<uint8_t*>(probe.Table()) + kSharedTableSize);

    SvcSeqRecord seqRecord = {};
    SvcToolbarMsgReq msgRequest = {};
    EXPECT_EQ(0, LMSvcURLRequest(FakeWindow(99), &request));
    EXPECT_EQ(0, LMSvcToolbarMsgRequest(FakeWindow(99), &msgRequest));
    EXPECT_EQ(0, LMSvcNoticeRequest(FakeWindow(99), &seqRecord));
    EXPECT_EQ(-2, LMSvcConnectRequest(FakeWindow(99), &seqRecord));
    EXPECT_EQ(-2, LMSvcChangedRequest(FakeWindow(99), &seqRecord));
    EXPECT_EQ(-2, GetUrlContents(FakeWindow(99), "http://page.example/"));

    EXPECT_EQ(0, std::memcmp(before.data(), probe.Table(), kSharedTableSize));
}

TEST_F(TableTest, SentSlotIsReusedAfterThreeSecondsWithBothLogLines)
{
    EnsureLogDirectory();
    SvcUrlRequest request;
    MakeUrlRequest(&request, "http://first.example/");
    ASSERT_EQ(0, LMSvcURLRequest(FakeWindow(1), &request));
    const int32_t firstSeq = request.env.seq;
    SharedSlot& slot = probe.Table()->slots[0];
    slot.sent_time = NowSeconds() - 2;

    MakeUrlRequest(&request, "http://second.example/");
    ASSERT_EQ(0, LMSvcURLRequest(FakeWindow(1), &request));
    EXPECT_EQ(firstSeq, slot.seq) << "a slot sent 2 s ago is not expired";
    EXPECT_EQ(1, probe.FindSeq(request.env.seq));

    slot.sent_time = NowSeconds() - 3;
    MakeUrlRequest(&request, "http://third.example/");
    ASSERT_EQ(0, LMSvcURLRequest(FakeWindow(1), &request));
    EXPECT_EQ(request.env.seq, slot.seq) << "a slot sent 3 s ago is taken by the next request";
    EXPECT_EQ(2, probe.BusySlots());

    const std::string log = ReadTodaysLog();
    EXPECT_NE(std::string::npos, log.find("Request(LM_SVC_URL_REQ) waiting more than 3 seconds. "
                                          "Forced Removed(No Response)"));
    EXPECT_NE(std::string::npos, log.find("3초이상 처리되지 않고 있는 요청(LM_SVC_URL_REQ) 강제 해제(응답없음)"));
}

TEST_F(TableTest, QueuedSlotIsOnlyReportedNeverExpired)
{
    EnsureLogDirectory();
    SvcSeqRecord record = {};
    ASSERT_EQ(0, LMSvcNoticeRequest(FakeWindow(1), &record));
    probe.Table()->slots[0].queued_time = NowSeconds() - 5;
    const int32_t seq = record.env.seq;
    ASSERT_EQ(0, LMSvcNoticeRequest(FakeWindow(1), &record));
    EXPECT_EQ(0, probe.FindSeq(seq));
    EXPECT_EQ(2, probe.BusySlots());
    EXPECT_NE(std::string::npos,
              ReadTodaysLog().find("Request(LM_SVC_NOTICE_REQ) waiting more than 3 seconds. "
                                   "Forced Removed(Couldn't be sent)"));
}

TEST_F(TableTest, PageFetchAddressMustFitThePayload)
{
    std::string address(kSlotPayloadSize - 1, 'a');
    EXPECT_EQ(0, GetUrlContents(FakeWindow(1), address.c_str()));
    EXPECT_STREQ(address.c_str(), reinterpret_cast<const char*>(probe.Table()->slots[0].payload));
    address.push_back('a');
    EXPECT_EQ(-2, GetUrlContents(FakeWindow(1), address.c_str()));
    EXPECT_EQ(1, probe.BusySlots());
}

TEST_F(TableTest, UrlRequestWithFullAddressesIsCutToFitTheSlot)
{
    SvcUrlRequest request;
    MakeUrlRequest(&request, std::string(2047, 'u').c_str());
    std::memset(request.page_url, 'p', 2047);
    ASSERT_EQ(0, LMSvcURLRequest(FakeWindow(1), &request));
    SvcUrlRequest unpacked;
    ASSERT_GT(UnpackRecord(probe.Table()->slots[0].payload, kSlotPayloadSize, &unpacked), 0u);
    EXPECT_GT(std::strlen(unpacked.url), 0u);
    EXPECT_EQ(0, std::strncmp(unpacked.url, request.url, std::strlen(unpacked.url)));
}

TEST_F(TableTest, ChangeServerSetsProcessServerAndRefusesOverlongHost)
{
    EXPECT_EQ(1, LMChangeServerIpPort("toolbar.example", 7001));
    EXPECT_STREQ("toolbar.example", probe.Table()->header.server_host);
    EXPECT_EQ(7001, probe.Table()->header.server_port);

    const std::string host31(31, 'h');
    EXPECT_EQ(1, LMChangeServerIpPort(host31.c_str(), 7002));
    EXPECT_EQ(host31, probe.Table()->header.server_host);

    EXPECT_EQ(1, LMChangeServerIpPort(std::string(32, 'h').c_str(), 7003));
    EXPECT_STREQ("", probe.Table()->header.server_host);
    EXPECT_EQ(7003, probe.Table()->header.server_port);
}

TEST_F(TableTest, AnotherProcessHasItsOwnTable)
{
    SvcUrlRequest request;
    MakeUrlRequest(&request, "http://parent.example/");
    ASSERT_EQ(0, LMSvcURLRequest(FakeWindow(1), &request));

    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string child(path);
    child = child.substr(0, child.find_last_of('\\') + 1) + "svclib_table_child.exe";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"" + child + "\"";
    ASSERT_TRUE(CreateProcessA(child.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process))
        << child << " error " << GetLastError();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 20000));
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(0u, exitCode) << "the child saw something else than its own single request";

    EXPECT_EQ(1, probe.BusySlots());
    SvcUrlRequest unpacked;
    ASSERT_GT(UnpackRecord(probe.Table()->slots[0].payload, kSlotPayloadSize, &unpacked), 0u);
    EXPECT_STREQ("http://parent.example/", unpacked.url);
}

} // namespace
