// ARIA against the RFC 5794 vectors and MD5 against the RFC 1321 test suite.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "hex.h"
#include "protocol/aria.h"
#include "protocol/md5.h"
#include "protocol/packet.h"

namespace {

struct AriaVector
{
    const char* key;
    const char* plain;
    const char* cipher;
};

// Appendix A of RFC 5794.
const AriaVector kAriaVectors[] = {
    {"000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff",
     "d718fbd6ab644c739da95f3be6451778"},
    {"000102030405060708090a0b0c0d0e0f1011121314151617", "00112233445566778899aabbccddeeff",
     "26449c1805dbe7aa25a468ce263a9e79"},
    {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
     "00112233445566778899aabbccddeeff", "f92bd7c79fb72e2f2b8f80c1972d24fc"},
};

TEST(Aria, RfcVectorsEncryptAndDecrypt)
{
    for (const AriaVector& v : kAriaVectors) {
        SCOPED_TRACE(v.key);
        const std::vector<uint8_t> key = Hex(v.key);
        std::vector<uint8_t> block = Hex(v.plain);
        ASSERT_TRUE(AriaEcbEncrypt(key.data(), key.size(), block.data(), block.size()));
        EXPECT_EQ(ToHex(block), v.cipher);
        ASSERT_TRUE(AriaEcbDecrypt(key.data(), key.size(), block.data(), block.size()));
        EXPECT_EQ(ToHex(block), v.plain);

        // The block interface gives the same, also in place.
        AriaKeySchedule schedule;
        ASSERT_TRUE(AriaSetEncryptKey(key.data(), key.size(), &schedule));
        EXPECT_EQ(schedule.rounds, key.size() == 16 ? 12 : key.size() == 24 ? 14 : 16);
        AriaCryptBlock(schedule, block.data(), block.data());
        EXPECT_EQ(ToHex(block), v.cipher);
    }
}

TEST(Aria, EcbEncryptsEveryBlockAlikeAndRoundTrips)
{
    // Odd and even block counts take different paths through the block loop.
    std::mt19937 random(7);
    for (size_t blocks : {1u, 2u, 3u, 8u, 65u}) {
        std::vector<uint8_t> data(blocks * 16);
        for (auto& b : data) {
            b = static_cast<uint8_t>(random());
        }
        const std::vector<uint8_t> original = data;
        ASSERT_TRUE(AriaEcbEncrypt(kProtocolKey, 32, data.data(), data.size()));
        for (size_t i = 0; i < blocks; ++i) {
            std::vector<uint8_t> one(original.begin() + 16 * i, original.begin() + 16 * i + 16);
            ASSERT_TRUE(AriaEcbEncrypt(kProtocolKey, 32, one.data(), 16));
            EXPECT_EQ(0, std::memcmp(one.data(), data.data() + 16 * i, 16)) << "block " << i;
        }
        ASSERT_TRUE(AriaEcbDecrypt(kProtocolKey, 32, data.data(), data.size()));
        EXPECT_EQ(data, original);
    }
}

TEST(Aria, RefusesPartialBlocksAndBadKeysWithoutTouchingData)
{
    struct Case
    {
        size_t keyLength;
        size_t length;
        bool ok;
    };
    const Case cases[] = {
        {32, 0, true}, {32, 16, true}, {32, 15, false}, {32, 17, false}, {32, 100, false},
        {16, 32, true}, {24, 32, true}, {0, 16, false}, {20, 16, false}, {33, 16, false},
    };
    uint8_t key[33] = {};
    for (const Case& c : cases) {
        std::vector<uint8_t> data(c.length + 1, 0xA5);
        const std::vector<uint8_t> before = data;
        EXPECT_EQ(AriaEcbEncrypt(key, c.keyLength, data.data(), c.length), c.ok)
            << c.keyLength << "/" << c.length;
        EXPECT_EQ(AriaEcbDecrypt(key, c.keyLength, data.data(), c.length), c.ok);
        if (!c.ok) {
            EXPECT_EQ(data, before);
        }
    }
}

TEST(Aria, ProtocolKeyIsTheAgreedText)
{
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(kProtocolKey), 32),
              "Seven amber foxes leap over moss");
}

std::string Md5Text(const std::string& input)
{
    uint8_t digest[kMd5DigestSize];
    Md5(input.data(), input.size(), digest);
    char hex[33];
    Md5HexUpper(digest, hex);
    return hex;
}

TEST(Md5, Rfc1321TestSuite)
{
    const struct
    {
        const char* input;
        const char* digest;
    } cases[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Md5Text(c.input), c.digest) << '"' << c.input << '"';
    }
}

TEST(Md5, PiecewiseUpdatesMatchOneShotAcrossBlockAndPaddingBoundaries)
{
    std::string data;
    for (int i = 0; i < 300; ++i) {
        data += static_cast<char>('A' + i % 26);
    }
    for (size_t length : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 128u, 300u}) {
        const std::string input = data.substr(0, length);
        for (size_t piece : {1u, 7u, 64u}) {
            Md5Context context;
            Md5Init(&context);
            for (size_t at = 0; at < length; at += piece) {
                Md5Update(&context, input.data() + at, std::min(piece, length - at));
            }
            uint8_t digest[kMd5DigestSize];
            Md5Final(&context, digest);
            char hex[33];
            Md5HexUpper(digest, hex);
            EXPECT_EQ(hex, Md5Text(input)) << length << " in pieces of " << piece;
        }
    }
}

} // namespace
