// Packet framing: header, padding, cipher, sequence numbers, buffer limits, body primitives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "hex.h"
#include "protocol/aria.h"
#include "protocol/packet.h"

namespace {

std::vector<uint8_t> Finished(PacketWriter& writer)
{
    EXPECT_EQ(writer.Finish(), PacketWriter::FinishResult::Ok);
    return std::vector<uint8_t>(writer.Data(), writer.Data() + writer.Size());
}

// Hands a whole packet to the reader as the socket layer does: header, then the body bytes.
PacketReader::HeaderResult Receive(PacketReader& reader, const std::vector<uint8_t>& packet)
{
    const PacketReader::HeaderResult result = reader.AcceptHeader(packet.data());
    if (result != PacketReader::HeaderResult::Ok) {
        return result;
    }
    EXPECT_EQ(reader.BodySize() + kPacketHeaderSize, packet.size());
    if (reader.BodySize() > 0) {
        std::memcpy(reader.BodyBuffer(), packet.data() + kPacketHeaderSize, reader.BodySize());
        EXPECT_EQ(reader.AcceptBody(), PacketReader::BodyResult::Ok);
    }
    return result;
}

std::vector<uint8_t> HeaderBytes(const PacketHeader& h)
{
    std::vector<uint8_t> raw(kPacketHeaderSize);
    EncodePacketHeader(h, raw.data());
    return raw;
}

PacketHeader ValidHeader(int32_t seq, int32_t cipher, int32_t length, int32_t pad)
{
    PacketHeader h{};
    h.magic = kPacketMagic;
    h.cipher = cipher;
    h.kind = kPacketKind;
    h.code = 0x1001;
    h.length = length;
    h.pad = pad;
    h.seq = seq;
    return h;
}

TEST(PacketHeader, EncodesEveryFieldBigEndianAndDecodesBack)
{
    PacketHeader h{};
    h.magic = kPacketMagic;
    h.cipher = 1;
    h.kind = 2;
    h.code = 0x2003;
    h.length = 0x01020304;
    h.pad = -1;
    h.reserved = 0x7F;
    h.seq = 0x10000;
    EXPECT_EQ(ToHex(HeaderBytes(h)), "62382060" "00000001" "00000002" "00002003"
                                     "01020304" "ffffffff" "0000007f" "00010000");
    const PacketHeader back = DecodePacketHeader(HeaderBytes(h).data());
    EXPECT_EQ(0, std::memcmp(&back, &h, sizeof(h)));
}

TEST(PacketWriter, PadsToMultiplesOf128PlainAndEncrypted)
{
    const struct
    {
        size_t body;
        int32_t total;
        int32_t pad;
    } cases[] = {
        {0, 128, 96}, {1, 128, 95}, {95, 128, 1}, {96, 128, 0}, {97, 256, 127},
        {224, 256, 0}, {225, 384, 127}, {4000, 4096, 64},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        const std::vector<uint8_t> body(c.body, 0x5A);
        for (int32_t cipher : {0, 1}) {
            PacketWriter writer;
            writer.Begin(0x2001);
            writer.Header().cipher = cipher;
            writer.PutBytes(body.data(), body.size());
            const std::vector<uint8_t> packet = Finished(writer);
            ASSERT_EQ(static_cast<int32_t>(packet.size()), c.total);
            const PacketHeader h = DecodePacketHeader(packet.data());
            EXPECT_EQ(h.cipher, cipher);
            if (cipher == 0) {
                EXPECT_EQ(h.length, static_cast<int32_t>(c.body));
                EXPECT_EQ(h.pad, c.pad);
                EXPECT_TRUE(std::equal(body.begin(), body.end(), packet.begin() + 32));
                for (size_t i = 32 + c.body; i < packet.size(); ++i) {
                    ASSERT_EQ(packet[i], 0) << "padding byte " << i;
                }
            } else {
                EXPECT_EQ(h.length, c.total - 32);
                EXPECT_EQ(h.pad, 0);
            }
        }
    }
}

TEST(PacketWriter, EncryptedBodyDecryptsToBodyAndZeroPadding)
{
    std::vector<uint8_t> body;
    for (int i = 0; i < 150; ++i) {
        body.push_back(static_cast<uint8_t>(i * 7 + 1));
    }
    PacketWriter writer;
    writer.Begin(0x2003);
    writer.Header().cipher = 1;
    writer.PutBytes(body.data(), body.size());
    std::vector<uint8_t> packet = Finished(writer);
    ASSERT_EQ(packet.size(), 256u);
    EXPECT_NE(0, std::memcmp(packet.data() + 32, body.data(), body.size()));
    ASSERT_TRUE(AriaEcbDecrypt(kProtocolKey, 32, packet.data() + 32, 224));
    std::vector<uint8_t> expected = body;
    expected.resize(224, 0);
    EXPECT_EQ(std::vector<uint8_t>(packet.begin() + 32, packet.end()), expected);

    // And the reader does the same: every byte of the encrypted region is body.
    PacketReader reader;
    writer.Reset();
    writer.Begin(0x2003);
    writer.Header().cipher = 1;
    writer.PutBytes(body.data(), body.size());
    ASSERT_EQ(Receive(reader, Finished(writer)), PacketReader::HeaderResult::Ok);
    ASSERT_EQ(reader.Remaining(), 224u);
    std::vector<uint8_t> got(224);
    reader.GetBytes(got.data(), got.size());
    EXPECT_EQ(got, expected);
    EXPECT_EQ(reader.Kind(), kPacketKind);
}

TEST(PacketWriter, NumbersPacketsFromOneAndFinishAlwaysClosesThePacket)
{
    PacketWriter writer;
    for (int32_t expected = 1; expected <= 3; ++expected) {
        writer.Begin(0x2001);
        EXPECT_TRUE(writer.IsOpen());
        EXPECT_EQ(writer.BytesBuilt(), 32u);
        const std::vector<uint8_t> packet = Finished(writer);
        EXPECT_EQ(DecodePacketHeader(packet.data()).seq, expected);
        EXPECT_FALSE(writer.IsOpen());
        EXPECT_EQ(writer.BytesBuilt(), 0u);
    }
    // Without Begin there is nothing to send, also right after a finished packet.
    EXPECT_EQ(writer.Finish(), PacketWriter::FinishResult::NotStarted);
    EXPECT_EQ(writer.Size(), 0u);
    writer.PutInt(5); // ignored: no open packet
    EXPECT_EQ(writer.Finish(), PacketWriter::FinishResult::NotStarted);

    writer.Reset();
    EXPECT_EQ(writer.SendSeq(), 0);
    writer.Begin(0x2001);
    EXPECT_EQ(DecodePacketHeader(Finished(writer).data()).seq, 1);
}

TEST(PacketWriter, GrowsToRequestPlus1024AndHeaderTo1056)
{
    PacketWriter writer;
    writer.Begin(0x2001);
    // The first packet's buffer is 1056 bytes: 32 + 1024.
    std::vector<uint8_t> body(1024, 1);
    writer.PutBytes(body.data(), body.size()); // 1056 bytes built: still fits
    std::vector<uint8_t> packet = Finished(writer);
    EXPECT_EQ(packet.size(), 1152u);

    ByteBuffer buffer;
    ASSERT_NE(buffer.Reserve(32), nullptr);
    EXPECT_EQ(buffer.Capacity(), 1056u);
    buffer.Data()[0] = 0x42;
    ASSERT_NE(buffer.Reserve(2000), nullptr);
    EXPECT_EQ(buffer.Capacity(), 3024u);
    EXPECT_EQ(buffer.Data()[0], 0x42); // kept
    ASSERT_NE(buffer.Reserve(100), nullptr);
    EXPECT_EQ(buffer.Capacity(), 3024u); // never shrinks
    // Near the limit the slack is held to the limit; past it nothing changes.
    ASSERT_NE(buffer.Reserve(kMaxPacketBuffer - 10), nullptr);
    EXPECT_EQ(buffer.Capacity(), static_cast<size_t>(kMaxPacketBuffer));
    EXPECT_EQ(buffer.Reserve(kMaxPacketBuffer + 1), nullptr);
    EXPECT_EQ(buffer.Capacity(), static_cast<size_t>(kMaxPacketBuffer));
    EXPECT_EQ(buffer.Data()[0], 0x42);
}

TEST(PacketWriter, PacketPastTheBufferLimitIsUnusable)
{
    // 5,048,576 is a multiple of 128: a packet of exactly that size needs no padding and fits.
    PacketWriter writer;
    std::vector<uint8_t> big(kMaxPacketBuffer - kPacketHeaderSize, 3);
    writer.Begin(0x2001);
    writer.PutBytes(big.data(), big.size());
    EXPECT_EQ(writer.Finish(), PacketWriter::FinishResult::Ok);
    EXPECT_EQ(writer.Size(), static_cast<size_t>(kMaxPacketBuffer));

    // One byte more: the write is refused, the packet cannot be sent, the next one can.
    writer.Begin(0x2001);
    writer.PutBytes(big.data(), big.size());
    writer.PutInt(7);
    EXPECT_EQ(writer.RefusedSize(), static_cast<size_t>(kMaxPacketBuffer) + 4);
    EXPECT_EQ(writer.Finish(), PacketWriter::FinishResult::Unusable);
    EXPECT_EQ(writer.Size(), 0u);
    EXPECT_FALSE(writer.IsOpen());

    writer.Begin(0x2001);
    writer.PutInt(1);
    EXPECT_EQ(writer.Finish(), PacketWriter::FinishResult::Ok);
    EXPECT_EQ(writer.Size(), 128u);
}

TEST(PacketReader, ChecksSequenceAndMagicAndNumbersFromOne)
{
    PacketWriter writer;
    PacketReader reader;
    writer.Begin(0x1001);
    const std::vector<uint8_t> first = Finished(writer);
    EXPECT_EQ(Receive(reader, first), PacketReader::HeaderResult::Ok);
    EXPECT_EQ(reader.RecvSeq(), 1);
    // The same packet again carries seq 1 where 2 is due: rejected.
    EXPECT_EQ(Receive(reader, first), PacketReader::HeaderResult::BadSequenceOrMagic);

    reader.Reset();
    PacketHeader h = ValidHeader(1, 0, 0, 96);
    h.magic = 0x62382061;
    EXPECT_EQ(reader.AcceptHeader(HeaderBytes(h).data()), PacketReader::HeaderResult::BadSequenceOrMagic);
    reader.Reset();
    EXPECT_EQ(reader.AcceptHeader(HeaderBytes(ValidHeader(2, 0, 0, 96)).data()),
              PacketReader::HeaderResult::BadSequenceOrMagic);
    reader.Reset();
    EXPECT_EQ(reader.AcceptHeader(HeaderBytes(ValidHeader(1, 0, 0, 96)).data()),
              PacketReader::HeaderResult::Ok);
}

TEST(PacketReader, SizesTheBodyFromLengthAndPad)
{
    const struct
    {
        int32_t cipher, length, pad;
        PacketReader::HeaderResult result;
        size_t bodySize;   // bytes to receive
        size_t readable;   // bytes the Get operations may read
    } cases[] = {
        {0, 0, 0, PacketReader::HeaderResult::Ok, 0, 0},
        {0, -5, 0, PacketReader::HeaderResult::Ok, 0, 0},
        {0, 4, 92, PacketReader::HeaderResult::Ok, 96, 4},
        {1, 96, 0, PacketReader::HeaderResult::Ok, 96, 96},
        {1, 100, 0, PacketReader::HeaderResult::BadSize, 0, 0},       // not whole blocks
        {1, 8, 8, PacketReader::HeaderResult::Ok, 16, 8},
        {0, 100, 0, PacketReader::HeaderResult::Ok, 100, 100},        // plain: any size
        {0, kMaxPacketBuffer, 1, PacketReader::HeaderResult::BadSize, 0, 0},
        {0, kMaxPacketBuffer, 0, PacketReader::HeaderResult::Ok, size_t(kMaxPacketBuffer), size_t(kMaxPacketBuffer)},
        {0, INT32_MAX, INT32_MAX, PacketReader::HeaderResult::BadSize, 0, 0}, // no overflow
        {0, 200, -72, PacketReader::HeaderResult::Ok, 128, 128},      // length held to the bytes
        {0, -10, 138, PacketReader::HeaderResult::Ok, 128, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.cipher) + "/" + std::to_string(c.length) + "/" +
                     std::to_string(c.pad));
        PacketReader reader;
        ASSERT_EQ(reader.AcceptHeader(HeaderBytes(ValidHeader(1, c.cipher, c.length, c.pad)).data()),
                  c.result);
        if (c.result != PacketReader::HeaderResult::Ok) {
            continue;
        }
        ASSERT_EQ(reader.BodySize(), c.bodySize);
        if (c.bodySize > 0) {
            std::memset(reader.BodyBuffer(), 0, c.bodySize);
        }
        EXPECT_EQ(reader.AcceptBody(), PacketReader::BodyResult::Ok);
        EXPECT_EQ(reader.Remaining(), c.readable);
        EXPECT_EQ(reader.Kind(), c.bodySize > 0 ? kPacketKind : 0);
    }
}

TEST(PacketReader, GetIntAtTheEndYieldsZeroWithoutMoving)
{
    PacketReader reader;
    const std::vector<uint8_t> body = Hex("00000007 fffffffe 0102");
    reader.SetBody(body.data(), body.size());
    EXPECT_EQ(reader.GetInt(), 7);
    EXPECT_EQ(reader.GetInt(), -2);
    EXPECT_EQ(reader.GetInt(), 0);
    EXPECT_EQ(reader.Remaining(), 2u);
    uint8_t raw[4] = {9, 9, 9, 9};
    reader.GetBytes(raw, sizeof(raw)); // two bytes left, the rest zero-filled
    EXPECT_EQ(ToHex(raw, 4), "01020000");
    EXPECT_EQ(reader.Remaining(), 0u);
}

TEST(PacketReader, GetStringCutsSkipsAndStopsAsTheCountSays)
{
    const struct
    {
        const char* body;   // hex
        size_t size;        // destination
        const char* text;   // expected text
        int32_t next;       // the integer read after the text
        size_t remaining;   // after that integer
    } cases[] = {
        // fits: c < size
        {"00000003 616263 0000002a", 10, "abc", 42, 0},
        {"00000004 61626364 0000002a", 5, "abcd", 42, 0},
        // c == size and c > size: first size - 1 bytes, next field after the whole text
        {"00000005 6162636465 0000002a", 5, "abcd", 42, 0},
        {"0000000a 30313233343536373839 0000002a 00000001", 5, "0123", 42, 4},
        // a destination of one byte keeps nothing but still skips
        {"00000003 616263 0000002a", 1, "", 42, 0},
        // empty and negative counts
        {"00000000 0000002a", 8, "", 42, 0},
        {"ffffffff 0000002a", 8, "", 42, 0},
        {"80000000 0000002a", 8, "", 42, 0},
        // count past the end: what remains is the text, nothing after it
        {"00000008 6162", 10, "ab", 0, 0},
        {"00000008 61626364", 3, "ab", 0, 0},
        // fewer than 4 bytes for the count: empty text, nothing consumed
        {"0000", 8, "", 0, 2},
        // a count that would carry the position past the 32-bit range empties the body
        {"7ffffffe 61626364 0000002a", 3, "ab", 0, 0},
        // a large count that stays in range just moves past the end
        {"7ffff000 61626364 0000002a", 3, "ab", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.body) + " size " + std::to_string(c.size));
        PacketReader reader;
        const std::vector<uint8_t> body = Hex(c.body);
        reader.SetBody(body.data(), body.size());
        std::vector<char> dest(c.size, 'X');
        reader.GetString(dest.data(), dest.size());
        EXPECT_EQ(std::string(dest.data()), c.text);
        for (size_t i = std::strlen(c.text); i < c.size; ++i) {
            EXPECT_EQ(dest[i], '\0') << "byte " << i << " not zeroed";
        }
        EXPECT_EQ(reader.GetInt(), c.next);
        EXPECT_EQ(reader.Remaining(), c.remaining);
    }
}

} // namespace
