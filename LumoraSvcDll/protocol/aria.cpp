#include "protocol/aria.h"

// ARIA as RFC 5794 describes it, arranged for 32-bit words.
//
// The 128-bit state is four words, word 0 holding bytes 0..3 big-endian. A round is the
// substitution layer (SL1 in odd rounds, SL2 in even ones) followed by the diffusion layer A. A is
// linear and splits into three steps that all work on whole words:
//   A = Mix . Permute . Mix . Spread
// where Spread replaces each byte by the XOR of the three other bytes of its word, Mix combines
// the four words (six XORs) and Permute reorders the bytes inside words 1, 2 and 3. Spread is
// folded into the substitution tables: table j of a round holds, for input byte x, the S-box value
// of byte position j copied into the three other byte positions of a word. One round is then 16
// table look-ups, two Mix steps and three byte permutations.

#include <cstring>

namespace {

// SB1 (the inverse in GF(2^8) followed by an affine map) and SB2, from the RFC's tables. SB3 and
// SB4 are their inverses and are derived below.
constexpr uint8_t kSb1[256] = {
    0x63, 0x7c, 0x77, 0x7b, 0xf2, 0x6b, 0x6f, 0xc5, 0x30, 0x01, 0x67, 0x2b, 0xfe, 0xd7, 0xab, 0x76,
    0xca, 0x82, 0xc9, 0x7d, 0xfa, 0x59, 0x47, 0xf0, 0xad, 0xd4, 0xa2, 0xaf, 0x9c, 0xa4, 0x72, 0xc0,
    0xb7, 0xfd, 0x93, 0x26, 0x36, 0x3f, 0xf7, 0xcc, 0x34, 0xa5, 0xe5, 0xf1, 0x71, 0xd8, 0x31, 0x15,
    0x04, 0xc7, 0x23, 0xc3, 0x18, 0x96, 0x05, 0x9a, 0x07, 0x12, 0x80, 0xe2, 0xeb, 0x27, 0xb2, 0x75,
    0x09, 0x83, 0x2c, 0x1a, 0x1b, 0x6e, 0x5a, 0xa0, 0x52, 0x3b, 0xd6, 0xb3, 0x29, 0xe3, 0x2f, 0x84,
    0x53, 0xd1, 0x00, 0xed, 0x20, 0xfc, 0xb1, 0x5b, 0x6a, 0xcb, 0xbe, 0x39, 0x4a, 0x4c, 0x58, 0xcf,
    0xd0, 0xef, 0xaa, 0xfb, 0x43, 0x4d, 0x33, 0x85, 0x45, 0xf9, 0x02, 0x7f, 0x50, 0x3c, 0x9f, 0xa8,
    0x51, 0xa3, 0x40, 0x8f, 0x92, 0x9d, 0x38, 0xf5, 0xbc, 0xb6, 0xda, 0x21, 0x10, 0xff, 0xf3, 0xd2,
    0xcd, 0x0c, 0x13, 0xec, 0x5f, 0x97, 0x44, 0x17, 0xc4, 0xa7, 0x7e, 0x3d, 0x64, 0x5d, 0x19, 0x73,
    0x60, 0x81, 0x4f, 0xdc, 0x22, 0x2a, 0x90, 0x88, 0x46, 0xee, 0xb8, 0x14, 0xde, 0x5e, 0x0b, 0xdb,
    0xe0, 0x32, 0x3a, 0x0a, 0x49, 0x06, 0x24, 0x5c, 0xc2, 0xd3, 0xac, 0x62, 0x91, 0x95, 0xe4, 0x79,
    0xe7, 0xc8, 0x37, 0x6d, 0x8d, 0xd5, 0x4e, 0xa9, 0x6c, 0x56, 0xf4, 0xea, 0x65, 0x7a, 0xae, 0x08,
    0xba, 0x78, 0x25, 0x2e, 0x1c, 0xa6, 0xb4, 0xc6, 0xe8, 0xdd, 0x74, 0x1f, 0x4b, 0xbd, 0x8b, 0x8a,
    0x70, 0x3e, 0xb5, 0x66, 0x48, 0x03, 0xf6, 0x0e, 0x61, 0x35, 0x57, 0xb9, 0x86, 0xc1, 0x1d, 0x9e,
    0xe1, 0xf8, 0x98, 0x11, 0x69, 0xd9, 0x8e, 0x94, 0x9b, 0x1e, 0x87, 0xe9, 0xce, 0x55, 0x28, 0xdf,
    0x8c, 0xa1, 0x89, 0x0d, 0xbf, 0xe6, 0x42, 0x68, 0x41, 0x99, 0x2d, 0x0f, 0xb0, 0x54, 0xbb, 0x16,
};

constexpr uint8_t kSb2[256] = {
    0xe2, 0x4e, 0x54, 0xfc, 0x94, 0xc2, 0x4a, 0xcc, 0x62, 0x0d, 0x6a, 0x46, 0x3c, 0x4d, 0x8b, 0xd1,
    0x5e, 0xfa, 0x64, 0xcb, 0xb4, 0x97, 0xbe, 0x2b, 0xbc, 0x77, 0x2e, 0x03, 0xd3, 0x19, 0x59, 0xc1,
    0x1d, 0x06, 0x41, 0x6b, 0x55, 0xf0, 0x99, 0x69, 0xea, 0x9c, 0x18, 0xae, 0x63, 0xdf, 0xe7, 0xbb,
    0x00, 0x73, 0x66, 0xfb, 0x96, 0x4c, 0x85, 0xe4, 0x3a, 0x09, 0x45, 0xaa, 0x0f, 0xee, 0x10, 0xeb,
    0x2d, 0x7f, 0xf4, 0x29, 0xac, 0xcf, 0xad, 0x91, 0x8d, 0x78, 0xc8, 0x95, 0xf9, 0x2f, 0xce, 0xcd,
    0x08, 0x7a, 0x88, 0x38, 0x5c, 0x83, 0x2a, 0x28, 0x47, 0xdb, 0xb8, 0xc7, 0x93, 0xa4, 0x12, 0x53,
    0xff, 0x87, 0x0e, 0x31, 0x36, 0x21, 0x58, 0x48, 0x01, 0x8e, 0x37, 0x74, 0x32, 0xca, 0xe9, 0xb1,
    0xb7, 0xab, 0x0c, 0xd7, 0xc4, 0x56, 0x42, 0x26, 0x07, 0x98, 0x60, 0xd9, 0xb6, 0xb9, 0x11, 0x40,
    0xec, 0x20, 0x8c, 0xbd, 0xa0, 0xc9, 0x84, 0x04, 0x49, 0x23, 0xf1, 0x4f, 0x50, 0x1f, 0x13, 0xdc,
    0xd8, 0xc0, 0x9e, 0x57, 0xe3, 0xc3, 0x7b, 0x65, 0x3b, 0x02, 0x8f, 0x3e, 0xe8, 0x25, 0x92, 0xe5,
    0x15, 0xdd, 0xfd, 0x17, 0xa9, 0xbf, 0xd4, 0x9a, 0x7e, 0xc5, 0x39, 0x67, 0xfe, 0x76, 0x9d, 0x43,
    0xa7, 0xe1, 0xd0, 0xf5, 0x68, 0xf2, 0x1b, 0x34, 0x70, 0x05, 0xa3, 0x8a, 0xd5, 0x79, 0x86, 0xa8,
    0x30, 0xc6, 0x51, 0x4b, 0x1e, 0xa6, 0x27, 0xf6, 0x35, 0xd2, 0x6e, 0x24, 0x16, 0x82, 0x5f, 0xda,
    0xe6, 0x75, 0xa2, 0xef, 0x2c, 0xb2, 0x1c, 0x9f, 0x5d, 0x6f, 0x80, 0x0a, 0x72, 0x44, 0x9b, 0x6c,
    0x90, 0x0b, 0x5b, 0x33, 0x7d, 0x5a, 0x52, 0xf3, 0x61, 0xa1, 0xf7, 0xb0, 0xd6, 0x3f, 0x7c, 0x6d,
    0xed, 0x14, 0xe0, 0xa5, 0x3d, 0x22, 0xb3, 0xf8, 0x89, 0xde, 0x71, 0x1a, 0xaf, 0xba, 0xb5, 0x81,
};

// The key-schedule constants CK1, CK2, CK3 (fractional part of 1/pi), as words.
constexpr uint32_t kC[3][4] = {
    {0x517cc1b7, 0x27220a94, 0xfe13abe8, 0xfa9a6ee0},
    {0x6db14acc, 0x9e21c820, 0xff28b1d5, 0xef5de2b0},
    {0xdb92371d, 0x2126e970, 0x03249775, 0x04e8c90e},
};

struct AriaTables
{
    uint8_t sbox[4][256];   // SB1, SB2, SB3, SB4
    uint32_t odd[4][256];   // SL1 at byte position j, spread over the other three positions
    uint32_t even[4][256];  // SL2 likewise
};

constexpr AriaTables MakeTables()
{
    AriaTables t{};
    for (int x = 0; x < 256; ++x) {
        t.sbox[0][x] = kSb1[x];
        t.sbox[1][x] = kSb2[x];
        t.sbox[2][kSb1[x]] = static_cast<uint8_t>(x);
        t.sbox[3][kSb2[x]] = static_cast<uint8_t>(x);
    }
    for (int j = 0; j < 4; ++j) {
        const uint32_t spread = 0x01010101u & ~(0xFFu << (24 - 8 * j));
        for (int x = 0; x < 256; ++x) {
            t.odd[j][x] = t.sbox[j][x] * spread;            // SL1: SB1 SB2 SB3 SB4
            t.even[j][x] = t.sbox[(j + 2) % 4][x] * spread; // SL2: SB3 SB4 SB1 SB2
        }
    }
    return t;
}

constexpr AriaTables kTables = MakeTables();

inline uint32_t Load32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

inline void Store32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

struct State
{
    uint32_t w0, w1, w2, w3;
};

inline uint32_t Substitute(const uint32_t (&t)[4][256], uint32_t w)
{
    return t[0][w >> 24] ^ t[1][(w >> 16) & 0xFF] ^ t[2][(w >> 8) & 0xFF] ^ t[3][w & 0xFF];
}

inline void Mix(State& s)
{
    s.w1 ^= s.w2;
    s.w2 ^= s.w3;
    s.w0 ^= s.w1;
    s.w3 ^= s.w1;
    s.w2 ^= s.w0;
    s.w1 ^= s.w2;
}

inline uint32_t SwapBytePairs(uint32_t w) // abcd -> badc
{
    return ((w << 8) & 0xFF00FF00u) | ((w >> 8) & 0x00FF00FFu);
}

inline uint32_t SwapHalves(uint32_t w) // abcd -> cdab
{
    return (w << 16) | (w >> 16);
}

inline uint32_t ReverseBytes(uint32_t w) // abcd -> dcba
{
    return (w << 24) | ((w << 8) & 0x00FF0000u) | ((w >> 8) & 0x0000FF00u) | (w >> 24);
}

// Mix . Permute . Mix: the part of A that follows Spread.
inline void Diffuse(State& s)
{
    Mix(s);
    s.w1 = SwapBytePairs(s.w1);
    s.w2 = SwapHalves(s.w2);
    s.w3 = ReverseBytes(s.w3);
    Mix(s);
}

inline void AddKey(State& s, const uint32_t k[4])
{
    s.w0 ^= k[0];
    s.w1 ^= k[1];
    s.w2 ^= k[2];
    s.w3 ^= k[3];
}

// One odd round without its key: A(SL1(s)).
inline void OddRound(State& s)
{
    s.w0 = Substitute(kTables.odd, s.w0);
    s.w1 = Substitute(kTables.odd, s.w1);
    s.w2 = Substitute(kTables.odd, s.w2);
    s.w3 = Substitute(kTables.odd, s.w3);
    Diffuse(s);
}

// One even round without its key: A(SL2(s)).
inline void EvenRound(State& s)
{
    s.w0 = Substitute(kTables.even, s.w0);
    s.w1 = Substitute(kTables.even, s.w1);
    s.w2 = Substitute(kTables.even, s.w2);
    s.w3 = Substitute(kTables.even, s.w3);
    Diffuse(s);
}

// SL2 alone, for the last round.
inline uint32_t FinalSubstitute(uint32_t w)
{
    return (uint32_t(kTables.sbox[2][w >> 24]) << 24) |
           (uint32_t(kTables.sbox[3][(w >> 16) & 0xFF]) << 16) |
           (uint32_t(kTables.sbox[0][(w >> 8) & 0xFF]) << 8) |
           uint32_t(kTables.sbox[1][w & 0xFF]);
}

// The whole linear layer A on words (used for the decryption keys).
inline void Diffusion(State& s)
{
    auto spread = [](uint32_t w) {
        return ((w << 8) | (w >> 24)) ^ ((w << 16) | (w >> 16)) ^ ((w << 24) | (w >> 8));
    };
    s.w0 = spread(s.w0);
    s.w1 = spread(s.w1);
    s.w2 = spread(s.w2);
    s.w3 = spread(s.w3);
    Diffuse(s);
}

inline State LoadState(const uint8_t* p)
{
    return State{Load32(p), Load32(p + 4), Load32(p + 8), Load32(p + 12)};
}

inline void StoreState(uint8_t* p, const State& s)
{
    Store32(p, s.w0);
    Store32(p + 4, s.w1);
    Store32(p + 8, s.w2);
    Store32(p + 12, s.w3);
}

inline void FinalRound(State& s, const uint32_t k[4])
{
    s.w0 = FinalSubstitute(s.w0) ^ k[0];
    s.w1 = FinalSubstitute(s.w1) ^ k[1];
    s.w2 = FinalSubstitute(s.w2) ^ k[2];
    s.w3 = FinalSubstitute(s.w3) ^ k[3];
}

// Rounds 1 .. n-1 alternate odd and even (n is even); round n is SL2 and the last two keys.
inline void Encrypt1(const AriaKeySchedule& ks, State& s)
{
    const int n = ks.rounds;
    AddKey(s, ks.roundKeys[0]);
    for (int i = 1; i < n - 1; i += 2) {
        OddRound(s);
        AddKey(s, ks.roundKeys[i]);
        EvenRound(s);
        AddKey(s, ks.roundKeys[i + 1]);
    }
    OddRound(s);
    AddKey(s, ks.roundKeys[n - 1]);
    FinalRound(s, ks.roundKeys[n]);
}

// Two independent blocks side by side, so that the look-ups of one fill the other's latency.
inline void Encrypt2(const AriaKeySchedule& ks, State& a, State& b)
{
    const int n = ks.rounds;
    AddKey(a, ks.roundKeys[0]);
    AddKey(b, ks.roundKeys[0]);
    for (int i = 1; i < n - 1; i += 2) {
        OddRound(a);
        OddRound(b);
        AddKey(a, ks.roundKeys[i]);
        AddKey(b, ks.roundKeys[i]);
        EvenRound(a);
        EvenRound(b);
        AddKey(a, ks.roundKeys[i + 1]);
        AddKey(b, ks.roundKeys[i + 1]);
    }
    OddRound(a);
    OddRound(b);
    AddKey(a, ks.roundKeys[n - 1]);
    AddKey(b, ks.roundKeys[n - 1]);
    FinalRound(a, ks.roundKeys[n]);
    FinalRound(b, ks.roundKeys[n]);
}

// The 128-bit value w rotated right by n bits (0 <= n < 128), XORed into x.
inline void XorRotatedRight(const uint32_t x[4], const uint32_t w[4], int n, uint32_t out[4])
{
    const int q = n / 32;
    const int r = n % 32;
    uint32_t v[4];
    for (int i = 0; i < 4; ++i) {
        v[i] = w[(i - q + 4) % 4];
    }
    for (int i = 0; i < 4; ++i) {
        uint32_t rotated = v[i];
        if (r != 0) {
            rotated = (v[i] >> r) | (v[(i + 3) % 4] << (32 - r));
        }
        out[i] = x[i] ^ rotated;
    }
}

void CryptBlocks(const AriaKeySchedule& ks, uint8_t* data, size_t blocks)
{
    while (blocks >= 2) {
        State a = LoadState(data);
        State b = LoadState(data + kAriaBlockSize);
        Encrypt2(ks, a, b);
        StoreState(data, a);
        StoreState(data + kAriaBlockSize, b);
        data += 2 * kAriaBlockSize;
        blocks -= 2;
    }
    if (blocks != 0) {
        State a = LoadState(data);
        Encrypt1(ks, a);
        StoreState(data, a);
    }
}

} // namespace

bool AriaSetEncryptKey(const uint8_t* key, size_t keyLength, AriaKeySchedule* schedule)
{
    if (key == nullptr || schedule == nullptr ||
        (keyLength != 16 && keyLength != 24 && keyLength != 32)) {
        return false;
    }
    // KL is the first 128 bits of the key, KR the rest padded with zeros.
    uint32_t kr[4] = {0, 0, 0, 0};
    for (size_t i = 16; i < keyLength; i += 4) {
        kr[(i - 16) / 4] = Load32(key + i);
    }
    // CK1, CK2, CK3 rotate through C1, C2, C3 by key length.
    const int first = keyLength == 16 ? 0 : keyLength == 24 ? 1 : 2;
    const uint32_t* ck1 = kC[first];
    const uint32_t* ck2 = kC[(first + 1) % 3];
    const uint32_t* ck3 = kC[(first + 2) % 3];

    uint32_t w[4][4];
    State s = LoadState(key);
    w[0][0] = s.w0, w[0][1] = s.w1, w[0][2] = s.w2, w[0][3] = s.w3;
    // W1 = FO(W0, CK1) ^ KR
    AddKey(s, ck1);
    OddRound(s);
    w[1][0] = s.w0 ^ kr[0], w[1][1] = s.w1 ^ kr[1], w[1][2] = s.w2 ^ kr[2], w[1][3] = s.w3 ^ kr[3];
    // W2 = FE(W1, CK2) ^ W0
    s = State{w[1][0], w[1][1], w[1][2], w[1][3]};
    AddKey(s, ck2);
    EvenRound(s);
    for (int i = 0; i < 4; ++i) {
        w[2][i] = (i == 0 ? s.w0 : i == 1 ? s.w1 : i == 2 ? s.w2 : s.w3) ^ w[0][i];
    }
    // W3 = FO(W2, CK3) ^ W1
    s = State{w[2][0], w[2][1], w[2][2], w[2][3]};
    AddKey(s, ck3);
    OddRound(s);
    for (int i = 0; i < 4; ++i) {
        w[3][i] = (i == 0 ? s.w0 : i == 1 ? s.w1 : i == 2 ? s.w2 : s.w3) ^ w[1][i];
    }

    // ek1..ek16 in groups of four: Wk ^ (W(k+1) rotated), rotations >>>19, >>>31, <<<61, <<<31;
    // ek17 = W0 ^ (W1 <<< 19). A left rotation by m is a right rotation by 128 - m.
    static const int kRotations[5] = {19, 31, 128 - 61, 128 - 31, 128 - 19};
    const int rounds = keyLength == 16 ? 12 : keyLength == 24 ? 14 : 16;
    for (int k = 0; k <= rounds; ++k) {
        XorRotatedRight(w[k % 4], w[(k + 1) % 4], kRotations[k / 4], schedule->roundKeys[k]);
    }
    schedule->rounds = rounds;
    return true;
}

bool AriaSetDecryptKey(const uint8_t* key, size_t keyLength, AriaKeySchedule* schedule)
{
    if (!AriaSetEncryptKey(key, keyLength, schedule)) {
        return false;
    }
    // dk1 = ek(n+1), dk(i) = A(ek(n+2-i)), dk(n+1) = ek1: reverse the order and pass the inner
    // keys through A.
    const int n = schedule->rounds;
    uint32_t (*rk)[4] = schedule->roundKeys;
    for (int i = 0, j = n; i < j; ++i, --j) {
        for (int x = 0; x < 4; ++x) {
            const uint32_t t = rk[i][x];
            rk[i][x] = rk[j][x];
            rk[j][x] = t;
        }
    }
    for (int i = 1; i < n; ++i) {
        State s{rk[i][0], rk[i][1], rk[i][2], rk[i][3]};
        Diffusion(s);
        rk[i][0] = s.w0, rk[i][1] = s.w1, rk[i][2] = s.w2, rk[i][3] = s.w3;
    }
    return true;
}

void AriaCryptBlock(const AriaKeySchedule& schedule, const uint8_t in[kAriaBlockSize],
                    uint8_t out[kAriaBlockSize])
{
    State s = LoadState(in);
    Encrypt1(schedule, s);
    StoreState(out, s);
}

bool AriaEcbEncrypt(const uint8_t* key, size_t keyLength, uint8_t* data, size_t length)
{
    AriaKeySchedule schedule;
    if (length % kAriaBlockSize != 0 || (length != 0 && data == nullptr) ||
        !AriaSetEncryptKey(key, keyLength, &schedule)) {
        return false;
    }
    CryptBlocks(schedule, data, length / kAriaBlockSize);
    return true;
}

bool AriaEcbDecrypt(const uint8_t* key, size_t keyLength, uint8_t* data, size_t length)
{
    AriaKeySchedule schedule;
    if (length % kAriaBlockSize != 0 || (length != 0 && data == nullptr) ||
        !AriaSetDecryptKey(key, keyLength, &schedule)) {
        return false;
    }
    CryptBlocks(schedule, data, length / kAriaBlockSize);
    return true;
}
