// Throughput of our ARIA-256-ECB and MD5 against OpenSSL's EVP aria-256-ecb and MD5, measured in
// the same run. Each pair shares its input size; compare the bytes_per_second columns.
#include <benchmark/benchmark.h>

#include <openssl/evp.h>
#include <openssl/md5.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "protocol/aria.h"
#include "protocol/md5.h"
#include "protocol/packet.h"

namespace {

std::vector<uint8_t> Data(size_t size)
{
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i) {
        data[i] = static_cast<uint8_t>(i * 131 + 7);
    }
    return data;
}

// ---- ours: key schedule per call, as the protocol does per packet

void OursEncrypt(benchmark::State& state)
{
    std::vector<uint8_t> data = Data(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        AriaEcbEncrypt(kProtocolKey, 32, data.data(), data.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void OursDecrypt(benchmark::State& state)
{
    std::vector<uint8_t> data = Data(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        AriaEcbDecrypt(kProtocolKey, 32, data.data(), data.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

// Bulk rate with one key schedule for many calls (the cipher alone).
void OursEncryptScheduled(benchmark::State& state)
{
    std::vector<uint8_t> data = Data(static_cast<size_t>(state.range(0)));
    AriaKeySchedule schedule;
    AriaSetEncryptKey(kProtocolKey, 32, &schedule);
    for (auto _ : state) {
        for (size_t at = 0; at < data.size(); at += 16) {
            AriaCryptBlock(schedule, data.data() + at, data.data() + at);
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

// ---- OpenSSL: one context per run for the bulk figures, a fresh init per packet below

void OpenSslCrypt(benchmark::State& state, bool encrypt)
{
    std::vector<uint8_t> data = Data(static_cast<size_t>(state.range(0)));
    std::vector<uint8_t> out(data.size() + 16);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    const EVP_CIPHER* cipher = EVP_aria_256_ecb();
    if (ctx == nullptr || cipher == nullptr) {
        state.SkipWithError("OpenSSL has no aria-256-ecb");
        return;
    }
    EVP_CipherInit_ex(ctx, cipher, nullptr, kProtocolKey, nullptr, encrypt ? 1 : 0);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    for (auto _ : state) {
        int outLength = 0;
        EVP_CipherUpdate(ctx, out.data(), &outLength, data.data(), static_cast<int>(data.size()));
        benchmark::ClobberMemory();
    }
    EVP_CIPHER_CTX_free(ctx);
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void OpenSslEncrypt(benchmark::State& state) { OpenSslCrypt(state, true); }
void OpenSslDecrypt(benchmark::State& state) { OpenSslCrypt(state, false); }

// ---- per packet: key schedule and one 128-byte packet body

void OursPacket(benchmark::State& state, bool encrypt)
{
    std::vector<uint8_t> data = Data(128);
    for (auto _ : state) {
        if (encrypt) {
            AriaEcbEncrypt(kProtocolKey, 32, data.data(), data.size());
        } else {
            AriaEcbDecrypt(kProtocolKey, 32, data.data(), data.size());
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 128);
}

void OpenSslPacket(benchmark::State& state, bool encrypt)
{
    std::vector<uint8_t> data = Data(128);
    std::vector<uint8_t> out(128 + 16);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    const EVP_CIPHER* cipher = EVP_aria_256_ecb();
    for (auto _ : state) {
        int outLength = 0;
        EVP_CipherInit_ex(ctx, cipher, nullptr, kProtocolKey, nullptr, encrypt ? 1 : 0);
        EVP_CIPHER_CTX_set_padding(ctx, 0);
        EVP_CipherUpdate(ctx, out.data(), &outLength, data.data(), 128);
        benchmark::ClobberMemory();
    }
    EVP_CIPHER_CTX_free(ctx);
    state.SetBytesProcessed(int64_t(state.iterations()) * 128);
}

void OursPacketEncrypt(benchmark::State& state) { OursPacket(state, true); }
void OursPacketDecrypt(benchmark::State& state) { OursPacket(state, false); }
void OpenSslPacketEncrypt(benchmark::State& state) { OpenSslPacket(state, true); }
void OpenSslPacketDecrypt(benchmark::State& state) { OpenSslPacket(state, false); }

// ---- MD5

void OursMd5(benchmark::State& state)
{
    std::vector<uint8_t> data = Data(static_cast<size_t>(state.range(0)));
    uint8_t digest[kMd5DigestSize];
    for (auto _ : state) {
        Md5(data.data(), data.size(), digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void OpenSslMd5(benchmark::State& state)
{
    std::vector<uint8_t> data = Data(static_cast<size_t>(state.range(0)));
    uint8_t digest[MD5_DIGEST_LENGTH];
    for (auto _ : state) {
        MD5(data.data(), data.size(), digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

} // namespace

BENCHMARK(OursEncrypt)->Arg(1024)->Arg(16384);
BENCHMARK(OpenSslEncrypt)->Arg(1024)->Arg(16384);
BENCHMARK(OursDecrypt)->Arg(1024)->Arg(16384);
BENCHMARK(OpenSslDecrypt)->Arg(1024)->Arg(16384);
BENCHMARK(OursEncryptScheduled)->Arg(16384);
BENCHMARK(OursPacketEncrypt);
BENCHMARK(OpenSslPacketEncrypt);
BENCHMARK(OursPacketDecrypt);
BENCHMARK(OpenSslPacketDecrypt);
BENCHMARK(OursMd5)->Arg(64)->Arg(1024)->Arg(16384);
BENCHMARK(OpenSslMd5)->Arg(64)->Arg(1024)->Arg(16384);

BENCHMARK_MAIN();
