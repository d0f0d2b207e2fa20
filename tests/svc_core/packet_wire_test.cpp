// Packets between a CTcpSock and a scripted loopback peer: sizes and headers on the wire, the
// body cipher, the record round trip, and every way a received packet is refused.
#include <winsock2.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "loopback_peer.h"
#include "net/session.h"
#include "net/sock_records.h"
#include "protocol/aria.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Ends the client's sending in order and waits for the peer: the sockets of ClientSockConnect
// reset the connection on close, which would drop bytes still in flight.
void FinishSending(CSession& session, LoopbackPeer& peer)
{
    shutdown(static_cast<SOCKET>(session.Socket()), SD_SEND);
    peer.Join();
    session.Close();
}

struct WireCase
{
    size_t bodyBytes;
    int cipher;
    int32_t total;
    int32_t length;
    int32_t pad;
};

class PacketOnTheWire : public testing::TestWithParam<WireCase>
{
};

TEST_P(PacketOnTheWire, IsPaddedToWhole128ByteUnits)
{
    const WireCase c = GetParam();
    Bytes body(c.bodyBytes);
    for (size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<uint8_t>(i * 7 + 1);
    }
    Bytes wire;
    LoopbackPeer peer([&wire](SOCKET s) { wire = ReceiveUntilClosed(s); });
    CSession session(2);
    session.AttachSocket(ConnectToPeer(peer));
    ASSERT_TRUE(session.IsConnected());

    session.SendHeader(0x2003);
    session.Header().cipher = c.cipher;
    session.PutBytes(body.data(), body.size());
    EXPECT_EQ(c.total, session.SendFlush());
    FinishSending(session, peer);

    ASSERT_EQ(static_cast<size_t>(c.total), wire.size());
    EXPECT_EQ(0x62382060, ReadBigEndian(&wire[0]));
    EXPECT_EQ(c.cipher, ReadBigEndian(&wire[4]));
    EXPECT_EQ(2, ReadBigEndian(&wire[8]));
    EXPECT_EQ(0x2003, ReadBigEndian(&wire[12]));
    EXPECT_EQ(c.length, ReadBigEndian(&wire[16]));
    EXPECT_EQ(c.pad, ReadBigEndian(&wire[20]));
    EXPECT_EQ(0, ReadBigEndian(&wire[24]));
    EXPECT_EQ(1, ReadBigEndian(&wire[28]));

    Bytes expected = body;
    expected.resize(static_cast<size_t>(c.total) - 32, 0); // the zero padding
    Bytes sentBody(wire.begin() + 32, wire.end());
    if (c.cipher == 1) {
        EXPECT_NE(expected, sentBody) << "the body must not travel in plain";
        ASSERT_TRUE(AriaEcbDecrypt(kProtocolKey, sizeof kProtocolKey, sentBody.data(),
                                   sentBody.size()));
    }
    EXPECT_EQ(expected, sentBody);
}

INSTANTIATE_TEST_SUITE_P(BodySizes, PacketOnTheWire,
                         testing::Values(WireCase{0, 0, 128, 0, 96}, WireCase{0, 1, 128, 96, 0},
                                         WireCase{96, 0, 128, 96, 0}, WireCase{96, 1, 128, 96, 0},
                                         WireCase{97, 0, 256, 97, 127},
                                         WireCase{97, 1, 256, 224, 0}));

TEST(PacketSend, SequenceCountsPerConnectionAndRestartsAfterClose)
{
    Bytes first;
    Bytes second;
    {
        LoopbackPeer peer([&first](SOCKET s) { first = ReceiveUntilClosed(s); });
        CSession session(2);
        session.AttachSocket(ConnectToPeer(peer));
        for (int i = 0; i < 3; ++i) {
            session.SendHeader(0x2001);
            ASSERT_EQ(128, session.SendFlush());
        }
        FinishSending(session, peer);

        LoopbackPeer again([&second](SOCKET s) { second = ReceiveUntilClosed(s); });
        session.AttachSocket(ConnectToPeer(again));
        session.SendHeader(0x2001);
        ASSERT_EQ(128, session.SendFlush());
        FinishSending(session, again);
    }
    ASSERT_EQ(3u * 128, first.size());
    EXPECT_EQ(1, ReadBigEndian(&first[28]));
    EXPECT_EQ(2, ReadBigEndian(&first[128 + 28]));
    EXPECT_EQ(3, ReadBigEndian(&first[256 + 28]));
    ASSERT_EQ(128u, second.size());
    EXPECT_EQ(1, ReadBigEndian(&second[28]));
}

TEST(PacketSend, FlushWithoutHeaderClosesTheConnection)
{
    Bytes wire;
    LoopbackPeer peer([&wire](SOCKET s) { wire = ReceiveUntilClosed(s); });
    CSession session(2);
    session.AttachSocket(ConnectToPeer(peer));
    session.PutInt(5);
    testing::internal::CaptureStderr();
    EXPECT_EQ(-1, session.SendFlush());
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ("[CTcpSock::SendFlush] missing SendHeader, closed!! (:0)\n", err);
    EXPECT_FALSE(session.IsConnected());
    peer.Join();
    EXPECT_TRUE(wire.empty());
}

TEST(PacketSend, FlushOnAnUnconnectedSocketFailsQuietly)
{
    CSession session(1);
    session.SendHeader(0x2001);
    testing::internal::CaptureStderr();
    EXPECT_EQ(-1, session.SendFlush());
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    // The packet was closed all the same: the next one needs its own header.
    EXPECT_FALSE(session.Writer().IsOpen());
}

struct LimitCase
{
    size_t bodyBytes;
    bool sent;
};

class PacketSendLimit : public testing::TestWithParam<LimitCase>
{
};

// 32 + 5,048,544 = 5,048,576 bytes, already a multiple of 128, is the largest packet; one body
// byte more makes the packet unusable: nothing of it goes out and the connection is closed.
TEST_P(PacketSendLimit, LargestPacketGoesOneByteMoreIsRefused)
{
    const LimitCase c = GetParam();
    size_t received = 0;
    LoopbackPeer peer([&received](SOCKET s) { received = ReceiveUntilClosed(s).size(); });
    CSession session(5);
    session.AttachSocket(ConnectToPeer(peer));
    Bytes body(c.bodyBytes, 0x5A);
    session.SendHeader(0x2003);
    session.Header().cipher = 1;
    testing::internal::CaptureStderr();
    session.PutBytes(body.data(), body.size());
    session.PutInt(1); // reaches the limit exactly, or passes it by one byte
    int result = session.SendFlush();
    std::string err = testing::internal::GetCapturedStderr();
    if (session.IsConnected()) {
        FinishSending(session, peer);
    }
    peer.Join();
    if (c.sent) {
        EXPECT_EQ(5048576, result);
        EXPECT_EQ(5048576u, received);
        EXPECT_EQ("", err);
    } else {
        EXPECT_EQ(-1, result);
        EXPECT_EQ(0u, received);
        EXPECT_EQ("CTcpSock::GetSendBuf over max limit 5048577\n"
                  "[CTcpSock::SendFlush] msg 2: can't send, closed!! (:0)\n",
                  err);
    }
}

INSTANTIATE_TEST_SUITE_P(Limit, PacketSendLimit,
                         testing::Values(LimitCase{5048544 - 4, true},
                                         LimitCase{5048544 - 3, false}));

TEST(PacketBuffers, GrowUpToTheLimitOnly)
{
    CSession session(1);
    testing::internal::CaptureStderr();
    EXPECT_NE(nullptr, session.GetSendBuf(5048576));
    EXPECT_NE(nullptr, session.GetRecvBuf(100));
    EXPECT_EQ(nullptr, session.GetSendBuf(5048577));
    EXPECT_EQ(nullptr, session.GetRecvBuf(6000000));
    EXPECT_EQ("CTcpSock::GetSendBuf over max limit 5048577\n"
              "CTcpSock::GetRecvBuf over max limit 6000000\n",
              testing::internal::GetCapturedStderr());
}

// Every record goes out encrypted and comes back through an echoing peer: what is read equals
// what was written (the writer has already cut the texts in the record itself).
TEST(PacketRecords, EveryRecordKindRoundTripsEncrypted)
{
    Bytes wire;
    LoopbackPeer peer([&wire](SOCKET s) { wire = EchoUntilClosed(s); });
    CSession session(2);
    session.AttachSocket(ConnectToPeer(peer));
    ASSERT_TRUE(session.IsConnected());

    auto fillEnvelope = [](SvcEnvelope& env, int n) {
        std::memset(&env, 0, sizeof env);
        env.time = 1334800000 + n;
        env.seq = n;
        env.hToolbar = 0x00010000 + n;
        env.os_code = 6;
        env.browser_code = 8;
        std::strcpy(env.pcid, "0123456789ABCDEF0123456789ABCDEF");
        env.opt1 = 1;
        env.opt2 = 2;
        env.opt3 = 3;
    };
    int kind = -1;

    SvcSeqRecord seq;
    fillEnvelope(seq.env, 1);
    for (int i = 0; i < kNoticeKinds; ++i) {
        seq.notice_seq[i] = 100 + i;
    }
    seq.toolbarmsg_seq = 42;
    ASSERT_GT(SendRecordPacket(session, LM_SVC_CONNECT_REQ, seq), 0);
    ASSERT_EQ(32, session.RecvHeader(kind));
    EXPECT_EQ(2, kind);
    EXPECT_EQ(LM_SVC_CONNECT_REQ, session.ReceivedHeader().code);
    SvcSeqRecord seqBack;
    ReadRecord(session, &seqBack);
    EXPECT_EQ(42, seqBack.toolbarmsg_seq);
    EXPECT_EQ(107, seqBack.notice_seq[7]);

    SvcToolbarMsgReq msgReq;
    fillEnvelope(msgReq.env, 2);
    msgReq.toolbarmsg_seq = 9;
    ASSERT_GT(SendRecordPacket(session, LM_SVC_TOOLBAR_MSG_REQ, msgReq), 0);
    ASSERT_EQ(32, session.RecvHeader(kind));
    SvcToolbarMsgReq msgReqBack;
    ReadRecord(session, &msgReqBack);

    SvcUrlRequest url;
    fillEnvelope(url.env, 3);
    std::memset(url.url, 0, sizeof url.url);
    std::memset(url.page_url, 0, sizeof url.page_url);
    std::memset(url.host, 0, sizeof url.host);
    std::memset(url.host_ip, 0, sizeof url.host_ip);
    std::strcpy(url.url, "http://www.example.co.kr/가나다?x=1");
    std::strcpy(url.page_url, "http://www.example.co.kr/");
    std::strcpy(url.host, "example.co.kr");
    std::strcpy(url.host_ip, "192.0.2.10");
    url.port = 80;
    url.harmful_grade = 19;
    url.urltype = 1;
    ASSERT_GT(SendRecordPacket(session, LM_SVC_URL_REQ, url), 0);
    ASSERT_EQ(32, session.RecvHeader(kind));
    SvcUrlRequest urlBack;
    ReadRecord(session, &urlBack);
    EXPECT_STREQ(url.url, urlBack.url);
    EXPECT_EQ(19, urlBack.harmful_grade);

    SvcUrlResponse verdict;
    std::memset(&verdict, 0, sizeof verdict);
    fillEnvelope(verdict.env, 4);
    verdict.toolbarmsg_seq = 3;
    verdict.notice_seq[0] = 77;
    std::strcpy(verdict.url, "http://bad.example/");
    verdict.urltype = 2;
    verdict.malCode = 121011;
    verdict.phishing = 121021;
    verdict.olderThan19 = 1;
    std::strcpy(verdict.country_code, "KR");
    std::strcpy(verdict.countryName, "대한민국");
    verdict.malCodeHistory = 5;
    ASSERT_GT(SendRecordPacket(session, LM_SVC_URL_RESP, verdict), 0);
    ASSERT_EQ(32, session.RecvHeader(kind));
    SvcUrlResponse verdictBack;
    ReadRecord(session, &verdictBack);
    EXPECT_STREQ("대한민국", verdictBack.countryName);

    SvcToolbarMsg message;
    std::memset(&message, 0, sizeof message);
    fillEnvelope(message.env, 5);
    message.toolbar_msg_seq = 12;
    message.msg_code = 3;
    std::strcpy(message.msg, "1보안1 공지가 있습니다");
    ASSERT_GT(SendRecordPacket(session, LM_SVC_TOOLBAR_MSG_RESP, message), 0);
    ASSERT_EQ(32, session.RecvHeader(kind));
    SvcToolbarMsg messageBack;
    ReadRecord(session, &messageBack);

    SvcNotice notice;
    std::memset(&notice, 0, sizeof notice);
    fillEnvelope(notice.env, 6);
    notice.notice_no = 31;
    notice.notice_kind = 2;
    std::string content(2047, 'c');
    std::memcpy(notice.content, content.data(), content.size());
    std::strcpy(notice.title, "긴급 공지");
    std::strcpy(notice.extra1, "20120419");
    std::strcpy(notice.extra2, "http://notice.example/31");
    std::strcpy(notice.extra3, "x3");
    std::strcpy(notice.extra4, "x4");
    ASSERT_GT(SendRecordPacket(session, LM_SVC_NOTICE_RESP, notice), 0);
    ASSERT_EQ(32, session.RecvHeader(kind));
    EXPECT_EQ(LM_SVC_NOTICE_RESP, session.ReceivedHeader().code);
    SvcNotice noticeBack;
    ReadRecord(session, &noticeBack);
    EXPECT_EQ(2047u, std::strlen(noticeBack.content));
    EXPECT_STREQ("긴급 공지", noticeBack.title);

    session.Close();
    peer.Join();

    // Whole records compared through their packed form, which carries every field.
    auto packed = [](const auto& record) {
        Bytes bytes(PackedSize(record));
        bytes.resize(PackRecord(record, bytes.data(), bytes.size()));
        return bytes;
    };
    EXPECT_EQ(packed(seq), packed(seqBack));
    EXPECT_EQ(packed(msgReq), packed(msgReqBack));
    EXPECT_EQ(packed(url), packed(urlBack));
    EXPECT_EQ(packed(verdict), packed(verdictBack));
    EXPECT_EQ(packed(message), packed(messageBack));
    EXPECT_EQ(packed(notice), packed(noticeBack));
    EXPECT_EQ(1, seqBack.env.opt1);
    EXPECT_EQ(3, noticeBack.env.opt3);

    // Six packets went out, all encrypted whole blocks numbered 1 to 6.
    size_t offset = 0;
    for (int32_t expectedSeq = 1; expectedSeq <= 6; ++expectedSeq) {
        ASSERT_LE(offset + 32, wire.size());
        EXPECT_EQ(1, ReadBigEndian(&wire[offset + 4]));
        int32_t length = ReadBigEndian(&wire[offset + 16]);
        EXPECT_EQ(0, ReadBigEndian(&wire[offset + 20]));
        EXPECT_EQ(expectedSeq, ReadBigEndian(&wire[offset + 28]));
        EXPECT_EQ(0, (32 + length) % 128);
        offset += 32 + static_cast<size_t>(length);
    }
    EXPECT_EQ(wire.size(), offset);
}

TEST(PacketRecords, IntegersAndFloatsTravelInNetworkOrder)
{
    Bytes wire;
    LoopbackPeer peer([&wire](SOCKET s) { wire = EchoUntilClosed(s); });
    CSession session(2);
    session.AttachSocket(ConnectToPeer(peer));
    EXPECT_EQ(4, session.SendInt(0x01020304, 0));
    EXPECT_EQ(4, session.SendFloat(1.5f, 0));
    int value = 0;
    float number = 0;
    EXPECT_EQ(4, session.RecvInt(&value, 0));
    EXPECT_EQ(4, session.RecvFloat(&number, 0));
    session.Close();
    peer.Join();
    EXPECT_EQ(0x01020304, value);
    EXPECT_EQ(1.5f, number);
    EXPECT_EQ((Bytes{1, 2, 3, 4, 0x3F, 0xC0, 0, 0}), wire);
}

// What the peer sends, and what the client's RecvHeader calls return one after another.
struct RefusalCase
{
    const char* name;
    std::vector<Bytes> packets; // sent back to back
    bool closeAfter;            // the peer closes right after sending
    std::vector<int> results;   // RecvHeader results in order
    std::string message;        // standard error of the last call
};

Bytes Concat(const std::vector<Bytes>& parts)
{
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes Truncated(Bytes bytes, size_t size)
{
    bytes.resize(size);
    return bytes;
}

RawHeader Header(int32_t seq, int32_t cipher = 1)
{
    RawHeader header;
    header.seq = seq;
    header.cipher = cipher;
    header.code = LM_SVC_URL_RESP;
    return header;
}

RawHeader SizedHeader(int32_t length, int32_t pad, int32_t cipher)
{
    RawHeader header = Header(1, cipher);
    header.length = length;
    header.pad = pad;
    return header;
}

RawHeader WrongMagic()
{
    RawHeader header = Header(1);
    header.magic = 0x62382061;
    return header;
}

std::vector<RefusalCase> RefusalCases()
{
    const Bytes body(40, 7);
    const std::string closed = "closed!! (:0)\n";
    return {
        {"SecondPacketWithSequenceOneAgain",
         {BuildPacket(Header(1), body), BuildPacket(Header(1), body)},
         false,
         {32, -1},
         "[CTcpSock::RecvHeader] incorrect sequence, " + closed},
        {"SequenceSkipped", {BuildPacket(Header(2), body)}, false, {-1},
         "[CTcpSock::RecvHeader] incorrect sequence, " + closed},
        {"WrongMagic", {BuildPacket(WrongMagic(), body)}, false, {-1},
         "[CTcpSock::RecvHeader] incorrect sequence, " + closed},
        {"EncryptedLengthNotWholeBlocks", {HeaderBytes(SizedHeader(120, 0, 1)), Bytes(120, 1)},
         false, {-1},
         "[CTcpSock::RecvHeader] encrypted body of 120 bytes is not whole blocks, " + closed},
        {"EncryptedLengthPlusPadNotWholeBlocks", {HeaderBytes(SizedHeader(96, 8, 1)), Bytes(104, 1)},
         false, {-1},
         "[CTcpSock::RecvHeader] encrypted body of 104 bytes is not whole blocks, " + closed},
        {"BodyOverTheLimit", {HeaderBytes(SizedHeader(6000000, 0, 0))}, false, {-1},
         "CTcpSock::GetRecvBuf over max limit 6000000\n"},
        {"LengthAndPadOverflow", {HeaderBytes(SizedHeader(INT_MAX, INT_MAX, 0))}, false, {-1},
         "CTcpSock::GetRecvBuf over max limit 2147483647\n"},
        {"OneByteOverTheLimit", {HeaderBytes(SizedHeader(5048577, 0, 0))}, false, {-1},
         "CTcpSock::GetRecvBuf over max limit 5048577\n"},
        {"PeerClosesInsideTheBody",
         {Truncated(BuildPacket(Header(1), Bytes(200, 3)), 32 + 50)},
         true,
         {-1},
         "[CTcpSock::RecvHeader] can't recv, " + closed},
        {"PeerClosesInsideTheHeader", {Truncated(BuildPacket(Header(1), body), 10)}, true, {-1}, ""},
        {"PeerClosesBetweenPackets", {BuildPacket(Header(1), body)}, true, {32, -1}, ""},
    };
}

class PacketRefusal : public testing::TestWithParam<RefusalCase>
{
};

TEST_P(PacketRefusal, ClosesTheConnection)
{
    const RefusalCase& c = GetParam();
    const Bytes script = Concat(c.packets);
    const bool closeAfter = c.closeAfter;
    LoopbackPeer peer([script, closeAfter](SOCKET s) {
        SendRaw(s, script);
        if (!closeAfter) {
            WaitForClose(s);
        }
    });
    CSession session(3);
    session.AttachSocket(ConnectToPeer(peer));
    ASSERT_TRUE(session.IsConnected());
    std::string err;
    for (size_t i = 0; i < c.results.size(); ++i) {
        const bool last = i + 1 == c.results.size();
        if (last) {
            testing::internal::CaptureStderr();
        }
        int kind = -1;
        EXPECT_EQ(c.results[i], session.RecvHeader(kind)) << "call " << i;
        EXPECT_EQ(c.results[i] == 32 ? 2 : 0, kind) << "call " << i;
        if (last) {
            err = testing::internal::GetCapturedStderr();
        }
    }
    EXPECT_EQ(c.message, err);
    EXPECT_FALSE(session.IsConnected());
    EXPECT_EQ(0, session.Reader().RecvSeq());
    EXPECT_EQ(0, session.GetInt()); // nothing of the refused packet can be read
    session.Close();
}

INSTANTIATE_TEST_SUITE_P(Cases, PacketRefusal, testing::ValuesIn(RefusalCases()),
                         [](const testing::TestParamInfo<RefusalCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(PacketBody, OverlongTextIsCutAndTheNextFieldFollowsIt)
{
    Bytes body;
    AppendText(body, std::string(3000, 'x'));
    AppendInt(body, 77);
    AppendText(body, "ok");
    AppendInt(body, -1); // a negative count is an empty text
    const Bytes packet = BuildPacket(Header(1), body);
    LoopbackPeer peer([packet](SOCKET s) {
        SendRaw(s, packet);
        WaitForClose(s);
    });
    CSession session(2);
    session.AttachSocket(ConnectToPeer(peer));
    int kind = 0;
    ASSERT_EQ(32, session.RecvHeader(kind));
    char text[2048];
    session.GetString(text, sizeof text);
    EXPECT_EQ(std::string(2047, 'x'), text);
    EXPECT_EQ(77, session.GetInt());
    char small[16];
    session.GetString(small, sizeof small);
    EXPECT_STREQ("ok", small);
    session.GetString(small, sizeof small);
    EXPECT_STREQ("", small);
    session.Close();
}

TEST(PacketBody, EmptyBodyAndEndOfBody)
{
    Bytes endBody;
    AppendInt(endBody, 5);
    const Bytes packets = Concat({HeaderBytes(SizedHeader(0, 0, 0)),
                                  [&] {
                                      RawHeader h = Header(2, 0);
                                      return BuildPacket(h, endBody);
                                  }()});
    LoopbackPeer peer([packets](SOCKET s) {
        SendRaw(s, packets);
        WaitForClose(s);
    });
    CSession session(2);
    session.AttachSocket(ConnectToPeer(peer));
    int kind = -1;
    ASSERT_EQ(32, session.RecvHeader(kind)); // a header without body
    EXPECT_EQ(0, kind);
    EXPECT_EQ(0, session.GetInt());
    SvcSeqRecord empty;
    ReadRecord(session, &empty); // nothing to decode: zeros, and the record's time is now
    EXPECT_NEAR(static_cast<double>(std::time(nullptr)), empty.env.time, 5.0);
    EXPECT_EQ(0, empty.toolbarmsg_seq);
    EXPECT_STREQ("", empty.env.pcid);
    ASSERT_EQ(32, session.RecvHeader(kind));
    EXPECT_EQ(2, kind);
    EXPECT_EQ(5, session.GetInt());
    EXPECT_EQ(0, session.GetInt()); // the end: 0, and the position stays
    EXPECT_EQ(0, session.GetInt());
    unsigned char raw[6];
    std::memset(raw, 0xEE, sizeof raw);
    session.GetBytes(raw, sizeof raw);
    for (unsigned char b : raw) {
        EXPECT_EQ(0, b);
    }
    session.Close();
}

// A header whose length claims more than the bytes that came (length 200, pad -72: 128 bytes
// on the wire) must not expose what the buffer held from an earlier packet.
TEST(PacketBody, LengthBeyondTheReceivedBytesReadsNothingStale)
{
    Bytes full(1024, 0xAB);
    Bytes second(128, 0);
    for (size_t i = 0; i < 32; ++i) {
        second[i * 4 + 3] = static_cast<uint8_t>(i + 1);
    }
    RawHeader oddHeader = Header(2, 0);
    oddHeader.length = 200;
    oddHeader.pad = -72;
    Bytes odd = HeaderBytes(oddHeader);
    odd.insert(odd.end(), second.begin(), second.end());
    const Bytes packets = Concat({BuildPacket(Header(1, 0), full), odd});
    LoopbackPeer peer([packets](SOCKET s) {
        SendRaw(s, packets);
        WaitForClose(s);
    });
    CSession session(2);
    session.AttachSocket(ConnectToPeer(peer));
    int kind = 0;
    ASSERT_EQ(32, session.RecvHeader(kind));
    ASSERT_EQ(32, session.RecvHeader(kind));
    for (int i = 1; i <= 32; ++i) {
        ASSERT_EQ(i, session.GetInt());
    }
    for (int i = 0; i < 18; ++i) {
        EXPECT_EQ(0, session.GetInt()) << "stale bytes beyond the received body";
    }
    session.Close();
}

// A peer that goes quiet: every receive waits at most the object's time-out.
struct StallCase
{
    const char* name;
    size_t bytesBeforeStall; // of a valid 128-byte packet
};

class PacketTimeout : public testing::TestWithParam<StallCase>
{
};

TEST_P(PacketTimeout, ReceiveGivesUpAfterTheTimeout)
{
    const Bytes packet = Truncated(BuildPacket(Header(1), Bytes(16, 1)), GetParam().bytesBeforeStall);
    LoopbackPeer peer([packet](SOCKET s) {
        SendRaw(s, packet);
        WaitForClose(s); // stalls until the client gives up
    });
    CSession session(1);
    session.AttachSocket(ConnectToPeer(peer));
    int kind = -1;
    const auto start = std::chrono::steady_clock::now();
    testing::internal::CaptureStderr();
    EXPECT_EQ(-1, session.RecvHeader(kind));
    testing::internal::GetCapturedStderr();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(0, kind);
    EXPECT_FALSE(session.IsConnected());
    // One time-out per chunk: at least one wait of about a second, and not the peer's 5 s.
    EXPECT_GE(seconds, 0.8);
    EXPECT_LT(seconds, 4.0);
}

INSTANTIATE_TEST_SUITE_P(Stalls, PacketTimeout,
                         testing::Values(StallCase{"BeforeTheHeader", 0},
                                         StallCase{"InsideTheHeader", 16},
                                         StallCase{"InsideTheBody", 64}),
                         [](const testing::TestParamInfo<StallCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(PacketTimeout, SendGivesUpWhenThePeerStopsReading)
{
    LoopbackPeer peer([](SOCKET s) {
        Sleep(2500); // reads nothing while the client fills the connection
        WaitForClose(s);
    });
    CSession session(1);
    session.AttachSocket(ConnectToPeer(peer));
    Bytes block(32 * 1024 * 1024, 1);
    const auto start = std::chrono::steady_clock::now();
    int sent = session.Send(block.data(), static_cast<int>(block.size()), 0);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(0, sent);
    EXPECT_LT(seconds, 4.0);
    session.Close();
}

} // namespace
