#include "protocol/md5.h"

// MD5 as RFC 1321 describes it: 64-byte blocks, four rounds of sixteen steps, little-endian words.

#include <cstring>

namespace {

inline uint32_t Load32Le(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline uint32_t RotateLeft(uint32_t x, int n)
{
    return (x << n) | (x >> (32 - n));
}

// The RFC's F, G, H and I, arranged so that b, the value computed last, enters as late as
// possible: the parts that depend only on c and d are ready before b is. F = (b & c) | (~b & d)
// equals d ^ (b & (c ^ d)); G = (b & d) | (c & ~d) is a sum of two disjoint parts; H and I keep
// their form with b last.
#define MD5_F(b, c, d) ((d) ^ ((b) & ((c) ^ (d))))
#define MD5_H(b, c, d) ((b) ^ ((c) ^ (d)))
#define MD5_I(b, c, d) ((c) ^ ((b) | ~(d)))

#define MD5_STEP(f, a, b, c, d, x, t, s)                                                           \
    (a) += (x) + (t);                                                                              \
    (a) += f((b), (c), (d));                                                                       \
    (a) = RotateLeft((a), (s)) + (b);

#define MD5_STEP_G(a, b, c, d, x, t, s)                                                            \
    (a) += (x) + (t);                                                                              \
    (a) += (c) & ~(d);                                                                             \
    (a) += (b) & (d);                                                                              \
    (a) = RotateLeft((a), (s)) + (b);

void Transform(uint32_t state[4], const uint8_t* block, size_t blocks)
{
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (; blocks != 0; --blocks, block += 64) {
        uint32_t x[16];
        for (int i = 0; i < 16; ++i) {
            x[i] = Load32Le(block + 4 * i);
        }
        const uint32_t aa = a, bb = b, cc = c, dd = d;

        MD5_STEP(MD5_F, a, b, c, d, x[0], 0xd76aa478, 7)
        MD5_STEP(MD5_F, d, a, b, c, x[1], 0xe8c7b756, 12)
        MD5_STEP(MD5_F, c, d, a, b, x[2], 0x242070db, 17)
        MD5_STEP(MD5_F, b, c, d, a, x[3], 0xc1bdceee, 22)
        MD5_STEP(MD5_F, a, b, c, d, x[4], 0xf57c0faf, 7)
        MD5_STEP(MD5_F, d, a, b, c, x[5], 0x4787c62a, 12)
        MD5_STEP(MD5_F, c, d, a, b, x[6], 0xa8304613, 17)
        MD5_STEP(MD5_F, b, c, d, a, x[7], 0xfd469501, 22)
        MD5_STEP(MD5_F, a, b, c, d, x[8], 0x698098d8, 7)
        MD5_STEP(MD5_F, d, a, b, c, x[9], 0x8b44f7af, 12)
        MD5_STEP(MD5_F, c, d, a, b, x[10], 0xffff5bb1, 17)
        MD5_STEP(MD5_F, b, c, d, a, x[11], 0x895cd7be, 22)
        MD5_STEP(MD5_F, a, b, c, d, x[12], 0x6b901122, 7)
        MD5_STEP(MD5_F, d, a, b, c, x[13], 0xfd987193, 12)
        MD5_STEP(MD5_F, c, d, a, b, x[14], 0xa679438e, 17)
        MD5_STEP(MD5_F, b, c, d, a, x[15], 0x49b40821, 22)

        MD5_STEP_G(a, b, c, d, x[1], 0xf61e2562, 5)
        MD5_STEP_G(d, a, b, c, x[6], 0xc040b340, 9)
        MD5_STEP_G(c, d, a, b, x[11], 0x265e5a51, 14)
        MD5_STEP_G(b, c, d, a, x[0], 0xe9b6c7aa, 20)
        MD5_STEP_G(a, b, c, d, x[5], 0xd62f105d, 5)
        MD5_STEP_G(d, a, b, c, x[10], 0x02441453, 9)
        MD5_STEP_G(c, d, a, b, x[15], 0xd8a1e681, 14)
        MD5_STEP_G(b, c, d, a, x[4], 0xe7d3fbc8, 20)
        MD5_STEP_G(a, b, c, d, x[9], 0x21e1cde6, 5)
        MD5_STEP_G(d, a, b, c, x[14], 0xc33707d6, 9)
        MD5_STEP_G(c, d, a, b, x[3], 0xf4d50d87, 14)
        MD5_STEP_G(b, c, d, a, x[8], 0x455a14ed, 20)
        MD5_STEP_G(a, b, c, d, x[13], 0xa9e3e905, 5)
        MD5_STEP_G(d, a, b, c, x[2], 0xfcefa3f8, 9)
        MD5_STEP_G(c, d, a, b, x[7], 0x676f02d9, 14)
        MD5_STEP_G(b, c, d, a, x[12], 0x8d2a4c8a, 20)

        MD5_STEP(MD5_H, a, b, c, d, x[5], 0xfffa3942, 4)
        MD5_STEP(MD5_H, d, a, b, c, x[8], 0x8771f681, 11)
        MD5_STEP(MD5_H, c, d, a, b, x[11], 0x6d9d6122, 16)
        MD5_STEP(MD5_H, b, c, d, a, x[14], 0xfde5380c, 23)
        MD5_STEP(MD5_H, a, b, c, d, x[1], 0xa4beea44, 4)
        MD5_STEP(MD5_H, d, a, b, c, x[4], 0x4bdecfa9, 11)
        MD5_STEP(MD5_H, c, d, a, b, x[7], 0xf6bb4b60, 16)
        MD5_STEP(MD5_H, b, c, d, a, x[10], 0xbebfbc70, 23)
        MD5_STEP(MD5_H, a, b, c, d, x[13], 0x289b7ec6, 4)
        MD5_STEP(MD5_H, d, a, b, c, x[0], 0xeaa127fa, 11)
        MD5_STEP(MD5_H, c, d, a, b, x[3], 0xd4ef3085, 16)
        MD5_STEP(MD5_H, b, c, d, a, x[6], 0x04881d05, 23)
        MD5_STEP(MD5_H, a, b, c, d, x[9], 0xd9d4d039, 4)
        MD5_STEP(MD5_H, d, a, b, c, x[12], 0xe6db99e5, 11)
        MD5_STEP(MD5_H, c, d, a, b, x[15], 0x1fa27cf8, 16)
        MD5_STEP(MD5_H, b, c, d, a, x[2], 0xc4ac5665, 23)

        MD5_STEP(MD5_I, a, b, c, d, x[0], 0xf4292244, 6)
        MD5_STEP(MD5_I, d, a, b, c, x[7], 0x432aff97, 10)
        MD5_STEP(MD5_I, c, d, a, b, x[14], 0xab9423a7, 15)
        MD5_STEP(MD5_I, b, c, d, a, x[5], 0xfc93a039, 21)
        MD5_STEP(MD5_I, a, b, c, d, x[12], 0x655b59c3, 6)
        MD5_STEP(MD5_I, d, a, b, c, x[3], 0x8f0ccc92, 10)
        MD5_STEP(MD5_I, c, d, a, b, x[10], 0xffeff47d, 15)
        MD5_STEP(MD5_I, b, c, d, a, x[1], 0x85845dd1, 21)
        MD5_STEP(MD5_I, a, b, c, d, x[8], 0x6fa87e4f, 6)
        MD5_STEP(MD5_I, d, a, b, c, x[15], 0xfe2ce6e0, 10)
        MD5_STEP(MD5_I, c, d, a, b, x[6], 0xa3014314, 15)
        MD5_STEP(MD5_I, b, c, d, a, x[13], 0x4e0811a1, 21)
        MD5_STEP(MD5_I, a, b, c, d, x[4], 0xf7537e82, 6)
        MD5_STEP(MD5_I, d, a, b, c, x[11], 0xbd3af235, 10)
        MD5_STEP(MD5_I, c, d, a, b, x[2], 0x2ad7d2bb, 15)
        MD5_STEP(MD5_I, b, c, d, a, x[9], 0xeb86d391, 21)

        a += aa;
        b += bb;
        c += cc;
        d += dd;
    }
    state[0] = a, state[1] = b, state[2] = c, state[3] = d;
}

#undef MD5_STEP
#undef MD5_F
#undef MD5_STEP_G
#undef MD5_H
#undef MD5_I

} // namespace

void Md5Init(Md5Context* context)
{
    context->state[0] = 0x67452301;
    context->state[1] = 0xefcdab89;
    context->state[2] = 0x98badcfe;
    context->state[3] = 0x10325476;
    context->bitCount = 0;
    std::memset(context->buffer, 0, sizeof(context->buffer));
}

void Md5Update(Md5Context* context, const void* data, size_t length)
{
    if (length == 0) {
        return;
    }
    const uint8_t* in = static_cast<const uint8_t*>(data);
    size_t used = static_cast<size_t>((context->bitCount >> 3) & 63);
    context->bitCount += static_cast<uint64_t>(length) << 3;
    if (used != 0) {
        const size_t room = 64 - used;
        if (length < room) {
            std::memcpy(context->buffer + used, in, length);
            return;
        }
        std::memcpy(context->buffer + used, in, room);
        Transform(context->state, context->buffer, 1);
        in += room;
        length -= room;
    }
    if (length >= 64) {
        Transform(context->state, in, length / 64);
        in += length & ~size_t(63);
        length &= 63;
    }
    if (length != 0) {
        std::memcpy(context->buffer, in, length);
    }
}

void Md5Final(Md5Context* context, uint8_t digest[kMd5DigestSize])
{
    // Append 0x80, zeros up to 56 mod 64, then the bit count as 64-bit little-endian.
    uint8_t tail[72] = {0x80};
    const uint64_t bits = context->bitCount;
    const size_t used = static_cast<size_t>((bits >> 3) & 63);
    const size_t padLength = used < 56 ? 56 - used : 120 - used;
    for (int i = 0; i < 8; ++i) {
        tail[padLength + i] = static_cast<uint8_t>(bits >> (8 * i));
    }
    Md5Update(context, tail, padLength + 8);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            digest[4 * i + j] = static_cast<uint8_t>(context->state[i] >> (8 * j));
        }
    }
    std::memset(context, 0, sizeof(*context));
}

void Md5(const void* data, size_t length, uint8_t digest[kMd5DigestSize])
{
    Md5Context context;
    Md5Init(&context);
    Md5Update(&context, data, length);
    Md5Final(&context, digest);
}

void Md5HexUpper(const uint8_t digest[kMd5DigestSize], char out[2 * kMd5DigestSize + 1])
{
    static const char kHex[] = "0123456789ABCDEF";
    for (size_t i = 0; i < kMd5DigestSize; ++i) {
        out[2 * i] = kHex[digest[i] >> 4];
        out[2 * i + 1] = kHex[digest[i] & 15];
    }
    out[2 * kMd5DigestSize] = '\0';
}
