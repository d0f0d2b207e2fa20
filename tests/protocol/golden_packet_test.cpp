// One packet per request kind, its bytes written out by hand from the protocol's tables: the
// 32-byte big-endian header, the big-endian body, the zero padding to 128. The plain form is
// compared byte for byte; the encrypted form must carry the same bytes under the cipher.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "hex.h"
#include "protocol/aria.h"
#include "protocol/packet.h"
#include "protocol/records.h"

namespace {

std::string Zeros(size_t bytes)
{
    return std::string(2 * bytes, '0');
}

template <class R>
std::vector<uint8_t> Build(int32_t code, R record, int32_t cipher)
{
    PacketWriter writer;
    writer.Begin(code);
    writer.Header().cipher = cipher;
    WriteRecord(writer, record);
    EXPECT_EQ(writer.Finish(), PacketWriter::FinishResult::Ok);
    return std::vector<uint8_t>(writer.Data(), writer.Data() + writer.Size());
}

// The plain packet must be `expected`; the encrypted one has length = everything after the
// header, pad 0, and decrypts to the plain packet's body and padding.
template <class R>
void CheckGolden(int32_t code, const R& record, const std::string& expected)
{
    const std::vector<uint8_t> want = Hex(expected);
    ASSERT_EQ(want.size() % 128, 0u) << "hand-written packet is not whole";
    const std::vector<uint8_t> plain = Build(code, record, 0);
    EXPECT_EQ(ToHex(plain), ToHex(want));

    std::vector<uint8_t> encrypted = Build(code, record, 1);
    ASSERT_EQ(encrypted.size(), want.size());
    const PacketHeader h = DecodePacketHeader(encrypted.data());
    EXPECT_EQ(h.magic, kPacketMagic);
    EXPECT_EQ(h.cipher, 1);
    EXPECT_EQ(h.kind, 2);
    EXPECT_EQ(h.code, code);
    EXPECT_EQ(h.length, static_cast<int32_t>(want.size() - 32));
    EXPECT_EQ(h.pad, 0);
    EXPECT_EQ(h.reserved, 0);
    EXPECT_EQ(h.seq, 1);
    ASSERT_TRUE(AriaEcbDecrypt(kProtocolKey, 32, encrypted.data() + 32, encrypted.size() - 32));
    EXPECT_EQ(ToHex(encrypted.data() + 32, encrypted.size() - 32),
              ToHex(want.data() + 32, want.size() - 32));
}

SvcSeqRecord SeqRecord()
{
    SvcSeqRecord r;
    std::memset(&r, 0, sizeof(r));
    r.env.time = 0x5E000001;
    r.env.seq = 1;
    r.env.hToolbar = 0x000A0B0C;
    r.env.os_code = 6;
    r.env.browser_code = 8;
    std::strcpy(r.env.pcid, "0123456789ABCDEF0123456789ABCDEF");
    r.env.opt1 = 1;
    r.env.opt2 = 200;
    r.env.opt3 = 0;
    for (int i = 0; i < 8; ++i) {
        r.notice_seq[i] = 11 + i;
    }
    r.toolbarmsg_seq = 0x20;
    return r;
}

// Envelope 88 bytes + 9 integers = 124 bytes of body; 156 built, 100 bytes of padding.
std::string SeqRecordPacket(const char* code)
{
    return std::string("62382060 00000000 00000002 ") + code +
           " 0000007c 00000064 00000000 00000001"
           // envelope: time, seq, hToolbar, os_code, browser_code
           " 5e000001 00000001 000a0b0c 00000006 00000008"
           // pcid: count 32 and the characters
           " 00000020 30313233343536373839414243444546 30313233343536373839414243444546"
           // reserved with opt1 = 1, opt2 = 200 (0xc8), opt3 = 0
           " 01c800" + Zeros(29) +
           // notice_seq[0..7], toolbarmsg_seq
           " 0000000b 0000000c 0000000d 0000000e 0000000f 00000010 00000011 00000012 00000020" +
           Zeros(100);
}

TEST(GoldenPacket, ConnectRequest)
{
    CheckGolden(LM_SVC_CONNECT_REQ, SeqRecord(), SeqRecordPacket("00002001"));
}

TEST(GoldenPacket, NoticeRequest)
{
    CheckGolden(LM_SVC_NOTICE_REQ, SeqRecord(), SeqRecordPacket("00002004"));
}

TEST(GoldenPacket, ChangedRequest)
{
    CheckGolden(LM_SVC_CHANGED_REQ, SeqRecord(), SeqRecordPacket("00002005"));
}

TEST(GoldenPacket, ToolbarMessageRequest)
{
    SvcToolbarMsgReq r;
    std::memset(&r, 0, sizeof(r));
    r.env.time = 0x5E000002;
    r.env.seq = 7;
    r.env.hToolbar = 0x1234;
    r.env.os_code = 5;
    r.env.browser_code = 7;
    r.env.reserved[10] = 0xAB; // opaque: travels as it is
    r.toolbarmsg_seq = 0x102;
    // Envelope with an empty pcid 56 bytes + 1 integer = 60; 92 built, 36 padding.
    CheckGolden(LM_SVC_TOOLBAR_MSG_REQ, r,
                "62382060 00000000 00000002 00002002 0000003c 00000024 00000000 00000001"
                " 5e000002 00000007 00001234 00000005 00000007"
                " 00000000"
                " 00000000 00000000 0000ab00 00000000 00000000 00000000 00000000 00000000"
                " 00000102" +
                    Zeros(36));
}

TEST(GoldenPacket, UrlRequest)
{
    SvcUrlRequest r;
    std::memset(&r, 0, sizeof(r));
    r.env.time = 0x5E000003;
    r.env.seq = 10000;
    r.env.hToolbar = 0x00ABCDEF;
    r.env.os_code = 6;
    r.env.browser_code = 9;
    std::strcpy(r.env.pcid, "PC");
    r.env.opt1 = -1;
    r.env.opt3 = 0x7F;
    std::strcpy(r.url, "http://a.kr/x");
    std::strcpy(r.page_url, "http://a.kr/");
    std::strcpy(r.host, "a.kr");
    std::strcpy(r.host_ip, "1.2.3.4");
    r.port = 80;
    r.harmful_grade = 19;
    r.urltype = 1;
    // Envelope 58 + url 17 + page_url 16 + host 8 + host_ip 11 + 3 integers = 122; 154 built.
    CheckGolden(LM_SVC_URL_REQ, r,
                "62382060 00000000 00000002 00002003 0000007a 00000066 00000000 00000001"
                " 5e000003 00002710 00abcdef 00000006 00000009"
                " 00000002 5043"
                " ff007f" + Zeros(29) +
                " 0000000d 687474703a2f2f612e6b722f78"
                " 0000000c 687474703a2f2f612e6b722f"
                " 00000004 612e6b72"
                " 00000007 312e322e332e34"
                " 00000050 00000013 00000001" +
                Zeros(102));
}

} // namespace
