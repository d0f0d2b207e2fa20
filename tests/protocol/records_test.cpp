// Records: wire and packed encodings, text cuts, option bytes, short and hostile input.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "hex.h"
#include "protocol/packet.h"
#include "protocol/records.h"

namespace {

template <class R>
R Zeroed()
{
    R r;
    std::memset(&r, 0, sizeof(r));
    return r;
}

void Fill(char* text, size_t arraySize, char c, size_t length)
{
    std::memset(text, 0, arraySize);
    std::memset(text, c, length);
}

template <class R>
std::vector<uint8_t> WireBody(R& record)
{
    PacketWriter writer;
    writer.Begin(0x1003);
    WriteRecord(writer, record);
    const size_t bodyLength = writer.BytesBuilt() - kPacketHeaderSize;
    EXPECT_EQ(writer.Finish(), PacketWriter::FinishResult::Ok);
    return std::vector<uint8_t>(writer.Data() + kPacketHeaderSize,
                                writer.Data() + kPacketHeaderSize + bodyLength);
}

template <class R>
R ReadBody(const std::vector<uint8_t>& body)
{
    PacketReader reader;
    reader.SetBody(body.data(), body.size());
    R r;
    std::memset(&r, 0x77, sizeof(r)); // decoding must set every field
    ReadRecord(reader, &r);
    return r;
}

SvcEnvelope SampleEnvelope()
{
    SvcEnvelope e = Zeroed<SvcEnvelope>();
    e.time = 1334800000;
    e.seq = 42;
    e.hToolbar = 0x00123456;
    e.os_code = 6;
    e.browser_code = 8;
    std::strcpy(e.pcid, "D41D8CD98F00B204E9800998ECF8427E");
    e.reserved[5] = 0x99;
    e.opt1 = 3;
    e.opt2 = -2;
    e.opt3 = 127;
    return e;
}

// Compares two records field by field through their packed form with everything else equal.
template <class R>
void ExpectSameRecord(const R& a, const R& b)
{
    std::vector<uint8_t> pa(PackedSize(a)), pb(PackedSize(b));
    ASSERT_EQ(pa.size(), pb.size());
    PackRecord(a, pa.data(), pa.size());
    PackRecord(b, pb.data(), pb.size());
    EXPECT_EQ(ToHex(pa), ToHex(pb));
    EXPECT_EQ(a.env.opt1, b.env.opt1);
    EXPECT_EQ(a.env.opt2, b.env.opt2);
    EXPECT_EQ(a.env.opt3, b.env.opt3);
}

SvcNotice SampleNotice()
{
    SvcNotice n = Zeroed<SvcNotice>();
    n.env = SampleEnvelope();
    for (int i = 0; i < kNoticeKinds; ++i) {
        n.notice_seq[i] = 100 + i;
    }
    n.toolbarmsg_seq = 9;
    n.notice_no = 77;
    n.notice_kind = 2;
    std::strcpy(n.content, "\xB0\xF8\xC1\xF6 content");
    std::strcpy(n.title, "title");
    std::strcpy(n.extra1, "20120419");
    std::strcpy(n.extra2, "http://notice/");
    std::strcpy(n.extra3, "x3");
    std::strcpy(n.extra4, "");
    return n;
}

SvcUrlResponse SampleUrlResponse()
{
    SvcUrlResponse r = Zeroed<SvcUrlResponse>();
    r.env = SampleEnvelope();
    for (int i = 0; i < kNoticeKinds; ++i) {
        r.notice_seq[i] = i;
    }
    r.toolbarmsg_seq = 5;
    std::strcpy(r.url, "http://www.example.kr/");
    r.urltype = 1;
    r.malCode = 121011;
    r.malCodePropagate = 121012;
    r.phishing = 121021;
    r.falsify = 121022;
    r.aux1 = -1;
    r.aux2 = 2;
    r.aux3 = 3;
    r.olderThan19 = 121031;
    std::strcpy(r.country_code, "KR");
    std::strcpy(r.countryName, "\xB4\xEB\xC7\xD1\xB9\xCE\xB1\xB9");
    r.malCodeHistory = 121041;
    return r;
}

SvcUrlRequest SampleUrlRequest()
{
    SvcUrlRequest r = Zeroed<SvcUrlRequest>();
    r.env = SampleEnvelope();
    std::strcpy(r.url, "http://a.kr/frame");
    std::strcpy(r.page_url, "http://a.kr/");
    std::strcpy(r.host, "a.kr");
    std::strcpy(r.host_ip, "INVALID_ADDR");
    r.port = 80;
    r.harmful_grade = 19;
    r.urltype = 2;
    return r;
}

SvcToolbarMsg SampleToolbarMsg()
{
    SvcToolbarMsg m = Zeroed<SvcToolbarMsg>();
    m.env = SampleEnvelope();
    m.toolbar_msg_seq = 12;
    m.msg_code = 3;
    std::strcpy(m.msg, "1news1 of the day");
    return m;
}

SvcSeqRecord SampleSeq()
{
    SvcSeqRecord s = Zeroed<SvcSeqRecord>();
    s.env = SampleEnvelope();
    for (int i = 0; i < kNoticeKinds; ++i) {
        s.notice_seq[i] = -i;
    }
    s.toolbarmsg_seq = 1 << 30;
    return s;
}

SvcToolbarMsgReq SampleToolbarMsgReq()
{
    SvcToolbarMsgReq t = Zeroed<SvcToolbarMsgReq>();
    t.env = SampleEnvelope();
    t.toolbarmsg_seq = 8;
    return t;
}

template <class R>
void CheckRoundTrips(R record)
{
    // The option bytes land in reserved[0..2] in both encodings.
    R expected = record;
    expected.env.reserved[0] = static_cast<uint8_t>(record.env.opt1);
    expected.env.reserved[1] = static_cast<uint8_t>(record.env.opt2);
    expected.env.reserved[2] = static_cast<uint8_t>(record.env.opt3);

    const std::vector<uint8_t> body = WireBody(record);
    const R wire = ReadBody<R>(body);
    ExpectSameRecord(wire, expected);

    std::vector<uint8_t> packed(PackedSize(record));
    ASSERT_EQ(PackRecord(record, packed.data(), packed.size()), packed.size());
    R unpacked;
    std::memset(&unpacked, 0x55, sizeof(unpacked));
    ASSERT_EQ(UnpackRecord(packed.data(), packed.size(), &unpacked), packed.size());
    ExpectSameRecord(unpacked, expected);

    // Every shorter input is not a whole record; the record is then all zeros.
    for (size_t cut = 0; cut < packed.size(); ++cut) {
        R partial;
        ASSERT_EQ(UnpackRecord(packed.data(), cut, &partial), 0u) << "cut at " << cut;
        EXPECT_EQ(partial.env.seq, 0);
    }
    // And every shorter wire body still decodes without failing.
    for (size_t cut = 0; cut < body.size(); cut += 3) {
        ReadBody<R>(std::vector<uint8_t>(body.begin(), body.begin() + cut));
    }
}

TEST(Records, EveryRecordRoundTripsThroughWireAndPackedEncodings)
{
    CheckRoundTrips(SampleSeq());
    CheckRoundTrips(SampleToolbarMsgReq());
    CheckRoundTrips(SampleUrlRequest());
    CheckRoundTrips(SampleUrlResponse());
    CheckRoundTrips(SampleToolbarMsg());
    CheckRoundTrips(SampleNotice());
}

TEST(Records, OptionBytesTravelInReservedAndComeBackSignExtended)
{
    const struct
    {
        int32_t value;
        uint8_t byte;
        int32_t decoded;
    } cases[] = {{0, 0, 0}, {1, 1, 1}, {127, 0x7F, 127}, {128, 0x80, -128}, {200, 0xC8, -56},
                 {255, 0xFF, -1}, {256, 0, 0}, {-1, 0xFF, -1}, {0x1234, 0x34, 0x34}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        SvcToolbarMsgReq r = SampleToolbarMsgReq();
        r.env.opt1 = c.value;
        r.env.opt2 = c.value;
        r.env.opt3 = c.value;
        const std::vector<uint8_t> body = WireBody(r);
        // 5 integers, the pcid text (4 + 32), then reserved.
        ASSERT_GE(body.size(), 59u);
        EXPECT_EQ(body[56], c.byte);
        EXPECT_EQ(body[57], c.byte);
        EXPECT_EQ(body[58], c.byte);
        EXPECT_EQ(r.env.reserved[0], c.byte); // stored in the record too
        const SvcToolbarMsgReq back = ReadBody<SvcToolbarMsgReq>(body);
        EXPECT_EQ(back.env.opt1, c.decoded);
        EXPECT_EQ(back.env.opt2, c.decoded);
        EXPECT_EQ(back.env.opt3, c.decoded);

        std::vector<uint8_t> packed(PackedSize(r));
        PackRecord(r, packed.data(), packed.size());
        SvcToolbarMsgReq unpacked;
        ASSERT_NE(UnpackRecord(packed.data(), packed.size(), &unpacked), 0u);
        EXPECT_EQ(unpacked.env.opt1, c.decoded);
    }
}

TEST(Records, OverlongPcidIsWrittenAsItsFirst32AndCutInTheRecord)
{
    // A 40-character identifier runs out of pcid[33] into reserved, as it does when a caller
    // copies it into the record unchecked.
    SvcSeqRecord r = SampleSeq();
    const std::string forty = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcd";
    std::memcpy(r.env.pcid, forty.data(), 33);
    std::memcpy(r.env.reserved, forty.data() + 33, 7);
    const std::vector<uint8_t> body = WireBody(r);
    EXPECT_EQ(ToHex(body.data() + 20, 4), "00000020");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(body.data()) + 24, 32), forty.substr(0, 32));
    EXPECT_EQ(std::string(r.env.pcid), forty.substr(0, 32));
    EXPECT_EQ(ReadBody<SvcSeqRecord>(body).env.pcid, forty.substr(0, 32));
}

TEST(Records, OverlongTextsOfAnUrlRequestAreCutInTheRecordBeforeWriting)
{
    SvcUrlRequest r = SampleUrlRequest();
    // Arrays without a terminator: each is held to its maximum.
    std::memset(r.url, 'u', sizeof(r.url));
    std::memset(r.page_url, 'p', sizeof(r.page_url));
    std::memset(r.host, 'h', sizeof(r.host));
    std::memset(r.host_ip, '9', sizeof(r.host_ip));
    const std::vector<uint8_t> body = WireBody(r);
    EXPECT_EQ(std::strlen(r.url), 2047u);
    EXPECT_EQ(std::strlen(r.page_url), 2047u);
    EXPECT_EQ(std::strlen(r.host), 255u);
    EXPECT_EQ(std::strlen(r.host_ip), 15u);
    const SvcUrlRequest back = ReadBody<SvcUrlRequest>(body);
    EXPECT_EQ(std::string(back.url), std::string(2047, 'u'));
    EXPECT_EQ(std::string(back.host_ip), std::string(15, '9'));
    EXPECT_EQ(back.port, 80);
    EXPECT_EQ(back.urltype, 2);
}

TEST(Records, UrlResponseThatStopsAfterTheEnvelopeDecodesToZeros)
{
    SvcUrlResponse full = SampleUrlResponse();
    std::vector<uint8_t> body = WireBody(full);
    body.resize(20 + 4 + 32 + 32); // the envelope only
    const SvcUrlResponse r = ReadBody<SvcUrlResponse>(body);
    EXPECT_EQ(r.env.seq, 42);
    EXPECT_STREQ(r.env.pcid, "D41D8CD98F00B204E9800998ECF8427E");
    for (int i = 0; i < kNoticeKinds; ++i) {
        EXPECT_EQ(r.notice_seq[i], 0);
    }
    EXPECT_EQ(r.toolbarmsg_seq, 0);
    EXPECT_STREQ(r.url, "");
    EXPECT_EQ(r.urltype, 0);
    EXPECT_EQ(r.malCode, 0);
    EXPECT_EQ(r.phishing, 0);
    EXPECT_EQ(r.olderThan19, 0);
    EXPECT_STREQ(r.country_code, "");
    EXPECT_STREQ(r.countryName, "");
    EXPECT_EQ(r.malCodeHistory, 0);
}

TEST(Records, UrlResponseWithA3000ByteUrlKeeps2047AndReadsOnAfterIt)
{
    // A body written by hand: envelope, 9 integers, a 3000-byte url, then the verdicts.
    PacketWriter writer;
    writer.Begin(LM_SVC_URL_RESP);
    for (int i = 0; i < 5; ++i) {
        writer.PutInt(i + 1);
    }
    writer.PutText("", 32);
    const uint8_t reserved[32] = {0xFE, 2, 3};
    writer.PutBytes(reserved, sizeof(reserved));
    for (int i = 0; i < 9; ++i) {
        writer.PutInt(10 + i);
    }
    const std::string url(3000, 'w');
    writer.PutInt(3000);
    writer.PutBytes(url.data(), url.size());
    for (int i = 0; i < 9; ++i) {
        writer.PutInt(121011 + i);
    }
    writer.PutText("KR", 2);
    writer.PutText("Korea", 31);
    writer.PutInt(121041);
    const size_t bodyLength = writer.BytesBuilt() - kPacketHeaderSize;
    ASSERT_EQ(writer.Finish(), PacketWriter::FinishResult::Ok);
    const std::vector<uint8_t> body(writer.Data() + 32, writer.Data() + 32 + bodyLength);

    const SvcUrlResponse r = ReadBody<SvcUrlResponse>(body);
    EXPECT_EQ(std::string(r.url), std::string(2047, 'w'));
    EXPECT_EQ(r.urltype, 121011);
    EXPECT_EQ(r.olderThan19, 121019);
    EXPECT_STREQ(r.country_code, "KR");
    EXPECT_STREQ(r.countryName, "Korea");
    EXPECT_EQ(r.malCodeHistory, 121041);
    EXPECT_EQ(r.env.opt1, -2);
    EXPECT_EQ(r.toolbarmsg_seq, 18);
}

TEST(Records, PackedLayoutIsHostOrderWithCountedTexts)
{
    // Written out by hand for a little-endian host (x86, both builds).
    SvcToolbarMsg m = Zeroed<SvcToolbarMsg>();
    m.env.time = 0x01020304;
    m.env.seq = 2;
    m.env.hToolbar = 0x100;
    m.env.os_code = 5;
    m.env.browser_code = 6;
    m.env.opt2 = 0x41;
    m.toolbar_msg_seq = 7;
    m.msg_code = -1;
    std::strcpy(m.msg, "hi");
    std::vector<uint8_t> packed(PackedSize(m));
    ASSERT_EQ(PackRecord(m, packed.data(), packed.size()), packed.size());
    EXPECT_EQ(ToHex(packed),
              "04030201" "02000000" "00010000" "05000000" "06000000"
              "00000000"
              "00410000000000000000000000000000" "00000000000000000000000000000000"
              "07000000" "ffffffff" "02000000" "6869");
}

TEST(Records, PackedSizesFollowTheTextLengths)
{
    SvcSeqRecord s = SampleSeq();
    s.env.pcid[0] = '\0';
    EXPECT_EQ(PackedSize(s), 56u + 36u); // the envelope with an empty pcid is 56 bytes
    SvcToolbarMsgReq t = SampleToolbarMsgReq();
    EXPECT_EQ(PackedSize(t), 56u + 32u + 4u);

    // The largest reply: a notice with every text full.
    SvcNotice n = SampleNotice();
    Fill(n.content, sizeof(n.content), 'c', 2047);
    Fill(n.title, sizeof(n.title), 't', 1023);
    Fill(n.extra1, sizeof(n.extra1), '1', 15);
    Fill(n.extra2, sizeof(n.extra2), '2', 199);
    Fill(n.extra3, sizeof(n.extra3), '3', 15);
    Fill(n.extra4, sizeof(n.extra4), '4', 15);
    EXPECT_EQ(PackedSize(n), kMaxPackedReplySize);
    // Unterminated arrays count as full, never more.
    std::memset(n.title, 't', sizeof(n.title));
    EXPECT_EQ(PackedSize(n), kMaxPackedReplySize);
}

TEST(Records, PackingIntoASmallerCapacityCutsTheLongestTextsFirst)
{
    // A full url and page_url do not fit a 4096-byte slot payload.
    SvcUrlRequest r = SampleUrlRequest();
    Fill(r.url, sizeof(r.url), 'u', 2047);
    Fill(r.page_url, sizeof(r.page_url), 'p', 2047);
    Fill(r.host, sizeof(r.host), 'h', 255);
    const size_t full = PackedSize(r);
    ASSERT_GT(full, 4096u);
    std::vector<uint8_t> slot(4096, 0xEE);
    const size_t written = PackRecord(r, slot.data(), slot.size());
    // Fixed part 84 and the 32-character pcid, which is never cut; host and host_ip (255 + 12)
    // stay whole; url and page_url share the other 3713 bytes: 1857 and 1856.
    EXPECT_EQ(written, 4096u);
    SvcUrlRequest back;
    ASSERT_EQ(UnpackRecord(slot.data(), written, &back), written);
    const size_t urlKept = std::strlen(back.url), pageKept = std::strlen(back.page_url);
    EXPECT_EQ(urlKept, 1857u);
    EXPECT_EQ(pageKept, 1856u);
    EXPECT_EQ(std::string(back.url), std::string(urlKept, 'u'));
    EXPECT_STREQ(back.host, r.host);       // short texts untouched
    EXPECT_STREQ(back.host_ip, r.host_ip);
    EXPECT_EQ(back.harmful_grade, 19);

    // The same record always packs the same way; the record itself is not changed.
    std::vector<uint8_t> again(4096);
    EXPECT_EQ(PackRecord(r, again.data(), again.size()), written);
    EXPECT_EQ(slot, again);
    EXPECT_EQ(std::strlen(r.url), 2047u);

    // Not even the empty-text record fits: nothing written.
    EXPECT_EQ(PackRecord(r, slot.data(), 50), 0u);
    // Room to spare: no cut.
    std::vector<uint8_t> roomy(8192);
    EXPECT_EQ(PackRecord(r, roomy.data(), roomy.size()), full);
}

TEST(Records, PackingCutsNeverSplitADoubleByteCharacter)
{
    SvcToolbarMsg m = SampleToolbarMsg();
    std::string korean;
    for (int i = 0; i < 100; ++i) {
        korean += "\xB0\xA1"; // 가
    }
    std::strcpy(m.msg, korean.c_str());
    const size_t fixed = PackedSize(m) - 200;
    for (size_t room = 0; room < 12; ++room) {
        std::vector<uint8_t> out(fixed + room);
        const size_t written = PackRecord(m, out.data(), out.size());
        ASSERT_NE(written, 0u);
        SvcToolbarMsg back;
        ASSERT_EQ(UnpackRecord(out.data(), written, &back), written);
        EXPECT_EQ(std::strlen(back.msg) % 2, 0u) << "room " << room;
        EXPECT_LE(std::strlen(back.msg), room);
    }
}

TEST(Records, UnpackRefusesCountsPastTheEndOrPastTheArray)
{
    SvcToolbarMsg m = SampleToolbarMsg();
    std::vector<uint8_t> packed(PackedSize(m));
    PackRecord(m, packed.data(), packed.size());
    const size_t pcidCountAt = 20, msgCountAt = packed.size() - std::strlen(m.msg) - 4;
    const struct
    {
        size_t at;
        int32_t count;
    } cases[] = {
        {pcidCountAt, -1}, {pcidCountAt, 33}, {pcidCountAt, 0x7FFFFFFF},
        {msgCountAt, 256}, {msgCountAt, -5}, {msgCountAt, static_cast<int32_t>(std::strlen(m.msg) + 1)},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bad = packed;
        std::memcpy(bad.data() + c.at, &c.count, 4);
        SvcToolbarMsg r;
        EXPECT_EQ(UnpackRecord(bad.data(), bad.size(), &r), 0u) << c.at << ":" << c.count;
    }
    // Trailing bytes are not part of the record.
    std::vector<uint8_t> longer = packed;
    longer.resize(packed.size() + 10, 0xCC);
    SvcToolbarMsg r;
    EXPECT_EQ(UnpackRecord(longer.data(), longer.size(), &r), packed.size());
}

TEST(Records, InitRecordEnvelopeStartsFromNowWithNoOptions)
{
    SvcEnvelope e = SampleEnvelope();
    InitRecordEnvelope(&e, 1334800123);
    EXPECT_EQ(e.time, 1334800123);
    EXPECT_EQ(e.opt1 | e.opt2 | e.opt3 | e.seq | e.hToolbar, 0);
    for (uint8_t b : e.reserved) {
        EXPECT_EQ(b, 0);
    }
    EXPECT_STREQ(e.pcid, "");
}

} // namespace
