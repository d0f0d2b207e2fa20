#include "protocol/pcid.h"

#include <cstdio>
#include <cstring>

#include "protocol/md5.h"

const char kUnknownPcid[] = "unknown pcid";

namespace {

constexpr size_t kAddressTextSize = 13;   // "%02X" x 6 and the terminator
constexpr size_t kConcatenationSize = 256; // room for 21 address texts and a terminator
constexpr size_t kMaxAddressTexts = (kConcatenationSize - 1) / (kAddressTextSize - 1);

// Rows whose description contains one of these texts are virtual, tunnel or filter interfaces.
// The two Korean texts are written as their CP949 bytes, so they match the system's ANSI
// descriptions whatever character set this file is compiled with: "WAN 미니포트" and "RAS 비동기".
const char* const kExcludedDescriptions[] = {
    "WAN Miniport",
    "WAN \xB9\xCC\xB4\xCF\xC6\xF7\xC6\xAE",
    "RAS Async",
    "RAS \xBA\xF1\xB5\xBF\xB1\xE2",
    "Bluetooth",
    "VMware",
    "Filter",
    "-QoS",
    "-QOS",
    "-WFP",
    "Microsoft",
    "Teredo",
};

} // namespace

bool IsQualifyingAdapter(const AdapterRow& row)
{
    if (row.addressLength != 6 || row.address == nullptr) {
        return false;
    }
    if (row.description != nullptr) {
        for (const char* excluded : kExcludedDescriptions) {
            if (std::strstr(row.description, excluded) != nullptr) {
                return false;
            }
        }
    }
    return true;
}

void ComputePcidFromRows(const AdapterRow* rows, size_t count, char out[kPcidSize])
{
    // The address texts in ascending byte order. Only the lowest ones that the concatenation can
    // hold are kept, so that the result depends only on the set of adapters, not on their order
    // or number.
    char texts[kMaxAddressTexts][kAddressTextSize];
    size_t kept = 0;
    for (size_t i = 0; rows != nullptr && i < count; ++i) {
        if (!IsQualifyingAdapter(rows[i])) {
            continue;
        }
        const uint8_t* a = rows[i].address;
        char text[kAddressTextSize];
        std::snprintf(text, sizeof(text), "%02X%02X%02X%02X%02X%02X", a[0], a[1], a[2], a[3], a[4],
                      a[5]);
        // Insertion into the sorted list, dropping the highest when it is full.
        size_t at = kept;
        while (at > 0 && std::strcmp(texts[at - 1], text) > 0) {
            --at;
        }
        if (at >= kMaxAddressTexts) {
            continue;
        }
        const size_t last = kept < kMaxAddressTexts ? kept : kMaxAddressTexts - 1;
        for (size_t j = last; j > at; --j) {
            std::memcpy(texts[j], texts[j - 1], kAddressTextSize);
        }
        std::memcpy(texts[at], text, kAddressTextSize);
        if (kept < kMaxAddressTexts) {
            ++kept;
        }
    }

    char concatenation[kConcatenationSize];
    size_t length = 0;
    for (size_t i = 0; i < kept; ++i) {
        std::memcpy(concatenation + length, texts[i], kAddressTextSize - 1);
        length += kAddressTextSize - 1;
    }
    concatenation[length] = '\0';

    uint8_t digest[kMd5DigestSize];
    Md5(concatenation, length, digest);
    std::memset(out, 0, kPcidSize);
    Md5HexUpper(digest, out);
}
