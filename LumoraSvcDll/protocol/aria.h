// ARIA block cipher (RFC 5794) and the ECB mode over whole 16-byte blocks that the toolbar-server
// protocol uses. Portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kAriaBlockSize = 16;
constexpr int kAriaMaxRounds = 16;

// Round keys of one key: rounds + 1 keys of 16 bytes (17 keys, 272 bytes for a 256-bit key).
// Each round key is held as four 32-bit words, word 0 being bytes 0..3 read big-endian, so the
// rounds work on whole words.
struct AriaKeySchedule
{
    uint32_t roundKeys[kAriaMaxRounds + 1][kAriaBlockSize / 4];
    int rounds; // 12, 14 or 16 for 128-, 192- and 256-bit keys
};

// Key lengths in bytes: 16, 24 or 32. Return false for any other length.
bool AriaSetEncryptKey(const uint8_t* key, size_t keyLength, AriaKeySchedule* schedule);
bool AriaSetDecryptKey(const uint8_t* key, size_t keyLength, AriaKeySchedule* schedule);

// One block through the schedule's rounds; in and out may be the same buffer.
void AriaCryptBlock(const AriaKeySchedule& schedule, const uint8_t in[kAriaBlockSize],
                    uint8_t out[kAriaBlockSize]);

// ECB in place over `length` bytes with a key schedule computed for this call. Return false, and
// leave the data untouched, when `length` is not a multiple of 16 or the key length is invalid.
bool AriaEcbEncrypt(const uint8_t* key, size_t keyLength, uint8_t* data, size_t length);
bool AriaEcbDecrypt(const uint8_t* key, size_t keyLength, uint8_t* data, size_t length);
