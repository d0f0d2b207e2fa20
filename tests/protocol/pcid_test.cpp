// The machine identifier from adapter rows: which rows count, sorting, the digest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "protocol/pcid.h"

namespace {

const uint8_t kEthernet[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};

std::string Pcid(const std::vector<AdapterRow>& rows)
{
    char out[kPcidSize];
    std::memset(out, 'X', sizeof(out));
    ComputePcidFromRows(rows.data(), rows.size(), out);
    EXPECT_EQ(out[32], '\0');
    return out;
}

TEST(Pcid, WhichAdaptersCount)
{
    const uint8_t eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const struct
    {
        const char* description;
        const uint8_t* address;
        uint32_t length;
        bool counts;
    } cases[] = {
        {"Realtek PCIe GBE Family Controller", kEthernet, 6, true},
        {"Realtek PCIe GBE Family Controller", eight, 8, false},
        {"Realtek PCIe GBE Family Controller", kEthernet, 5, false},
        {"Realtek PCIe GBE Family Controller", kEthernet, 0, false},
        {"Realtek PCIe GBE Family Controller", nullptr, 6, false},
        {nullptr, kEthernet, 6, true},
        {"WAN Miniport (PPTP)", kEthernet, 6, false},
        {"WAN \xB9\xCC\xB4\xCF\xC6\xF7\xC6\xAE (PPPOE)", kEthernet, 6, false}, // CP949
        {"RAS Async Adapter", kEthernet, 6, false},
        {"RAS \xBA\xF1\xB5\xBF\xB1\xE2 \xBE\xC6\xB4\xF0\xC5\xCD", kEthernet, 6, false},
        {"Bluetooth Device (Personal Area Network)", kEthernet, 6, false},
        {"VMware Virtual Ethernet Adapter for VMnet8", kEthernet, 6, false},
        {"Intel(R) PRO/1000 MT-Packet Scheduler Miniport Filter", kEthernet, 6, false},
        {"Intel(R) 82574L-QoS Packet Scheduler-0000", kEthernet, 6, false},
        {"Intel(R) 82574L-QOS Packet Scheduler-0000", kEthernet, 6, false},
        {"Intel(R) 82574L-WFP LightWeight Filter-0000", kEthernet, 6, false},
        {"Microsoft Loopback Adapter", kEthernet, 6, false},
        {"Teredo Tunneling Pseudo-Interface", kEthernet, 6, false},
        // Case-sensitive: these stay.
        {"Intel(R) 82574L-qos Packet Scheduler-0000", kEthernet, 6, true},
        {"vmware virtual adapter", kEthernet, 6, true},
        {"bluetooth", kEthernet, 6, true},
        {"WAN miniport", kEthernet, 6, true},
    };
    for (const auto& c : cases) {
        const AdapterRow row{c.description, c.address, c.length};
        EXPECT_EQ(IsQualifyingAdapter(row), c.counts) << (c.description ? c.description : "(none)")
                                                      << " length " << c.length;
    }
}

TEST(Pcid, DigestOfOneEthernetAdapter)
{
    // MD5 of "001122334455".
    EXPECT_EQ(Pcid({{"Realtek PCIe GBE Family Controller", kEthernet, 6}}),
              "572E74CDF761D0E4038509919CD8AF1A");
}

TEST(Pcid, SameAdaptersInAnotherOrderGiveTheSameIdentifier)
{
    const uint8_t a[6] = {0x00, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE};
    const uint8_t b[6] = {0x0A, 0x00, 0x00, 0x00, 0x00, 0x01};
    const uint8_t c[6] = {0xFF, 0x00, 0x00, 0x00, 0x00, 0x01};
    const uint8_t loopback[6] = {0x02, 0, 0, 0, 0, 0};
    // MD5 of "00AABBCCDDEE0A0000000001FF0000000001": "0" < "9" < "A" in byte order.
    const char* expected = "024A6A9EE8BF8FF37E52AF5F040A61BF";
    EXPECT_EQ(Pcid({{"x", c, 6}, {"y", a, 6}, {"z", b, 6}}), expected);
    EXPECT_EQ(Pcid({{"z", b, 6}, {"Microsoft Loopback", loopback, 6}, {"x", c, 6}, {"y", a, 6}}),
              expected);
}

TEST(Pcid, NoQualifyingAdapterGivesTheDigestOfTheEmptyText)
{
    const uint8_t tunnel[8] = {0, 0, 0, 0, 0, 0, 0, 0xE0};
    const char* empty = "D41D8CD98F00B204E9800998ECF8427E";
    EXPECT_EQ(Pcid({{"MS TCP Loopback interface by Microsoft", kEthernet, 6},
                    {"Teredo Tunneling Pseudo-Interface", tunnel, 8}}),
              empty);
    EXPECT_EQ(Pcid({}), empty);
    char out[kPcidSize];
    ComputePcidFromRows(nullptr, 5, out);
    EXPECT_STREQ(out, empty);
    EXPECT_STREQ(kUnknownPcid, "unknown pcid");
}

TEST(Pcid, ManyAdaptersKeepTheLowest21AddressesWhateverTheOrder)
{
    std::vector<std::vector<uint8_t>> addresses;
    for (int i = 0; i < 40; ++i) {
        addresses.push_back({0x02, 0, 0, 0, 0, static_cast<uint8_t>(i)});
    }
    std::vector<AdapterRow> rows;
    for (const auto& a : addresses) {
        rows.push_back({"Virtual NIC", a.data(), 6});
    }
    // MD5 of "020000000000" .. "020000000014", the 21 lowest texts.
    const char* expected = "FF80649515E3BA1F25CB6202A49E9D02";
    std::mt19937 random(3);
    for (int round = 0; round < 5; ++round) {
        std::shuffle(rows.begin(), rows.end(), random);
        EXPECT_EQ(Pcid(rows), expected);
    }
    std::sort(rows.begin(), rows.end(),
              [](const AdapterRow& x, const AdapterRow& y) { return x.address[5] < y.address[5]; });
    rows.resize(21);
    EXPECT_EQ(Pcid(rows), expected);
}

} // namespace
