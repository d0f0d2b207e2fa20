// MD5 message digest (RFC 1321). Portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kMd5DigestSize = 16;

struct Md5Context
{
    uint32_t state[4];
    uint64_t bitCount;
    uint8_t buffer[64];
};

void Md5Init(Md5Context* context);
void Md5Update(Md5Context* context, const void* data, size_t length);
void Md5Final(Md5Context* context, uint8_t digest[kMd5DigestSize]);

// The digest of one buffer.
void Md5(const void* data, size_t length, uint8_t digest[kMd5DigestSize]);

// The digest as 32 upper-case hexadecimal characters and a terminator.
void Md5HexUpper(const uint8_t digest[kMd5DigestSize], char out[2 * kMd5DigestSize + 1]);
